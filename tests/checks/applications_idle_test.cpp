#include "checks/applications_idle.h"

#include <gtest/gtest.h>

#include <windows.h>
#include <objbase.h>

#include <string>

#include "checks/agent_state.h"
#include "checks/care_application.h"
#include "standins/outside_identifiers.h"
#include "tests/checks/inproc_standins.h"
#include "tests/support/file_fixture.h"
#include "tests/support/journal.h"
#include "tests/support/machine_fixture.h"
#include "tests/support/machine_paths.h"
#include "tests/support/registry_fixture.h"
#include "tests/support/registry_value_fixture.h"

namespace zu {
namespace {

constexpr wchar_t kMakerKey[] = L"Software\\Koru Corporation";
constexpr wchar_t kCounterKey[] = L"Software\\Koru Corporation\\ZEMI Update Temp";
constexpr wchar_t kCounterValue[] = L"InstallerTaskCount";
constexpr wchar_t kAgent[] = L"DARizizAutomation.dll";
constexpr wchar_t kRunKey[] = L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Run";

// The state library that the launcher loads here, and the one it must not.
std::wstring CareLibrary() {
    return test::RegistryViewsAreSeparate() ? L"CheckZCStates32.dll" : L"CheckZCStates.dll";
}
std::wstring OtherCareLibrary() {
    return test::RegistryViewsAreSeparate() ? L"CheckZCStates.dll" : L"CheckZCStates32.dll";
}
std::wstring CareFolder() {
    return test::NativeProgramFiles() + L"\\Koru\\ZEMI Care";
}
std::wstring LogFolder() {
    return test::ProgramData() + L"\\Koru Corporation\\ZEMI Update";
}
std::wstring LogPath() {
    return LogFolder() + L"\\ZUSUInstallLog.txt";
}

LauncherContext AutomaticRun() {
    LauncherContext context;
    context.silent = true;
    context.zeuInstallSilent = true;
    return context;
}

test::TaskSpec InstallerTask() {
    test::TaskSpec task;
    task.folder = L"\\Koru Corporation\\ZEMI Update";
    task.name = L"Installer Task";
    task.program = L"C:\\Program Files\\Koru\\ZEMI Update\\ZEMIUpdatePackage.exe";
    task.arguments = L"/s";
    return task;
}

// Every test starts with an idle agent, no care application, no counter and
// no install log, at a fixed local time for the log's entries.
class ApplicationsIdleTest : public testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(time_.active());
        test::ClearBehaviour();
        test::ClearJournal();
        test::DeleteKeyTree(HKEY_LOCAL_MACHINE, kCounterKey, KEY_WOW64_64KEY);
        ASSERT_TRUE(machine_.CreateKey(HKEY_LOCAL_MACHINE, kMakerKey, KEY_WOW64_64KEY));
        ASSERT_TRUE(machine_.CreateFolder(LogFolder()));
        test::DeletePath(LogPath());
        ASSERT_TRUE(test::RegisterStandinServer(&machine_, outside::kAgentClassId, kAgent));
    }
    void TearDown() override {
        test::DeleteKeyTree(HKEY_LOCAL_MACHINE, kCounterKey, KEY_WOW64_64KEY);
        test::DeletePath(LogPath());
        test::ClearBehaviour();
    }

    void InstallCareLibrary(const std::wstring& name,
                            const wchar_t* variant = L"maker",
                            const wchar_t* file = L"CheckZCStates.dll") {
        ASSERT_TRUE(machine_.CopyFile(test::SigningVariantPath(variant, file),
                                      CareFolder() + L"\\" + name));
    }
    void CareRunning(int result) {
        InstallCareLibrary(CareLibrary());
        test::SetBehaviour(CareLibrary(), L"result", result);
    }
    void AgentState(int state) { test::SetBehaviour(kAgent, L"state", state); }
    void StoreCount(DWORD count) {
        ASSERT_TRUE(machine_.SetDword(HKEY_LOCAL_MACHINE, kCounterKey, KEY_WOW64_64KEY,
                                      kCounterValue, count));
    }
    static std::optional<DWORD> StoredCount() {
        return test::DwordValue(HKEY_LOCAL_MACHINE, kCounterKey, KEY_WOW64_64KEY, kCounterValue);
    }
    static bool CounterKeyExists() {
        return test::KeyExists(HKEY_LOCAL_MACHINE, kCounterKey, KEY_WOW64_64KEY);
    }
    static bool Asked(const std::wstring& standin, const wchar_t* event) {
        return test::HasEvent(standin, event);
    }
    static std::string Log() { return test::FileBytes(LogPath()).value_or("<no log>"); }

    // 9:05:07.042 in the log.
    test::ScopedLocalTime time_{[] {
        SYSTEMTIME time = test::JuneTime(18, 9, 5, 7);
        time.wMilliseconds = 42;
        return time;
    }()};
    test::Machine machine_;
};

TEST_F(ApplicationsIdleTest, RunsOtherThanAutomatic_DeleteCounterAndNeverAsk) {
    CareRunning(1);
    AgentState(1);
    LauncherContext manual;
    manual.ordinaryRun = true;
    LauncherContext silent_manual;
    silent_manual.silent = silent_manual.ordinaryRun = silent_manual.ordinaryRunSilent = true;
    LauncherContext client_request;
    client_request.launchInstaller = true;
    LauncherContext self_repair;
    self_repair.zusrInstall = true;
    for (const LauncherContext& context : {manual, silent_manual, client_request, self_repair}) {
        StoreCount(7);
        EXPECT_TRUE(CheckApplicationsIdle(context));
        EXPECT_FALSE(CounterKeyExists());
    }
    EXPECT_TRUE(test::ReadJournal().empty());
    EXPECT_EQ("<no log>", Log());
}

TEST_F(ApplicationsIdleTest, AutomaticRunNothingBusy_AsksBothAndDeletesCounter) {
    CareRunning(0);
    AgentState(0);
    StoreCount(7);
    EXPECT_TRUE(CheckApplicationsIdle(AutomaticRun()));
    EXPECT_FALSE(CounterKeyExists());
    EXPECT_TRUE(Asked(CareLibrary(), L"IsZCRunning"));
    EXPECT_TRUE(Asked(kAgent, L"GetState"));
    EXPECT_EQ("<no log>", Log());
}

TEST_F(ApplicationsIdleTest, AgentBusy_EachRunCountsAndLogs) {
    AgentState(1);
    for (DWORD expected = 1; expected <= 3; ++expected) {
        EXPECT_FALSE(CheckApplicationsIdle(AutomaticRun()));
        EXPECT_EQ(expected, StoredCount());
    }
    EXPECT_EQ(
        " 9:5:7: 42 => DARiziz busy, install counter is :1\r\n\r\n"
        " 9:5:7: 42 => DARiziz busy, install counter is :2\r\n\r\n"
        " 9:5:7: 42 => DARiziz busy, install counter is :3\r\n\r\n",
        Log());
}

TEST_F(ApplicationsIdleTest, CareRunningAndAgentBusy_AsksBothAndLogsCare) {
    CareRunning(1);
    AgentState(1);
    StoreCount(4);
    EXPECT_FALSE(CheckApplicationsIdle(AutomaticRun()));
    EXPECT_EQ(5u, StoredCount());
    EXPECT_TRUE(Asked(kAgent, L"GetState"));
    EXPECT_EQ(" 9:5:7: 42 => ZC is running, install counter is :5\r\n\r\n", Log());
}

TEST_F(ApplicationsIdleTest, Count29_Becomes30AndTheTaskStays) {
    ASSERT_TRUE(machine_.AddTaskOrRunValue(InstallerTask(), test::Schedule::kAuto, 0));
    AgentState(1);
    StoreCount(29);
    EXPECT_FALSE(CheckApplicationsIdle(AutomaticRun()));
    EXPECT_EQ(30u, StoredCount());
    EXPECT_EQ(" 9:5:7: 42 => DARiziz busy, install counter is :30\r\n\r\n", Log());
    if (test::IsWindowsXp()) {
        EXPECT_TRUE(test::ValueExists(HKEY_LOCAL_MACHINE, kRunKey, 0, L"Installer Task"));
    } else {
        EXPECT_TRUE(test::TaskExists(InstallerTask().folder, InstallerTask().name));
    }
}

TEST_F(ApplicationsIdleTest, Count30_GivesUpRemovingTaskAndCounter) {
    ASSERT_TRUE(machine_.AddTaskOrRunValue(InstallerTask(), test::Schedule::kAuto, 0));
    CareRunning(1);
    StoreCount(30);
    EXPECT_FALSE(CheckApplicationsIdle(AutomaticRun()));
    EXPECT_FALSE(CounterKeyExists());
    EXPECT_EQ(
        " 9:5:7: 42 => ZEMI Update tried to perform an automatic update with an update program "
        "or software, but the process failed.\r\n\r\n",
        Log());
    if (test::IsWindowsXp()) {
        EXPECT_FALSE(test::ValueExists(HKEY_LOCAL_MACHINE, kRunKey, 0, L"Installer Task"));
    } else {
        EXPECT_FALSE(test::TaskExists(InstallerTask().folder, InstallerTask().name));
    }
    // The next busy run starts counting afresh.
    EXPECT_FALSE(CheckApplicationsIdle(AutomaticRun()));
    EXPECT_EQ(1u, StoredCount());
}

TEST_F(ApplicationsIdleTest, CareLibrary_OnlyItsLowByteAndOnlyUnderItsOwnName) {
    EXPECT_FALSE(IsCareApplicationRunning());  // not installed
    CareRunning(1);
    EXPECT_TRUE(IsCareApplicationRunning());
    test::SetBehaviour(CareLibrary(), L"result", 0x100);
    EXPECT_FALSE(IsCareApplicationRunning());
    test::SetBehaviour(CareLibrary(), L"result", 0);
    EXPECT_FALSE(IsCareApplicationRunning());
    // The other architecture's library is not this process's.
    InstallCareLibrary(OtherCareLibrary());
    test::SetBehaviour(OtherCareLibrary(), L"result", 1);
    EXPECT_FALSE(IsCareApplicationRunning());
    EXPECT_FALSE(Asked(OtherCareLibrary(), L"IsZCRunning"));
}

TEST_F(ApplicationsIdleTest, CareLibrary_MissingExportOrOnlyInCurrentFolder_NotRunning) {
    // A library by that name in the current folder is never loaded.
    const std::wstring planted = test::ProgramData() + L"\\planted";
    ASSERT_TRUE(machine_.CopyFile(test::StandinPath(L"CheckZCStates.dll"),
                                  planted + L"\\" + CareLibrary()));
    test::SetBehaviour(CareLibrary(), L"result", 1);
    wchar_t previous[MAX_PATH] = {};
    ::GetCurrentDirectoryW(MAX_PATH, previous);
    ::SetCurrentDirectoryW(planted.c_str());
    const bool running = IsCareApplicationRunning();
    ::SetCurrentDirectoryW(previous);
    EXPECT_FALSE(running);
    // A library of the maker's without the export.
    InstallCareLibrary(CareLibrary(), L"maker", L"DARizizAutomation.dll");
    EXPECT_FALSE(IsCareApplicationRunning());
    // The care library, but not signed by the maker: never loaded.
    InstallCareLibrary(CareLibrary(), L"unsigned");
    test::ClearJournal();
    EXPECT_FALSE(IsCareApplicationRunning());
    EXPECT_FALSE(Asked(CareLibrary(), L"IsZCRunning"));
}

TEST_F(ApplicationsIdleTest, Agent_BusyOnlyWhenItAnswersOne) {
    EXPECT_FALSE(IsAgentBusy());  // state 0
    AgentState(1);
    EXPECT_TRUE(IsAgentBusy());
    AgentState(2);
    EXPECT_FALSE(IsAgentBusy());
    AgentState(1);
    test::SetBehaviour(kAgent, L"fail", 1);
    EXPECT_FALSE(IsAgentBusy());
}

// The agent answers busy until its registration goes: then nobody answers.
TEST_F(ApplicationsIdleTest, Agent_BusyThenUnregistered_NotBusy) {
    AgentState(1);
    ASSERT_TRUE(IsAgentBusy());
    wchar_t class_id[40] = {};
    ::StringFromGUID2(outside::kAgentClassId, class_id, 40);
    test::DeleteKeyTree(HKEY_LOCAL_MACHINE, std::wstring(L"Software\\Classes\\CLSID\\") + class_id,
                        KEY_WOW64_32KEY);
    EXPECT_FALSE(IsAgentBusy());
}

}  // namespace
}  // namespace zu
