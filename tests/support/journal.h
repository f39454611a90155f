#pragma once

#include <windows.h>

#include <string>
#include <vector>

namespace zu::test {

// The stand-in programs as tests see them: their journal (what started, how,
// from where, and what each did), their behaviour file and where the build
// put them.

// One line of the journal. A start has path, arguments, working directory and
// parent; an event has its name and detail. Both have program and pid.
struct JournalRecord {
    bool is_start = false;
    std::wstring program;
    DWORD pid = 0;
    std::wstring path;
    std::wstring arguments;
    std::wstring working_directory;
    DWORD parent_pid = 0;
    std::wstring parent_path;
    std::wstring event;
    std::wstring detail;
};

// Every record of the journal, in order; empty when there is no journal.
// Lines of neither form are skipped.
std::vector<JournalRecord> ReadJournal();

// The starts of program (compared without regard to case), in order.
std::vector<JournalRecord> StartsOf(const std::wstring& program);

// The events that process pid recorded, in order.
std::vector<JournalRecord> EventsOf(DWORD pid);

// True when some process of program recorded event (without regard to case).
bool HasEvent(const std::wstring& program, const std::wstring& event);

// Polls the journal until program has started at least count times; false
// when timeout_ms pass first.
bool WaitForStarts(const std::wstring& program, size_t count, DWORD timeout_ms);

void ClearJournal();

// Sets key=value in the behaviour file's section (a stand-in's file name as
// started, or "<name> <first argument>").
void SetBehaviour(const std::wstring& section, const wchar_t* key, int value);

// Removes the behaviour file: every stand-in behaves by default again, and a
// respawning ZUSR.exe pair ends within a moment.
void ClearBehaviour();

// Terminates every running stand-in process (by the stand-ins' file names,
// "setup.exe" included); true when none is left.
bool EndStandinProcesses();

// A stand-in as the build left it for tests, unsigned: <test bin>\standins\<file_name>.
std::wstring StandinPath(const std::wstring& file_name);

// The self-repair tool signed by a certificate named "KORU CORPORATION", and unsigned.
std::wstring UpperCaseSignerToolPath();
std::wstring UnsignedToolPath();

// A stand-in as the build signed it for tests: <test bin>\signing\<variant>\<file_name>,
// variant "unsigned", "another" (signed by "Another Corporation") or "maker"
// (signed by "Koru Corporation").
std::wstring SigningVariantPath(const wchar_t* variant, const wchar_t* file_name);

}  // namespace zu::test
