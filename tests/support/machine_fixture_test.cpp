#include "tests/support/machine_fixture.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cwctype>
#include <set>
#include <string>

#include "standins/outside_identifiers.h"
#include "legacy/packed_guid.h"
#include "tests/support/file_fixture.h"
#include "tests/support/machine_paths.h"
#include "tests/support/registry_fixture.h"
#include "tests/support/registry_value_fixture.h"
#include "tests/support/scheduled_task_fixture.h"
#include "tests/support/shortcut_fixture.h"

namespace zu::test {
namespace {

constexpr REGSAM k64 = KEY_WOW64_64KEY;
constexpr REGSAM k32 = KEY_WOW64_32KEY;
constexpr wchar_t kRunKey[] = L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Run";
constexpr wchar_t kUninstallKey[] = L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\";
constexpr wchar_t kNewTasks[] = L"\\Koru Corporation\\ZEMI Update";

std::wstring Lower(std::wstring text) {
    std::transform(text.begin(), text.end(), text.begin(),
                   [](wchar_t c) { return static_cast<wchar_t>(std::towlower(c)); });
    return text;
}

bool Contains(const std::optional<std::string>& bytes, const std::string& part) {
    return bytes && bytes->find(part) != std::string::npos;
}

// The packed form of a braced code, as Windows Installer names its keys.
std::wstring Packed(const wchar_t* braced) {
    PackedGuid packed = {};
    return PackGuid(braced, &packed) ? packed.text : std::wstring();
}

TEST(LegacyIdentifiers, Codes_AreWellFormedAndNoComponentIsInBothEditions) {
    std::set<std::wstring> components;
    for (const wchar_t* code : outside::kComponentCodes64) {
        components.insert(code);
    }
    for (const wchar_t* code : outside::kComponentCodes32) {
        components.insert(code);
    }
    EXPECT_EQ(components.size(), 26u);
    for (const std::wstring& code : components) {
        EXPECT_TRUE(IsBracedGuid(code.c_str())) << code.c_str();
    }
    for (size_t i = 0; i < 5; ++i) {
        EXPECT_TRUE(IsBracedGuid(outside::kProductCodes64[i])) << i;
        EXPECT_TRUE(IsBracedGuid(outside::kProductCodes32[i])) << i;
    }
    int near_twins = 0;
    for (const wchar_t* a : outside::kUninstallCodes) {
        EXPECT_TRUE(IsBracedGuid(a)) << a;
        for (const wchar_t* b : outside::kUninstallCodes) {
            const std::wstring x = a, y = b;
            near_twins += x != y && x.substr(0, 36) == y.substr(0, 36) ? 1 : 0;
        }
    }
    EXPECT_EQ(near_twins, 2) << "one pair differs only in its last digit";
}

std::wstring Gen5Folder() {
    return ProgramFolder(Generation::k5, ProgramFolders::kNative);
}

TEST(Machine, InstallGeneration_Gen571AndLatest_LaysOutFilesKeysTasksAndShortcuts) {
    Machine machine;
    ASSERT_TRUE(machine.InstallGeneration(
        Generation::k5_7_1, {.version = L"5.7.1.3", .dataFiles = true, .region = L"EU"}));
    ASSERT_TRUE(machine.InstallGeneration(Generation::kLatest, {.region = L"jp"}));

    EXPECT_EQ(FileBytes(Gen5Folder() + L"\\Version.txt"), "5.7.1.3\r\n");
    EXPECT_TRUE(Contains(FileBytes(Gen5Folder() + L"\\ZU.ini"), "/EU/"));
    EXPECT_TRUE(Contains(FileBytes(DataFolder() + L"\\ZU.ini"), "/jp/"));
    EXPECT_TRUE(FileExists(Gen5Folder() + L"\\EULA\\ENG\\ZU5EULA.rtf"));
    EXPECT_TRUE(FileExists(DataFolder() + L"\\UpdateInfo.xml"));
    EXPECT_TRUE(FileExists(DataFolder() + L"\\AppList.XML"));
    EXPECT_TRUE(FileExists(DataFolder() + L"\\ZEMI Update Self Repair\\Backup\\RepairList.dat"));

    const std::wstring cache = SetupCacheFolder(Generation::k5_7_1);
    EXPECT_EQ(Lower(cache), Lower(ProgramFiles32() + L"\\InstallShield Installation Information\\" +
                                  outside::kProductCodeGen5));
    EXPECT_EQ(FileBytes(cache + L"\\setup.exe"),
              FileBytes(DefaultStandinFolder() + L"\\LegacySetup.exe"));
    EXPECT_TRUE(Contains(FileBytes(cache + L"\\setup.inx"), "ZEMI Update 5 5.7.1.3"));
    EXPECT_TRUE(FileExists(SetupCacheFolder(Generation::kLatest) + L"\\setup.exe"));
    EXPECT_TRUE(KeyExists(HKEY_LOCAL_MACHINE,
                          kUninstallKey + std::wstring(outside::kProductCodeGen5), k32));

    EXPECT_EQ(
        DwordValue(HKEY_LOCAL_MACHINE, ProductKey(Generation::k5) + L"\\EULA", k64, L"EULAAgreed"),
        1u);
    EXPECT_EQ(StringValue(HKEY_LOCAL_MACHINE, ProductKey(Generation::kLatest), k64, L"Version"),
              L"6.2.0.0");
    EXPECT_EQ(KeyExists(HKEY_LOCAL_MACHINE, ProductKey(Generation::k5), k32),
              !RegistryViewsAreSeparate());
    EXPECT_TRUE(KeyExists(HKEY_CLASSES_ROOT, L"CLSID\\" + std::wstring(outside::kClassIdA), k32));
    EXPECT_EQ(KeyExists(HKEY_CLASSES_ROOT, L"CLSID\\" + std::wstring(outside::kClassIdB), k32),
              !RegistryViewsAreSeparate());

    EXPECT_EQ(IsTaskEnabled(kNewTasks, L"ZEMI Update Self Repair"), true);
    EXPECT_TRUE(TaskExists(kNewTasks, L"Installer Task"));
    EXPECT_TRUE(ValueExists(HKEY_LOCAL_MACHINE, kRunKey, k64, L"ZEMI Update 5"));

    EXPECT_EQ(Lower(ShortcutTarget(CommonPrograms() + L"\\ZEMI Update 5.lnk")),
              Lower(Gen5Folder() + L"\\ZEMIUpdt.exe"));
    EXPECT_TRUE(FileExists(PublicDesktop() + L"\\ZEMI Update.lnk"));
}

TEST(Machine, InstallGeneration_OlderGenerations_UseTheirFoldersViewsAndTasks) {
    Machine machine;
    EXPECT_FALSE(machine.InstallGeneration(Generation::k2, {.region = L"EU"}));
    EXPECT_FALSE(machine.InstallGeneration(Generation::k5, {.folders = ProgramFolders::kBoth}));
    ASSERT_TRUE(machine.InstallGeneration(Generation::k3));
    ASSERT_TRUE(machine.InstallGeneration(Generation::k4, {.folders = ProgramFolders::kBoth}));

    EXPECT_TRUE(FileExists(ProgramFolder(Generation::k3, ProgramFolders::kProgramFiles32) +
                           L"\\DARiziz.exe"));
    EXPECT_EQ(FolderExists(ProgramFolder(Generation::k3, ProgramFolders::kNative)),
              !RegistryViewsAreSeparate());
    for (ProgramFolders place : {ProgramFolders::kNative, ProgramFolders::kProgramFiles32}) {
        EXPECT_EQ(FileBytes(ProgramFolder(Generation::k4, place) + L"\\Version.txt"),
                  "4.3.0.2\r\n");
    }
    EXPECT_TRUE(KeyExists(HKEY_LOCAL_MACHINE, ProductKey(Generation::k3), k32));
    EXPECT_EQ(KeyExists(HKEY_LOCAL_MACHINE, ProductKey(Generation::k3), k64),
              !RegistryViewsAreSeparate());
    EXPECT_TRUE(TaskExists(L"\\KORU\\ZEMI Update", L"ZU4 Patch assistant"));
    EXPECT_TRUE(FileExists(CommonPrograms() + L"\\ZEMI Update 4\\ZEMI Update 4.lnk"));
    EXPECT_TRUE(KeyExists(HKEY_LOCAL_MACHINE,
                          kUninstallKey + std::wstring(outside::kUninstallCodes[6]), k64));
}

TEST(Machine, InstallGeneration_RunValues_TakeThePlaceOfTasks) {
    Machine machine;
    ASSERT_TRUE(machine.InstallGeneration(Generation::kLatest, {.schedule = Schedule::kRunValues}));
    EXPECT_FALSE(TaskFolderExists(kNewTasks));
    EXPECT_EQ(StringValue(HKEY_LOCAL_MACHINE, kRunKey, k64, L"ZEMI Update Self Ultimate Repair"),
              L"\"" + ProgramFolder(Generation::kLatest, ProgramFolders::kNative) +
                  L"\\ZUSR.exe\" /Ultimate");
}

// What the destructor must put back: the files of the folders the machine
// writes into, and the keys, values and tasks it adds.
struct Snapshot {
    std::vector<FileTree> files;
    std::vector<bool> keys;
    std::optional<std::wstring> runValue;
    bool taskFolders = false;
};

const std::vector<std::wstring>& SnapshotFolders() {
    static const std::vector<std::wstring> folders = {NativeProgramFiles(), ProgramFiles32(),
                                                      ProgramData(), PublicDesktop()};
    return folders;
}

Snapshot TakeSnapshot() {
    Snapshot snapshot;
    for (const std::wstring& folder : SnapshotFolders()) {
        snapshot.files.push_back(FilesUnder(folder));
    }
    const std::pair<HKEY, std::wstring> keys[] = {
        {HKEY_LOCAL_MACHINE, L"SOFTWARE\\Koru Corporation"},
        {HKEY_LOCAL_MACHINE, kUninstallKey + std::wstring(outside::kProductCodeGen5)},
        {HKEY_LOCAL_MACHINE, kUninstallKey + Packed(outside::kProductCodes64[4])},
        {HKEY_LOCAL_MACHINE,
         L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\App Paths\\ZEMIUpdt.exe"},
        {HKEY_CURRENT_USER, L"Software\\Koru Corporation"},
        {HKEY_CLASSES_ROOT, L"CLSID\\" + std::wstring(outside::kClassIdA)},
        {HKEY_CLASSES_ROOT, L"DARiziz.ZEMICareObject"},
    };
    for (const auto& [root, key] : keys) {
        for (REGSAM view : {k64, k32}) {
            snapshot.keys.push_back(KeyExists(root, key, view));
        }
    }
    snapshot.runValue = StringValue(HKEY_LOCAL_MACHINE, kRunKey, k64, L"ZEMI Update");
    snapshot.taskFolders = TaskFolderExists(L"\\Koru Corporation") || TaskFolderExists(L"\\KORU");
    return snapshot;
}

void ExpectSameMachine(const Snapshot& before, const Snapshot& after) {
    for (size_t i = 0; i < SnapshotFolders().size(); ++i) {
        EXPECT_EQ(TreeDifferences(before.files[i], after.files[i]), std::vector<std::wstring>())
            << "below " << testing::PrintToString(SnapshotFolders()[i]);
    }
    EXPECT_EQ(before.keys, after.keys);
    EXPECT_EQ(before.runValue, after.runValue);
    EXPECT_EQ(before.taskFolders, after.taskFolders);
}

TEST(Machine, Destructor_AfterGenerations_LeavesTheMachineAsFound) {
    // Things that were there before and that the generations overwrite.
    const std::wstring shortcut = CommonPrograms() + L"\\ZEMI Update.lnk";
    ASSERT_TRUE(WriteFileBytes(shortcut, "not a shortcut"));
    SetStringValue(HKEY_LOCAL_MACHINE, kRunKey, k64, L"ZEMI Update", L"before");
    const Snapshot before = TakeSnapshot();
    {
        Machine machine;
        ASSERT_TRUE(machine.InstallGeneration(Generation::k5, {.dataFiles = true}));
        ASSERT_TRUE(machine.InstallGeneration(Generation::kLatest, {.dataFiles = true}));
        ASSERT_TRUE(machine.InstallGeneration(Generation::k4, {.folders = ProgramFolders::kBoth}));
        ASSERT_TRUE(machine.AddLegacyTasks());
        // What the code under test adds inside what the machine created goes too.
        ASSERT_TRUE(WriteFileBytes(Gen5Folder() + L"\\added.txt", "x"));
        const Snapshot during = TakeSnapshot();
        ASSERT_NE(during.keys, before.keys);
        ASSERT_NE(during.runValue, before.runValue);
    }
    ExpectSameMachine(before, TakeSnapshot());
    EXPECT_EQ(FileBytes(shortcut), "not a shortcut");
    DeletePath(shortcut);
    PutValue(HKEY_LOCAL_MACHINE, kRunKey, k64, L"ZEMI Update", std::nullopt);
}

}  // namespace
}  // namespace zu::test
