#include "tests/support/file_fixture.h"

#include <windows.h>

#include <algorithm>
#include <vector>

#include "platform/scoped_handle.h"

namespace zu::test {
namespace {

bool IsDotEntry(const wchar_t* name) {
    return wcscmp(name, L".") == 0 || wcscmp(name, L"..") == 0;
}

void ListInto(const std::wstring& folder, const std::wstring& relative, FileTree* tree) {
    WIN32_FIND_DATAW entry = {};
    UniqueFindHandle find(::FindFirstFileW((folder + L"\\*").c_str(), &entry));
    if (!find) {
        return;
    }
    do {
        if (IsDotEntry(entry.cFileName)) {
            continue;
        }
        const std::wstring name = relative + entry.cFileName;
        const std::wstring path = folder + L"\\" + entry.cFileName;
        const DWORD attributes = entry.dwFileAttributes;
        if ((attributes & FILE_ATTRIBUTE_DIRECTORY) == 0) {
            (*tree)[name] = FileBytes(path).value_or(std::string());
            continue;
        }
        (*tree)[name + L"\\"] = std::string();
        if ((attributes & FILE_ATTRIBUTE_REPARSE_POINT) == 0) {
            ListInto(path, name + L"\\", tree);
        }
    } while (::FindNextFileW(find.Get(), &entry));
}

}  // namespace

std::optional<std::string> FileBytes(const std::wstring& path) {
    UniqueFileHandle file(::CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                        OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) {
        return std::nullopt;
    }
    std::string bytes;
    char chunk[4096];
    DWORD read = 0;
    while (::ReadFile(file.Get(), chunk, sizeof(chunk), &read, nullptr) && read > 0) {
        bytes.append(chunk, read);
    }
    return bytes;
}

bool FileExists(const std::wstring& path) {
    const DWORD attributes = ::GetFileAttributesW(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
}

bool FolderExists(const std::wstring& path) {
    const DWORD attributes = ::GetFileAttributesW(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

FileTree FilesUnder(const std::wstring& folder) {
    FileTree tree;
    ListInto(folder, std::wstring(), &tree);
    return tree;
}

std::vector<std::wstring> TreeDifferences(const FileTree& a, const FileTree& b) {
    std::vector<std::wstring> differences;
    for (const auto& [name, bytes] : a) {
        const auto other = b.find(name);
        if (other == b.end() || other->second != bytes) {
            differences.push_back(name);
        }
    }
    for (const auto& entry : b) {
        if (a.count(entry.first) == 0) {
            differences.push_back(entry.first);
        }
    }
    std::sort(differences.begin(), differences.end());
    return differences;
}

bool WriteFileBytes(const std::wstring& path, const std::string& bytes) {
    UniqueFileHandle file(::CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                        FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) {
        return false;
    }
    DWORD written = 0;
    return ::WriteFile(file.Get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written,
                       nullptr) &&
           written == bytes.size();
}

void DeletePath(const std::wstring& path) {
    const DWORD attributes = ::GetFileAttributesW(path.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES) {
        return;
    }
    ::SetFileAttributesW(path.c_str(), attributes & ~FILE_ATTRIBUTE_READONLY);
    if ((attributes & FILE_ATTRIBUTE_DIRECTORY) == 0) {
        ::DeleteFileW(path.c_str());
        return;
    }
    if ((attributes & FILE_ATTRIBUTE_REPARSE_POINT) == 0) {
        std::vector<std::wstring> children;
        WIN32_FIND_DATAW entry = {};
        UniqueFindHandle find(::FindFirstFileW((path + L"\\*").c_str(), &entry));
        if (find) {
            do {
                if (!IsDotEntry(entry.cFileName)) {
                    children.push_back(path + L"\\" + entry.cFileName);
                }
            } while (::FindNextFileW(find.Get(), &entry));
        }
        find.Reset();
        for (const std::wstring& child : children) {
            DeletePath(child);
        }
    }
    ::RemoveDirectoryW(path.c_str());
}

}  // namespace zu::test
