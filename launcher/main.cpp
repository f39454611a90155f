#include <windows.h>

#include "launcher/startup.h"
#include "platform/dll_search.h"

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR command_line, int show_command) {
    zu::RestrictDllSearchPath();
    return zu::RunLauncher(instance, command_line, show_command);
}
