// Runs a launcher on a machine without any region and holds its region window
// up for screenshots, reporting each stage on its own line:
//   region_window_presenter.exe <launcher>
// "window <x> <y> <width> <height>" when the window is up as it first appears,
// "chosen" once "Japan" is picked (OK available), then the window is cancelled
// and "exit code: N" follows. Lines are flushed at once for a script to act on.
#include <windows.h>

#include <cstdio>
#include <string>

#include "platform/scoped_handle.h"
#include "tests/support/region_window_robot.h"

namespace {

constexpr DWORD kAppearTimeoutMs = 120000;
constexpr DWORD kScreenshotPauseMs = 3000;

void Say(const char* line) {
    std::printf("%s\n", line);
    std::fflush(stdout);
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    if (argc != 2) {
        Say("usage: region_window_presenter <launcher>");
        return 2;
    }
    std::wstring line = L"\"" + std::wstring(argv[1]) + L"\"";
    STARTUPINFOW startup = {};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION info = {};
    if (!::CreateProcessW(nullptr, &line[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                          &info)) {
        Say("the launcher could not be started");
        return 1;
    }
    zu::UniqueHandle launcher(info.hProcess);
    zu::UniqueHandle thread(info.hThread);

    zu::test::RegionWindow window;
    if (!zu::test::WaitForRegionWindow(info.dwProcessId, kAppearTimeoutMs, &window)) {
        Say("no region window");
        ::TerminateProcess(launcher.Get(), 1);
        return 1;
    }
    ::Sleep(500);  // let it paint
    RECT rect = {};
    ::GetWindowRect(window.window, &rect);
    std::printf("window %ld %ld %ld %ld\n", rect.left, rect.top, rect.right - rect.left,
                rect.bottom - rect.top);
    std::fflush(stdout);
    ::Sleep(kScreenshotPauseMs);
    zu::test::ChooseCountry(window, L"Japan");
    ::Sleep(500);
    Say("chosen");
    ::Sleep(kScreenshotPauseMs);
    zu::test::PressCancel(window);

    DWORD exit_code = 1;
    ::WaitForSingleObject(launcher.Get(), 30000);
    ::GetExitCodeProcess(launcher.Get(), &exit_code);
    std::printf("exit code: %lu\n", exit_code);
    return 0;
}
