#include "launcher/settings_carry_over.h"

#include <vector>

#include "components/legacy_identifiers.h"
#include "components/product_keys.h"
#include "platform/registry_key.h"

namespace zu {
namespace {

constexpr wchar_t kGeneration5TaskManagerKey[] =
    L"SOFTWARE\\Koru Corporation\\ZEMI Update 5\\TaskManager";
constexpr wchar_t kWindowsUninstallKey[] =
    L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall";

// "Task" as text, unexpanded and cut at its first null. False, *task
// untouched, for a missing value, another type or malformed string data.
bool ReadTaskText(const RegistryKey& key, std::wstring* task) {
    DWORD type = REG_NONE;
    DWORD bytes = 0;
    if (::RegQueryValueExW(key.Handle(), kTaskValue, nullptr, &type, nullptr, &bytes) !=
            ERROR_SUCCESS ||
        (type != REG_SZ && type != REG_EXPAND_SZ)) {
        return false;
    }
    std::vector<wchar_t> buffer(bytes / sizeof(wchar_t) + 1, L'\0');
    DWORD length = static_cast<DWORD>(buffer.size());
    if (key.ReadString(kTaskValue, buffer.data(), &length) != ERROR_SUCCESS) {
        return false;
    }
    task->assign(buffer.data());
    return true;
}

// The value's first four bytes, whatever type it was stored with; 0 for a
// missing value or one longer than four bytes.
DWORD ReadNumber(const RegistryKey& key, const wchar_t* name) {
    DWORD value = 0;
    DWORD bytes = sizeof(value);
    if (::RegQueryValueExW(key.Handle(), name, nullptr, nullptr, reinterpret_cast<BYTE*>(&value),
                           &bytes) != ERROR_SUCCESS) {
        return 0;
    }
    return value;
}

// Opens parent_path (HKLM) in view and deletes its subkey name with
// everything below it, in the same view.
void DeleteKeyTree(const wchar_t* parent_path, REGSAM access, const wchar_t* name) {
    RegistryKey parent;
    if (parent.Open(HKEY_LOCAL_MACHINE, parent_path, access) == ERROR_SUCCESS) {
        parent.DeleteTree(name);
    }
}

}  // namespace

bool ReadTaskManagerSettings(const wchar_t* key_path, TaskManagerSettings* settings) {
    RegistryKey key;
    if (key.Open(HKEY_LOCAL_MACHINE, key_path, kRegRead64) != ERROR_SUCCESS) {
        return false;
    }
    ReadTaskText(key, &settings->task);
    settings->selfUpdate = ReadNumber(key, kSelfUpdateValue);
    settings->updateType = ReadNumber(key, kUpdateTypeValue);
    return true;
}

void WriteTaskManagerSettings(const wchar_t* key_path, const TaskManagerSettings& settings) {
    RegistryKey key;
    if (key.CreateWritable(key_path) != ERROR_SUCCESS) {
        return;
    }
    key.WriteString(kTaskValue, settings.task.c_str());
    key.WriteDword(kSelfUpdateValue, settings.selfUpdate);
    key.WriteDword(kUpdateTypeValue, settings.updateType);
}

void StashTaskManagerSettings() {
    TaskManagerSettings settings;
    ReadTaskManagerSettings(kGeneration5TaskManagerKey, &settings);
    ReadTaskManagerSettings(kProductTaskManagerKey, &settings);
    WriteTaskManagerSettings(kInstallerTaskManagerKey, settings);
}

void RestoreTaskManagerSettings() {
    TaskManagerSettings settings;
    if (ReadTaskManagerSettings(kInstallerTaskManagerKey, &settings)) {
        WriteTaskManagerSettings(kProductTaskManagerKey, settings);
    }
}

void MarkLauncherUninstall() {
    RegistryKey key;
    if (key.CreateWritable(kInstallerUninstallKey) == ERROR_SUCCESS) {
        key.WriteString(kLauncherUninstallValue, L"1");
    }
}

void RemoveLegacyUninstallEntry() {
    DeleteKeyTree(kWindowsUninstallKey, kRegWrite, kLegacyUninstallEntryCode);
}

}  // namespace zu
