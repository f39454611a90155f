// Reports what the launcher's version and architecture queries see in this
// process: exit code = version code | native architecture << 8. It carries the
// launcher's manifest, so Windows reports versions to it as to the launcher.
#include "platform/os_version.h"

int main() {
    return zu::GetOsVersionCode() | (static_cast<int>(zu::GetNativeArchitecture()) << 8);
}
