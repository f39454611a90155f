#include "platform/version_file.h"

#include <windows.h>

#include <cstdio>
#include <cstring>

namespace zu {
namespace {

constexpr size_t kVersionBytes = 128;

}  // namespace

std::wstring ReadVersionFile(const std::wstring& path) {
    FILE* file = _wfopen(path.c_str(), L"rb");
    if (file == nullptr) {
        return std::wstring();
    }
    char bytes[kVersionBytes + 1] = {};
    const size_t read = std::fread(bytes, 1, kVersionBytes, file);
    std::fclose(file);

    const char* text = bytes;
    if (read >= 2 && static_cast<unsigned char>(bytes[0]) == 0xEF &&
        static_cast<unsigned char>(bytes[1]) == 0xBB) {
        text += 3;
    }
    // The text ends at the first zero byte or after the bytes read.
    const size_t available = bytes + kVersionBytes - text;
    const void* zero = std::memchr(text, 0, available);
    const int length =
        static_cast<int>(zero != nullptr ? static_cast<const char*>(zero) - text : available);
    std::wstring version;
    if (length > 0) {
        version.resize(length);
        const int converted =
            ::MultiByteToWideChar(CP_THREAD_ACP, 0, text, length, &version[0], length);
        version.resize(converted > 0 ? converted : 0);
    }
    return version.substr(0, version.find_first_of(L"\r\n"));
}

}  // namespace zu
