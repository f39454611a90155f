#include "platform/file_compare.h"

#include <windows.h>

#include <algorithm>
#include <vector>

#include "platform/scoped_handle.h"

namespace zu {
namespace {

constexpr DWORD kChunkBytes = 64 * 1024;

UniqueFileHandle OpenForReading(const std::wstring& path) {
    return UniqueFileHandle(::CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                          OPEN_EXISTING, FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
}

// Reads up to buffer's size; false on a read error.
bool ReadChunk(const UniqueFileHandle& file, std::vector<char>* buffer, DWORD* read) {
    return ::ReadFile(file.Get(), buffer->data(), static_cast<DWORD>(buffer->size()), read,
                      nullptr) != FALSE;
}

bool IsDotEntry(const wchar_t* name) {
    return name[0] == L'.' && (name[1] == L'\0' || (name[1] == L'.' && name[2] == L'\0'));
}

}  // namespace

bool FilesHaveSameContent(const std::wstring& first, const std::wstring& second) {
    UniqueFileHandle a = OpenForReading(first);
    UniqueFileHandle b = OpenForReading(second);
    if (!a || !b) {
        return false;
    }
    std::vector<char> chunk_a(kChunkBytes);
    std::vector<char> chunk_b(kChunkBytes);
    for (;;) {
        DWORD read_a = 0;
        DWORD read_b = 0;
        if (!ReadChunk(a, &chunk_a, &read_a) || !ReadChunk(b, &chunk_b, &read_b) ||
            read_a != read_b) {
            return false;
        }
        if (read_a == 0) {
            return true;
        }
        if (!std::equal(chunk_a.begin(), chunk_a.begin() + read_a, chunk_b.begin())) {
            return false;
        }
    }
}

bool IsTreeCopied(const std::wstring& source, const std::wstring& copy) {
    WIN32_FIND_DATAW entry = {};
    UniqueFindHandle find(::FindFirstFileW((source + L"\\*").c_str(), &entry));
    if (!find) {
        return false;
    }
    do {
        if (IsDotEntry(entry.cFileName)) {
            continue;
        }
        if ((entry.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0) {
            return false;
        }
        const std::wstring from = source + L"\\" + entry.cFileName;
        const std::wstring to = copy + L"\\" + entry.cFileName;
        const bool same = (entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0
                              ? IsTreeCopied(from, to)
                              : FilesHaveSameContent(from, to);
        if (!same) {
            return false;
        }
    } while (::FindNextFileW(find.Get(), &entry));
    return ::GetLastError() == ERROR_NO_MORE_FILES;
}

}  // namespace zu
