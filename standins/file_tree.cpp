#include "standins/file_tree.h"

#include <windows.h>
#include <shellapi.h>

#include "platform/scoped_handle.h"

namespace zu::standin {

bool CreateFolderChain(const std::wstring& folder) {
    if (folder.empty()) {
        return false;
    }
    if (PathExists(folder)) {
        return true;
    }
    const size_t slash = folder.find_last_of(L'\\');
    if (slash != std::wstring::npos && slash > 2) {
        CreateFolderChain(folder.substr(0, slash));
    }
    return ::CreateDirectoryW(folder.c_str(), nullptr) || PathExists(folder);
}

bool CopyFolderFiles(const std::wstring& from, const std::wstring& to) {
    WIN32_FIND_DATAW found = {};
    UniqueFindHandle find(::FindFirstFileW((from + L"\\*").c_str(), &found));
    if (!find) {
        return false;
    }
    bool all = true;
    do {
        if ((found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
            continue;
        }
        const std::wstring name = found.cFileName;
        all = ::CopyFileW((from + L"\\" + name).c_str(), (to + L"\\" + name).c_str(), FALSE) && all;
    } while (::FindNextFileW(find.Get(), &found));
    return all;
}

bool DeleteFolderTree(const std::wstring& folder) {
    if (folder.empty()) {
        return false;
    }
    if (!PathExists(folder)) {
        return true;
    }
    std::wstring from = folder;
    from.push_back(L'\0');  // the list of paths ends with a second NUL
    SHFILEOPSTRUCTW operation = {};
    operation.wFunc = FO_DELETE;
    operation.pFrom = from.c_str();
    operation.fFlags = FOF_NOCONFIRMATION | FOF_NOERRORUI | FOF_SILENT;
    ::SHFileOperationW(&operation);
    return !PathExists(folder);
}

bool PathExists(const std::wstring& path) {
    return ::GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

std::wstring FirstLineOf(const std::wstring& path, size_t max_chars) {
    UniqueFileHandle file(::CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                        OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) {
        return std::wstring();
    }
    char bytes[512] = {};
    DWORD read = 0;
    ::ReadFile(file.Get(), bytes, sizeof(bytes), &read, nullptr);
    std::wstring line;
    for (DWORD i = 0; i < read && line.size() < max_chars; ++i) {
        if (bytes[i] == '\r' || bytes[i] == '\n') {
            break;
        }
        line += static_cast<wchar_t>(static_cast<unsigned char>(bytes[i]));
    }
    return line;
}

}  // namespace zu::standin
