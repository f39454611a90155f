#include "platform/known_folders.h"

#include <objbase.h>

#include <cstring>
#include <cwchar>

#include "platform/known_folder_table.h"
#include "platform/os_version.h"
#include "platform/registry_key.h"
#include "platform/runtime_function.h"
#include "platform/scoped_handle.h"

namespace zu {
namespace {

using SHGetKnownFolderPathFunction = HRESULT(WINAPI*)(REFKNOWNFOLDERID, DWORD, HANDLE, PWSTR*);

// Frees the string that SHGetKnownFolderPath hands out, whatever its result.
struct TaskMemoryTraits {
    using Handle = PWSTR;
    static Handle Invalid() { return nullptr; }
    static void Close(Handle h) { ::CoTaskMemFree(h); }
};
using UniqueTaskMemoryString = ScopedHandle<TaskMemoryTraits>;

HRESULT GetPathFromCsidlTable(REFKNOWNFOLDERID folder, std::wstring* path) {
    for (std::size_t i = 0; i < kFolderMapSize; ++i) {
        if (std::memcmp(kFolderMap[i].folder, &folder, sizeof(KNOWNFOLDERID)) != 0) {
            continue;
        }
        wchar_t buffer[MAX_PATH] = {};
        HRESULT result =
            ::SHGetFolderPathW(nullptr, kFolderMap[i].csidl, nullptr, SHGFP_TYPE_CURRENT, buffer);
        if (SUCCEEDED(result)) {
            *path = buffer;
        }
        return result;
    }
    return E_FAIL;
}

// Shell32 is a load-time import of this file (SHGetFolderPathW), so the copy
// the loader took from the system folder is already in the process: the
// function is looked up there, and no DLL is ever loaded by name, which leaves
// nothing for a DLL planted beside the launcher to take over.
HRESULT GetPathFromShell(REFKNOWNFOLDERID folder, std::wstring* path) {
    auto get_known_folder_path =
        FindLoadedFunctionAs<SHGetKnownFolderPathFunction>(L"shell32.dll", "SHGetKnownFolderPath");
    if (get_known_folder_path == nullptr) {
        return E_FAIL;
    }
    PWSTR raw = nullptr;
    HRESULT result = get_known_folder_path(folder, 0, nullptr, &raw);
    UniqueTaskMemoryString owner(raw);
    if (SUCCEEDED(result)) {
        *path = (raw != nullptr) ? raw : L"";
    }
    return result;
}

// %variable% expanded; false, path untouched, when it does not fit or the
// variable is unset (it then stays as written and would make a wrong, even
// relative, path).
bool ExpandVariable(const wchar_t* variable, std::wstring* path) {
    wchar_t buffer[MAX_PATH] = {};
    const DWORD length = ::ExpandEnvironmentStringsW(variable, buffer, MAX_PATH);
    if (length == 0 || length > MAX_PATH || std::wcscmp(buffer, variable) == 0) {
        return false;
    }
    *path = buffer;
    return true;
}

// The native folder is "ProgramFilesDir" of the 64-bit registry view (the one
// registry on 32-bit Windows), which only administrators can change; the
// environment of an elevated administrator comes in part from HKCU, which the
// same user's unelevated programs can write.
bool ReadNativeProgramFilesDir(std::wstring* path) {
    RegistryKey key;
    if (key.Open(HKEY_LOCAL_MACHINE, L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion", kRegRead64) !=
        ERROR_SUCCESS) {
        return false;
    }
    wchar_t buffer[MAX_PATH] = {};
    DWORD length = MAX_PATH;
    if (key.ReadString(L"ProgramFilesDir", buffer, &length) != ERROR_SUCCESS || length <= 1) {
        return false;
    }
    *path = buffer;
    return true;
}

}  // namespace

// XP, and any system not recognised, gets only what the XP shell offers.
KnownFolderResolver::KnownFolderResolver() : useCsidlTable_(GetOsVersionCode() <= kOsXpSp2) {}

HRESULT KnownFolderResolver::GetPath(REFKNOWNFOLDERID folder, std::wstring* path) const {
    return useCsidlTable_ ? GetPathFromCsidlTable(folder, path) : GetPathFromShell(folder, path);
}

bool GetNativeProgramFilesPath(const wchar_t* tail, std::wstring* path) {
    SYSTEM_INFO info = {};
    info.wProcessorArchitecture = 0xFFFF;
    ::GetNativeSystemInfo(&info);
    std::wstring folder;
    // Without the registry's value, the environment as before (Vista x64 and
    // XP x64 have no %ProgramW6432%).
    const bool found = ReadNativeProgramFilesDir(&folder) ||
                       ((info.wProcessorArchitecture == PROCESSOR_ARCHITECTURE_INTEL)
                            ? ExpandVariable(L"%Programfiles%", &folder)
                            : ExpandVariable(L"%ProgramW6432%", &folder));
    if (!found) {
        return false;
    }
    *path = folder + tail;
    return true;
}

}  // namespace zu
