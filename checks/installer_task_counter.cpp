#include "checks/installer_task_counter.h"

#include "platform/registry_key.h"

namespace zu {
namespace {

constexpr wchar_t kCounterKey[] = L"Software\\Koru Corporation\\ZEMI Update Temp";
constexpr wchar_t kCounterParentKey[] = L"Software\\Koru Corporation";
constexpr wchar_t kCounterKeyName[] = L"ZEMI Update Temp";
constexpr wchar_t kCounterValue[] = L"InstallerTaskCount";

// The stored value as a number when it can be read as one of four bytes,
// whatever its type; 0 otherwise.
DWORD StoredCountOrZero(const RegistryKey& key) {
    DWORD value = 0;
    DWORD size = sizeof(value);
    if (::RegQueryValueExW(key.Handle(), kCounterValue, nullptr, nullptr,
                           reinterpret_cast<BYTE*>(&value), &size) != ERROR_SUCCESS) {
        return 0;
    }
    return value;
}

}  // namespace

bool ReadInstallerTaskCount(DWORD* count) {
    RegistryKey key;
    if (key.Open(HKEY_LOCAL_MACHINE, kCounterKey, kRegRead64) != ERROR_SUCCESS) {
        return false;
    }
    DWORD type = REG_NONE;
    DWORD value = 0;
    DWORD size = sizeof(value);
    if (::RegQueryValueExW(key.Handle(), kCounterValue, nullptr, &type,
                           reinterpret_cast<BYTE*>(&value), &size) == ERROR_SUCCESS &&
        type == REG_DWORD) {
        *count = value;
    }
    return true;
}

bool IncrementInstallerTaskCount(DWORD* count) {
    RegistryKey key;
    DWORD next = 1;
    if (key.Open(HKEY_LOCAL_MACHINE, kCounterKey, kRegReadWrite64) == ERROR_SUCCESS) {
        next = StoredCountOrZero(key) + 1;
    } else if (key.CreateWritable(kCounterKey) != ERROR_SUCCESS) {
        return false;
    }
    if (key.WriteDword(kCounterValue, next) != ERROR_SUCCESS) {
        return false;
    }
    *count = next;
    return true;
}

LONG ResetInstallerTaskCount() {
    RegistryKey parent;
    const LONG status = parent.Open(HKEY_LOCAL_MACHINE, kCounterParentKey, kRegWrite64);
    if (status != ERROR_SUCCESS) {
        return status;
    }
    return parent.DeleteChildKey(kCounterKeyName);
}

}  // namespace zu
