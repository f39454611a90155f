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

}  // namespace

bool HeldFileMatches(const UniqueFileHandle& held, const std::wstring& reference) {
    UniqueFileHandle other;
    return held && OpenHeldFile(reference, &other) &&
           ::SetFilePointer(held.Get(), 0, nullptr, FILE_BEGIN) == 0 &&
           HandlesHaveSameContent(held.Get(), other.Get());
}

}  // namespace zu
