#include "platform/install_log.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <cstring>
#include <string>

#include "platform/install_log_entry.h"
#include "platform/run_log.h"
#include "tests/support/file_fixture.h"
#include "tests/support/host_program.h"
#include "tests/support/import_patch.h"
#include "tests/support/machine_paths.h"

namespace zu {
namespace {

SYSTEMTIME Time(WORD hour, WORD minute, WORD second, WORD milliseconds) {
    SYSTEMTIME time = {};
    time.wYear = 2024;
    time.wMonth = 5;
    time.wDay = 17;
    time.wHour = hour;
    time.wMinute = minute;
    time.wSecond = second;
    time.wMilliseconds = milliseconds;
    return time;
}

std::wstring MakerFolder() {
    return test::ProgramData() + L"\\Koru Corporation";
}

std::wstring LogPath() {
    return MakerFolder() + L"\\ZEMI Update\\ZUSUInstallLog.txt";
}

std::string ReadBytes(const std::wstring& path) {
    return test::FileBytes(path).value_or("<missing>");
}

// Every test starts without "<ProgramData>\Koru Corporation" and removes it.
class InstallLogTest : public testing::Test {
  protected:
    void SetUp() override {
        test::DeletePath(MakerFolder());
        ASSERT_FALSE(test::FolderExists(MakerFolder()));
    }
    void TearDown() override { test::DeletePath(MakerFolder()); }
};

TEST_F(InstallLogTest, TwoEntries_CreateFoldersAndAppendExactBytes) {
    AppendInstallLogEntry(Time(9, 5, 7, 42), L"DARiziz busy, install counter is :3");
    AppendInstallLogEntry(Time(23, 59, 59, 999), L"ZC is running, install counter is :4");

    EXPECT_EQ(
        " 9:5:7: 42 => DARiziz busy, install counter is :3\r\n\r\n"
        "23:59:59:999 => ZC is running, install counter is :4\r\n\r\n",
        ReadBytes(LogPath()));
}

TEST_F(InstallLogTest, Text_WrittenOneBytePerCharacterUpToFirstWideOne) {
    AppendInstallLogEntry(Time(0, 0, 0, 0), L"caf\u00e9 \u00ff\u65e5 lost");
    AppendInstallLogEntry(Time(10, 10, 10, 100), L"next");

    EXPECT_EQ(
        " 0:0:0:  0 => caf\xe9 \xff\r\n\r\n"
        "10:10:10:100 => next\r\n\r\n",
        ReadBytes(LogPath()));
}

TEST_F(InstallLogTest, Write_FormatsTextAndStampsLocalTime) {
    SYSTEMTIME before = {};
    ::GetLocalTime(&before);
    InstallLog::Write(L"%ls busy, install counter is :%d", L"DARiziz", 31);
    SYSTEMTIME after = {};
    ::GetLocalTime(&after);

    const std::string bytes = ReadBytes(LogPath());
    const std::string suffix = " => DARiziz busy, install counter is :31\r\n\r\n";
    ASSERT_GT(bytes.size(), suffix.size());
    EXPECT_EQ(suffix, bytes.substr(bytes.size() - suffix.size()));
    // " H:M:S:mmm": the hour in two places, the milliseconds in three.
    const std::string stamp = bytes.substr(0, bytes.size() - suffix.size());
    EXPECT_EQ(':', stamp[2]) << stamp;
    EXPECT_EQ(3u, stamp.size() - stamp.rfind(':') - 1) << stamp;
    const int hour = std::stoi(stamp.substr(0, 2));
    EXPECT_TRUE(hour == before.wHour || hour == after.wHour) << stamp;
}

// The text is formatted into a buffer of its own size, however long.
TEST_F(InstallLogTest, Write_LongText_WrittenWhole) {
    const std::wstring long_text(20000, L'x');
    InstallLog::Write(L"%ls|%d", long_text.c_str(), 7);

    const std::string bytes = ReadBytes(LogPath());
    const std::string tail = std::string(20000, 'x') + "|7\r\n\r\n";
    ASSERT_GT(bytes.size(), tail.size());
    EXPECT_EQ(tail, bytes.substr(bytes.size() - tail.size()));
}

TEST_F(InstallLogTest, Remove_DeletesTheFileAndToleratesItsAbsence) {
    InstallLog::Write(L"ZEMI Update tried to perform an automatic update");
    ASSERT_TRUE(test::FileExists(LogPath()));

    InstallLog::Remove();
    EXPECT_FALSE(test::FileExists(LogPath()));
    InstallLog::Remove();
    EXPECT_TRUE(test::FolderExists(MakerFolder() + L"\\ZEMI Update"));
}

// Another process holding the log open must not stop the next entry.
TEST_F(InstallLogTest, FileHeldOpenByAnotherWriter_StillAppends) {
    AppendInstallLogEntry(Time(1, 2, 3, 4), L"first");
    HANDLE held =
        ::CreateFileW(LogPath().c_str(), GENERIC_READ | GENERIC_WRITE,
                      FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(INVALID_HANDLE_VALUE, held);
    AppendInstallLogEntry(Time(1, 2, 3, 5), L"second");
    ::CloseHandle(held);

    EXPECT_EQ(" 1:2:3:  4 => first\r\n\r\n 1:2:3:  5 => second\r\n\r\n", ReadBytes(LogPath()));
}

// The run's diagnostic log in the user's temporary folder: appended to, and
// moved aside once when it has grown past 1 MiB.
TEST(RunLogTest, LogPastOneMebibyte_MovedAsideOnceAndBegunAnew) {
    wchar_t temp[MAX_PATH] = {};
    ASSERT_NE(0u, ::GetTempPathW(MAX_PATH, temp));
    const std::wstring log = std::wstring(temp) + L"ZUInstaller.log";
    const std::wstring old_log = std::wstring(temp) + L"ZUInstaller.old.log";
    const std::string full(1024 * 1024, 'x');
    ASSERT_TRUE(test::WriteFileBytes(log, full));
    ASSERT_TRUE(test::WriteFileBytes(old_log, "older\r\n"));

    LogRunLine(L"first \u00e9");
    LogProgramExit(L"C:\\setup.exe", 1603);

    EXPECT_EQ(full, ReadBytes(old_log));
    const std::string text = ReadBytes(log);
    EXPECT_NE(std::string::npos, text.find(" first \xc3\xa9\r\n")) << text;
    EXPECT_NE(std::string::npos, text.find(" C:\\setup.exe ended with exit code 1603\r\n")) << text;
    ::DeleteFileW(log.c_str());
    ::DeleteFileW(old_log.c_str());
}

// The process token as SYSTEM's: what Wine cannot let a test be.
BOOL(WINAPI* g_real_token_information)(HANDLE, TOKEN_INFORMATION_CLASS, void*, DWORD, DWORD*);

BOOL WINAPI TokenInformationOfSystem(HANDLE token,
                                     TOKEN_INFORMATION_CLASS kind,
                                     void* buffer,
                                     DWORD bytes,
                                     DWORD* needed) {
    if (kind != TokenUser) {
        return g_real_token_information(token, kind, buffer, bytes, needed);
    }
    static DWORD system_sid[] = {0x00000101, 0x05000000, SECURITY_LOCAL_SYSTEM_RID};  // S-1-5-18
    *needed = sizeof(TOKEN_USER);
    if (bytes < sizeof(TOKEN_USER)) {
        ::SetLastError(ERROR_INSUFFICIENT_BUFFER);
        return FALSE;
    }
    TOKEN_USER user = {};
    user.User.Sid = system_sid;
    std::memcpy(buffer, &user, sizeof(user));
    return TRUE;
}

// A run as SYSTEM (the client's agent starts automatic runs so) logs into a
// private folder of its own in SYSTEM's temporary folder, where every user may
// create files: a link planted in that folder's place is not written through,
// and a log file with a second name is not written to.
TEST(RunLogTest, RunAsSystem_LogsInItsPrivateFolderNeverThroughALinkOrASecondName) {
    wchar_t temp[MAX_PATH] = {};
    ASSERT_NE(0u, ::GetTempPathW(MAX_PATH, temp));
    const std::wstring folder = std::wstring(temp) + L"ZEMI Update Installer";
    const std::wstring elsewhere = std::wstring(temp) + L"zu-elsewhere";
    const std::wstring user_log = std::wstring(temp) + L"ZUInstaller.log";
    test::DeletePath(folder);
    ::DeleteFileW(user_log.c_str());
    ::CreateDirectoryW(elsewhere.c_str(), nullptr);
    ASSERT_TRUE(test::WriteFileBytes(elsewhere + L"\\keep.txt", "keep"));
    {
        test::ScopedImportPatch patch("advapi32.dll", "GetTokenInformation",
                                      reinterpret_cast<void*>(&TokenInformationOfSystem));
        ASSERT_TRUE(patch.active());
        g_real_token_information =
            reinterpret_cast<decltype(g_real_token_information)>(patch.original());
        ASSERT_TRUE(test::MakeHostDirectoryLink(temp, L"zu-elsewhere", L"ZEMI Update Installer"));
        LogRunLine(L"through a link");
        EXPECT_FALSE(test::FileExists(elsewhere + L"\\ZUInstaller.log"));
        test::RemoveHostLink(temp, L"ZEMI Update Installer");

        LogRunLine(L"first line");
        EXPECT_NE(std::string::npos,
                  ReadBytes(folder + L"\\ZUInstaller.log").find(" first line\r\n"));
        EXPECT_FALSE(test::FileExists(user_log));
    }
    // Any account's log: a second name of another file is not written to.
    ASSERT_TRUE(::CreateHardLinkW(user_log.c_str(), (elsewhere + L"\\keep.txt").c_str(), nullptr));
    LogRunLine(L"into a second name");
    EXPECT_EQ("keep", ReadBytes(elsewhere + L"\\keep.txt"));
    ::DeleteFileW(user_log.c_str());
    test::DeletePath(folder);
    test::DeletePath(elsewhere);
}

}  // namespace
}  // namespace zu
