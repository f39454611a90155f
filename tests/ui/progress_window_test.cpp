#include "ui/progress_window.h"

#include <gtest/gtest.h>

#include <commctrl.h>

#include "platform/scoped_handle.h"
#include "tests/support/machine_paths.h"
#include "ui/launcher_window.h"

namespace zu {
namespace {

// Dispatches this thread's messages until WM_QUIT or until ms have passed.
// True when WM_QUIT arrived; its exit code is stored in quit_code.
bool PumpFor(DWORD ms, int* quit_code = nullptr) {
    const DWORD start = ::GetTickCount();
    while (::GetTickCount() - start < ms) {
        MSG message;
        while (::PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
            if (message.message == WM_QUIT) {
                if (quit_code != nullptr) {
                    *quit_code = static_cast<int>(message.wParam);
                }
                return true;
            }
            ::TranslateMessage(&message);
            ::DispatchMessageW(&message);
        }
        ::MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
    }
    return false;
}

RECT ChildRectInClient(HWND child) {
    RECT rect;
    ::GetWindowRect(child, &rect);
    ::MapWindowPoints(nullptr, ::GetParent(child), reinterpret_cast<POINT*>(&rect), 2);
    return rect;
}

class ProgressWindowTest : public testing::Test {
  protected:
    static void SetUpTestSuite() { RegisterProgressWindowClass(::GetModuleHandleW(nullptr)); }

    void SetUp() override { context_.dpi = DpiScale(96, 96); }

    void TearDown() override {
        if (::IsWindow(context_.mainWindow)) {
            context_.closeBlocked = false;
            ::DestroyWindow(context_.mainWindow);
        }
        PumpFor(50);  // swallow the quit message of the destroyed window
        if (context_.font != nullptr) {
            ::DeleteObject(context_.font);
        }
    }

    void Create() {
        ASSERT_TRUE(CreateProgressWindow(&context_, ::GetModuleHandleW(nullptr), SW_SHOWNORMAL));
    }

    LauncherContext context_;
};

TEST_F(ProgressWindowTest, At96Dpi_WindowIs405By118AndCentred) {
    Create();
    RECT rect;
    ::GetWindowRect(context_.mainWindow, &rect);
    EXPECT_EQ(405, rect.right - rect.left);
    EXPECT_EQ(118, rect.bottom - rect.top);
    EXPECT_EQ((::GetSystemMetrics(SM_CXSCREEN) - 405) / 2, rect.left);
    EXPECT_EQ((::GetSystemMetrics(SM_CYSCREEN) - 118) / 2, rect.top);
    EXPECT_TRUE(::IsWindowVisible(context_.mainWindow));
    const RECT status = ChildRectInClient(context_.statusText);
    EXPECT_EQ(22, status.left);
    EXPECT_EQ(22, status.top);
    EXPECT_EQ(350, status.right - status.left);
}

TEST_F(ProgressWindowTest, At144Dpi_EveryNumberIsScaledAndWindowStaysCentred) {
    context_.dpi = DpiScale(144, 144);
    Create();
    RECT rect;
    ::GetWindowRect(context_.mainWindow, &rect);
    EXPECT_EQ(608, rect.right - rect.left);
    EXPECT_EQ(177, rect.bottom - rect.top);
    EXPECT_EQ((::GetSystemMetrics(SM_CXSCREEN) - 608) / 2, rect.left);
    EXPECT_EQ((::GetSystemMetrics(SM_CYSCREEN) - 177) / 2, rect.top);
    const RECT bar = ChildRectInClient(context_.progressBar);
    EXPECT_EQ(33, bar.left);
    EXPECT_EQ(80, bar.top);  // 53 × 1.5 rounds up
    EXPECT_EQ(533, bar.right - bar.left);
    EXPECT_EQ(23, bar.bottom - bar.top);
}

TEST_F(ProgressWindowTest, StatusLine_ShowsInstallingTextInNinePointFace) {
    Create();
    wchar_t text[100] = {};
    ::GetWindowTextW(context_.statusText, text, 100);
    EXPECT_STREQ(L"Installing ZEMI Update...", text);
    wchar_t title[100] = {};
    ::GetWindowTextW(context_.mainWindow, title, 100);
    EXPECT_STREQ(L"ZEMI Update", title);
    PumpFor(50);  // the font arrives by a posted WM_SETFONT
    HFONT font = reinterpret_cast<HFONT>(::SendMessageW(context_.statusText, WM_GETFONT, 0, 0));
    ASSERT_EQ(context_.font, font);
    LOGFONTW logfont = {};
    ASSERT_NE(0, ::GetObjectW(font, sizeof(logfont), &logfont));
    EXPECT_STREQ(L"Segoe UI", logfont.lfFaceName);
    HDC dc = ::GetDC(context_.mainWindow);
    EXPECT_EQ(-::MulDiv(9, ::GetDeviceCaps(dc, LOGPIXELSY), 72), logfont.lfHeight);
    ::ReleaseDC(context_.mainWindow, dc);
    EXPECT_EQ(FW_NORMAL, logfont.lfWeight);
}

TEST_F(ProgressWindowTest, WhileRunning_CloseRequestsAndKeysChangeNothing) {
    Create();
    HMENU menu = ::GetSystemMenu(context_.mainWindow, FALSE);
    EXPECT_NE(0u, ::GetMenuState(menu, SC_CLOSE, MF_BYCOMMAND) & (MF_DISABLED | MF_GRAYED));
    ::PostMessageW(context_.mainWindow, WM_CLOSE, 0, 0);
    ::PostMessageW(context_.mainWindow, WM_SYSCOMMAND, SC_CLOSE, 0);
    ::PostMessageW(context_.mainWindow, WM_SYSKEYDOWN, VK_F4, 1 << 29);  // Alt+F4
    ::PostMessageW(context_.mainWindow, WM_KEYDOWN, VK_ESCAPE, 0);
    EXPECT_FALSE(PumpFor(300));
    EXPECT_TRUE(::IsWindow(context_.mainWindow));
    EXPECT_TRUE(::IsWindowVisible(context_.mainWindow));
}

TEST_F(ProgressWindowTest, Timer_StepsTheBarTenthByTenthAndStartsOver) {
    Create();
    EXPECT_EQ(0, ::SendMessageW(context_.progressBar, PBM_GETPOS, 0, 0));
    PumpFor(1500);  // two ticks of 600 ms
    const LRESULT position = ::SendMessageW(context_.progressBar, PBM_GETPOS, 0, 0);
    EXPECT_GE(position, 10);
    EXPECT_LE(position, 30);
    EXPECT_EQ(0, position % 10);
}

DWORD WINAPI ReleaseAfterShortWork(void* parameter) {
    ::Sleep(100);
    ReleaseProgressWindow(static_cast<LauncherContext*>(parameter));
    return 0;
}

TEST_F(ProgressWindowTest, WorkerReleasesWindow_WindowIsDestroyedAndLoopQuitsWithZero) {
    Create();
    context_.workerThread =
        ::CreateThread(nullptr, 0, ReleaseAfterShortWork, &context_, 0, nullptr);
    int quit_code = -1;
    EXPECT_TRUE(PumpFor(5000, &quit_code));
    EXPECT_EQ(0, quit_code);
    EXPECT_FALSE(::IsWindow(context_.mainWindow));
    EXPECT_EQ(nullptr, context_.font);
    EXPECT_EQ(nullptr, context_.workerThread);
}

DWORD WINAPI ReleaseThenHang(void* parameter) {
    ReleaseProgressWindow(static_cast<LauncherContext*>(parameter));
    ::Sleep(INFINITE);
    return 0;
}

TEST_F(ProgressWindowTest, WorkerStillRunningAfterRelease_IsEndedAfterShortWait) {
    Create();
    HANDLE worker = ::CreateThread(nullptr, 0, ReleaseThenHang, &context_, 0, nullptr);
    HANDLE watched = nullptr;
    ::DuplicateHandle(::GetCurrentProcess(), worker, ::GetCurrentProcess(), &watched, 0, FALSE,
                      DUPLICATE_SAME_ACCESS);
    UniqueHandle watch(watched);
    context_.workerThread = worker;
    const DWORD start = ::GetTickCount();
    EXPECT_TRUE(PumpFor(5000));
    EXPECT_LT(::GetTickCount() - start, 2000u);
    EXPECT_EQ(WAIT_OBJECT_0, ::WaitForSingleObject(watch.Get(), 1000));
}

TEST_F(ProgressWindowTest, SilentLaunchModes_WindowExistsButIsNeverShown) {
    for (bool LauncherContext::*mode :
         {&LauncherContext::ordinaryRunSilent, &LauncherContext::launchInstallerSilent,
          &LauncherContext::zeuInstallSilent}) {
        LauncherContext context;
        context.dpi = DpiScale(96, 96);
        context.*mode = true;
        ASSERT_TRUE(CreateProgressWindow(&context, ::GetModuleHandleW(nullptr), SW_SHOWNORMAL));
        PumpFor(100);
        EXPECT_TRUE(::IsWindow(context.mainWindow));
        EXPECT_FALSE(::IsWindowVisible(context.mainWindow));
        ReleaseProgressWindow(&context);
        int quit_code = -1;
        EXPECT_TRUE(PumpFor(2000, &quit_code));
        EXPECT_EQ(0, quit_code);
        EXPECT_FALSE(::IsWindow(context.mainWindow));
    }
}

TEST_F(ProgressWindowTest, StatusLineColours_WhiteOnlyOnXpWithoutHighContrast) {
    Create();
    HDC dc = ::GetDC(context_.statusText);
    const LRESULT brush =
        ::SendMessageW(context_.mainWindow, WM_CTLCOLORSTATIC, reinterpret_cast<WPARAM>(dc),
                       reinterpret_cast<LPARAM>(context_.statusText));
    ::ReleaseDC(context_.statusText, dc);
    const bool white = brush == reinterpret_cast<LRESULT>(::GetStockObject(WHITE_BRUSH));
    // The test machines run without high contrast.
    EXPECT_EQ(test::IsWindowsXp(), white);
}

}  // namespace
}  // namespace zu
