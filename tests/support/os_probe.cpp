// Reports what the launcher's version and architecture queries see in this
// process: exit code = version code | native architecture << 8 | the minor
// version that Windows reports << 24. It carries the launcher's manifest, so
// Windows reports versions to it as to the launcher.
#include <windows.h>

#include "platform/os_version.h"

int main() {
    OSVERSIONINFOW info = {};
    info.dwOSVersionInfoSize = sizeof(info);
    ::GetVersionExW(&info);
    return zu::GetOsVersionCode() | (static_cast<int>(zu::GetNativeArchitecture()) << 8) |
           static_cast<int>(info.dwMinorVersion << 24);
}
