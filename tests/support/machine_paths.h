#pragma once

#include <string>

namespace zu::test {

// The system folders that test machines are laid out in, found with the
// system's own calls (not the launcher's resolver, which is under test).
// Each is a path without a trailing backslash, or empty when the system
// cannot give the folder.

// The 64-bit Program Files folder on 64-bit Windows, the only one otherwise.
std::wstring NativeProgramFiles();
// The Program Files folder that this 32-bit process sees: "Program Files
// (x86)" on 64-bit Windows.
std::wstring ProgramFiles32();
std::wstring ProgramData();
std::wstring CommonPrograms();
std::wstring CommonStartMenu();
std::wstring PublicDesktop();

// True when the registry has separate 64-bit and 32-bit views (64-bit Windows).
bool RegistryViewsAreSeparate();

// True when the Windows that this process sees is older than Vista.
bool IsWindowsXp();

}  // namespace zu::test
