#include "selfrepair/scheduled_tasks.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <string>

#include "platform/scoped_handle.h"
#include "selfrepair/task_table.h"
#include "tests/selfrepair/self_repair_entries.h"
#include "tests/support/import_patch.h"
#include "tests/support/machine_fixture.h"
#include "tests/support/machine_paths.h"

namespace zu {
namespace {

test::TaskSpec SpecOf(const ScheduledTaskRecord& record, bool enabled = true) {
    test::TaskSpec spec;
    spec.folder = test::MakerTaskFolderPath(record);
    spec.name = record.name;
    spec.program = L"C:\\ProgramData\\Koru Corporation\\ZEMI Update Self Repair\\ZUSR.exe";
    spec.arguments = record.arguments;
    spec.enabled = enabled;
    return spec;
}

class ScheduledTasksTest : public testing::Test {
  protected:
    void SetUp() override { test::RemoveSelfRepairEntries(); }
    void TearDown() override { test::RemoveSelfRepairEntries(); }

    test::Machine machine_;
};

TEST_F(ScheduledTasksTest, NoMakerFolder_NoTaskIsPresent) {
    EXPECT_FALSE(IsGuardTaskActive());
    EXPECT_FALSE(IsRepairTaskPresent());
    EXPECT_FALSE(IsUltimateRepairTaskPresent());
    EXPECT_FALSE(TaskExists(kGuardTask));
    EXPECT_FALSE(IsTaskEnabled(kGuardTask));
}

TEST_F(ScheduledTasksTest, EnabledGuardTask_IsActive) {
    ASSERT_TRUE(machine_.AddTask(SpecOf(kGuardTask)));
    EXPECT_TRUE(TaskExists(kGuardTask));
    EXPECT_TRUE(IsTaskEnabled(kGuardTask));
    EXPECT_TRUE(IsGuardTaskActive());
}

TEST_F(ScheduledTasksTest, DisabledGuardTask_ExistsButIsNotActive) {
    ASSERT_TRUE(machine_.AddTask(SpecOf(kGuardTask, false)));
    EXPECT_TRUE(TaskExists(kGuardTask));
    EXPECT_FALSE(IsTaskEnabled(kGuardTask));
    EXPECT_FALSE(IsGuardTaskActive());
}

TEST_F(ScheduledTasksTest, RepairTasks_EachIsSeenOnlyUnderItsOwnName) {
    ASSERT_TRUE(machine_.AddTask(SpecOf(kRepairTask)));
    EXPECT_TRUE(IsRepairTaskPresent());
    EXPECT_FALSE(IsUltimateRepairTaskPresent());
    EXPECT_FALSE(IsGuardTaskActive());

    ASSERT_TRUE(machine_.AddTask(SpecOf(kUltimateRepairTask)));
    EXPECT_TRUE(IsUltimateRepairTaskPresent());
}

TEST_F(ScheduledTasksTest, TasksUnderOtherNamesOrFolders_AreNotSeen) {
    test::TaskSpec renamed = SpecOf(kRepairTask);
    renamed.name = L"ZEMI Update Self Repair (old)";
    ASSERT_TRUE(machine_.AddTask(renamed));
    // The guard's name in the repair tasks' folder, the repair task's name
    // directly below the maker's folder.
    test::TaskSpec misplaced_guard = SpecOf(kGuardTask);
    misplaced_guard.folder = test::MakerTaskFolderPath(kRepairTask);
    ASSERT_TRUE(machine_.AddTask(misplaced_guard));
    test::TaskSpec shallow_repair = SpecOf(kRepairTask);
    shallow_repair.folder = L"\\Koru Corporation";
    ASSERT_TRUE(machine_.AddTask(shallow_repair));

    EXPECT_FALSE(IsRepairTaskPresent());
    EXPECT_FALSE(IsUltimateRepairTaskPresent());
    EXPECT_FALSE(IsGuardTaskActive());
}

// The token of a standard user: the process's groups without Administrators.
decltype(&::GetTokenInformation) g_real_get_token_information = nullptr;

BOOL WINAPI GetTokenInformationWithoutAdministrators(HANDLE token,
                                                     TOKEN_INFORMATION_CLASS information_class,
                                                     void* information,
                                                     DWORD length,
                                                     DWORD* returned) {
    if (!g_real_get_token_information(token, information_class, information, length, returned)) {
        return FALSE;
    }
    if (information_class == TokenGroups) {
        test::RemoveAdministratorsGroup(static_cast<TOKEN_GROUPS*>(information));
    }
    return TRUE;
}

TEST_F(ScheduledTasksTest, NotAdministratorsMember_ExistingTasksCountAsAbsent) {
    ASSERT_TRUE(machine_.AddTask(SpecOf(kGuardTask)));
    ASSERT_TRUE(machine_.AddTask(SpecOf(kRepairTask)));
    ASSERT_TRUE(machine_.AddTask(SpecOf(kUltimateRepairTask)));
    test::ScopedImportPatch patch(
        "advapi32.dll", "GetTokenInformation",
        reinterpret_cast<void*>(&GetTokenInformationWithoutAdministrators));
    ASSERT_TRUE(patch.active());
    g_real_get_token_information =
        reinterpret_cast<decltype(&::GetTokenInformation)>(patch.original());

    EXPECT_FALSE(IsGuardTaskActive());
    EXPECT_FALSE(IsRepairTaskPresent());
    EXPECT_FALSE(IsUltimateRepairTaskPresent());
}

// What a thread that already runs COM in the multithreaded apartment sees of
// a task test: the test cannot have its single-threaded apartment there.
struct MultithreadedCaller {
    bool initialised = false;
    bool task_found = false;
    // The caller's own initialisation is intact: one more only adds a
    // reference (S_FALSE).
    bool com_intact = false;
};

DWORD WINAPI AskFromMultithreadedApartment(void* parameter) {
    auto* caller = static_cast<MultithreadedCaller*>(parameter);
    caller->initialised = SUCCEEDED(::CoInitializeEx(nullptr, COINIT_MULTITHREADED));
    caller->task_found = TaskExists(kGuardTask);
    const HRESULT again = ::CoInitializeEx(nullptr, COINIT_MULTITHREADED);
    caller->com_intact = again == S_FALSE;
    if (SUCCEEDED(again)) {
        ::CoUninitialize();
    }
    if (caller->initialised) {
        ::CoUninitialize();
    }
    return 0;
}

TEST_F(ScheduledTasksTest, CallerInMultithreadedApartment_TaskFoundAndCallersComKept) {
    ASSERT_TRUE(machine_.AddTask(SpecOf(kGuardTask)));
    MultithreadedCaller caller;
    UniqueHandle thread(
        ::CreateThread(nullptr, 0, AskFromMultithreadedApartment, &caller, 0, nullptr));
    ASSERT_TRUE(thread);
    ::WaitForSingleObject(thread.Get(), INFINITE);

    ASSERT_TRUE(caller.initialised);
    EXPECT_TRUE(caller.task_found);
    EXPECT_TRUE(caller.com_intact);
}

// A thread without COM of its own has none again afterwards: an initialisation
// the test made is undone, so another apartment model can be chosen.
TEST_F(ScheduledTasksTest, CallerWithoutCom_ComUndoneAfterwards) {
    ASSERT_TRUE(machine_.AddTask(SpecOf(kGuardTask)));
    EXPECT_TRUE(TaskExists(kGuardTask));
    const HRESULT multithreaded = ::CoInitializeEx(nullptr, COINIT_MULTITHREADED);
    EXPECT_EQ(S_OK, multithreaded);
    if (SUCCEEDED(multithreaded)) {
        ::CoUninitialize();
    }
}

class RunEntriesTest : public testing::Test {
  protected:
    void SetUp() override { test::RemoveSelfRepairEntries(); }
    void TearDown() override { test::RemoveSelfRepairEntries(); }

    testing::AssertionResult SetRunString(const wchar_t* name, DWORD type, REGSAM view) {
        return machine_.SetString(HKEY_LOCAL_MACHINE, kRunKey, view, name,
                                  L"\"C:\\ZUSR.exe\" /Guard", type);
    }

    test::Machine machine_;
};

TEST_F(RunEntriesTest, NoValues_NothingPresent) {
    EXPECT_FALSE(IsGuardRunEntryPresent());
    EXPECT_FALSE(IsRepairRunEntryPresent());
}

TEST_F(RunEntriesTest, GuardValueAsString_GuardPresentRepairNot) {
    ASSERT_TRUE(SetRunString(kGuardRunValue, REG_SZ, KEY_WOW64_64KEY));
    EXPECT_TRUE(IsGuardRunEntryPresent());
    EXPECT_FALSE(IsRepairRunEntryPresent());
}

TEST_F(RunEntriesTest, EitherRepairValueAsExpandableString_RepairPresent) {
    ASSERT_TRUE(SetRunString(kUltimateRepairRunValue, REG_EXPAND_SZ, KEY_WOW64_64KEY));
    EXPECT_TRUE(IsRepairRunEntryPresent());
    EXPECT_FALSE(IsGuardRunEntryPresent());
}

TEST_F(RunEntriesTest, ValuesOfOtherTypes_DoNotCount) {
    ASSERT_TRUE(
        machine_.SetDword(HKEY_LOCAL_MACHINE, kRunKey, KEY_WOW64_64KEY, kRepairRunValue, 1));
    ASSERT_TRUE(SetRunString(kGuardRunValue, REG_MULTI_SZ, KEY_WOW64_64KEY));
    EXPECT_FALSE(IsRepairRunEntryPresent());
    EXPECT_FALSE(IsGuardRunEntryPresent());
}

TEST_F(RunEntriesTest, ValuesOnlyInThe32BitView_AreNotSeen) {
    if (!test::RegistryViewsAreSeparate()) {
        GTEST_SKIP() << "one registry view on 32-bit Windows";
    }
    ASSERT_TRUE(SetRunString(kGuardRunValue, REG_SZ, KEY_WOW64_32KEY));
    ASSERT_TRUE(SetRunString(kRepairRunValue, REG_SZ, KEY_WOW64_32KEY));
    EXPECT_FALSE(IsGuardRunEntryPresent());
    EXPECT_FALSE(IsRepairRunEntryPresent());
}

}  // namespace
}  // namespace zu
