#include "standins/machine_paths.h"

#include <windows.h>
#include <shlobj.h>

namespace zu::standin {
namespace {

std::wstring Expand(const wchar_t* text) {
    wchar_t expanded[MAX_PATH * 2] = {};
    const DWORD length = ::ExpandEnvironmentStringsW(text, expanded, MAX_PATH * 2);
    if (length == 0 || length > MAX_PATH * 2 || expanded[0] == L'%') {
        return std::wstring();
    }
    return expanded;
}

std::wstring ShellFolder(int csidl) {
    wchar_t path[MAX_PATH] = {};
    if (FAILED(::SHGetFolderPathW(nullptr, csidl, nullptr, SHGFP_TYPE_CURRENT, path))) {
        return std::wstring();
    }
    return path;
}

}  // namespace

std::wstring NativeProgramFiles() {
    // ProgramW6432 exists only on 64-bit Windows; elsewhere the one folder is native.
    const std::wstring native = Expand(L"%ProgramW6432%");
    return native.empty() ? Expand(L"%ProgramFiles%") : native;
}

std::wstring ProgramFiles32() {
    return ShellFolder(CSIDL_PROGRAM_FILES);
}

std::wstring CommonPrograms() {
    return ShellFolder(CSIDL_COMMON_PROGRAMS);
}

bool IsNativeX86() {
    SYSTEM_INFO info = {};
    ::GetNativeSystemInfo(&info);
    return info.wProcessorArchitecture == PROCESSOR_ARCHITECTURE_INTEL;
}

bool IsWindowsXp() {
    OSVERSIONINFOW version = {};
    version.dwOSVersionInfoSize = sizeof(version);
    return ::GetVersionExW(&version) && version.dwMajorVersion == 5;
}

}  // namespace zu::standin
