#pragma once

#include <string>

namespace zu::standin {

// Folders as the maker's 32-bit programs find them. Each returns an empty
// string when the folder cannot be found.

// The native Program Files folder: the 64-bit one on 64-bit Windows.
std::wstring NativeProgramFiles();
// The Program Files folder that this 32-bit process sees (x86 on 64-bit Windows).
std::wstring ProgramFiles32();
// The all-users Start menu Programs folder.
std::wstring CommonPrograms();

// True when Windows itself is 32-bit (x86).
bool IsNativeX86();

// True on Windows XP and Windows Server 2003 (version 5.x).
bool IsWindowsXp();

}  // namespace zu::standin
