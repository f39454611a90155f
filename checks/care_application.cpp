#include "checks/care_application.h"

#include <windows.h>

#include <string>

#include "components/care_application.h"
#include "platform/file_trust.h"
#include "platform/known_folders.h"
#include "platform/os_version.h"
#include "platform/scoped_handle.h"

namespace zu {
namespace {

// Loads the library from its full path only. Its own dependencies are looked
// for in its folder rather than the launcher's (a download folder), and a
// library that cannot be loaded fails quietly instead of holding an
// unattended run in a system error box.
UniqueModule LoadLibraryAt(const std::wstring& path) {
    const UINT previous_mode = ::SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOOPENFILEERRORBOX);
    UniqueModule library(::LoadLibraryExW(path.c_str(), nullptr, LOAD_WITH_ALTERED_SEARCH_PATH));
    ::SetErrorMode(previous_mode);
    return library;
}

}  // namespace

bool IsCareApplicationRunning() {
    // This 32-bit process can load only a 32-bit library: on 64-bit Windows
    // that is the care application's 32-bit copy.
    const wchar_t* tail = GetNativeArchitecture() == PROCESSOR_ARCHITECTURE_AMD64
                              ? kCareStateLibrary32Tail
                              : kCareStateLibraryTail;
    std::wstring path;
    if (!GetNativeProgramFilesPath(tail, &path)) {
        return false;
    }
    // Only the maker's library runs in this elevated process, and only the
    // file that was checked: it stays held while it is loaded.
    UniqueFileHandle held;
    if (!HoldTrustedFile(path, &held)) {
        return false;
    }
    UniqueModule library = LoadLibraryAt(path);
    if (!library) {
        return false;
    }
    const auto is_running = reinterpret_cast<CareRunningFunction>(
        reinterpret_cast<void*>(::GetProcAddress(library.Get(), kCareRunningExport)));
    return is_running != nullptr && static_cast<BYTE>(is_running()) != 0;
}

}  // namespace zu
