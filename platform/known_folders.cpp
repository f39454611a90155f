#include "platform/known_folders.h"

#include <objbase.h>

#include <cstring>
#include <cwchar>

#include "platform/known_folder_table.h"
#include "platform/os_version.h"
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
    const wchar_t* source = (info.wProcessorArchitecture == PROCESSOR_ARCHITECTURE_INTEL)
                                ? L"%Programfiles%"
                                : L"%ProgramW6432%";
    wchar_t buffer[MAX_PATH] = {};
    DWORD length = ::ExpandEnvironmentStringsW(source, buffer, MAX_PATH);
    // A longer expansion does not fit, and an unset variable stays as written:
    // either would make a wrong, even relative, path.
    if (length == 0 || length > MAX_PATH || std::wcscmp(buffer, source) == 0) {
        return false;
    }
    *path = std::wstring(buffer) + tail;
    return true;
}

}  // namespace zu
