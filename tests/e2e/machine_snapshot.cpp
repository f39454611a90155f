#include "tests/e2e/machine_snapshot.h"

#include <algorithm>
#include <cwctype>

#include "tests/support/machine_paths.h"

namespace zu::test {
namespace {

constexpr const wchar_t* kRegistryAreas[] = {
    L"SOFTWARE\\Koru Corporation",
    L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall",
    L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Run",
    L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\App Paths",
};

std::wstring TasksFolder() {
    wchar_t windows[MAX_PATH] = {};
    ::GetWindowsDirectoryW(windows, MAX_PATH);
    return std::wstring(windows) +
           (RegistryViewsAreSeparate() ? L"\\Sysnative\\Tasks" : L"\\System32\\Tasks");
}

std::wstring Lower(std::wstring text) {
    std::transform(text.begin(), text.end(), text.begin(),
                   [](wchar_t c) { return static_cast<wchar_t>(std::towlower(c)); });
    return text;
}

void DumpKey(HKEY parent,
             const std::wstring& path,
             REGSAM view,
             const std::wstring& prefix,
             std::map<std::wstring, std::string>* dump) {
    HKEY key = nullptr;
    if (::RegOpenKeyExW(parent, path.c_str(), 0, KEY_READ | view, &key) != ERROR_SUCCESS) {
        return;
    }
    (*dump)[prefix + path + L"\\"] = std::string();
    wchar_t name[16384];
    std::vector<BYTE> data(1 << 16);
    for (DWORD index = 0;; ++index) {
        DWORD name_length = 16384;
        DWORD type = 0;
        DWORD bytes = static_cast<DWORD>(data.size());
        if (::RegEnumValueW(key, index, name, &name_length, nullptr, &type, data.data(), &bytes) !=
            ERROR_SUCCESS) {
            break;
        }
        (*dump)[prefix + path + L"\\" + name] =
            std::to_string(type) + ":" + std::string(data.begin(), data.begin() + bytes);
    }
    std::vector<std::wstring> subkeys;
    for (DWORD index = 0;; ++index) {
        DWORD name_length = 16384;
        if (::RegEnumKeyExW(key, index, name, &name_length, nullptr, nullptr, nullptr, nullptr) !=
            ERROR_SUCCESS) {
            break;
        }
        subkeys.push_back(name);
    }
    ::RegCloseKey(key);
    for (const std::wstring& subkey : subkeys) {
        DumpKey(parent, path + L"\\" + subkey, view, prefix, dump);
    }
}

bool IsIgnored(const std::wstring& path, const std::vector<std::wstring>& ignored) {
    const std::wstring lower = Lower(path);
    return std::any_of(ignored.begin(), ignored.end(), [&lower](const std::wstring& part) {
        return lower.find(Lower(part)) != std::wstring::npos;
    });
}

}  // namespace

MachineSnapshot MachineSnapshot::Take() {
    MachineSnapshot snapshot;
    for (const std::wstring& folder :
         {NativeProgramFiles() + L"\\Koru", ProgramFiles32() + L"\\Koru",
          ProgramData() + L"\\Koru Corporation", CommonPrograms(), PublicDesktop(),
          TasksFolder()}) {
        snapshot.folders_[folder] = FilesUnder(folder);
    }
    for (REGSAM view : {REGSAM(KEY_WOW64_64KEY), REGSAM(KEY_WOW64_32KEY)}) {
        const std::wstring prefix = view == KEY_WOW64_64KEY ? L"[64] " : L"[32] ";
        for (const wchar_t* area : kRegistryAreas) {
            DumpKey(HKEY_LOCAL_MACHINE, area, view, prefix, &snapshot.registry_);
        }
    }
    return snapshot;
}

std::vector<std::wstring> MachineSnapshot::ChangesSince(
    const MachineSnapshot& before,
    const std::vector<std::wstring>& ignored) const {
    std::vector<std::wstring> changes;
    for (const auto& [folder, tree] : folders_) {
        const auto old = before.folders_.find(folder);
        const FileTree empty;
        for (const std::wstring& path :
             TreeDifferences(old == before.folders_.end() ? empty : old->second, tree)) {
            if (!IsIgnored(folder + L"\\" + path, ignored)) {
                changes.push_back(folder + L"\\" + path);
            }
        }
    }
    std::map<std::wstring, std::string> all = registry_;
    all.insert(before.registry_.begin(), before.registry_.end());
    for (const auto& [path, unused] : all) {
        const auto now = registry_.find(path);
        const auto old = before.registry_.find(path);
        const bool same =
            now != registry_.end() && old != before.registry_.end() && now->second == old->second;
        if (!same && !IsIgnored(path, ignored)) {
            changes.push_back(path);
        }
    }
    return changes;
}

}  // namespace zu::test
