#include "platform/plain_tree.h"

#include <windows.h>

#include <utility>

#include "platform/scoped_handle.h"

namespace zu {
namespace {

bool IsDotEntry(const wchar_t* name) {
    return name[0] == L'.' && (name[1] == L'\0' || (name[1] == L'.' && name[2] == L'\0'));
}

bool IsLink(DWORD attributes) {
    return (attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0;
}

// A file with one name: opened as itself (never a link's target) only to be
// looked at.
bool HasOneName(const std::wstring& path) {
    UniqueFileHandle file(::CreateFileW(
        path.c_str(), FILE_READ_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
        nullptr, OPEN_EXISTING, FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
    BY_HANDLE_FILE_INFORMATION information = {};
    return file && ::GetFileInformationByHandle(file.Get(), &information) &&
           !IsLink(information.dwFileAttributes) && information.nNumberOfLinks == 1;
}

bool ListBelow(const std::wstring& root,
               const std::wstring& relative,
               std::vector<std::wstring>* files,
               std::vector<std::wstring>* skipped) {
    const std::wstring folder = relative.empty() ? root : root + L"\\" + relative;
    WIN32_FIND_DATAW entry = {};
    UniqueFindHandle find(::FindFirstFileW((folder + L"\\*").c_str(), &entry));
    if (!find) {
        return false;
    }
    do {
        if (IsDotEntry(entry.cFileName)) {
            continue;
        }
        const std::wstring name =
            relative.empty() ? entry.cFileName : relative + L"\\" + entry.cFileName;
        const std::wstring path = root + L"\\" + name;
        // By path too: Wine shows a link only there.
        const DWORD attributes = entry.dwFileAttributes | ::GetFileAttributesW(path.c_str());
        if (IsLink(attributes)) {
            skipped->push_back(name);
        } else if (attributes & FILE_ATTRIBUTE_DIRECTORY) {
            if (!ListBelow(root, name, files, skipped)) {
                return false;
            }
        } else if (HasOneName(path)) {
            files->push_back(name);
        } else {
            skipped->push_back(name);
        }
    } while (::FindNextFileW(find.Get(), &entry));
    return ::GetLastError() == ERROR_NO_MORE_FILES;
}

}  // namespace

bool IsPlainFolder(const std::wstring& path) {
    const DWORD attributes = ::GetFileAttributesW(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) &&
           !IsLink(attributes);
}

bool IsPlainFile(const std::wstring& path) {
    const DWORD attributes = ::GetFileAttributesW(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY) &&
           !IsLink(attributes) && HasOneName(path);
}

bool ListPlainFiles(const std::wstring& root,
                    std::vector<std::wstring>* files,
                    std::vector<std::wstring>* skipped) {
    std::vector<std::wstring> found;
    std::vector<std::wstring> left_out;
    if (!IsPlainFolder(root) || !ListBelow(root, L"", &found, &left_out)) {
        return false;
    }
    *files = std::move(found);
    *skipped = std::move(left_out);
    return true;
}

bool CreatePlainFolders(const std::wstring& root, const std::wstring& relative_path) {
    if (!IsPlainFolder(root)) {
        return false;
    }
    for (std::size_t slash = relative_path.find(L'\\'); slash != std::wstring::npos;
         slash = relative_path.find(L'\\', slash + 1)) {
        const std::wstring level = root + L"\\" + relative_path.substr(0, slash);
        ::CreateDirectoryW(level.c_str(), nullptr);
        if (!IsPlainFolder(level)) {
            return false;
        }
    }
    return true;
}

}  // namespace zu
