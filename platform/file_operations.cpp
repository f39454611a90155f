#include "platform/file_operations.h"

#include <windows.h>
#include <shellapi.h>
#include <shlwapi.h>

#include <cwchar>

#include "platform/scoped_handle.h"

namespace zu {
namespace {

constexpr wchar_t kMatchingFilesPattern[] = L"\\*.xml";

// No confirmation, progress or error dialog; no recycle bin (no FOF_ALLOWUNDO).
constexpr FILEOP_FLAGS kSilentShellFlags =
    FOF_SILENT | FOF_NOCONFIRMATION | FOF_NOCONFIRMMKDIR | FOF_NOERRORUI;

// The shell takes lists of paths ended by an empty entry.
std::wstring DoubleNullTerminated(const std::wstring& path) {
    return path + L'\0';
}

bool RunShellOperation(UINT function, const std::wstring& source, const std::wstring* destination) {
    const std::wstring from = DoubleNullTerminated(source);
    const std::wstring to = destination != nullptr ? DoubleNullTerminated(*destination) : L"";
    SHFILEOPSTRUCTW operation = {};
    operation.wFunc = function;
    operation.pFrom = from.c_str();
    operation.pTo = destination != nullptr ? to.c_str() : nullptr;
    operation.fFlags = kSilentShellFlags;
    return ::SHFileOperationW(&operation) == 0;
}

bool IsDotEntry(const wchar_t* name) {
    return std::wcscmp(name, L".") == 0 || std::wcscmp(name, L"..") == 0;
}

// Removes a junction or symbolic link itself, never what it points to. A link
// that cannot be removed stays.
void RemoveLink(const std::wstring& path, DWORD attributes) {
    if (attributes & FILE_ATTRIBUTE_DIRECTORY) {
        ::RemoveDirectoryW(path.c_str());
    } else {
        ::DeleteFileW(path.c_str());
    }
}

// Calls visit(entry) for every file and folder that pattern matches.
template <typename Visit>
void ForEachEntry(const std::wstring& pattern, Visit visit) {
    WIN32_FIND_DATAW entry = {};
    UniqueFindHandle find(::FindFirstFileW(pattern.c_str(), &entry));
    if (!find) {
        return;
    }
    do {
        visit(entry);
    } while (::FindNextFileW(find.Get(), &entry));
}

bool IsExistingDirectory(const std::wstring& path) {
    WIN32_FIND_DATAW entry = {};
    UniqueFindHandle find(::FindFirstFileW(path.c_str(), &entry));
    return find && (entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY);
}

}  // namespace

bool PathBesideLauncher(const wchar_t* file_name, std::wstring* path) {
    wchar_t module[MAX_PATH] = {};
    DWORD length = ::GetModuleFileNameW(nullptr, module, MAX_PATH);
    // A full buffer means the path was cut short (and XP leaves it unterminated).
    if (length == 0 || length >= MAX_PATH) {
        return false;
    }
    const std::wstring module_path(module, length);
    // A path without a folder would point into the current drive's root.
    const std::size_t last = module_path.rfind(L'\\');
    if (last == std::wstring::npos) {
        return false;
    }
    *path = module_path.substr(0, last) + L"\\" + file_name;
    return true;
}

bool ShellCopy(const std::wstring& source, const std::wstring& destination) {
    return RunShellOperation(FO_COPY, source, &destination);
}

bool ShellDelete(const std::wstring& path) {
    if (!::PathFileExistsW(path.c_str())) {
        return false;
    }
    return RunShellOperation(FO_DELETE, path, nullptr);
}

bool CreateDirectoryPath(const std::wstring& path) {
    // Only "X:\...": a UNC or relative path is refused.
    const std::size_t first = path.find(L'\\');
    const std::size_t last = path.rfind(L'\\');
    if (first != 2 || path[1] != L':' || first >= last) {
        return false;
    }
    for (std::size_t slash = path.find(L'\\', first + 1);
         slash != std::wstring::npos && slash <= last; slash = path.find(L'\\', slash + 1)) {
        const std::wstring level = path.substr(0, slash);
        if (IsExistingDirectory(level)) {
            continue;
        }
        // Any other failure (the level exists as a file, say) shows at the next level.
        if (!::CreateDirectoryW(level.c_str(), nullptr) &&
            ::GetLastError() == ERROR_PATH_NOT_FOUND) {
            return false;
        }
    }
    return true;
}

// The launcher runs elevated: a junction planted inside (or as) the folder
// must not turn this into a deletion of whatever it points to. Attributes are
// read again just before a folder is enumerated.
bool DeleteFolderTree(const std::wstring& folder) {
    const DWORD attributes = ::GetFileAttributesW(folder.c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_REPARSE_POINT)) {
        RemoveLink(folder, attributes);
        return true;
    }
    ForEachEntry(folder + L"\\*.*", [&folder](const WIN32_FIND_DATAW& entry) {
        if (IsDotEntry(entry.cFileName)) {
            return;
        }
        const std::wstring child = folder + L"\\" + entry.cFileName;
        if (entry.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) {
            RemoveLink(child, entry.dwFileAttributes);
        } else if (entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
            DeleteFolderTree(child);
        } else {
            ::DeleteFileW(child.c_str());
        }
    });
    ::RemoveDirectoryW(folder.c_str());
    return true;
}

bool DeleteMatchingFiles(const std::wstring& folder) {
    ForEachEntry(folder + kMatchingFilesPattern, [&folder](const WIN32_FIND_DATAW& entry) {
        if (!(entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) {
            ::DeleteFileW((folder + L"\\" + entry.cFileName).c_str());
        }
    });
    return true;
}

bool CopyMatchingFiles(const std::wstring& source, const std::wstring& destination) {
    ForEachEntry(source + kMatchingFilesPattern, [&](const WIN32_FIND_DATAW& entry) {
        if (!(entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) {
            const std::wstring name = std::wstring(L"\\") + entry.cFileName;
            ::CopyFileW((source + name).c_str(), (destination + name).c_str(), FALSE);
        }
    });
    return true;
}

}  // namespace zu
