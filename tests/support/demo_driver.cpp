// Runs the package as a user would (double-click: no switch) and answers the
// launcher's message box with OK, reporting each stage on its own line:
//   demo_driver.exe <package>
// "window" when the progress window is up, "box: <text>" when a message box
// shows, then "exit code: N". Lines are flushed at once so that a script can
// take screenshots at each stage.
#include <windows.h>

#include <cstdio>
#include <string>

#include "platform/scoped_handle.h"
#include "tests/support/child_process.h"
#include "tests/support/message_box.h"

namespace {

void Say(const char* format, const wchar_t* text = L"") {
    std::printf(format, text);
    std::printf("\n");
    std::fflush(stdout);
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    if (argc != 2) {
        Say("usage: demo_driver <package>");
        return 2;
    }
    std::wstring line = L"\"" + std::wstring(argv[1]) + L"\"";
    STARTUPINFOW startup = {};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION info = {};
    if (!::CreateProcessW(nullptr, &line[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                          &info)) {
        Say("the package could not be started");
        return 1;
    }
    zu::UniqueHandle package(info.hProcess);
    zu::UniqueHandle thread(info.hThread);

    bool window_seen = false;
    while (::WaitForSingleObject(package.Get(), 100) == WAIT_TIMEOUT) {
        if (!window_seen && ::FindWindowW(L"ZUINSTALLER", nullptr) != nullptr &&
            ::IsWindowVisible(::FindWindowW(L"ZUINSTALLER", nullptr))) {
            window_seen = true;
            Say("window");
        }
        const DWORD launcher = zu::test::FindProcessId(L"ZUInstaller.exe");
        zu::test::MessageBoxContent box;
        if (launcher != 0 && zu::test::WaitForMessageBox(launcher, 0, &box)) {
            Say("box: %ls", box.text.c_str());
            ::Sleep(2000);  // time for a screenshot
            zu::test::PressOk(box);
        }
    }
    DWORD exit_code = 0;
    ::GetExitCodeProcess(package.Get(), &exit_code);
    std::printf("exit code: %ld\n", static_cast<long>(exit_code));
    return 0;
}
