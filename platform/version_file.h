#pragma once

#include <string>

namespace zu {

// The first line of a "Version.txt": at most 128 bytes are read, a UTF-8
// byte-order mark is skipped, the rest is taken in the thread's ANSI code page.
// Empty when the file cannot be opened.
std::wstring ReadVersionFile(const std::wstring& path);

}  // namespace zu
