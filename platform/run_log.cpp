#include "platform/run_log.h"

#include <string>

#include "platform/scoped_handle.h"

namespace zu {
namespace {

constexpr wchar_t kLogName[] = L"ZUInstaller.log";
constexpr wchar_t kPreviousLogName[] = L"ZUInstaller.old.log";
constexpr DWORD kLogLimitBytes = 1024 * 1024;

bool GetLogPaths(std::wstring* log, std::wstring* previous) {
    wchar_t folder[MAX_PATH + 1] = {};
    const DWORD length = ::GetTempPathW(MAX_PATH + 1, folder);
    if (length == 0 || length > MAX_PATH) {
        return false;
    }
    *log = std::wstring(folder) + kLogName;
    *previous = std::wstring(folder) + kPreviousLogName;
    return true;
}

// Opens the log for appending without following a link planted in its place:
// a reparse point is opened as itself and then refused.
UniqueFileHandle OpenForAppend(const std::wstring& path) {
    UniqueFileHandle file(::CreateFileW(
        path.c_str(), FILE_APPEND_DATA | FILE_READ_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE,
        nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
    BY_HANDLE_FILE_INFORMATION info = {};
    if (!file || !::GetFileInformationByHandle(file.Get(), &info) ||
        (info.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0) {
        return UniqueFileHandle();
    }
    return file;
}

bool IsOverLimit(const UniqueFileHandle& file) {
    DWORD high = 0;
    const DWORD low = ::GetFileSize(file.Get(), &high);
    return high != 0 || (low != INVALID_FILE_SIZE && low >= kLogLimitBytes);
}

std::wstring TwoDigits(WORD value) {
    return std::wstring(1, static_cast<wchar_t>(L'0' + value / 10 % 10)) +
           static_cast<wchar_t>(L'0' + value % 10);
}

std::wstring TimeStamp() {
    SYSTEMTIME now = {};
    ::GetLocalTime(&now);
    return DecimalText(now.wYear) + L"-" + TwoDigits(now.wMonth) + L"-" + TwoDigits(now.wDay) +
           L" " + TwoDigits(now.wHour) + L":" + TwoDigits(now.wMinute) + L":" +
           TwoDigits(now.wSecond) + L"." + TwoDigits(now.wMilliseconds / 10) + L" ";
}

std::string ToUtf8(const std::wstring& text) {
    const int bytes = ::WideCharToMultiByte(CP_UTF8, 0, text.c_str(), static_cast<int>(text.size()),
                                            nullptr, 0, nullptr, nullptr);
    if (bytes <= 0) {
        return std::string();
    }
    std::string result(static_cast<size_t>(bytes), '\0');
    ::WideCharToMultiByte(CP_UTF8, 0, text.c_str(), static_cast<int>(text.size()), &result[0],
                          bytes, nullptr, nullptr);
    return result;
}

}  // namespace

void LogRunLine(const std::wstring& text) {
    std::wstring path;
    std::wstring previous;
    if (!GetLogPaths(&path, &previous)) {
        return;
    }
    UniqueFileHandle file = OpenForAppend(path);
    if (file && IsOverLimit(file)) {
        file.Reset();
        ::MoveFileExW(path.c_str(), previous.c_str(), MOVEFILE_REPLACE_EXISTING);
        file = OpenForAppend(path);
    }
    if (!file) {
        return;
    }
    const std::string line = ToUtf8(TimeStamp() + text + L"\r\n");
    DWORD written = 0;
    // One write per line: lines of the two threads never interleave.
    ::WriteFile(file.Get(), line.data(), static_cast<DWORD>(line.size()), &written, nullptr);
}

void LogProgramStart(const std::wstring& program, const std::wstring& parameters) {
    LogRunLine(L"start " + program + (parameters.empty() ? L"" : L" " + parameters));
}

void LogProgramExit(const std::wstring& program, DWORD exit_code) {
    LogRunLine(program + (exit_code == STILL_ACTIVE
                              ? std::wstring(L" still running, no longer waited for")
                              : L" ended with exit code " + DecimalText(exit_code)));
}

void LogProgramNotStarted(const std::wstring& program, DWORD error) {
    LogRunLine(L"failed to start " + program + L" (error " + DecimalText(error) + L")");
}

std::wstring DecimalText(DWORD value) {
    std::wstring digits;
    do {
        digits.insert(digits.begin(), static_cast<wchar_t>(L'0' + value % 10));
        value /= 10;
    } while (value != 0);
    return digits;
}

}  // namespace zu
