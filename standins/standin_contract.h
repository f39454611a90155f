#pragma once

// What the stand-in programs share with the tests that drive them. The
// launcher itself knows nothing of this file.

namespace zu::standin {

// Every stand-in appends one line per start to the journal (UTF-8, one line
// per start, fields separated by tabs):
//   program<TAB>own path<TAB>arguments<TAB>working directory<TAB>parent pid<TAB>parent image path<TAB>pid
// and may append further lines "program<TAB>event<TAB>detail" for what it did.
inline constexpr wchar_t kJournalPath[] = L"C:\\zu-standins\\journal.txt";

// Per-test behaviour, read at every start with GetPrivateProfileString:
// section = the stand-in's executable name as it was started (e.g. "ZUSR.exe"),
// keys documented in standins/README.md.
inline constexpr wchar_t kBehaviourPath[] = L"C:\\zu-standins\\behaviour.ini";

}  // namespace zu::standin
