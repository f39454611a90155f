#include "platform/runtime_function.h"

#include <string>

namespace zu {
namespace {

constexpr DWORD kSearchSystem32 = 0x00000800;  // LOAD_LIBRARY_SEARCH_SYSTEM32

// "<system folder>\file_name"; empty when the system folder cannot be read.
std::wstring SystemFilePath(const wchar_t* file_name) {
    wchar_t folder[MAX_PATH] = {};
    const UINT length = ::GetSystemDirectoryW(folder, MAX_PATH);
    if (length == 0 || length >= MAX_PATH) {
        return std::wstring();
    }
    return std::wstring(folder, length) + L"\\" + file_name;
}

// The full path already names the system copy; the flags also keep the DLL's
// own dependencies out of the launcher's folder: System32 only where the
// system knows that flag (it comes with SetDefaultDllDirectories), else the
// search starts in the DLL's own (system) folder.
DWORD LoadFlags() {
    const bool has_search_flags =
        FindLoadedFunction(L"kernel32.dll", "SetDefaultDllDirectories") != nullptr;
    return has_search_flags ? kSearchSystem32 : LOAD_WITH_ALTERED_SEARCH_PATH;
}

}  // namespace

FARPROC FindLoadedFunction(const wchar_t* module, const char* name) {
    HMODULE handle = ::GetModuleHandleW(module);
    if (handle == nullptr) {
        return nullptr;
    }
    return ::GetProcAddress(handle, name);
}

SystemLibrary::SystemLibrary(const wchar_t* file_name) {
    const std::wstring path = SystemFilePath(file_name);
    if (!path.empty()) {
        module_.Reset(::LoadLibraryExW(path.c_str(), nullptr, LoadFlags()));
    }
}

}  // namespace zu
