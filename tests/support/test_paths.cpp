#include "tests/support/test_paths.h"

#include <windows.h>

#include <cstdlib>

namespace zu::test {

std::wstring PathFromEnvironment(const char* name) {
    const char* value = std::getenv(name);
    if (value == nullptr || *value == '\0') {
        return std::wstring();
    }
    std::wstring path = L"Z:";
    for (const char* c = value; *c != '\0'; ++c) {
        path += (*c == '/') ? L'\\' : static_cast<wchar_t>(static_cast<unsigned char>(*c));
    }
    return path;
}

std::wstring DistDir() {
    return PathFromEnvironment("ZU_DIST_DIR");
}

std::wstring TestBinDir() {
    return PathFromEnvironment("ZU_TEST_BIN_DIR");
}

std::wstring OwnPath() {
    wchar_t path[MAX_PATH] = {};
    ::GetModuleFileNameW(nullptr, path, MAX_PATH);
    return path;
}

}  // namespace zu::test
