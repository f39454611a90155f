#include "legacy/com_registrations.h"

#include <windows.h>

#include <vector>

#include "legacy/com_registration_table.h"
#include "platform/os_version.h"
#include "platform/registry_key.h"

namespace zu {
namespace {

// Each deletion opens its parent afresh; the subtree goes in the parent's view.
void DeleteKeyBelow(HKEY root, const wchar_t* parent, const wchar_t* name, REGSAM access) {
    RegistryKey key;
    if (key.Open(root, parent, access) == ERROR_SUCCESS) {
        key.DeleteTree(name);
    }
}

void DeleteProgIds(REGSAM access) {
    for (const wchar_t* name : LegacyProgIds()) {
        DeleteKeyBelow(HKEY_CLASSES_ROOT, nullptr, name, access);
    }
}

void DeleteKeys(HKEY root, const std::vector<RegistrationKey>& keys, REGSAM access) {
    for (const RegistrationKey& key : keys) {
        DeleteKeyBelow(root, key.parent, key.name, access);
    }
}

// The 32-bit launcher sees the 32-bit view by default, so the servers' 64-bit
// registrations are reached through KEY_WOW64_64KEY.
void Remove64BitWindowsRegistrations() {
    DeleteProgIds(kRegWrite64);
    DeleteKeys(HKEY_CLASSES_ROOT, LegacyComKeys(), kRegWrite64);
    DeleteKeys(HKEY_CLASSES_ROOT, LegacyComKeysDefaultView(), kRegWrite);
    const std::vector<RegistrationKey> policies = LegacyBrowserPolicyKeys();
    DeleteKeys(HKEY_LOCAL_MACHINE, policies, kRegWrite64);
    DeleteKeys(HKEY_LOCAL_MACHINE, policies, kRegWrite);
}

void Remove32BitWindowsRegistrations() {
    DeleteProgIds(kRegWrite);
    DeleteKeys(HKEY_CLASSES_ROOT, LegacyComKeys(), kRegWrite);
    DeleteKeys(HKEY_LOCAL_MACHINE, LegacyBrowserPolicyKeys(), kRegWrite);
}

}  // namespace

void RemoveLegacyComRegistrations() {
    if (GetNativeArchitecture() == PROCESSOR_ARCHITECTURE_AMD64) {
        Remove64BitWindowsRegistrations();
    } else {
        Remove32BitWindowsRegistrations();
    }
}

}  // namespace zu
