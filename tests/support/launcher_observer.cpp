// Starts a launcher as a user would, holds its run while the progress window is
// up, reports what the window shows, and lets the run finish:
//   launcher_observer.exe <launcher> [arguments...]
// Prints "held" once the window can be looked at (a screenshot, say), waits
// ZU_OBSERVE_SECONDS (default 3), then releases the run and prints its exit code.
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "tests/support/launcher_process.h"

namespace {

void Print(const wchar_t* label, const std::wstring& text) {
    std::printf("%ls: %ls\n", label, text.c_str());
    std::fflush(stdout);
}

void DescribeWindow(HWND window) {
    wchar_t text[256] = {};
    ::GetWindowTextW(window, text, 256);
    Print(L"window title", text);
    RECT rect;
    ::GetWindowRect(window, &rect);
    std::printf("window: %ld x %ld at (%ld, %ld), %s\n", rect.right - rect.left,
                rect.bottom - rect.top, rect.left, rect.top,
                ::IsWindowVisible(window) ? "shown" : "hidden");
    HWND status = ::FindWindowExW(window, nullptr, L"STATIC", nullptr);
    ::GetWindowTextW(status, text, 256);
    Print(L"status line", text);
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: launcher_observer <launcher> [arguments...]\n");
        return 2;
    }
    std::wstring arguments;
    for (int i = 2; i < argc; ++i) {
        arguments += (i > 2 ? L" " : L"") + std::wstring(argv[i]);
    }
    zu::test::LauncherProcess launcher;
    if (launcher.Start(argv[1], arguments, true)) {
        DescribeWindow(launcher.MainWindow());
        std::printf("held\n");
        std::fflush(stdout);
        const char* seconds = std::getenv("ZU_OBSERVE_SECONDS");
        ::Sleep(1000 * (seconds != nullptr ? std::atoi(seconds) : 3));
        launcher.ReleaseWorker();
    } else {
        std::printf("the launcher ended before its run could be held\n");
    }
    DWORD exit_code = 0;
    if (!launcher.WaitForExit(60000, &exit_code)) {
        std::printf("the launcher did not end within 60 s\n");
        return 1;
    }
    std::printf("launcher exit code: %ld\n", static_cast<long>(exit_code));
    return 0;
}
