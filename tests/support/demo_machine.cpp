// Lays out the machine of `make demo`: generation 5 of the client with its
// data files, tasks, shortcuts and registrations, left in place for the run.
#include <windows.h>

#include <cstdio>

#include "tests/support/machine_fixture.h"

int wmain() {
    zu::test::Machine machine;
    zu::test::GenerationOptions options;
    options.dataFiles = true;
    options.region = L"EU";
    const testing::AssertionResult laid_out =
        machine.InstallGeneration(zu::test::Generation::k5, options);
    machine.Keep();
    if (!laid_out) {
        std::printf("could not lay out generation 5: %s\n", laid_out.message());
        return 1;
    }
    return 0;
}
