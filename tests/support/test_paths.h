#pragma once

#include <string>

namespace zu::test {

// Windows form (Z:\...) of a Unix path that the harness passed in the
// environment variable name; empty when the variable is not set.
std::wstring PathFromEnvironment(const char* name);

// The package folder (dist) and this test's build folder, Windows form.
std::wstring DistDir();
std::wstring TestBinDir();

// The running test program's own path.
std::wstring OwnPath();

}  // namespace zu::test
