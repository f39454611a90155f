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

// printf-style formatting into a string of the size the result needs (MinGW's
// vsnwprintf measures when given no buffer); false when the format or its
// arguments cannot be formatted.
bool FormatText(const wchar_t* format, va_list arguments, std::wstring* text) {
    va_list measure;
    va_copy(measure, arguments);
    const int length = vsnwprintf(nullptr, 0, format, measure);
    va_end(measure);
    if (length < 0) {
        return false;
    }
    std::wstring result(static_cast<std::size_t>(length) + 1, L'\0');
    if (vsnwprintf(&result[0], result.size(), format, arguments) != length) {
        return false;
    }
    result.resize(static_cast<std::size_t>(length));
    *text = std::move(result);
    return true;
}

}  // namespace

std::string FormatInstallLogEntry(const SYSTEMTIME& time, const std::wstring& text) {
    char stamp[32] = {};
    std::snprintf(stamp, sizeof(stamp), "%2u:%u:%u:%3u => ", time.wHour, time.wMinute, time.wSecond,
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
