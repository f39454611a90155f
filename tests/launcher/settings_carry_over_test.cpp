#include "launcher/settings_carry_over.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "standins/outside_identifiers.h"
#include "launcher/run_state.h"
#include "tests/support/machine_fixture.h"
#include "tests/support/machine_paths.h"
#include "tests/support/registry_fixture.h"
#include "tests/support/registry_value_fixture.h"

namespace zu {
namespace {

constexpr wchar_t kMakerKey[] = L"SOFTWARE\\Koru Corporation";
constexpr wchar_t kCurrentKey[] = L"SOFTWARE\\Koru Corporation\\ZEMI Update";
constexpr wchar_t kCurrentTasks[] = L"SOFTWARE\\Koru Corporation\\ZEMI Update\\TaskManager";
constexpr wchar_t kGeneration5Key[] = L"SOFTWARE\\Koru Corporation\\ZEMI Update 5";
constexpr wchar_t kGeneration5Tasks[] = L"SOFTWARE\\Koru Corporation\\ZEMI Update 5\\TaskManager";
constexpr wchar_t kScratchKey[] = L"SOFTWARE\\Koru Corporation\\ZEMI Update Installer";
constexpr wchar_t kUninstallKey[] = L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall";

using test::RegistryValue;

RegistryValue Text(const std::wstring& text) {
    const BYTE* first = reinterpret_cast<const BYTE*>(text.c_str());
    return {REG_SZ, std::vector<BYTE>(first, first + (text.size() + 1) * sizeof(wchar_t))};
}

RegistryValue Number(DWORD number) {
    const BYTE* first = reinterpret_cast<const BYTE*>(&number);
    return {REG_DWORD, std::vector<BYTE>(first, first + sizeof(number))};
}

// The value in the 64-bit view has exactly the expected type and bytes.
void ExpectValue(const RegistryValue& expected, const std::wstring& key, const wchar_t* name) {
    const auto value = test::QueryValue(HKEY_LOCAL_MACHINE, key, KEY_WOW64_64KEY, name);
    ASSERT_TRUE(value.has_value()) << "missing value";
    EXPECT_EQ(expected.type, value->type);
    EXPECT_EQ(expected.data, value->data);
}

// Only the task-manager settings of a generation, with its product key.
test::GenerationOptions TaskManagerOnly(const test::TaskManagerSettings& settings) {
    test::GenerationOptions options;
    options.programs = false;
    options.setupCache = false;
    options.schedule = test::Schedule::kNone;
    options.shortcuts = false;
    options.registrations = false;
    options.eulaAgreed = std::nullopt;
    options.eulaFile = false;
    options.taskManager = settings;
    return options;
}

// Each test starts without the maker's keys and the legacy uninstall entry in
// either view, and leaves none.
class SettingsCarryOverTest : public testing::Test {
  protected:
    void SetUp() override { Clean(); }
    void TearDown() override { Clean(); }

    static void Clean() {
        for (REGSAM view : {KEY_WOW64_64KEY, KEY_WOW64_32KEY}) {
            test::DeleteKeyTree(HKEY_LOCAL_MACHINE, kMakerKey, view);
            test::DeleteKeyTree(HKEY_LOCAL_MACHINE, LegacyEntry(), view);
            test::DeleteKeyTree(HKEY_LOCAL_MACHINE, OtherEntry(), view);
        }
    }

    static std::wstring LegacyEntry() {
        return std::wstring(kUninstallKey) + L"\\" + outside::kUninstallEntryCode;
    }
    static std::wstring OtherEntry() { return std::wstring(kUninstallKey) + L"\\ZUTestOther"; }

    // The uninstall removes the earlier product keys; the new setup writes
    // fresh task-manager settings of its own.
    static void ReplaceProduct() {
        test::DeleteKeyTree(HKEY_LOCAL_MACHINE, kCurrentKey, KEY_WOW64_64KEY);
        test::DeleteKeyTree(HKEY_LOCAL_MACHINE, kGeneration5Key, KEY_WOW64_64KEY);
        test::SetStringValue(HKEY_LOCAL_MACHINE, kCurrentTasks, KEY_WOW64_64KEY, L"Task",
                             L"from the setup");
        test::SetDwordValue(HKEY_LOCAL_MACHINE, kCurrentTasks, KEY_WOW64_64KEY, L"SelfUpdate", 9);
        test::SetDwordValue(HKEY_LOCAL_MACHINE, kCurrentTasks, KEY_WOW64_64KEY, L"UpdateType", 9);
    }

    static void CarryOver() {
        StashTaskManagerSettings();
        ReplaceProduct();
        RestoreTaskManagerSettings();
    }

    static void ExpectClientSettings(const std::wstring& task,
                                     DWORD self_update,
                                     DWORD update_type) {
        ExpectValue(Text(task), kCurrentTasks, L"Task");
        ExpectValue(Number(self_update), kCurrentTasks, L"SelfUpdate");
        ExpectValue(Number(update_type), kCurrentTasks, L"UpdateType");
    }
};

TEST_F(SettingsCarryOverTest, NoEarlierKeys_ClientGetsEmptyTaskAndZeros) {
    CarryOver();
    ExpectClientSettings(L"", 0, 0);
}

TEST_F(SettingsCarryOverTest, Generation5AndLatest_LatestSettingsWin) {
    test::Machine machine;
    ASSERT_TRUE(
        machine.InstallGeneration(test::Generation::k5, TaskManagerOnly({L"Weekly", 1, 2})));
    ASSERT_TRUE(
        machine.InstallGeneration(test::Generation::kLatest, TaskManagerOnly({L"Monthly", 0, 3})));
    CarryOver();
    ExpectClientSettings(L"Monthly", 0, 3);
}

TEST_F(SettingsCarryOverTest, Generation5Only_ItsSettingsAreCarried) {
    test::Machine machine;
    ASSERT_TRUE(
        machine.InstallGeneration(test::Generation::k5, TaskManagerOnly({L"Weekly", 1, 2})));
    CarryOver();
    ExpectClientSettings(L"Weekly", 1, 2);
}

TEST_F(SettingsCarryOverTest, CurrentKeyOverridesGeneration5WhereItHasValues) {
    test::SetStringValue(HKEY_LOCAL_MACHINE, kGeneration5Tasks, KEY_WOW64_64KEY, L"Task",
                         L"weekly");
    test::SetDwordValue(HKEY_LOCAL_MACHINE, kGeneration5Tasks, KEY_WOW64_64KEY, L"SelfUpdate", 1);
    test::SetDwordValue(HKEY_LOCAL_MACHINE, kCurrentTasks, KEY_WOW64_64KEY, L"UpdateType", 3);

    CarryOver();

    // The current key exists, so its missing "SelfUpdate" counts as 0.
    ExpectClientSettings(L"weekly", 0, 3);
}

TEST_F(SettingsCarryOverTest, TaskThatIsNoString_LeavesGeneration5Text) {
    test::SetStringValue(HKEY_LOCAL_MACHINE, kGeneration5Tasks, KEY_WOW64_64KEY, L"Task", L"daily");
    test::SetDwordValue(HKEY_LOCAL_MACHINE, kCurrentTasks, KEY_WOW64_64KEY, L"Task", 5);
    test::SetDwordValue(HKEY_LOCAL_MACHINE, kCurrentTasks, KEY_WOW64_64KEY, L"SelfUpdate", 1);

    CarryOver();

    ExpectClientSettings(L"daily", 1, 0);
}

TEST_F(SettingsCarryOverTest, ExpandableTask_IsCarriedUnexpandedUpToItsFirstNull) {
    test::SetStringValue(HKEY_LOCAL_MACHINE, kCurrentTasks, KEY_WOW64_64KEY, L"Task",
                         std::wstring(L"%WINDIR%\\run\0tail", 17), REG_EXPAND_SZ);

    CarryOver();

    ExpectClientSettings(L"%WINDIR%\\run", 0, 0);
}

TEST_F(SettingsCarryOverTest, EmptyTaskOfCurrentKey_OverridesGeneration5Text) {
    test::SetStringValue(HKEY_LOCAL_MACHINE, kGeneration5Tasks, KEY_WOW64_64KEY, L"Task", L"daily");
    test::SetStringValue(HKEY_LOCAL_MACHINE, kCurrentTasks, KEY_WOW64_64KEY, L"Task", L"");

    CarryOver();

    ExpectClientSettings(L"", 0, 0);
}

TEST_F(SettingsCarryOverTest, KeysOf32BitView_AreNotCarried) {
    if (!test::RegistryViewsAreSeparate()) {
        GTEST_SKIP() << "a 32-bit Windows has one registry view";
    }
    test::SetStringValue(HKEY_LOCAL_MACHINE, kCurrentTasks, KEY_WOW64_32KEY, L"Task", L"daily");
    test::SetDwordValue(HKEY_LOCAL_MACHINE, kCurrentTasks, KEY_WOW64_32KEY, L"SelfUpdate", 1);

    CarryOver();

    ExpectClientSettings(L"", 0, 0);
    EXPECT_FALSE(test::KeyExists(HKEY_LOCAL_MACHINE, kScratchKey, KEY_WOW64_32KEY));
}

// A stash that was never written must not wipe what the new setup wrote.
TEST_F(SettingsCarryOverTest, RestoreWithoutStash_LeavesTheSetupsSettings) {
    ReplaceProduct();
    RestoreTaskManagerSettings();
    ExpectClientSettings(L"from the setup", 9, 9);
}

TEST_F(SettingsCarryOverTest, MarkLauncherUninstall_WritesTheMarkerIn64BitView) {
    MarkLauncherUninstall();
    ExpectValue(Text(L"1"), std::wstring(kScratchKey) + L"\\Uninstall", L"LauncherUninstall");
    if (test::RegistryViewsAreSeparate()) {
        EXPECT_FALSE(test::KeyExists(HKEY_LOCAL_MACHINE, kScratchKey, KEY_WOW64_32KEY));
    }
}

TEST_F(SettingsCarryOverTest, RemoveRunState_TakesEverythingParkedThere) {
    MarkLauncherUninstall();
    StashTaskManagerSettings();
    test::SetStringValue(HKEY_LOCAL_MACHINE, std::wstring(kScratchKey) + L"\\Region\\Deeper",
                         KEY_WOW64_64KEY, L"Code", L"EU");
    test::SetDwordValue(HKEY_LOCAL_MACHINE, kCurrentTasks, KEY_WOW64_64KEY, L"SelfUpdate", 1);

    RemoveRunState();

    EXPECT_FALSE(test::KeyExists(HKEY_LOCAL_MACHINE, kScratchKey, KEY_WOW64_64KEY));
    ExpectValue(Number(1), kCurrentTasks, L"SelfUpdate");
    RemoveRunState();  // already gone: nothing happens
    EXPECT_TRUE(test::KeyExists(HKEY_LOCAL_MACHINE, kCurrentKey, KEY_WOW64_64KEY));
}

// The earlier generation's setup registered itself as a 32-bit program.
TEST_F(SettingsCarryOverTest, RemoveLegacyUninstallEntry_RemovesOnlyThatEntryInDefaultView) {
    test::SetStringValue(HKEY_LOCAL_MACHINE, LegacyEntry() + L"\\Sub", 0, L"DisplayName", L"x");
    test::SetStringValue(HKEY_LOCAL_MACHINE, LegacyEntry(), 0, L"DisplayName", L"ZEMI Update");
    test::SetStringValue(HKEY_LOCAL_MACHINE, OtherEntry(), 0, L"DisplayName", L"Other");
    if (test::RegistryViewsAreSeparate()) {
        test::SetStringValue(HKEY_LOCAL_MACHINE, LegacyEntry(), KEY_WOW64_64KEY, L"DisplayName",
                             L"64-bit");
    }

    RemoveLegacyUninstallEntry();

    EXPECT_FALSE(test::KeyExists(HKEY_LOCAL_MACHINE, LegacyEntry(), 0));
    EXPECT_TRUE(test::KeyExists(HKEY_LOCAL_MACHINE, OtherEntry(), 0));
    if (test::RegistryViewsAreSeparate()) {
        EXPECT_TRUE(test::KeyExists(HKEY_LOCAL_MACHINE, LegacyEntry(), KEY_WOW64_64KEY));
    }
}

}  // namespace
}  // namespace zu
