#include "tests/support/machine_fixture.h"

#include <utility>

#include "standins/outside_identifiers.h"
#include "legacy/packed_guid.h"
#include "tests/support/file_fixture.h"
#include "tests/support/machine_paths.h"
#include "tests/support/registry_fixture.h"
#include "tests/support/registry_value_fixture.h"
#include "tests/support/shortcut_fixture.h"
#include "tests/support/test_paths.h"

namespace zu::test {
namespace {

using testing::AssertionFailure;
using testing::AssertionResult;
using testing::AssertionSuccess;

constexpr REGSAM k64 = KEY_WOW64_64KEY;
constexpr REGSAM k32 = KEY_WOW64_32KEY;
constexpr wchar_t kMakerKey[] = L"SOFTWARE\\Koru Corporation\\";
constexpr wchar_t kSharedInfoKey[] = L"SOFTWARE\\Koru Corporation\\Shared Info";
constexpr wchar_t kWindowsKey[] = L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\";
constexpr wchar_t kComponentsKey[] =
    L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Installer\\UserData\\S-1-5-18\\Components\\";
constexpr wchar_t kUninstallKey[] = L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\";
constexpr wchar_t kRunKey[] = L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Run";
constexpr wchar_t kLegacySetup[] = L"LegacySetup.exe";

// Stops at the first failure: what it lays out is a sequence of steps.
#define ZU_RETURN_IF_FAILED(step)             \
    do {                                      \
        AssertionResult step_result = (step); \
        if (!step_result) {                   \
            return step_result;               \
        }                                     \
    } while (false)

std::string Narrow(const std::wstring& text) {
    std::string narrow;
    for (wchar_t c : text) {
        narrow += static_cast<char>(c < 0x80 ? c : '?');
    }
    return narrow;
}

// Made-up content that names the file and its generation, with bytes that a
// text-mode copy would change.
std::string MadeUpBytes(const std::wstring& file, const GenerationRecord& record) {
    return Narrow(file) + " of " + Narrow(record.name) + std::string("\r\n\0\x01\xfe\xff", 6);
}

std::wstring ParentOf(const std::wstring& path) {
    const size_t split = path.rfind(L'\\');
    return split == std::wstring::npos ? std::wstring() : path.substr(0, split);
}

// The places a generation's program folder is laid out in, native first.
std::vector<ProgramFolders> PlacesFor(const GenerationRecord& record, ProgramFolders asked) {
    unsigned places = record.usualPlaces;
    if (asked == ProgramFolders::kNative) {
        places = kNativePlace;
    } else if (asked == ProgramFolders::kProgramFiles32) {
        places = kProgramFiles32Place;
    } else if (asked == ProgramFolders::kBoth) {
        places = kNativePlace | kProgramFiles32Place;
    }
    std::vector<ProgramFolders> list;
    if ((places & record.places) != places) {
        return list;
    }
    if (places & kNativePlace) {
        list.push_back(ProgramFolders::kNative);
    }
    if (places & kProgramFiles32Place) {
        list.push_back(ProgramFolders::kProgramFiles32);
    }
    return list;
}

std::string ZuIni(const std::wstring& version, const std::wstring& region) {
    std::string ini = "[Setting]\r\nVersion=" + Narrow(version) + "\r\n";
    if (!region.empty()) {
        ini += "InfoFileURLBase=https://zu.koru.example/InfoFile/" + Narrow(region) + "/\r\n";
    }
    return ini;
}

// Everything that one generation lays out, with the values its steps share.
class GenerationLayout {
  public:
    GenerationLayout(Machine* machine,
                     const std::wstring& standin_folder,
                     Generation generation,
                     const GenerationOptions& options)
        : machine_(*machine),
          standinFolder_(standin_folder),
          generation_(generation),
          record_(RecordOf(generation)),
          options_(options),
          version_(options.version.empty() ? record_.usualVersion : options.version),
          places_(PlacesFor(record_, options.folders)) {}

    AssertionResult Run() {
        if (places_.empty()) {
            return AssertionFailure() << Narrow(record_.name) << " never lay in that folder";
        }
        if (!options_.region.empty() && record_.regionFile == RegionFile::kNone) {
            return AssertionFailure() << Narrow(record_.name) << " keeps no region";
        }
        folder_ = ProgramFolder(generation_, places_.front());
        for (ProgramFolders place : places_) {
            ZU_RETURN_IF_FAILED(ProgramFolderFiles(ProgramFolder(generation_, place)));
        }
        ZU_RETURN_IF_FAILED(DataFolderFiles());
        ZU_RETURN_IF_FAILED(SetupCache());
        ZU_RETURN_IF_FAILED(ProductKey());
        if (options_.registrations) {
            ZU_RETURN_IF_FAILED(SharedAndUserKeys());
            ZU_RETURN_IF_FAILED(InstallerRegistrations());
            ZU_RETURN_IF_FAILED(ComRegistrations());
        }
        ZU_RETURN_IF_FAILED(ScheduledEntries());
        return Shortcuts();
    }

  private:
    AssertionResult ProgramFolderFiles(const std::wstring& folder) {
        ZU_RETURN_IF_FAILED(
            machine_.WriteFile(folder + L"\\Version.txt", Narrow(version_) + "\r\n"));
        if (record_.regionFile == RegionFile::kProgramFolder) {
            ZU_RETURN_IF_FAILED(
                machine_.WriteFile(folder + L"\\ZU.ini", ZuIni(version_, options_.region)));
        }
        if (record_.keepsEulaAndTaskManager && options_.eulaFile) {
            ZU_RETURN_IF_FAILED(machine_.WriteFile(folder + L"\\EULA\\ENG\\ZU5EULA.rtf",
                                                   "{\\rtf1 " + Narrow(record_.name) + "}"));
        }
        if (!options_.programs) {
            return AssertionSuccess();
        }
        for (const wchar_t* program : record_.programs) {
            ZU_RETURN_IF_FAILED(
                machine_.CopyFile(standinFolder_ + L"\\" + program, folder + L"\\" + program));
        }
        for (const wchar_t* library : record_.libraries) {
            ZU_RETURN_IF_FAILED(
                machine_.WriteFile(folder + L"\\" + library, MadeUpBytes(library, record_)));
        }
        return AssertionSuccess();
    }

    AssertionResult DataFolderFiles() {
        const std::wstring data = DataFolder();
        if (record_.regionFile == RegionFile::kDataFolder) {
            ZU_RETURN_IF_FAILED(
                machine_.WriteFile(data + L"\\ZU.ini", ZuIni(version_, options_.region)));
        }
        if (!options_.dataFiles) {
            return AssertionSuccess();
        }
        for (const wchar_t* file : DataFiles()) {
            ZU_RETURN_IF_FAILED(
                machine_.WriteFile(data + L"\\" + file, MadeUpBytes(file, record_)));
        }
        return AssertionSuccess();
    }

    AssertionResult SetupCache() {
        if (record_.cacheProductCode == nullptr || !options_.setupCache) {
            return AssertionSuccess();
        }
        const std::wstring cache = SetupCacheFolder(generation_);
        ZU_RETURN_IF_FAILED(
            machine_.CopyFile(standinFolder_ + L"\\" + kLegacySetup, cache + L"\\setup.exe"));
        for (const wchar_t* file : SetupCacheFiles()) {
            const std::string first_line =
                Narrow(record_.name) + " " + Narrow(version_) + " " + Narrow(file) + "\r\n";
            ZU_RETURN_IF_FAILED(
                machine_.WriteFile(cache + L"\\" + file, first_line + MadeUpBytes(file, record_)));
        }
        const std::wstring key = kUninstallKey + std::wstring(record_.cacheProductCode);
        ZU_RETURN_IF_FAILED(
            machine_.SetString(HKEY_LOCAL_MACHINE, key, k32, L"DisplayName", record_.name));
        ZU_RETURN_IF_FAILED(
            machine_.SetString(HKEY_LOCAL_MACHINE, key, k32, L"DisplayVersion", version_));
        return machine_.SetString(
            HKEY_LOCAL_MACHINE, key, k32, L"UninstallString",
            L"\"" + cache + L"\\setup.exe\" -runfromtemp -l0x0409 -removeonly");
    }

    AssertionResult ProductKey() {
        const std::wstring key = kMakerKey + std::wstring(record_.name);
        ZU_RETURN_IF_FAILED(
            machine_.SetString(HKEY_LOCAL_MACHINE, key, record_.view, L"InstallPath", folder_));
        ZU_RETURN_IF_FAILED(
            machine_.SetString(HKEY_LOCAL_MACHINE, key, record_.view, L"Version", version_));
        if (!record_.keepsEulaAndTaskManager) {
            return AssertionSuccess();
        }
        if (options_.eulaAgreed) {
            ZU_RETURN_IF_FAILED(machine_.SetDword(HKEY_LOCAL_MACHINE, key + L"\\EULA", record_.view,
                                                  L"EULAAgreed", *options_.eulaAgreed));
        }
        if (!options_.taskManager) {
            return AssertionSuccess();
        }
        const std::wstring task_manager = key + L"\\TaskManager";
        const TaskManagerSettings& settings = *options_.taskManager;
        ZU_RETURN_IF_FAILED(machine_.SetString(HKEY_LOCAL_MACHINE, task_manager, record_.view,
                                               L"Task", settings.task));
        ZU_RETURN_IF_FAILED(machine_.SetDword(HKEY_LOCAL_MACHINE, task_manager, record_.view,
                                              L"SelfUpdate", settings.selfUpdate));
        return machine_.SetDword(HKEY_LOCAL_MACHINE, task_manager, record_.view, L"UpdateType",
                                 settings.updateType);
    }

    AssertionResult SharedAndUserKeys() {
        const std::wstring name = record_.name;
        const REGSAM view = record_.view;
        ZU_RETURN_IF_FAILED(machine_.SetString(HKEY_LOCAL_MACHINE, kSharedInfoKey + (L"\\" + name),
                                               view, L"InstallPath", folder_));
        ZU_RETURN_IF_FAILED(machine_.SetString(HKEY_LOCAL_MACHINE,
                                               kSharedInfoKey + (L"\\AppDB\\" + name), view,
                                               L"Version", version_));
        ZU_RETURN_IF_FAILED(machine_.SetString(HKEY_LOCAL_MACHINE,
                                               kSharedInfoKey + (L"\\VersionPath\\" + name), view,
                                               nullptr, folder_ + L"\\Version.txt"));
        const std::wstring user_key = L"Software\\Koru Corporation\\" + name;
        ZU_RETURN_IF_FAILED(
            machine_.SetString(HKEY_CURRENT_USER, user_key, k64, L"LastCheck", L"2024-01-01"));
        ZU_RETURN_IF_FAILED(
            machine_.SetDword(HKEY_CURRENT_USER, user_key + L"\\Settings", k64, L"ShowBalloon", 1));
        const std::wstring app_path = kWindowsKey + std::wstring(L"App Paths\\ZEMIUpdt.exe");
        ZU_RETURN_IF_FAILED(machine_.SetString(HKEY_LOCAL_MACHINE, app_path, view, nullptr,
                                               folder_ + L"\\ZEMIUpdt.exe"));
        return machine_.SetString(HKEY_LOCAL_MACHINE, app_path, view, L"Path", folder_);
    }

    AssertionResult InstallerRegistrations() {
        const bool edition64 = RegistryViewsAreSeparate();
        const IndexRange components = edition64 ? record_.components64 : record_.components32;
        const wchar_t* const* component_codes =
            edition64 ? outside::kComponentCodes64 : outside::kComponentCodes32;
        const wchar_t* product =
            (edition64 ? outside::kProductCodes64 : outside::kProductCodes32)[record_.order];
        // Windows Installer names these keys and values by the packed codes.
        PackedGuid packed_product = {};
        if (!PackGuid(product, &packed_product)) {
            return AssertionFailure() << "not a braced code: " << Narrow(product);
        }
        const wchar_t* packed = packed_product.text;
        for (size_t i = components.first; i < components.first + components.count; ++i) {
            PackedGuid component = {};
            if (!PackGuid(component_codes[i], &component)) {
                return AssertionFailure() << "not a braced code: " << Narrow(component_codes[i]);
            }
            ZU_RETURN_IF_FAILED(machine_.SetString(HKEY_LOCAL_MACHINE,
                                                   kComponentsKey + std::wstring(component.text),
                                                   k64, packed, folder_ + L"\\ZEMIUpdt.exe"));
        }
        for (const wchar_t* code : {product, packed}) {
            ZU_RETURN_IF_FAILED(UninstallEntry(code, k64, record_.name));
        }
        const IndexRange uninstall = record_.uninstallCodes;
        for (size_t i = uninstall.first; i < uninstall.first + uninstall.count; ++i) {
            ZU_RETURN_IF_FAILED(UninstallEntry(outside::kUninstallCodes[i], record_.view,
                                               std::wstring(record_.name) + L" Component"));
        }
        if (record_.keepsLegacyUninstallEntry) {
            ZU_RETURN_IF_FAILED(UninstallEntry(outside::kUninstallEntryCode, k32,
                                               std::wstring(record_.name) + L" Helper"));
        }
        return AssertionSuccess();
    }

    AssertionResult UninstallEntry(const wchar_t* code, REGSAM view, const std::wstring& name) {
        const std::wstring key = kUninstallKey + std::wstring(code);
        ZU_RETURN_IF_FAILED(
            machine_.SetString(HKEY_LOCAL_MACHINE, key, view, L"DisplayName", name));
        return machine_.SetString(HKEY_LOCAL_MACHINE, key, view, L"DisplayVersion", version_);
    }

    AssertionResult ComRegistrations() {
        for (const ProgId& id : LegacyProgIds()) {
            ZU_RETURN_IF_FAILED(
                machine_.SetString(HKEY_CLASSES_ROOT, id.name, k64, nullptr, id.name));
            ZU_RETURN_IF_FAILED(machine_.SetString(
                HKEY_CLASSES_ROOT, std::wstring(id.name) + L"\\CLSID", k64, nullptr, id.classId));
        }
        for (const ComKey& key : LegacyComKeys()) {
            ZU_RETURN_IF_FAILED(ComKeyInView(key, k64));
            if (key.alsoDefaultView && RegistryViewsAreSeparate()) {
                ZU_RETURN_IF_FAILED(ComKeyInView(key, k32));
            }
        }
        for (const wchar_t* parent : BrowserPolicyParents()) {
            const std::wstring key = parent + (L"\\" + std::wstring(outside::kPolicyClassId));
            for (REGSAM view : {k64, k32}) {
                ZU_RETURN_IF_FAILED(
                    machine_.SetString(HKEY_LOCAL_MACHINE, key, view, L"AppName", L"ZEMIUpdt.exe"));
                ZU_RETURN_IF_FAILED(
                    machine_.SetString(HKEY_LOCAL_MACHINE, key, view, L"AppPath", folder_));
            }
        }
        return AssertionSuccess();
    }

    AssertionResult ComKeyInView(const ComKey& com, REGSAM view) {
        const std::wstring key = com.parent + (L"\\" + com.name);
        ZU_RETURN_IF_FAILED(
            machine_.SetString(HKEY_CLASSES_ROOT, key, view, nullptr, com.description));
        if (com.subkey.empty()) {
            return AssertionSuccess();
        }
        std::wstring value = com.subkeyValue;
        if (value.compare(0, 2, L"%F") == 0) {
            value = folder_ + value.substr(2);
        }
        return machine_.SetString(HKEY_CLASSES_ROOT, key + L"\\" + com.subkey, view, nullptr,
                                  value);
    }

    AssertionResult ScheduledEntries() {
        if (options_.schedule == Schedule::kNone) {
            return AssertionSuccess();
        }
        for (size_t row : record_.tasks) {
            const LegacyTaskRow& task = LegacyTasks()[row];
            ZU_RETURN_IF_FAILED(machine_.AddTaskOrRunValue(
                {std::wstring(L"\\") + task.makerFolder + L"\\ZEMI Update", task.name,
                 folder_ + L"\\" + task.program, task.arguments, true},
                options_.schedule, record_.view));
        }
        return machine_.SetString(HKEY_LOCAL_MACHINE, kRunKey, record_.view, record_.name,
                                  L"\"" + folder_ + L"\\ZEMIUpdt.exe\" /tray");
    }

    AssertionResult Shortcuts() {
        if (!options_.shortcuts) {
            return AssertionSuccess();
        }
        const std::wstring link_name = std::wstring(record_.name) + L".lnk";
        const std::wstring client = folder_ + L"\\ZEMIUpdt.exe";
        if (record_.startMenu == StartMenuEntry::kGroup) {
            return machine_.AddShortcut(CommonPrograms() + L"\\" + record_.name + L"\\" + link_name,
                                        client);
        }
        ZU_RETURN_IF_FAILED(machine_.AddShortcut(CommonPrograms() + L"\\" + link_name, client));
        if (record_.startMenu == StartMenuEntry::kShortcutAndDesktop) {
            ZU_RETURN_IF_FAILED(machine_.AddShortcut(PublicDesktop() + L"\\" + link_name, client));
        }
        return AssertionSuccess();
    }

    Machine& machine_;
    const std::wstring standinFolder_;
    const Generation generation_;
    const GenerationRecord& record_;
    const GenerationOptions& options_;
    const std::wstring version_;
    const std::vector<ProgramFolders> places_;
    std::wstring folder_;  // the first program folder: what keys and shortcuts name
};

}  // namespace

const wchar_t* GenerationName(Generation generation) {
    return RecordOf(generation).name;
}

std::wstring ProgramFolder(Generation generation, ProgramFolders place) {
    const std::wstring base =
        place == ProgramFolders::kProgramFiles32 ? ProgramFiles32() : NativeProgramFiles();
    return base + L"\\Koru\\" + GenerationName(generation);
}

std::wstring ProductKey(Generation generation) {
    return kMakerKey + std::wstring(GenerationName(generation));
}

REGSAM ProductKeyView(Generation generation) {
    return RecordOf(generation).view;
}

std::wstring SetupCacheFolder(Generation generation) {
    const wchar_t* code = RecordOf(generation).cacheProductCode;
    return code == nullptr
               ? std::wstring()
               : ProgramFiles32() + L"\\InstallShield Installation Information\\" + code;
}

std::wstring DataFolder() {
    return ProgramData() + L"\\Koru Corporation\\ZEMI Update";
}

std::wstring DefaultStandinFolder() {
    return TestBinDir() + L"\\standins";
}

Machine::Machine(std::wstring standin_folder) : standinFolder_(std::move(standin_folder)) {}

Machine::~Machine() {
    while (!undo_.empty()) {
        undo_.back()();
        undo_.pop_back();
    }
}

AssertionResult Machine::InstallGeneration(Generation generation,
                                           const GenerationOptions& options) {
    return GenerationLayout(this, standinFolder_, generation, options).Run();
}

AssertionResult Machine::AddLegacyTasks(Schedule schedule) {
    const std::vector<LegacyTaskRow>& rows = LegacyTasks();
    for (size_t row = 0; row < rows.size(); ++row) {
        // The first two belong to generation 4, the others to the latest.
        const Generation owner = row < 2 ? Generation::k4 : Generation::kLatest;
        const std::wstring folder = ProgramFolder(owner, ProgramFolders::kNative);
        ZU_RETURN_IF_FAILED(AddTaskOrRunValue(
            {std::wstring(L"\\") + rows[row].makerFolder + L"\\ZEMI Update", rows[row].name,
             folder + L"\\" + rows[row].program, rows[row].arguments, true},
            schedule, k64));
    }
    return AssertionSuccess();
}

AssertionResult Machine::CreateFolder(const std::wstring& path) {
    if (path.size() < 3 || path[1] != L':' || path[2] != L'\\') {
        return AssertionFailure() << "not a drive path: " << Narrow(path);
    }
    bool recorded = false;
    for (size_t end = path.find(L'\\', 3);; end = path.find(L'\\', end + 1)) {
        const std::wstring level = path.substr(0, end);
        if (!FolderExists(level)) {
            if (!::CreateDirectoryW(level.c_str(), nullptr)) {
                return AssertionFailure() << "cannot create " << Narrow(level);
            }
            if (!recorded) {
                undo_.push_back([level] { DeletePath(level); });
                recorded = true;
            }
        }
        if (end == std::wstring::npos) {
            return AssertionSuccess();
        }
    }
}

AssertionResult Machine::WriteFile(const std::wstring& path, const std::string& bytes) {
    ZU_RETURN_IF_FAILED(CreateFolder(ParentOf(path)));
    const std::optional<std::string> before = FileBytes(path);
    if (!WriteFileBytes(path, bytes)) {
        return AssertionFailure() << "cannot write " << Narrow(path);
    }
    if (before) {
        undo_.push_back([path, old = *before] { WriteFileBytes(path, old); });
    } else {
        undo_.push_back([path] { DeletePath(path); });
    }
    return AssertionSuccess();
}

AssertionResult Machine::CopyFile(const std::wstring& source, const std::wstring& target) {
    const std::optional<std::string> bytes = FileBytes(source);
    if (!bytes) {
        return AssertionFailure() << "cannot read " << Narrow(source);
    }
    return WriteFile(target, *bytes);
}

AssertionResult Machine::CreateKey(HKEY root, const std::wstring& key, REGSAM view) {
    for (size_t end = key.find(L'\\');; end = key.find(L'\\', end + 1)) {
        const std::wstring level = key.substr(0, end);
        if (!KeyExists(root, level, view)) {
            HKEY created = nullptr;
            if (::RegCreateKeyExW(root, key.c_str(), 0, nullptr, 0, KEY_WRITE | view, nullptr,
                                  &created, nullptr) != ERROR_SUCCESS) {
                return AssertionFailure() << "cannot create key " << Narrow(key);
            }
            ::RegCloseKey(created);
            undo_.push_back([root, level, view] { DeleteKeyTree(root, level, view); });
            return AssertionSuccess();
        }
        if (end == std::wstring::npos) {
            return AssertionSuccess();
        }
    }
}

AssertionResult Machine::SetString(HKEY root,
                                   const std::wstring& key,
                                   REGSAM view,
                                   const wchar_t* name,
                                   const std::wstring& text,
                                   DWORD type) {
    return SetValue(root, key, view, name, type, text.c_str(),
                    static_cast<DWORD>((text.size() + 1) * sizeof(wchar_t)));
}

AssertionResult Machine::SetDword(HKEY root,
                                  const std::wstring& key,
                                  REGSAM view,
                                  const wchar_t* name,
                                  DWORD value) {
    return SetValue(root, key, view, name, REG_DWORD, &value, sizeof(value));
}

AssertionResult Machine::SetValue(HKEY root,
                                  const std::wstring& key,
                                  REGSAM view,
                                  const wchar_t* name,
                                  DWORD type,
                                  const void* data,
                                  DWORD bytes) {
    ZU_RETURN_IF_FAILED(CreateKey(root, key, view));
    const std::wstring value_name = name == nullptr ? std::wstring() : name;
    undo_.push_back([root, key, view, value_name, before = QueryValue(root, key, view, name)] {
        PutValue(root, key, view, value_name.c_str(), before);
    });
    RegistryValue value;
    value.type = type;
    value.data.assign(static_cast<const BYTE*>(data), static_cast<const BYTE*>(data) + bytes);
    PutValue(root, key, view, name, value);
    if (!QueryValue(root, key, view, name)) {
        return AssertionFailure() << "cannot set " << Narrow(key) << " " << Narrow(value_name);
    }
    return AssertionSuccess();
}

AssertionResult Machine::AddTask(const TaskSpec& task) {
    const bool existed = TaskExists(task.folder, task.name);
    std::vector<std::wstring> created;
    const HRESULT result = RegisterTask(task, &created);
    for (const std::wstring& folder : created) {
        undo_.push_back([folder] { DeleteTaskFolder(folder); });
    }
    if (FAILED(result)) {
        return AssertionFailure() << "cannot register task " << Narrow(task.folder) << "\\"
                                  << Narrow(task.name) << ": 0x" << std::hex << result;
    }
    if (!existed) {
        undo_.push_back([task] { DeleteTask(task.folder, task.name); });
    }
    return AssertionSuccess();
}

AssertionResult Machine::AddShortcut(const std::wstring& link,
                                     const std::wstring& target,
                                     const std::wstring& arguments) {
    // Records the file, then lets the shell write it.
    ZU_RETURN_IF_FAILED(WriteFile(link, std::string()));
    const HRESULT result = CreateShortcut(link, target, arguments);
    if (FAILED(result)) {
        return AssertionFailure() << "cannot save shortcut " << Narrow(link) << ": 0x" << std::hex
                                  << result;
    }
    return AssertionSuccess();
}

AssertionResult Machine::AddTaskOrRunValue(const TaskSpec& task, Schedule schedule, REGSAM view) {
    if (schedule == Schedule::kNone) {
        return AssertionSuccess();
    }
    const bool run_values =
        schedule == Schedule::kRunValues || (schedule == Schedule::kAuto && IsWindowsXp());
    if (!run_values) {
        return AddTask(task);
    }
    return SetString(HKEY_LOCAL_MACHINE, kRunKey, view, task.name.c_str(),
                     L"\"" + task.program + L"\" " + task.arguments);
}

}  // namespace zu::test
