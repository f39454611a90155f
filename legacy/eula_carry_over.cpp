#include "legacy/eula_carry_over.h"

#include <string>

#include "components/product_keys.h"
#include "platform/file_operations.h"
#include "platform/known_folders.h"
#include "platform/registry_key.h"

namespace zu {
namespace {

constexpr wchar_t kGeneration5EulaKey[] = L"SOFTWARE\\Koru Corporation\\ZEMI Update 5\\EULA";

// Below the native Program Files folder.
constexpr const wchar_t* kEarlierEulaFileTails[] = {
    L"\\Koru\\ZEMI Update\\EULA\\ENG\\ZU5EULA.rtf",
    L"\\Koru\\ZEMI Update 5\\EULA\\ENG\\ZU5EULA.rtf",
};

// *agreed = 1 when the key's "EULAAgreed" holds the four bytes of 1, whatever
// type it was stored with; 0 for another, a missing or a longer value. False,
// *agreed untouched, when the key does not open.
bool ReadAgreedFlag(const wchar_t* key_path, DWORD* agreed) {
    RegistryKey key;
    if (key.Open(HKEY_LOCAL_MACHINE, key_path, kRegRead64) != ERROR_SUCCESS) {
        return false;
    }
    DWORD value = 0;
    DWORD bytes = sizeof(value);
    if (::RegQueryValueExW(key.Handle(), kEulaAgreedValue, nullptr, nullptr,
                           reinterpret_cast<BYTE*>(&value), &bytes) != ERROR_SUCCESS) {
        value = 0;
    }
    *agreed = value == 1 ? 1 : 0;
    return true;
}

}  // namespace

bool ReadEulaAgreement(DWORD* agreed) {
    DWORD current = 0;
    DWORD generation5 = 0;
    const bool current_found = ReadAgreedFlag(kProductEulaKey, &current);
    const bool generation5_found = ReadAgreedFlag(kGeneration5EulaKey, &generation5);
    if (!current_found && !generation5_found) {
        return false;
    }
    *agreed = (current == 1 || generation5 == 1) ? 1 : 0;
    return true;
}

bool FindEarlierEulaFile() {
    for (const wchar_t* tail : kEarlierEulaFileTails) {
        std::wstring path;
        if (GetNativeProgramFilesPath(tail, &path) && PathExists(path)) {
            return true;
        }
    }
    return false;
}

void WriteInstallerEulaNote() {
    RegistryKey key;
    if (key.CreateWritable(kInstallerEulaKey) == ERROR_SUCCESS) {
        key.WriteString(kEulaAgreedValue, L"1");
    }
}

void WriteEulaAgreement(DWORD agreed) {
    RegistryKey key;
    if (key.CreateWritable(kProductEulaKey) == ERROR_SUCCESS) {
        key.WriteDword(kEulaAgreedValue, agreed);
    }
}

}  // namespace zu
