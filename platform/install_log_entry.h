#pragma once

#include <windows.h>

#include <string>

namespace zu {

// The bytes of one install-log entry: " H:M:S:mmm => text", CR LF, CR LF (hour
// in two places and milliseconds in three, space-filled; minute and second as
// they come). The text is written one byte per character, U+0000 to U+00FF; it
// ends before the first character above U+00FF, which has no byte.
std::string FormatInstallLogEntry(const SYSTEMTIME& time, const std::wstring& text);

// Appends one entry stamped with time to the install log, creating its folders
// first. Failures are silent: no folder, no file, no entry.
void AppendInstallLogEntry(const SYSTEMTIME& time, const std::wstring& text);

}  // namespace zu
