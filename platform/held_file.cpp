#include "platform/held_file.h"

#include <windows.h>

#include <cstring>
#include <vector>

namespace zu {
namespace {

constexpr DWORD kChunkBytes = 64 * 1024;

// Reads up to a chunk; the count read, or -1 on failure.
long long ReadChunk(HANDLE file, std::vector<char>* chunk) {
    DWORD read = 0;
    if (!::ReadFile(file, chunk->data(), static_cast<DWORD>(chunk->size()), &read, nullptr)) {
        return -1;
    }
    return read;
}

}  // namespace

bool OpenHeldFile(const std::wstring& path, UniqueFileHandle* held) {
    UniqueFileHandle file(::CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                        OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) {
        return false;
    }
    *held = std::move(file);
    return true;
}

bool HeldFileMatches(const UniqueFileHandle& held, const std::wstring& reference) {
    UniqueFileHandle other(::CreateFileW(reference.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                         OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!held || !other || ::SetFilePointer(held.Get(), 0, nullptr, FILE_BEGIN) != 0) {
        return false;
    }
    std::vector<char> mine(kChunkBytes);
    std::vector<char> theirs(kChunkBytes);
    for (;;) {
        const long long count = ReadChunk(held.Get(), &mine);
        if (count < 0 || count != ReadChunk(other.Get(), &theirs) ||
            std::memcmp(mine.data(), theirs.data(), static_cast<size_t>(count)) != 0) {
            return false;
        }
        if (count == 0) {
            return true;
        }
    }
}

}  // namespace zu
