#include "platform/dll_search.h"

#include <windows.h>

#include "platform/runtime_function.h"

namespace zu {
namespace {

constexpr DWORD kSearchSystem32 = 0x00000800;  // LOAD_LIBRARY_SEARCH_SYSTEM32

using SetDefaultDllDirectoriesFunction = BOOL(WINAPI*)(DWORD);
using SetDllDirectoryFunction = BOOL(WINAPI*)(LPCWSTR);

}  // namespace

void RestrictDllSearchPath() {
    // Present on Windows 8 and on 7 and Vista with KB2533623.
    auto set_default = FindLoadedFunctionAs<SetDefaultDllDirectoriesFunction>(
        L"kernel32.dll", "SetDefaultDllDirectories");
    if (set_default != nullptr && set_default(kSearchSystem32)) {
        return;
    }
    // XP SP1 and later: an empty string removes the current folder from the search.
    auto set_directory =
        FindLoadedFunctionAs<SetDllDirectoryFunction>(L"kernel32.dll", "SetDllDirectoryW");
    if (set_directory != nullptr) {
        set_directory(L"");
    }
}

}  // namespace zu
