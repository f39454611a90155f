#pragma once

// What the stand-in programs share with the tests that drive them. The
// launcher itself knows nothing of this file.

namespace zu::standin {

// Every stand-in appends one line per start to the journal (UTF-8, CR LF, the
// seven fields separated by tabs):
//   program, own path, arguments, working directory, parent pid, parent image path, pid
// and may append further lines "program<TAB>pid<TAB>event<TAB>detail" for what
// it did (the pid ties an event to its start when several stand-ins run at once).
// program is the behaviour section the stand-in reads (below); arguments are
// the command line after the program's own name, as the C runtime splits it off.
inline constexpr wchar_t kJournalFolder[] = L"C:\\zu-standins";
inline constexpr wchar_t kJournalPath[] = L"C:\\zu-standins\\journal.txt";

// Per-test behaviour, read at every start with GetPrivateProfileString:
// section = the stand-in's executable name as it was started (e.g. "ZUSR.exe"),
// keys documented in standins/README.md. A section "<name> <first argument>"
// (e.g. "ZEMIUpdt.exe /haltall") overrides "<name>" key by key.
inline constexpr wchar_t kBehaviourPath[] = L"C:\\zu-standins\\behaviour.ini";

// The earlier generation's setup runs as "setup.exe" like the new one, so it
// reads this section instead of its file name.
inline constexpr wchar_t kLegacySetupSection[] = L"LegacySetup.exe";

// Where the build puts the stand-ins for tests, below the test-binary folder:
// every program unsigned, plus the signing variants.
inline constexpr wchar_t kStandinFolder[] = L"standins";
inline constexpr wchar_t kUpperCaseSignerTool[] = L"signing\\upper\\ZUSR.exe";
inline constexpr wchar_t kUnsignedTool[] = L"signing\\unsigned\\ZUSR.exe";

}  // namespace zu::standin
