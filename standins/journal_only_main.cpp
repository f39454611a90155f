// Stand-in for the client's programs that the launcher only starts and waits
// for: the agent "DARiziz.exe" ("/Unregserver", "/service"),
// "InternetWrapper.exe" ("/Unregserver") and "ZULauncherFor64OS.exe". Each
// start is recorded; the behaviour file decides how long it runs and its exit code.
#include <windows.h>

#include "standins/standin_common.h"

int WINAPI wWinMain(HINSTANCE, HINSTANCE, wchar_t*, int) {
    const zu::standin::Standin standin;
    standin.WaitAsTold();
    return standin.ExitCode(0);
}
