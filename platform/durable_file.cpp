#include "platform/durable_file.h"

#include <utility>
#include <vector>

namespace zu {
namespace {

constexpr DWORD kChunkBytes = 64 * 1024;
constexpr ULONGLONG kFnvOffset = 0xcbf29ce484222325ULL;
constexpr ULONGLONG kFnvPrime = 0x100000001b3ULL;
constexpr wchar_t kTemporarySuffix[] = L".zu-new";
// What a copy keeps of its source's attributes (CopyFileW keeps them too).
constexpr DWORD kKeptAttributes = FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN |
                                  FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_ARCHIVE;

bool IsPlain(DWORD attributes) {
    return attributes != INVALID_FILE_ATTRIBUTES &&
           (attributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT)) == 0;
}

void AddToDigest(const char* bytes, DWORD count, FileDigest* digest) {
    ULONGLONG checksum = digest->checksum;
    for (DWORD i = 0; i < count; ++i) {
        checksum = (checksum ^ static_cast<unsigned char>(bytes[i])) * kFnvPrime;
    }
    digest->checksum = checksum;
    digest->size += count;
}

bool WriteAll(HANDLE file, const char* bytes, DWORD count) {
    while (count > 0) {
        DWORD written = 0;
        if (!::WriteFile(file, bytes, count, &written, nullptr) || written == 0) {
            return false;
        }
        bytes += written;
        count -= written;
    }
    return true;
}

// Reads source from its start to its end, digesting its bytes and writing
// them into target when there is one. False on a read or write failure.
bool ReadThrough(HANDLE source, HANDLE target, FileDigest* digest) {
    if (::SetFilePointer(source, 0, nullptr, FILE_BEGIN) != 0) {
        return false;
    }
    std::vector<char> chunk(kChunkBytes);
    FileDigest read = {0, kFnvOffset};
    for (;;) {
        DWORD count = 0;
        if (!::ReadFile(source, chunk.data(), kChunkBytes, &count, nullptr)) {
            return false;
        }
        if (count == 0) {
            *digest = read;
            return true;
        }
        AddToDigest(chunk.data(), count, &read);
        if (target != nullptr && !WriteAll(target, chunk.data(), count)) {
            return false;
        }
    }
}

// Removes what lies at path: a file, or a link as a link. True when nothing
// is left there.
bool ClearPath(const std::wstring& path) {
    if (::GetFileAttributesW(path.c_str()) == INVALID_FILE_ATTRIBUTES) {
        return ::GetLastError() == ERROR_FILE_NOT_FOUND;
    }
    return ::DeleteFileW(path.c_str()) != FALSE;
}

// Writes a new file at target with source's bytes, times and attributes,
// flushed to the disk and read back. False, with nothing left at target, when
// any of it fails.
bool WriteDurableCopy(HANDLE source, const std::wstring& target, FileDigest* digest) {
    BY_HANDLE_FILE_INFORMATION information = {};
    if (!::GetFileInformationByHandle(source, &information) || !ClearPath(target)) {
        return false;
    }
    const DWORD attributes = information.dwFileAttributes & kKeptAttributes;
    // CREATE_NEW: a link that someone puts at the path meanwhile makes the
    // copy fail instead of being written through.
    UniqueFileHandle copy(::CreateFileW(
        target.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, CREATE_NEW,
        (attributes != 0 ? attributes : FILE_ATTRIBUTE_NORMAL) | FILE_FLAG_OPEN_REPARSE_POINT,
        nullptr));
    if (!copy) {
        return false;
    }
    FileDigest written;
    FileDigest read_back;
    const bool done = ReadThrough(source, copy.Get(), &written) &&
                      ::SetFileTime(copy.Get(), nullptr, nullptr, &information.ftLastWriteTime) &&
                      ::FlushFileBuffers(copy.Get()) &&
                      ReadThrough(copy.Get(), nullptr, &read_back) && read_back == written;
    copy.Reset();
    if (!done) {
        // Read-only copies must become writable to go.
        ::SetFileAttributesW(target.c_str(), FILE_ATTRIBUTE_NORMAL);
        ::DeleteFileW(target.c_str());
        return false;
    }
    *digest = written;
    return true;
}

}  // namespace

bool OpenPlainFile(const std::wstring& path, UniqueFileHandle* file) {
    // By path too: Wine opens a link's target even when asked for the link.
    if (!IsPlain(::GetFileAttributesW(path.c_str()))) {
        return false;
    }
    UniqueFileHandle opened(
        ::CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                      FILE_FLAG_OPEN_REPARSE_POINT | FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
    BY_HANDLE_FILE_INFORMATION information = {};
    if (!opened || !::GetFileInformationByHandle(opened.Get(), &information) ||
        !IsPlain(information.dwFileAttributes) || information.nNumberOfLinks > 1) {
        return false;
    }
    *file = std::move(opened);
    return true;
}

bool ReadFileDigest(const std::wstring& path, FileDigest* digest) {
    UniqueFileHandle file;
    return OpenPlainFile(path, &file) && ReadThrough(file.Get(), nullptr, digest);
}

bool CopyFileDurably(const std::wstring& source, const std::wstring& target, FileDigest* digest) {
    UniqueFileHandle from;
    return OpenPlainFile(source, &from) && WriteDurableCopy(from.Get(), target, digest);
}

bool ReplaceFileDurably(const std::wstring& source,
                        const std::wstring& target,
                        const FileDigest* expected) {
    UniqueFileHandle from;
    if (!OpenPlainFile(source, &from)) {
        return false;
    }
    const std::wstring temporary = target + kTemporarySuffix;
    FileDigest copied;
    if (!WriteDurableCopy(from.Get(), temporary, &copied)) {
        return false;
    }
    if (expected == nullptr || copied == *expected) {
        // A read-only file (a restored copy keeps its original's attributes)
        // would not be replaced.
        const DWORD at_target = ::GetFileAttributesW(target.c_str());
        if (IsPlain(at_target) && (at_target & FILE_ATTRIBUTE_READONLY) != 0) {
            ::SetFileAttributesW(target.c_str(), at_target & ~FILE_ATTRIBUTE_READONLY);
        }
        if (::MoveFileExW(temporary.c_str(), target.c_str(),
                          MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
            return true;
        }
    }
    ::SetFileAttributesW(temporary.c_str(), FILE_ATTRIBUTE_NORMAL);
    ::DeleteFileW(temporary.c_str());
    return false;
}

}  // namespace zu
