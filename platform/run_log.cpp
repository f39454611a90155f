#include "platform/run_log.h"

#include <string>

#include "platform/file_operations.h"
#include "platform/private_folder.h"
#include "platform/scoped_handle.h"
#include "platform/security_checks.h"

namespace zu {
namespace {

constexpr wchar_t kLogName[] = L"ZUInstaller.log";
constexpr wchar_t kPreviousLogName[] = L"ZUInstaller.old.log";
constexpr wchar_t kSystemLogFolder[] = L"ZEMI Update Installer";
constexpr DWORD kLogLimitBytes = 1024 * 1024;

// True when no component of path, from the drive on, is a link: a folder of
// the path turned into one would lead the log elsewhere.
bool HasNoLinkOnTheWay(const std::wstring& path) {
    for (std::size_t slash = path.find(L'\\');; slash = path.find(L'\\', slash + 1)) {
        const DWORD attributes = ::GetFileAttributesW(path.substr(0, slash).c_str());
        if (attributes != INVALID_FILE_ATTRIBUTES &&
            (attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0) {
            return false;
        }
        if (slash == std::wstring::npos) {
            return true;
        }
    }
}

// The running account's temporary folder; for SYSTEM, whose temporary folder
// (the Windows folder's Temp) every user may create files in, a private folder
// of its own there, made afresh when it is not an administrator's.
bool GetLogFolder(std::wstring* folder) {
    wchar_t temp[MAX_PATH + 1] = {};
    const DWORD length = ::GetTempPathW(MAX_PATH + 1, temp);
    if (length == 0 || length > MAX_PATH) {
        return false;
    }
    std::wstring found(temp, length);
    if (IsLocalSystem()) {
        found += kSystemLogFolder;
        if (!IsAdminOwnedFolder(found) && !CreatePrivateFolder(found)) {
            return false;
        }
        found += L"\\";
    }
    if (!HasNoLinkOnTheWay(found)) {
        return false;
    }
    *folder = found;
    return true;
}

// Opens the log for appending without following a link planted in its place:
// a reparse point is opened as itself and then refused, and so is a file with
// another name too (a hard link to someone else's file). DELETE is asked for
// when the log is to be moved aside through the handle.
UniqueFileHandle OpenForAppend(const std::wstring& path, DWORD extra_access) {
    UniqueFileHandle file(
        ::CreateFileW(path.c_str(), FILE_APPEND_DATA | FILE_READ_ATTRIBUTES | extra_access,
                      FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_ALWAYS,
                      FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
    BY_HANDLE_FILE_INFORMATION info = {};
    if (!file || !::GetFileInformationByHandle(file.Get(), &info) ||
        (info.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0 || info.nNumberOfLinks != 1) {
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
    std::wstring folder;
    if (!GetLogFolder(&folder)) {
        return;
    }
    const std::wstring path = folder + kLogName;
    UniqueFileHandle file = OpenForAppend(path, 0);
    if (file && IsOverLimit(file)) {
        // Moved aside through a handle of its own: the rename cannot be led
        // to another file. When that fails the line still goes in. The first
        // handle goes first: it does not share deletion.
        file.Reset();
        file = OpenForAppend(path, DELETE);
        if (file && RenameHeldFile(file.Get(), folder + kPreviousLogName)) {
            file = OpenForAppend(path, 0);
        }
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
