#include "platform/install_log.h"

#include <windows.h>

#include <cstdarg>
#include <cstdio>
#include <cwchar>
#include <utility>

#include "platform/file_operations.h"
#include "platform/install_log_entry.h"
#include "platform/known_folders.h"
#include "platform/product_names.h"
#include "platform/scoped_handle.h"

namespace zu {
namespace {

constexpr wchar_t kLogFileName[] = L"\\ZUSUInstallLog.txt";
// Far beyond any entry the launcher writes.
constexpr std::size_t kMaxTextCharacters = std::size_t{1} << 24;

// "<ProgramData>\Koru Corporation\ZEMI Update"; false when ProgramData cannot
// be resolved (the log is then not written: a path without it would land in
// whatever the current folder or drive happens to be).
bool GetLogFolder(std::wstring* maker_folder, std::wstring* product_folder) {
    std::wstring program_data;
    if (FAILED(KnownFolderResolver().GetPath(FOLDERID_ProgramData, &program_data)) ||
        program_data.empty()) {
        return false;
    }
    *maker_folder = program_data + kMakerDataFolderTail;
    *product_folder = program_data + kProductDataFolderTail;
    return true;
}

void CreateMissingFolder(const std::wstring& folder) {
    if (!PathExists(folder)) {
        ::CreateDirectoryW(folder.c_str(), nullptr);
    }
}

// printf-style formatting with the CRT's own _vsnwprintf, which answers -1
// while the buffer is too small: the buffer doubles until the text fits.
// False when the format or its arguments cannot be formatted in
// kMaxTextCharacters.
bool FormatText(const wchar_t* format, va_list arguments, std::wstring* text) {
    for (std::size_t capacity = 256; capacity <= kMaxTextCharacters; capacity *= 2) {
        std::wstring result(capacity, L'\0');
        va_list attempt;
        va_copy(attempt, arguments);
        const int length = _vsnwprintf(&result[0], capacity, format, attempt);
        va_end(attempt);
        if (length >= 0 && static_cast<std::size_t>(length) < capacity) {
            result.resize(static_cast<std::size_t>(length));
            *text = std::move(result);
            return true;
        }
    }
    return false;
}

}  // namespace

std::string FormatInstallLogEntry(const SYSTEMTIME& time, const std::wstring& text) {
    char stamp[32] = {};
    // One short of the buffer: _snprintf leaves out the terminator when it fills it.
    _snprintf(stamp, sizeof(stamp) - 1, "%2u:%u:%u:%3u => ", time.wHour, time.wMinute, time.wSecond,
              time.wMilliseconds);
    std::string entry = stamp;
    for (wchar_t character : text) {
        if (character > 0xFF) {
            break;
        }
        entry += static_cast<char>(character);
    }
    entry += "\r\n\r\n";
    return entry;
}

void AppendInstallLogEntry(const SYSTEMTIME& time, const std::wstring& text) {
    std::wstring maker_folder;
    std::wstring product_folder;
    if (!GetLogFolder(&maker_folder, &product_folder)) {
        return;
    }
    CreateMissingFolder(maker_folder);
    CreateMissingFolder(product_folder);
    // Append-only access puts every write at the end, also with another writer.
    // A planted link in place of the file is opened itself, not followed.
    UniqueFileHandle file(::CreateFileW((product_folder + kLogFileName).c_str(), FILE_APPEND_DATA,
                                        FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_ALWAYS,
                                        FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OPEN_REPARSE_POINT,
                                        nullptr));
    if (!file) {
        return;
    }
    const std::string entry = FormatInstallLogEntry(time, text);
    DWORD written = 0;
    ::WriteFile(file.Get(), entry.data(), static_cast<DWORD>(entry.size()), &written, nullptr);
}

void InstallLog::Write(const wchar_t* format, ...) {
    va_list arguments;
    va_start(arguments, format);
    std::wstring text;
    const bool formatted = FormatText(format, arguments, &text);
    va_end(arguments);
    if (!formatted) {
        return;
    }
    SYSTEMTIME now = {};
    ::GetLocalTime(&now);
    AppendInstallLogEntry(now, text);
}

void InstallLog::Remove() {
    std::wstring maker_folder;
    std::wstring product_folder;
    if (GetLogFolder(&maker_folder, &product_folder)) {
        ::DeleteFileW((product_folder + kLogFileName).c_str());
    }
}

}  // namespace zu
