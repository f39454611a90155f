// Stands in for the launcher around the package's registration: "beside the
// launcher" is then the package folder that a test lays out around this
// program. Runs ImportPackageRegistration and exits with 0.
#include "legacy/server_registration.h"

int wmain() {
    zu::ImportPackageRegistration();
    return 0;
}
