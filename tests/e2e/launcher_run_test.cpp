// Whole runs of the packaged launcher, started as a user or another program
// would start it, with the machine's state read afterwards.
#include <gtest/gtest.h>

#include <windows.h>

#include <cstdlib>
#include <cstring>
#include <string>

#include "tests/support/launcher_process.h"
#include "tests/support/product_state.h"
#include "tests/support/registry_fixture.h"
#include "tests/support/test_paths.h"

namespace zu {
namespace {

constexpr wchar_t kProduct[] = L"SOFTWARE\\Koru Corporation\\ZEMI Update";
// Generous, as for every whole run: in the emulated machine under load a run
// takes minutes.
constexpr DWORD kRunTimeoutMs = 180000;
constexpr DWORD kAlreadyRunning = static_cast<DWORD>(-1);

class LauncherRunTest : public testing::Test {
  protected:
    void SetUp() override {
        test::ResetProductState();
        test::SetSharedRegion();
    }
    void TearDown() override { test::ResetProductState(); }

    // A whole run started as a user starts it: through the package.
    static DWORD RunToEnd(const std::wstring& arguments) {
        test::LauncherProcess launcher;
        EXPECT_TRUE(launcher.Start(test::DistDir() + L"\\ZEMIUpdatePackage.exe", arguments, false));
        DWORD exit_code = 12345;
        EXPECT_TRUE(launcher.WaitForExit(kRunTimeoutMs, &exit_code));
        return exit_code;
    }
};

TEST_F(LauncherRunTest, SilentRunThroughPackage_ExitsZeroAndConsumesTheClientsRequests) {
    test::SetStringValue(HKEY_LOCAL_MACHINE, kProduct, KEY_WOW64_64KEY, L"ZUSRInstall", L"1");
    test::SetStringValue(HKEY_LOCAL_MACHINE, kProduct, KEY_WOW64_64KEY, L"ZEUInstall", L"1");
    test::SetDwordValue(HKEY_LOCAL_MACHINE, kProduct, KEY_WOW64_64KEY, L"LaunchInstaller", 1);
    EXPECT_EQ(0u, RunToEnd(L"/s"));
    EXPECT_FALSE(test::ValueExists(HKEY_LOCAL_MACHINE, kProduct, KEY_WOW64_64KEY, L"ZUSRInstall"));
    EXPECT_FALSE(test::ValueExists(HKEY_LOCAL_MACHINE, kProduct, KEY_WOW64_64KEY, L"ZEUInstall"));
}

TEST_F(LauncherRunTest, HeldRun_WindowIsUpAndCannotBeClosedUntilTheRunEnds) {
    test::LauncherProcess launcher;
    ASSERT_TRUE(launcher.Start(test::PackagedLauncherPath(), L"", true));
    HWND window = launcher.MainWindow();
    ASSERT_NE(nullptr, window);
    EXPECT_TRUE(::IsWindowVisible(window));
    RECT rect;
    ::GetWindowRect(window, &rect);
    EXPECT_EQ(405, rect.right - rect.left);
    EXPECT_EQ(118, rect.bottom - rect.top);

    ::PostMessageW(window, WM_CLOSE, 0, 0);
    ::PostMessageW(window, WM_SYSCOMMAND, SC_CLOSE, 0);
    ::PostMessageW(window, WM_SYSKEYDOWN, VK_F4, 1 << 29);
    DWORD exit_code = 0;
    EXPECT_FALSE(launcher.WaitForExit(1000, &exit_code));
    EXPECT_TRUE(::IsWindow(window));

    launcher.ReleaseWorker();
    ASSERT_TRUE(launcher.WaitForExit(kRunTimeoutMs, &exit_code));
    EXPECT_EQ(0u, exit_code);
}

TEST_F(LauncherRunTest, SecondLauncherWhileOneRuns_ExitsMinusOneWithoutWindow) {
    test::LauncherProcess first;
    ASSERT_TRUE(first.Start(test::PackagedLauncherPath(), L"", true));

    test::LauncherProcess second;
    ASSERT_TRUE(second.Start(test::PackagedLauncherPath(), L"/s", false));
    DWORD exit_code = 0;
    ASSERT_TRUE(second.WaitForExit(kRunTimeoutMs, &exit_code));
    EXPECT_EQ(kAlreadyRunning, exit_code);
    EXPECT_EQ(nullptr, second.MainWindow());

    first.ReleaseWorker();
    ASSERT_TRUE(first.WaitForExit(kRunTimeoutMs, &exit_code));
    EXPECT_EQ(0u, exit_code);
}

TEST_F(LauncherRunTest, SilentSwitch_WindowIsNeverShownAndRunEndsWithZero) {
    for (const wchar_t* arguments : {L"/s", L"-S", L"  /S  "}) {
        test::LauncherProcess launcher;
        ASSERT_TRUE(launcher.Start(test::PackagedLauncherPath(), arguments, true)) << arguments;
        HWND window = launcher.MainWindow();
        ASSERT_NE(nullptr, window);
        EXPECT_FALSE(::IsWindowVisible(window)) << arguments;
        launcher.ReleaseWorker();
        DWORD exit_code = 1;
        ASSERT_TRUE(launcher.WaitForExit(kRunTimeoutMs, &exit_code));
        EXPECT_EQ(0u, exit_code) << arguments;
    }
}

// Runs in the ctest entry that gives the whole test program a Japanese UI language.
TEST_F(LauncherRunTest, JapaneseUiLanguage_StatusLineIsJapanese) {
    const char* locale = std::getenv("LC_ALL");
    if (locale == nullptr || std::strcmp(locale, "ja_JP.UTF-8") != 0) {
        GTEST_SKIP() << "needs a Japanese UI language (LC_ALL=ja_JP.UTF-8)";
    }
    ASSERT_EQ(0x0411, ::GetUserDefaultUILanguage()) << "LC_ALL did not take hold";
    const std::wstring japanese = L"ZEMI Update をインストールしています...";
    test::LauncherProcess launcher;
    ASSERT_TRUE(launcher.Start(test::PackagedLauncherPath(), L"", true));
    HWND status = ::FindWindowExW(launcher.MainWindow(), nullptr, L"STATIC", nullptr);
    ASSERT_NE(nullptr, status);
    wchar_t text[100] = {};
    ::GetWindowTextW(status, text, 100);
    EXPECT_EQ(japanese, text);
    launcher.ReleaseWorker();
    DWORD exit_code = 1;
    ASSERT_TRUE(launcher.WaitForExit(kRunTimeoutMs, &exit_code));
    EXPECT_EQ(0u, exit_code);
}

// Wine takes the screen's resolution from the registry when a program starts.
TEST_F(LauncherRunTest, At144Dpi_WindowIs608By177AndCentred) {
    HKEY desktop = nullptr;
    ASSERT_EQ(ERROR_SUCCESS, ::RegOpenKeyExW(HKEY_CURRENT_USER, L"Control Panel\\Desktop", 0,
                                             KEY_READ | KEY_WRITE, &desktop));
    DWORD dpi = 144;
    ::RegSetValueExW(desktop, L"LogPixels", 0, REG_DWORD, reinterpret_cast<BYTE*>(&dpi),
                     sizeof(dpi));
    test::LauncherProcess launcher;
    const bool started = launcher.Start(test::PackagedLauncherPath(), L"", true);
    ::RegDeleteValueW(desktop, L"LogPixels");
    ::RegCloseKey(desktop);
    ASSERT_TRUE(started);
    RECT rect;
    ::GetWindowRect(launcher.MainWindow(), &rect);
    EXPECT_EQ(608, rect.right - rect.left);
    EXPECT_EQ(177, rect.bottom - rect.top);
    EXPECT_EQ((::GetSystemMetrics(SM_CXSCREEN) - 608) / 2, rect.left);
    EXPECT_EQ((::GetSystemMetrics(SM_CYSCREEN) - 177) / 2, rect.top);
    launcher.ReleaseWorker();
    DWORD exit_code = 1;
    ASSERT_TRUE(launcher.WaitForExit(kRunTimeoutMs, &exit_code));
    EXPECT_EQ(0u, exit_code);
}

}  // namespace
}  // namespace zu
