#include "platform/file_operations.h"

#include <windows.h>
#include <shellapi.h>
#include <winternl.h>

#include <cstring>
#include <cwchar>
#include <utility>
#include <vector>

#include "platform/runtime_function.h"
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

using NtSetInformationFileFunction =
    NTSTATUS(NTAPI*)(HANDLE, PIO_STATUS_BLOCK, PVOID, ULONG, FILE_INFORMATION_CLASS);
using NtQueryDirectoryFileFunction = NTSTATUS(NTAPI*)(HANDLE,
                                                      HANDLE,
                                                      PVOID,
                                                      PVOID,
                                                      PIO_STATUS_BLOCK,
                                                      PVOID,
                                                      ULONG,
                                                      FILE_INFORMATION_CLASS,
                                                      BOOLEAN,
                                                      PUNICODE_STRING,
                                                      BOOLEAN);
constexpr auto kFileRenameInformation = static_cast<FILE_INFORMATION_CLASS>(10);
constexpr auto kFileDispositionInformation = static_cast<FILE_INFORMATION_CLASS>(13);
constexpr ULONG kListingBufferBytes = 64 * 1024;

struct ListedEntry {
    std::wstring name;
    DWORD attributes;
};

bool IsLinkOrFile(DWORD attributes) {
    return (attributes & FILE_ATTRIBUTE_REPARSE_POINT) || !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

// The entry itself, never what a link in its place points to, held without
// delete sharing so that nobody can rename it and put a link in its place.
// A folder is opened to be listed through this handle too.
UniqueFileHandle OpenEntryItself(const std::wstring& path, DWORD listed_attributes) {
    const DWORD list = IsLinkOrFile(listed_attributes) ? 0 : FILE_LIST_DIRECTORY;
    return UniqueFileHandle(
        ::CreateFileW(path.c_str(), DELETE | FILE_READ_ATTRIBUTES | FILE_WRITE_ATTRIBUTES | list,
                      FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                      FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
}

// Information about the held object set through ntdll, because
// SetFileInformationByHandle is Vista's. False on failure.
bool SetHeldInformation(HANDLE entry, void* information, ULONG bytes, FILE_INFORMATION_CLASS kind) {
    const auto set_information =
        FindLoadedFunctionAs<NtSetInformationFileFunction>(L"ntdll.dll", "NtSetInformationFile");
    IO_STATUS_BLOCK status = {};
    return set_information != nullptr &&
           set_information(entry, &status, information, bytes, kind) >= 0;
}

// Deletes the held object when its last handle closes: a link is removed as a
// link. A read-only entry (as in setup caches) is made writable first, as the
// shell's delete does. Fails for a folder that still has entries.
bool MarkForDeletion(HANDLE entry, DWORD attributes) {
    if (attributes & FILE_ATTRIBUTE_READONLY) {
        FILE_BASIC_INFORMATION basic = {};  // times of zero stay as they are
        const DWORD writable = attributes & ~FILE_ATTRIBUTE_READONLY;
        basic.FileAttributes = writable != 0 ? writable : FILE_ATTRIBUTE_NORMAL;
        SetHeldInformation(entry, &basic, sizeof(basic), FileBasicInformation);
    }
    BOOLEAN delete_file = TRUE;  // FILE_DISPOSITION_INFORMATION
    return SetHeldInformation(entry, &delete_file, sizeof(delete_file),
                              kFileDispositionInformation);
}

// Appends the entries of one block of FILE_DIRECTORY_INFORMATION records.
void AppendListed(const BYTE* block, std::vector<ListedEntry>* entries) {
    for (;;) {
        const auto* record = reinterpret_cast<const FILE_DIRECTORY_INFORMATION*>(block);
        std::wstring name(record->FileName, record->FileNameLength / sizeof(wchar_t));
        if (name != L"." && name != L"..") {
            entries->push_back({std::move(name), record->FileAttributes});
        }
        if (record->NextEntryOffset == 0) {
            return;
        }
        block += record->NextEntryOffset;
    }
}

// The entries of the folder that folder_handle holds, listed through that
// handle (a listing by path would open the folder again, and could be led
// elsewhere). Empty on failure.
std::vector<ListedEntry> ListHeldFolder(HANDLE folder_handle) {
    std::vector<ListedEntry> entries;
    const auto query_directory =
        FindLoadedFunctionAs<NtQueryDirectoryFileFunction>(L"ntdll.dll", "NtQueryDirectoryFile");
    if (query_directory == nullptr) {
        return entries;
    }
    // ULONGLONG elements: the records are 8-byte aligned.
    std::vector<ULONGLONG> buffer(kListingBufferBytes / sizeof(ULONGLONG));
    for (BOOLEAN restart = TRUE;; restart = FALSE) {
        IO_STATUS_BLOCK status = {};
        if (query_directory(folder_handle, nullptr, nullptr, nullptr, &status, buffer.data(),
                            kListingBufferBytes, FileDirectoryInformation, FALSE, nullptr,
                            restart) < 0) {
            return entries;  // no more entries, or the listing failed
        }
        AppendListed(reinterpret_cast<const BYTE*>(buffer.data()), &entries);
    }
}

// Deletes what entry holds open at path. listed_attributes, from the listing
// of the folder above, may be older than the handle; the path's attributes,
// read once the entry is held, can no longer change. A link by any account is
// removed as a link, never entered (Wine reports a link only by its path). A
// folder's entries are each opened, checked and deleted through their own
// handles while entry holds the folder.
void DeleteHeldEntry(const std::wstring& path, HANDLE entry, DWORD listed_attributes) {
    BY_HANDLE_FILE_INFORMATION held = {};
    if (!::GetFileInformationByHandle(entry, &held)) {
        return;
    }
    // Attributes that cannot be read count as a link's: nothing is entered.
    const DWORD at_path = ::GetFileAttributesW(path.c_str());
    if (!IsLinkOrFile(held.dwFileAttributes | listed_attributes | at_path)) {
        for (const ListedEntry& child : ListHeldFolder(entry)) {
            const std::wstring child_path = path + L"\\" + child.name;
            UniqueFileHandle child_handle = OpenEntryItself(child_path, child.attributes);
            if (child_handle) {
                DeleteHeldEntry(child_path, child_handle.Get(), child.attributes);
            }
        }
    }
    MarkForDeletion(entry, held.dwFileAttributes);
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

bool PathExists(const std::wstring& path) {
    return !path.empty() && ::GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

bool ShellCopy(const std::wstring& source, const std::wstring& destination) {
    return RunShellOperation(FO_COPY, source, &destination);
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

// The launcher runs elevated: a link planted inside (or as) the folder, or
// swapped in while it is being deleted, must not turn this into a deletion of
// whatever it points to.
bool DeleteFolderTree(const std::wstring& folder) {
    const DWORD listed = ::GetFileAttributesW(folder.c_str());
    UniqueFileHandle held = OpenEntryItself(folder, listed);
    if (held) {
        DeleteHeldEntry(folder, held.Get(), listed);
    }
    return true;
}

bool ListMatchingFiles(const std::wstring& folder, std::vector<std::wstring>* names) {
    WIN32_FIND_DATAW entry = {};
    UniqueFindHandle find(::FindFirstFileW((folder + kMatchingFilesPattern).c_str(), &entry));
    if (!find) {
        if (::GetLastError() != ERROR_FILE_NOT_FOUND) {
            return false;
        }
        names->clear();
        return true;
    }
    std::vector<std::wstring> found;
    do {
        if (!(entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) {
            found.push_back(entry.cFileName);
        }
    } while (::FindNextFileW(find.Get(), &entry));
    *names = std::move(found);
    return true;
}

bool RenameHeldFile(HANDLE file, const std::wstring& target) {
    // FILE_RENAME_INFORMATION: replace flag, root directory, name length, name.
    struct RenameInformation {
        BOOLEAN replace;
        HANDLE root;
        ULONG nameBytes;
        WCHAR name[1];
    };
    const std::wstring name = L"\\??\\" + target;
    const ULONG name_bytes = static_cast<ULONG>(name.size() * sizeof(wchar_t));
    std::vector<ULONGLONG> buffer((sizeof(RenameInformation) + name_bytes) / sizeof(ULONGLONG) + 1);
    auto* information = reinterpret_cast<RenameInformation*>(buffer.data());
    information->replace = TRUE;
    information->root = nullptr;
    information->nameBytes = name_bytes;
    std::memcpy(information->name, name.data(), name_bytes);
    return SetHeldInformation(file, information,
                              static_cast<ULONG>(buffer.size() * sizeof(ULONGLONG)),
                              kFileRenameInformation);
}

bool DeleteMatchingFiles(const std::wstring& folder) {
    std::vector<std::wstring> names;
    if (ListMatchingFiles(folder, &names)) {
        for (const std::wstring& name : names) {
            ::DeleteFileW((folder + L"\\" + name).c_str());
        }
    }
    return true;
}

}  // namespace zu
