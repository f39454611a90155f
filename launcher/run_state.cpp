#include "launcher/run_state.h"

#include <utility>

#include "components/product_keys.h"
#include "platform/registry_key.h"

namespace zu {
namespace {

constexpr wchar_t kRunStateKey[] = L"SOFTWARE\\Koru Corporation\\ZEMI Update Installer\\RunState";
constexpr wchar_t kEulaKeyFoundValue[] = L"EULAKeyFound";
constexpr wchar_t kEulaFileFoundValue[] = L"EULAFileFound";
constexpr wchar_t kShortcutRemovedValue[] = L"ShortcutRemoved";
constexpr wchar_t kTaskSettingsStashedValue[] = L"TaskManagerStashed";
constexpr wchar_t kDataSavedValue[] = L"DataSaved";
constexpr wchar_t kSetupDoneValue[] = L"SetupDone";
constexpr wchar_t kFilesKey[] =
    L"SOFTWARE\\Koru Corporation\\ZEMI Update Installer\\RunState\\Files";
constexpr wchar_t kFilesKeyName[] = L"Files";
// Value names are limited to 16383 characters.
constexpr DWORD kLongestName = 16384;

// An entry's data: size, then checksum, each 8 bytes, little-endian as x86.
struct FileEntry {
    ULONGLONG size;
    ULONGLONG checksum;
};
static_assert(sizeof(FileEntry) == 16, "the entry's layout is fixed");

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

// A name that stays below the folders it is joined to.
bool IsSafeName(const std::wstring& name) {
    if (name.empty() || name[0] == L'\\' || name.back() == L'\\' ||
        name.find_first_of(L":/") != std::wstring::npos) {
        return false;
    }
    for (std::size_t start = 0;;) {
        const std::size_t end = name.find(L'\\', start);
        const std::wstring part = name.substr(start, end - start);
        if (part.empty() || part == L"." || part == L"..") {
            return false;
        }
        if (end == std::wstring::npos) {
            return true;
        }
        start = end + 1;
    }
}

// The list below the record. True with no files and *listed false when there
// is none (an earlier launcher's record); false for a malformed entry.
bool ReadSavedFiles(SavedFiles* files, bool* listed) {
    RegistryKey key;
    if (key.Open(HKEY_LOCAL_MACHINE, kFilesKey, kRegRead64) != ERROR_SUCCESS) {
        *listed = false;
        return true;
    }
    SavedFiles read;
    std::wstring name(kLongestName, L'\0');
    for (DWORD index = 0;; ++index) {
        DWORD name_length = kLongestName;
        DWORD type = REG_NONE;
        FileEntry entry = {};
        DWORD bytes = sizeof(entry);
        const LONG status = ::RegEnumValueW(key.Handle(), index, name.data(), &name_length, nullptr,
                                            &type, reinterpret_cast<BYTE*>(&entry), &bytes);
        if (status == ERROR_NO_MORE_ITEMS) {
            break;
        }
        const std::wstring entry_name(name.data(), name_length);
        if (status != ERROR_SUCCESS || type != REG_BINARY || bytes != sizeof(entry) ||
            !IsSafeName(entry_name)) {
            return false;
        }
        read.push_back({entry_name, {entry.size, entry.checksum}});
    }
    *files = std::move(read);
    *listed = true;
    return true;
}

LONG WriteFileEntry(const RegistryKey& key, const SavedFile& file) {
    const FileEntry entry = {file.digest.size, file.digest.checksum};
    return ::RegSetValueExW(key.Handle(), file.name.c_str(), 0, REG_BINARY,
                            reinterpret_cast<const BYTE*>(&entry), sizeof(entry));
}

// The list anew: whatever an earlier record listed goes first.
bool WriteSavedFiles(const RegistryKey& record, const SavedFiles& files) {
    const LONG removed = record.DeleteTree(kFilesKeyName);
    RegistryKey key;
    if ((removed != ERROR_SUCCESS && removed != ERROR_FILE_NOT_FOUND) ||
        key.CreateWritable(kFilesKey) != ERROR_SUCCESS) {
        return false;
    }
    for (const SavedFile& file : files) {
        if (WriteFileEntry(key, file) != ERROR_SUCCESS) {
            return false;
        }
    }
    return ::RegFlushKey(key.Handle()) == ERROR_SUCCESS;
}

void FlushKey(const wchar_t* path) {
    RegistryKey key;
    if (key.Open(HKEY_LOCAL_MACHINE, path, kRegRead64) == ERROR_SUCCESS) {
        ::RegFlushKey(key.Handle());
    }
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
        !ReadFlag(key, kTaskSettingsStashedValue, &read.taskSettingsStashed) ||
        !ReadSavedFiles(&read.files, &read.filesListed)) {
        return false;
    }
    // Missing (the setup had not finished, or an earlier launcher) reads as not done.
    ReadFlag(key, kSetupDoneValue, &read.setupDone);
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
    key.DeleteValue(kSetupDoneValue);
    return WriteSavedFiles(key, state.files) &&
           key.WriteDword(kEulaKeyFoundValue, state.eulaKeyFound ? 1 : 0) == ERROR_SUCCESS &&
           key.WriteDword(kEulaAgreedValue, state.eulaAgreed) == ERROR_SUCCESS &&
           key.WriteDword(kEulaFileFoundValue, state.eulaFileFound ? 1 : 0) == ERROR_SUCCESS &&
           key.WriteDword(kShortcutRemovedValue, state.shortcutRemoved ? 1 : 0) == ERROR_SUCCESS &&
           key.WriteDword(kTaskSettingsStashedValue, state.taskSettingsStashed ? 1 : 0) ==
               ERROR_SUCCESS &&
           ::RegFlushKey(key.Handle()) == ERROR_SUCCESS &&
           key.WriteDword(kDataSavedValue, 1) == ERROR_SUCCESS &&
           ::RegFlushKey(key.Handle()) == ERROR_SUCCESS;
}

bool RecordSetupDone() {
    RegistryKey key;
    return key.Open(HKEY_LOCAL_MACHINE, kRunStateKey, kRegReadWrite64) == ERROR_SUCCESS &&
           key.WriteDword(kSetupDoneValue, 1) == ERROR_SUCCESS &&
           ::RegFlushKey(key.Handle()) == ERROR_SUCCESS;
}

bool RecordSavedFile(const SavedFile& file) {
    RegistryKey key;
    return key.CreateWritable(kFilesKey) == ERROR_SUCCESS &&
           WriteFileEntry(key, file) == ERROR_SUCCESS &&
           ::RegFlushKey(key.Handle()) == ERROR_SUCCESS;
}

void ForgetSavedFile(const std::wstring& name) {
    RegistryKey key;
    if (key.Open(HKEY_LOCAL_MACHINE, kFilesKey, kRegReadWrite64) == ERROR_SUCCESS &&
        key.DeleteValue(name.c_str()) == ERROR_SUCCESS) {
        ::RegFlushKey(key.Handle());
    }
}

void RemoveRunState() {
    FlushKey(kProductKey);
    RegistryKey maker;
    if (maker.Open(HKEY_LOCAL_MACHINE, kMakerKey, kRegReadWrite64) == ERROR_SUCCESS) {
        maker.DeleteTree(kInstallerScratchKeyName);
        ::RegFlushKey(maker.Handle());
    }
}

}  // namespace zu
