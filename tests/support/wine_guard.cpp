#include "tests/support/wine_guard.h"

#include <windows.h>

#include <cstdlib>
#include <cstring>

namespace zu::test {

bool IsRunningUnderWine() {
    HMODULE ntdll = ::GetModuleHandleW(L"ntdll.dll");
    return ntdll != nullptr && ::GetProcAddress(ntdll, "wine_get_version") != nullptr;
}

bool MachineChangesAllowed() {
    if (IsRunningUnderWine()) {
        return true;
    }
    const char* allowed = std::getenv("ZU_ALLOW_MACHINE_CHANGES");
    return allowed != nullptr && std::strcmp(allowed, "1") == 0;
}

}  // namespace zu::test
