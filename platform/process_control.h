#pragma once

#include <windows.h>

#include <string>

#include "platform/scoped_handle.h"

namespace zu {

// Processes are named by their executable file name, compared without regard
// to case. Nothing here reports failures beyond its result.

// Shell-executes path hidden with parameters; waits without limit when wait is
// set. Does nothing when the file does not exist.
void ShellRun(const std::wstring& path, const std::wstring& parameters, bool wait);

// Shell-executes path shown and waits without limit. Does nothing when the file
// does not exist.
void ShellRunShown(const std::wstring& parameters, const std::wstring& path);

// Creates the process of command_line in directory (the launcher's own when
// empty), shown as the program chooses, and logs the start in the run log.
// The process handle, or none when it could not be created.
UniqueHandle StartProgram(const std::wstring& command_line, const std::wstring& directory);

// Waits for process without limit and logs program's exit code. Returns that
// code, STILL_ACTIVE when it cannot be read.
DWORD WaitForProgram(const UniqueHandle& process, const std::wstring& program);

// Creates the process hidden and waits at most 30 s; exit_code is then its exit
// code, or STILL_ACTIVE (259) for a process still running. False when the
// process could not be created (exit_code untouched).
bool RunAndWait(const std::wstring& command_line, DWORD* exit_code);

bool IsProcessRunning(const wchar_t* executable_name);

// Terminates the first process of that name, if any, without waiting.
void TerminateProcessByName(const wchar_t* executable_name);

// Terminates every process of that name and waits until none runs any more,
// for at most timeout_ms in all. False when one still runs then (one that
// cannot be opened counts as running).
bool EndProcessesByName(const wchar_t* executable_name, DWORD timeout_ms);

// Terminates "ZUSR.exe" up to 30 times, 1 s apart. True when it still runs.
bool StopSelfRepairTool();

// Force-ends every "DARiziz.exe" / "ZEMIUpdt.exe" through the system's
// taskkill and waits for it, 30 s at most; a taskkill that cannot start is
// only logged.
void TaskkillAgent();
void TaskkillClient();

// Full path of the process's main module. False, path untouched, on failure.
bool GetProcessImagePath(DWORD process_id, std::wstring* path);

// Copies the executable of the process that started the launcher's parent (the
// package) into the self-repair folder as target_file_name. False when nothing
// was copied: no such process, or the desktop shell is the parent or grandparent.
bool CopyInvokerImage(const std::wstring& target_file_name);

}  // namespace zu
