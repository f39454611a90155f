#include "platform/scheduled_task_removal.h"

#include <gtest/gtest.h>

#include <windows.h>
#include <objbase.h>

#include <string>

#include "platform/scoped_handle.h"
#include "tests/support/machine_fixture.h"
#include "tests/support/machine_paths.h"
#include "tests/support/registry_fixture.h"
#include "tests/support/scheduled_task_fixture.h"

namespace zu {
namespace {

constexpr wchar_t kRunKey[] = L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Run";
constexpr wchar_t kKoruTasks[] = L"\\KORU\\ZEMI Update";
constexpr wchar_t kMakerTasks[] = L"\\Koru Corporation\\ZEMI Update";

// Each test lays out its tasks and values through the machine, which removes
// them (and the folders it created) afterwards. Windows Vista and later.
class LegacyTaskTest : public testing::Test {
  protected:
    void SetUp() override {
        if (test::IsWindowsXp() != OnWindowsXp()) {
            GTEST_SKIP() << "for another Windows";
        }
        ASSERT_FALSE(test::TaskFolderExists(L"\\KORU"));
        ASSERT_FALSE(test::TaskFolderExists(L"\\Koru Corporation"));
    }
    virtual bool OnWindowsXp() const { return false; }

    testing::AssertionResult AddTask(const std::wstring& folder, const wchar_t* name) {
        return machine_.AddTask({folder, name, L"C:\\Koru\\ZEMIUpdt.exe", L"/Schedule", true});
    }

    testing::AssertionResult AddRunValue(const wchar_t* name) {
        return machine_.SetString(HKEY_LOCAL_MACHINE, kRunKey, 0, name, L"C:\\Koru\\ZEMIUpdt.exe");
    }

    test::Machine machine_;
};

TEST_F(LegacyTaskTest, LastTaskInItsFolder_TaskAndFolderGoMakerFolderStays) {
    ASSERT_TRUE(AddTask(kKoruTasks, L"ZU4 Patch assistant"));

    RemoveLegacyTask(L"KORU", L"ZU4 Patch assistant");

    EXPECT_FALSE(test::TaskExists(kKoruTasks, L"ZU4 Patch assistant"));
    EXPECT_FALSE(test::TaskFolderExists(kKoruTasks));
    EXPECT_TRUE(test::TaskFolderExists(L"\\KORU"));
    // The call's own COM is undone: this thread may still choose its apartment.
    const HRESULT multithreaded = ::CoInitializeEx(nullptr, COINIT_MULTITHREADED);
    EXPECT_EQ(S_OK, multithreaded);
    if (SUCCEEDED(multithreaded)) {
        ::CoUninitialize();
    }
}

TEST_F(LegacyTaskTest, OtherTasksBeside_OnlyThatTaskGoes) {
    ASSERT_TRUE(AddTask(kMakerTasks, L"Installer Task"));
    ASSERT_TRUE(AddTask(kMakerTasks, L"Another Vendor's Task"));
    ASSERT_TRUE(AddTask(kKoruTasks, L"Installer Task"));
    ASSERT_TRUE(AddTask(L"\\Koru Corporation\\ZEMI Update Self Repair", L"Installer Task"));
    ASSERT_TRUE(AddRunValue(L"Installer Task"));

    RemoveLegacyTask(L"Koru Corporation", L"Installer Task");

    EXPECT_FALSE(test::TaskExists(kMakerTasks, L"Installer Task"));
    EXPECT_TRUE(test::TaskExists(kMakerTasks, L"Another Vendor's Task"));
    EXPECT_TRUE(test::TaskExists(kKoruTasks, L"Installer Task"));
    EXPECT_TRUE(
        test::TaskExists(L"\\Koru Corporation\\ZEMI Update Self Repair", L"Installer Task"));
    EXPECT_TRUE(test::ValueExists(HKEY_LOCAL_MACHINE, kRunKey, 0, L"Installer Task"));
}

TEST_F(LegacyTaskTest, MissingTask_EmptyFolderStays) {
    ASSERT_TRUE(AddTask(kMakerTasks, L"Installer Task"));
    ASSERT_EQ(S_OK, test::DeleteTask(kMakerTasks, L"Installer Task"));

    RemoveLegacyTask(L"Koru Corporation", L"Installer Task");
    RemoveLegacyTask(L"KORU", L"ZEMI Update");  // no folder at all

    EXPECT_TRUE(test::TaskFolderExists(kMakerTasks));
    EXPECT_FALSE(test::TaskFolderExists(L"\\KORU"));
}

// A worker thread that already runs COM in the multithreaded apartment.
struct MultithreadedCaller {
    bool initialised = false;
    bool comIntact = false;  // another initialisation only adds a reference
};

DWORD WINAPI RemoveFromMultithreadedApartment(void* parameter) {
    auto* caller = static_cast<MultithreadedCaller*>(parameter);
    caller->initialised = SUCCEEDED(::CoInitializeEx(nullptr, COINIT_MULTITHREADED));
    RemoveLegacyTask(L"Koru Corporation", L"ZEMI Update Self Repair");
    const HRESULT again = ::CoInitializeEx(nullptr, COINIT_MULTITHREADED);
    caller->comIntact = again == S_FALSE;
    if (SUCCEEDED(again)) {
        ::CoUninitialize();
    }
    if (caller->initialised) {
        ::CoUninitialize();
    }
    return 0;
}

TEST_F(LegacyTaskTest, CallerInMultithreadedApartment_TaskGoesCallersComKept) {
    ASSERT_TRUE(AddTask(kMakerTasks, L"ZEMI Update Self Repair"));
    MultithreadedCaller caller;
    UniqueHandle thread(
        ::CreateThread(nullptr, 0, RemoveFromMultithreadedApartment, &caller, 0, nullptr));
    ASSERT_TRUE(thread);
    ::WaitForSingleObject(thread.Get(), INFINITE);

    ASSERT_TRUE(caller.initialised);
    EXPECT_TRUE(caller.comIntact);
    EXPECT_FALSE(test::TaskExists(kMakerTasks, L"ZEMI Update Self Repair"));
}

// Windows XP: Run values instead of tasks (the Task Scheduler 2.0 that Wine
// offers there too must stay untouched).
class LegacyTaskXpTest : public LegacyTaskTest {
  protected:
    bool OnWindowsXp() const override { return true; }
};

TEST_F(LegacyTaskXpTest, RunValueOfThatNameGoesTaskSchedulerUntouched) {
    ASSERT_TRUE(AddRunValue(L"ZEMI Update Self Ultimate Repair"));
    ASSERT_TRUE(AddRunValue(L"ZEMI Update Self Repair Guard"));
    ASSERT_TRUE(AddTask(kMakerTasks, L"ZEMI Update Self Ultimate Repair"));

    RemoveLegacyTask(L"Koru Corporation", L"ZEMI Update Self Ultimate Repair");

    EXPECT_FALSE(
        test::ValueExists(HKEY_LOCAL_MACHINE, kRunKey, 0, L"ZEMI Update Self Ultimate Repair"));
    EXPECT_TRUE(
        test::ValueExists(HKEY_LOCAL_MACHINE, kRunKey, 0, L"ZEMI Update Self Repair Guard"));
    EXPECT_TRUE(test::TaskExists(kMakerTasks, L"ZEMI Update Self Ultimate Repair"));
}

}  // namespace
}  // namespace zu
