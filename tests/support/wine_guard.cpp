#include "tests/support/wine_guard.h"

#include <windows.h>

#include <cstdlib>
#include <cstring>
#include <string>

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

EntryWindows WindowsOfThisEntry() {
    const char* version = std::getenv("ZU_WINE_VERSION");
    const std::string name = version != nullptr ? version : "";
    if (name == "winxp") {
        return EntryWindows::kXp;
    }
    if (name == "winxp64") {
        return EntryWindows::kXp64;
    }
    if (name == "vista") {
        return EntryWindows::kVista;
    }
    return name == "win10" ? EntryWindows::kWindows10 : EntryWindows::kWindows7;
}

}  // namespace zu::test
