#include "legacy/legacy_registrations.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <iterator>
#include <string>
#include <utility>
#include <vector>

#include "standins/outside_identifiers.h"
#include "legacy/packed_guid.h"
#include "tests/platform/standard_user.h"
#include "tests/support/import_patch.h"
#include "tests/support/machine_fixture.h"
#include "tests/support/machine_paths.h"
#include "tests/support/registry_fixture.h"
#include "tests/support/scheduled_task_fixture.h"

namespace zu {
namespace {

using test::Generation;

constexpr REGSAM k64 = KEY_WOW64_64KEY;
constexpr REGSAM k32 = KEY_WOW64_32KEY;
constexpr wchar_t kMakerKey[] = L"SOFTWARE\\Koru Corporation";
constexpr wchar_t kComponentsKey[] =
    L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Installer\\UserData\\S-1-5-18\\Components\\";
constexpr wchar_t kUninstallKey[] = L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\";
constexpr wchar_t kAppPathsKey[] = L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\App Paths\\";
constexpr wchar_t kRunKey[] = L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Run";
constexpr const wchar_t* kSharedInfoKeys[] = {
    L"SOFTWARE\\Koru Corporation\\Shared Info\\",
    L"SOFTWARE\\Koru Corporation\\Shared Info\\AppDB\\",
    L"SOFTWARE\\Koru Corporation\\Shared Info\\VersionPath\\",
};
constexpr Generation kGenerations[] = {Generation::k2, Generation::k3, Generation::k4,
                                       Generation::k5, Generation::kLatest};
// Another program of the maker, another vendor, another Windows Installer product.
constexpr wchar_t kOtherApp[] = L"Koru Battery Care";
constexpr wchar_t kOtherVendorValue[] = L"Contoso Tray";
constexpr wchar_t kOtherProduct[] = L"{0F1E2D3C-4B5A-4978-8695-A4B3C2D1E0F9}";

std::wstring Packed(const wchar_t* braced) {
    PackedGuid packed = {};
    return PackGuid(braced, &packed) ? packed.text : std::wstring();
}

bool Exists(const std::wstring& key, REGSAM view) {
    return test::KeyExists(HKEY_LOCAL_MACHINE, key, view);
}

// On 32-bit Windows the two views are the same key.
bool InBothViews(const std::wstring& key) {
    return Exists(key, k64) && Exists(key, k32);
}
bool InNeitherView(const std::wstring& key) {
    return !Exists(key, k64) && !Exists(key, k32);
}

bool RunValueExists(const wchar_t* name, REGSAM view) {
    return test::ValueExists(HKEY_LOCAL_MACHINE, kRunKey, view, name);
}

test::GenerationOptions KeysOnly(test::Schedule schedule = test::Schedule::kNone) {
    test::GenerationOptions options;
    options.programs = false;
    options.setupCache = false;
    options.schedule = schedule;
    options.shortcuts = false;
    options.eulaFile = false;
    return options;
}

// Every test lays out what it needs through the machine, which puts
// everything back afterwards; it starts without the maker's keys.
class LegacyRegistrationsTest : public testing::Test {
  protected:
    void SetUp() override {
        if (test::IsWindowsXp() != OnWindowsXp()) {
            GTEST_SKIP() << "for another Windows";
        }
        for (REGSAM view : {k64, k32}) {
            test::DeleteKeyTree(HKEY_LOCAL_MACHINE, kMakerKey, view);
        }
        test::DeleteKeyTree(HKEY_CURRENT_USER, L"Software\\Koru Corporation", k64);
    }
    virtual bool OnWindowsXp() const { return false; }

    void InstallAll(test::Schedule schedule = test::Schedule::kNone) {
        for (Generation generation : kGenerations) {
            ASSERT_TRUE(machine_.InstallGeneration(generation, KeysOnly(schedule)));
        }
    }

    testing::AssertionResult AddKey(const std::wstring& key, REGSAM view) {
        return machine_.SetString(HKEY_LOCAL_MACHINE, key, view, L"Owner", L"someone else");
    }

    testing::AssertionResult AddInBothViews(const std::wstring& key) {
        testing::AssertionResult added = AddKey(key, k64);
        return added ? AddKey(key, k32) : added;
    }

    // An edition's component keys and product entries, as Windows Installer
    // writes them, in the 64-bit view.
    testing::AssertionResult AddEdition(const std::vector<const wchar_t*>& components,
                                        const std::vector<const wchar_t*>& products) {
        for (const wchar_t* component : components) {
            if (!AddKey(kComponentsKey + Packed(component), k64)) {
                return testing::AssertionFailure() << "component";
            }
        }
        for (const wchar_t* product : products) {
            if (!AddKey(kUninstallKey + Packed(product), k64) ||
                !AddKey(kUninstallKey + std::wstring(product), k64)) {
                return testing::AssertionFailure() << "product";
            }
        }
        return testing::AssertionSuccess();
    }

    test::Machine machine_;
};

const std::vector<const wchar_t*> kComponents64(std::begin(outside::kComponentCodes64),
                                                std::end(outside::kComponentCodes64));
const std::vector<const wchar_t*> kComponents32(std::begin(outside::kComponentCodes32),
                                                std::end(outside::kComponentCodes32));
const std::vector<const wchar_t*> kProducts64(std::begin(outside::kProductCodes64),
                                              std::end(outside::kProductCodes64));
const std::vector<const wchar_t*> kProducts32(std::begin(outside::kProductCodes32),
                                              std::end(outside::kProductCodes32));

TEST_F(LegacyRegistrationsTest, InstallerRegistrations_MachineEditionGoneOnlyIn64BitView) {
    InstallAll();
    const bool edition64 = test::RegistryViewsAreSeparate();
    const auto& components = edition64 ? kComponents64 : kComponents32;
    const auto& products = edition64 ? kProducts64 : kProducts32;
    // The other edition, another product, and the same product entries in the
    // 32-bit view: none of them is this step's.
    ASSERT_TRUE(AddEdition(edition64 ? kComponents32 : kComponents64,
                           edition64 ? kProducts32 : kProducts64));
    ASSERT_TRUE(AddEdition({kOtherProduct}, {kOtherProduct}));
    if (edition64) {
        ASSERT_TRUE(AddKey(kUninstallKey + std::wstring(products[3]), k32));
    }
    // Component keys are deleted one level only.
    const std::wstring nested = kComponentsKey + Packed(components.back());
    ASSERT_TRUE(AddKey(nested + L"\\Features", k64));

    RemoveLegacyInstallerRegistrations();

    for (const wchar_t* component : components) {
        const std::wstring key = kComponentsKey + Packed(component);
        EXPECT_EQ(Exists(key, k64), key == nested) << component;
    }
    for (const wchar_t* product : products) {
        EXPECT_FALSE(Exists(kUninstallKey + Packed(product), k64)) << product;
        EXPECT_FALSE(Exists(kUninstallKey + std::wstring(product), k64)) << product;
    }
    for (const wchar_t* code : edition64 ? kComponents32 : kComponents64) {
        EXPECT_TRUE(Exists(kComponentsKey + Packed(code), k64)) << code;
    }
    for (const wchar_t* code : edition64 ? kProducts32 : kProducts64) {
        EXPECT_TRUE(Exists(kUninstallKey + Packed(code), k64)) << code;
        EXPECT_TRUE(Exists(kUninstallKey + std::wstring(code), k64)) << code;
    }
    EXPECT_TRUE(Exists(kComponentsKey + Packed(kOtherProduct), k64));
    EXPECT_TRUE(Exists(kUninstallKey + Packed(kOtherProduct), k64));
    EXPECT_TRUE(Exists(kUninstallKey + std::wstring(kOtherProduct), k64));
    EXPECT_EQ(Exists(kUninstallKey + std::wstring(products[3]), k32), edition64);
    EXPECT_TRUE(Exists(kUninstallKey + std::wstring(outside::kUninstallCodes[6]), k64));
}

// GetNativeSystemInfo as on an ARM64 machine.
void WINAPI NativeSystemInfoArm64(SYSTEM_INFO* info) {
    *info = SYSTEM_INFO();
    info->wProcessorArchitecture = 12;
}

TEST_F(LegacyRegistrationsTest, InstallerRegistrations_NeitherX86NorX64_32BitEditionGone) {
    ASSERT_TRUE(AddEdition(kComponents64, kProducts64));
    ASSERT_TRUE(AddEdition(kComponents32, kProducts32));
    {
        test::ScopedImportPatch arm64("kernel32.dll", "GetNativeSystemInfo",
                                      reinterpret_cast<void*>(&NativeSystemInfoArm64));
        ASSERT_TRUE(arm64.active());
        RemoveLegacyInstallerRegistrations();
    }
    EXPECT_FALSE(Exists(kComponentsKey + Packed(outside::kComponentCodes32[10]), k64));
    EXPECT_FALSE(Exists(kUninstallKey + Packed(outside::kProductCodes32[0]), k64));
    EXPECT_TRUE(Exists(kComponentsKey + Packed(outside::kComponentCodes64[14]), k64));
    EXPECT_TRUE(Exists(kUninstallKey + Packed(outside::kProductCodes64[0]), k64));
}

TEST_F(LegacyRegistrationsTest, AppPath_GoneWithItsSubkeysInBothViews) {
    ASSERT_TRUE(machine_.InstallGeneration(Generation::k5, KeysOnly()));
    ASSERT_TRUE(machine_.InstallGeneration(Generation::k3, KeysOnly()));
    ASSERT_TRUE(AddKey(kAppPathsKey + std::wstring(L"ZEMIUpdt.exe\\SupportedProtocols"), k64));
    ASSERT_TRUE(AddInBothViews(kAppPathsKey + std::wstring(L"ContosoTray.exe")));

    RemoveLegacyAppPath();

    EXPECT_TRUE(InNeitherView(kAppPathsKey + std::wstring(L"ZEMIUpdt.exe")));
    EXPECT_TRUE(InBothViews(kAppPathsKey + std::wstring(L"ContosoTray.exe")));
}

TEST_F(LegacyRegistrationsTest, ProductKeys_EachGoneInItsViewMakerAndSharedInfoKeysStay) {
    InstallAll();
    const std::wstring scratch = kMakerKey + std::wstring(L"\\ZEMI Update Installer");
    ASSERT_TRUE(AddKey(scratch, k64));
    ASSERT_TRUE(AddInBothViews(kMakerKey + (L"\\" + std::wstring(kOtherApp))));
    for (const wchar_t* parent : kSharedInfoKeys) {
        ASSERT_TRUE(AddInBothViews(parent + std::wstring(kOtherApp)));
    }
    // Shared-information children are deleted one level only.
    const std::wstring nested = kSharedInfoKeys[0] + std::wstring(L"ZEMI Update 5");
    ASSERT_TRUE(AddKey(nested + L"\\Modules", k64));

    RemoveLegacyProductKeys();

    for (Generation generation : kGenerations) {
        const REGSAM view = test::ProductKeyView(generation);
        const wchar_t* name = test::GenerationName(generation);
        EXPECT_FALSE(Exists(test::ProductKey(generation), view)) << name;
        for (const wchar_t* parent : kSharedInfoKeys) {
            const std::wstring child = parent + std::wstring(name);
            EXPECT_EQ(Exists(child, view), child == nested) << parent << name;
        }
    }
    EXPECT_TRUE(Exists(scratch, k64));
    EXPECT_TRUE(InBothViews(kMakerKey + (L"\\" + std::wstring(kOtherApp))));
    for (const wchar_t* parent : kSharedInfoKeys) {
        EXPECT_TRUE(InBothViews(parent + std::wstring(kOtherApp))) << parent;
    }
}

TEST_F(LegacyRegistrationsTest, ProductKeys_NamesInTheOtherView_Stay) {
    if (!test::RegistryViewsAreSeparate()) {
        GTEST_SKIP() << "one registry view on 32-bit Windows";
    }
    const std::pair<const wchar_t*, REGSAM> elsewhere[] = {{L"ZEMI Update 3", k64},
                                                           {L"ZEMI Update 4", k32}};
    for (const auto& [name, view] : elsewhere) {
        ASSERT_TRUE(AddKey(kMakerKey + (L"\\" + std::wstring(name)), view));
        ASSERT_TRUE(AddKey(kSharedInfoKeys[1] + std::wstring(name), view));
    }

    RemoveLegacyProductKeys();

    for (const auto& [name, view] : elsewhere) {
        EXPECT_TRUE(Exists(kMakerKey + (L"\\" + std::wstring(name)), view)) << name;
        EXPECT_TRUE(Exists(kSharedInfoKeys[1] + std::wstring(name), view)) << name;
    }
}

// The six tasks that the generations leave (4: the two below "KORU"; 5 and
// the latest: the four below "Koru Corporation").
struct TaskPlace {
    const wchar_t* folder;
    const wchar_t* name;
};
constexpr TaskPlace kLegacyTasks[] = {
    {L"\\KORU\\ZEMI Update", L"ZU4 Patch assistant"},
    {L"\\KORU\\ZEMI Update", L"ZEMI Update"},
    {L"\\Koru Corporation\\ZEMI Update", L"ZEMI Update Self Repair"},
    {L"\\Koru Corporation\\ZEMI Update", L"Installer Task"},
    {L"\\Koru Corporation\\ZEMI Update", L"ZEMI Update Self Ultimate Repair"},
    {L"\\Koru Corporation\\ZEMI Update", L"ZEMI Update"},
};
constexpr const wchar_t* kGenerationRunValues[] = {
    L"ZEMI Update", L"ZEMI Update 2", L"ZEMI Update 3", L"ZEMI Update 4", L"ZEMI Update 5",
};
const test::TaskSpec kGuardTask = {L"\\Koru Corporation\\ZEMI Update Self Repair",
                                   L"ZEMI Update Self Repair Guard", L"C:\\ZUSR.exe", L"/Guard"};
const test::TaskSpec kOtherVendorTask = {L"\\Contoso", L"Contoso Updater", L"C:\\Contoso.exe", L""};

class LegacyTasksAndRunEntriesTest : public LegacyRegistrationsTest {
  protected:
    // The generations with their tasks, every generation's Run value in both
    // views, and the neighbours that must stay.
    void LayOut(test::Schedule schedule) {
        InstallAll(schedule);
        for (const wchar_t* name : kGenerationRunValues) {
            for (REGSAM view : {k64, k32}) {
                ASSERT_TRUE(machine_.SetString(HKEY_LOCAL_MACHINE, kRunKey, view, name, L"x"));
            }
        }
        for (REGSAM view : {k64, k32}) {
            ASSERT_TRUE(machine_.SetString(HKEY_LOCAL_MACHINE, kRunKey, view, kOtherVendorValue,
                                           L"C:\\Contoso.exe"));
        }
        ASSERT_TRUE(machine_.AddTask(kGuardTask));
        ASSERT_TRUE(machine_.AddTask(kOtherVendorTask));
    }

    void ExpectGenerationRunValuesGoneNeighboursKept() {
        for (REGSAM view : {k64, k32}) {
            for (const wchar_t* name : kGenerationRunValues) {
                EXPECT_FALSE(RunValueExists(name, view)) << name;
            }
            EXPECT_TRUE(RunValueExists(kOtherVendorValue, view));
        }
        EXPECT_TRUE(test::TaskExists(kGuardTask.folder, kGuardTask.name));
        EXPECT_TRUE(test::TaskExists(kOtherVendorTask.folder, kOtherVendorTask.name));
    }
};

TEST_F(LegacyTasksAndRunEntriesTest, Administrator_TasksFoldersAndRunValuesGone) {
    LayOut(test::Schedule::kTaskScheduler);
    // On Vista and later a Run value named after a task is not the task's.
    ASSERT_TRUE(machine_.SetString(HKEY_LOCAL_MACHINE, kRunKey, k64, L"Installer Task", L"x"));

    RemoveLegacyTasksAndRunEntries();

    for (const TaskPlace& task : kLegacyTasks) {
        EXPECT_FALSE(test::TaskExists(task.folder, task.name)) << task.folder << task.name;
    }
    EXPECT_FALSE(test::TaskFolderExists(L"\\KORU\\ZEMI Update"));
    EXPECT_FALSE(test::TaskFolderExists(L"\\Koru Corporation\\ZEMI Update"));
    EXPECT_TRUE(test::TaskFolderExists(L"\\KORU"));
    EXPECT_TRUE(RunValueExists(L"Installer Task", k64));
    ExpectGenerationRunValuesGoneNeighboursKept();
}

TEST_F(LegacyTasksAndRunEntriesTest, StandardUser_TasksStayGenerationRunValuesGone) {
    LayOut(test::Schedule::kTaskScheduler);
    {
        test::ScopedStandardUser user;
        ASSERT_TRUE(user.active());
        RemoveLegacyTasksAndRunEntries();
    }
    for (const TaskPlace& task : kLegacyTasks) {
        EXPECT_TRUE(test::TaskExists(task.folder, task.name)) << task.folder << task.name;
    }
    ExpectGenerationRunValuesGoneNeighboursKept();
}

// Windows XP: the tasks are Run values named after them (in the one registry
// of 32-bit XP), and the Task Scheduler 2.0 that Wine offers is not asked.
class LegacyTasksAndRunEntriesXpTest : public LegacyTasksAndRunEntriesTest {
  protected:
    bool OnWindowsXp() const override { return true; }

    void LayOutXp() {
        LayOut(test::Schedule::kRunValues);
        ASSERT_TRUE(machine_.AddTask({kLegacyTasks[3].folder, kLegacyTasks[3].name,
                                      L"C:\\ZEMIUpdt.exe", L"/InstallerTask"}));
    }
};

TEST_F(LegacyTasksAndRunEntriesXpTest, Administrator_TaskRunValuesGoneTasksUntouched) {
    LayOutXp();

    RemoveLegacyTasksAndRunEntries();

    for (const TaskPlace& task : kLegacyTasks) {
        EXPECT_FALSE(RunValueExists(task.name, 0)) << task.name;
    }
    EXPECT_TRUE(test::TaskExists(kLegacyTasks[3].folder, kLegacyTasks[3].name));
    ExpectGenerationRunValuesGoneNeighboursKept();
}

TEST_F(LegacyTasksAndRunEntriesXpTest, StandardUser_TaskRunValuesStay) {
    LayOutXp();
    {
        test::ScopedStandardUser user;
        ASSERT_TRUE(user.active());
        RemoveLegacyTasksAndRunEntries();
    }
    for (const TaskPlace& task : kLegacyTasks) {
        // "ZEMI Update" is also the latest generation's own Run value.
        EXPECT_EQ(RunValueExists(task.name, 0), std::wstring(task.name) != L"ZEMI Update")
            << task.name;
    }
    ExpectGenerationRunValuesGoneNeighboursKept();
}

TEST_F(LegacyRegistrationsTest, UninstallEntries_AllSevenGoneInBothViewsOthersStay) {
    for (Generation generation : {Generation::k2, Generation::k3, Generation::k4}) {
        ASSERT_TRUE(machine_.InstallGeneration(generation, KeysOnly()));
    }
    for (const wchar_t* code : outside::kUninstallCodes) {
        ASSERT_TRUE(AddInBothViews(kUninstallKey + std::wstring(code) + L"\\Languages"));
    }
    // Differs from the last code in its last digit only.
    const std::wstring near_twin =
        kUninstallKey + std::wstring(L"{75F6BE76-700D-4825-9DFD-D042D2CAB971}");
    ASSERT_TRUE(AddInBothViews(near_twin));
    ASSERT_TRUE(AddInBothViews(kUninstallKey + std::wstring(kOtherProduct)));
    ASSERT_TRUE(AddInBothViews(kUninstallKey + std::wstring(outside::kUninstallEntryCode)));
    ASSERT_TRUE(AddInBothViews(kUninstallKey + std::wstring(outside::kProductCodeGen4)));

    RemoveLegacyUninstallEntries();

    for (const wchar_t* code : outside::kUninstallCodes) {
        EXPECT_TRUE(InNeitherView(kUninstallKey + std::wstring(code))) << code;
    }
    EXPECT_TRUE(InBothViews(near_twin));
    EXPECT_TRUE(InBothViews(kUninstallKey + std::wstring(kOtherProduct)));
    EXPECT_TRUE(InBothViews(kUninstallKey + std::wstring(outside::kUninstallEntryCode)));
    EXPECT_TRUE(InBothViews(kUninstallKey + std::wstring(outside::kProductCodeGen4)));
    const bool edition64 = test::RegistryViewsAreSeparate();
    const wchar_t* product = (edition64 ? outside::kProductCodes64 : outside::kProductCodes32)[2];
    EXPECT_TRUE(Exists(kUninstallKey + std::wstring(product), k64));
}

TEST_F(LegacyRegistrationsTest, UserKeys_AllGoneWithSubtreesOthersStay) {
    InstallAll();
    const std::wstring user_maker_key = L"Software\\Koru Corporation";
    const std::wstring other = user_maker_key + L"\\" + kOtherApp;
    ASSERT_TRUE(machine_.SetString(HKEY_CURRENT_USER, other, k64, L"Owner", L"someone else"));

    RemoveLegacyUserKeys();

    for (Generation generation : kGenerations) {
        const std::wstring key = user_maker_key + L"\\" + test::GenerationName(generation);
        EXPECT_FALSE(test::KeyExists(HKEY_CURRENT_USER, key, k64)) << key;
        EXPECT_TRUE(Exists(test::ProductKey(generation), test::ProductKeyView(generation)));
    }
    EXPECT_TRUE(test::KeyExists(HKEY_CURRENT_USER, other, k64));
}

}  // namespace
}  // namespace zu
