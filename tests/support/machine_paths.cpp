#include "tests/support/machine_paths.h"

#include <windows.h>
#include <shlobj.h>

namespace zu::test {
namespace {

std::wstring ShellFolder(int csidl) {
    wchar_t path[MAX_PATH] = {};
    if (FAILED(::SHGetFolderPathW(nullptr, csidl, nullptr, SHGFP_TYPE_CURRENT, path))) {
        return std::wstring();
    }
    return path;
}

// The variable's value, or empty when it is not set.
std::wstring Environment(const wchar_t* name) {
    wchar_t value[MAX_PATH] = {};
    const DWORD length = ::GetEnvironmentVariableW(name, value, MAX_PATH);
    return (length == 0 || length >= MAX_PATH) ? std::wstring() : std::wstring(value);
}

}  // namespace

std::wstring NativeProgramFiles() {
    // A 32-bit process on 64-bit Windows finds the 64-bit folder only here.
    const std::wstring native = Environment(L"ProgramW6432");
    return native.empty() ? ProgramFiles32() : native;
}

std::wstring ProgramFiles32() {
    return ShellFolder(CSIDL_PROGRAM_FILES);
}

std::wstring ProgramData() {
    return ShellFolder(CSIDL_COMMON_APPDATA);
}

std::wstring CommonPrograms() {
    return ShellFolder(CSIDL_COMMON_PROGRAMS);
}

std::wstring CommonStartMenu() {
    return ShellFolder(CSIDL_COMMON_STARTMENU);
}

std::wstring PublicDesktop() {
    return ShellFolder(CSIDL_COMMON_DESKTOPDIRECTORY);
}

bool RegistryViewsAreSeparate() {
    BOOL wow64 = FALSE;
    return ::IsWow64Process(::GetCurrentProcess(), &wow64) && wow64;
}

bool IsWindowsXp() {
    OSVERSIONINFOW version = {};
    version.dwOSVersionInfoSize = sizeof(version);
    return ::GetVersionExW(&version) && version.dwMajorVersion < 6;
}

}  // namespace zu::test
