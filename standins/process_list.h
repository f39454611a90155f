#pragma once

#include <windows.h>

#include <string>
#include <vector>

namespace zu::standin {

// The process that created process_id, from a Toolhelp snapshot; 0 when the
// process is not in the snapshot.
DWORD ParentProcessId(DWORD process_id);

// Full path of the process's executable; empty when the process cannot be
// opened or has ended.
std::wstring ProcessImagePath(DWORD process_id);

// Terminates every process whose executable is named executable_name (without
// regard to case), except except_id. Returns the ids of those terminated.
std::vector<DWORD> TerminateProcessesNamed(const wchar_t* executable_name, DWORD except_id);

}  // namespace zu::standin
