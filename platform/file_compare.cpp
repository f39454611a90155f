#include "platform/file_compare.h"

#include <windows.h>

#include <algorithm>
#include <vector>

#include "platform/held_file.h"

namespace zu {
namespace {

constexpr DWORD kChunkBytes = 64 * 1024;

// Reads both files from where their handles stand to their ends. False on a
// read failure or the first difference.
bool HandlesHaveSameContent(HANDLE first, HANDLE second) {
    std::vector<char> chunk_a(kChunkBytes);
    std::vector<char> chunk_b(kChunkBytes);
    for (;;) {
        DWORD read_a = 0;
        DWORD read_b = 0;
        if (!::ReadFile(first, chunk_a.data(), kChunkBytes, &read_a, nullptr) ||
            !::ReadFile(second, chunk_b.data(), kChunkBytes, &read_b, nullptr) ||
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

bool IsDotEntry(const wchar_t* name) {
    return name[0] == L'.' && (name[1] == L'\0' || (name[1] == L'.' && name[2] == L'\0'));
}

}  // namespace

bool FilesHaveSameContent(const std::wstring& first, const std::wstring& second) {
    UniqueFileHandle a;
    UniqueFileHandle b;
    return OpenHeldFile(first, &a) && OpenHeldFile(second, &b) &&
           HandlesHaveSameContent(a.Get(), b.Get());
}

bool HeldFileMatches(const UniqueFileHandle& held, const std::wstring& reference) {
    UniqueFileHandle other;
    return held && OpenHeldFile(reference, &other) &&
           ::SetFilePointer(held.Get(), 0, nullptr, FILE_BEGIN) == 0 &&
           HandlesHaveSameContent(held.Get(), other.Get());
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
