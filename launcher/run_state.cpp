#include "launcher/run_state.h"

#include "platform/registry_key.h"

namespace zu {
namespace {

constexpr wchar_t kRunStateKey[] = L"SOFTWARE\\Koru Corporation\\ZEMI Update Installer\\RunState";
constexpr wchar_t kEulaKeyFoundValue[] = L"EULAKeyFound";
constexpr wchar_t kEulaAgreedValue[] = L"EULAAgreed";
constexpr wchar_t kEulaFileFoundValue[] = L"EULAFileFound";
constexpr wchar_t kShortcutRemovedValue[] = L"ShortcutRemoved";
constexpr wchar_t kTaskSettingsStashedValue[] = L"TaskManagerStashed";
constexpr wchar_t kDataSavedValue[] = L"DataSaved";

// A REG_DWORD of exactly four bytes; false for anything else.
bool ReadDword(const RegistryKey& key, const wchar_t* name, DWORD* value) {
    DWORD type = REG_NONE;
    DWORD data = 0;
    DWORD bytes = sizeof(data);
    if (::RegQueryValueExW(key.Handle(), name, nullptr, &type, reinterpret_cast<BYTE*>(&data),
                           &bytes) != ERROR_SUCCESS ||
        type != REG_DWORD || bytes != sizeof(data)) {
        return false;
    }
    *value = data;
    return true;
}

bool ReadFlag(const RegistryKey& key, const wchar_t* name, bool* flag) {
    DWORD value = 0;
    if (!ReadDword(key, name, &value)) {
        return false;
    }
    *flag = value == 1;
    return true;
}

}  // namespace

bool ReadRunState(RunState* state) {
    RegistryKey key;
    if (key.Open(HKEY_LOCAL_MACHINE, kRunStateKey, kRegRead64) != ERROR_SUCCESS) {
        return false;
    }
    bool data_saved = false;
    RunState read;
    if (!ReadFlag(key, kDataSavedValue, &data_saved) || !data_saved ||
        !ReadFlag(key, kEulaKeyFoundValue, &read.eulaKeyFound) ||
        !ReadDword(key, kEulaAgreedValue, &read.eulaAgreed) ||
        !ReadFlag(key, kEulaFileFoundValue, &read.eulaFileFound) ||
        !ReadFlag(key, kShortcutRemovedValue, &read.shortcutRemoved) ||
        !ReadFlag(key, kTaskSettingsStashedValue, &read.taskSettingsStashed)) {
        return false;
    }
    *state = read;
    return true;
}

bool RecordRunState(const RunState& state) {
    RegistryKey key;
    if (key.CreateWritable(kRunStateKey) != ERROR_SUCCESS) {
        return false;
    }
    // An earlier, incomplete record must not count while this one is written.
    key.DeleteValue(kDataSavedValue);
    return key.WriteDword(kEulaKeyFoundValue, state.eulaKeyFound ? 1 : 0) == ERROR_SUCCESS &&
           key.WriteDword(kEulaAgreedValue, state.eulaAgreed) == ERROR_SUCCESS &&
           key.WriteDword(kEulaFileFoundValue, state.eulaFileFound ? 1 : 0) == ERROR_SUCCESS &&
           key.WriteDword(kShortcutRemovedValue, state.shortcutRemoved ? 1 : 0) == ERROR_SUCCESS &&
           key.WriteDword(kTaskSettingsStashedValue, state.taskSettingsStashed ? 1 : 0) ==
               ERROR_SUCCESS &&
           ::RegFlushKey(key.Handle()) == ERROR_SUCCESS &&
           key.WriteDword(kDataSavedValue, 1) == ERROR_SUCCESS &&
           ::RegFlushKey(key.Handle()) == ERROR_SUCCESS;
}

}  // namespace zu
