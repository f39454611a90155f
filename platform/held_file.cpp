#include "platform/held_file.h"

#include <windows.h>

#include <utility>

namespace zu {

bool OpenHeldFile(const std::wstring& path, UniqueFileHandle* held) {
    UniqueFileHandle file(::CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                        OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) {
        return false;
    }
    *held = std::move(file);
    return true;
}

}  // namespace zu
