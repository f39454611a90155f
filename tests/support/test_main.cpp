#include <gtest/gtest.h>

#include <cstdio>

#include "tests/support/wine_guard.h"

int main(int argc, char** argv) {
    if (!zu::test::MachineChangesAllowed()) {
        std::fprintf(stderr,
                     "These tests change the registry and files of the machine they run on.\n"
                     "Run them in Wine (ctest does), or set ZU_ALLOW_MACHINE_CHANGES=1.\n");
        return 1;
    }
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
