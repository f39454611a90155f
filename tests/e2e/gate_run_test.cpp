// Whole runs that the pre-install gate refuses: what the user sees by launch
// mode, that the run ends with exit code 0, and that the machine is left as
// it was (launch requests, data files, registrations, tasks).
#include <gtest/gtest.h>

#include <windows.h>
#include <wuapi.h>

#include <cstdlib>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "standins/outside_identifiers.h"
#include "platform/scoped_handle.h"
#include "tests/checks/inproc_standins.h"
#include "tests/e2e/machine_snapshot.h"
#include "tests/support/file_fixture.h"
#include "tests/support/child_process.h"
#include "tests/support/journal.h"
#include "tests/support/launcher_process.h"
#include "tests/support/machine_fixture.h"
#include "tests/support/machine_paths.h"
#include "tests/support/message_box.h"
#include "tests/support/product_state.h"
#include "tests/support/region_window_robot.h"
#include "tests/support/registry_fixture.h"
#include "tests/support/registry_value_fixture.h"
#include "tests/support/test_paths.h"

namespace zu {
namespace {

using test::Generation;

constexpr REGSAM k64 = KEY_WOW64_64KEY;
constexpr wchar_t kProductKey[] = L"SOFTWARE\\Koru Corporation\\ZEMI Update";
constexpr wchar_t kStagedRegionKey[] = L"SOFTWARE\\Koru Corporation\\ZEMI Update Installer\\Region";
constexpr wchar_t kProductRegionKey[] = L"SOFTWARE\\Koru Corporation\\ZEMI Update\\Region";
constexpr wchar_t kCounterKey[] = L"SOFTWARE\\Koru Corporation\\ZEMI Update Temp";
constexpr wchar_t kWindowsUpdateStandin[] = L"WuaStandin.dll";
constexpr wchar_t kAgentStandin[] = L"DARizizAutomation.dll";

constexpr wchar_t kCaption[] = L"ZEMI Update";
constexpr wchar_t kNewerText[] =
    L"A newly version has already been installed on your computer.\nInstallation is stopped.";
constexpr wchar_t kOldWindowsText[] =
    L"This product requires Microsoft Windows XP Service Pack 2 or later.";
constexpr wchar_t kUpdateRunningText[] =
    L"Windows Update is running.\nRun this update again after Windows Update ends.";
constexpr wchar_t kUpdateDueText[] =
    L"Windows Update is scheduled to run within 2 minutes.\n"
    L"Run this update again after Windows Update ends.";
constexpr wchar_t kCompleteText[] = L"Installation complete.";

constexpr DWORD kRunTimeoutMs = 240000;

enum class Mode { kOrdinary, kOrdinarySilent, kZusrInstallSilent, kLaunchInstaller, kZeuInstall };

const wchar_t* ArgumentsOf(Mode mode) {
    return mode == Mode::kOrdinary || mode == Mode::kLaunchInstaller ? L"" : L"/s";
}

// What one run showed, in order.
struct RunOutcome {
    bool ended = false;
    DWORD exitCode = 12345;
    std::vector<std::wstring> boxes;
    bool regionWindowShown = false;
};

std::string Lines(const std::vector<std::wstring>& lines) {
    std::string text;
    for (const std::wstring& line : lines) {
        text += std::string(line.begin(), line.end()) + "\n";
    }
    return text;
}

class GateRunTest : public testing::Test {
  protected:
    using RegionAct = std::function<void(const test::RegionWindow&)>;

    void SetUp() override { test::ResetProductState(); }
    void TearDown() override { test::ResetProductState(); }

    // A machine with generation 5, its data and its tasks, whose "ZU.ini" tells
    // the region unless region is empty.
    void InstallGeneration5(const wchar_t* region = L"EU") {
        test::GenerationOptions options;
        options.dataFiles = true;
        options.region = region;
        ASSERT_TRUE(machine_.InstallGeneration(Generation::k5, options));
    }

    // The current generation, newer than the package's 7.5.0.0.
    void InstallNewerClient() {
        test::GenerationOptions options;
        options.version = L"7.6.0.0";
        options.dataFiles = true;
        options.region = L"EU";
        ASSERT_TRUE(machine_.InstallGeneration(Generation::kLatest, options));
    }

    // The client's requests for the run (ResetProductState removes them with the key).
    static void RequestMode(Mode mode) {
        if (mode == Mode::kZusrInstallSilent) {
            test::SetStringValue(HKEY_LOCAL_MACHINE, kProductKey, k64, L"ZUSRInstall", L"1");
        } else if (mode == Mode::kLaunchInstaller) {
            test::SetDwordValue(HKEY_LOCAL_MACHINE, kProductKey, k64, L"LaunchInstaller", 1);
        } else if (mode == Mode::kZeuInstall) {
            test::SetStringValue(HKEY_LOCAL_MACHINE, kProductKey, k64, L"ZEUInstall", L"1");
        }
    }

    static void ClearRequests() {
        HKEY key = nullptr;
        if (::RegOpenKeyExW(HKEY_LOCAL_MACHINE, kProductKey, 0, KEY_SET_VALUE | k64, &key) !=
            ERROR_SUCCESS) {
            return;
        }
        for (const wchar_t* request : {L"ZUSRInstall", L"LaunchInstaller", L"ZEUInstall"}) {
            ::RegDeleteValueW(key, request);
        }
        ::RegCloseKey(key);
    }

    void WindowsUpdate(const wchar_t* key, int value) {
        ASSERT_TRUE(
            test::RegisterStandinServer(&machine_, CLSID_UpdateInstaller, kWindowsUpdateStandin));
        ASSERT_TRUE(
            test::RegisterStandinServer(&machine_, CLSID_AutomaticUpdates, kWindowsUpdateStandin));
        test::SetBehaviour(kWindowsUpdateStandin, key, value);
    }

    // Runs the package as a user or the client would. Boxes are read and
    // answered with OK; a region window is handed to region_act, or cancelled.
    static RunOutcome Run(const std::wstring& arguments, const RegionAct& region_act = nullptr) {
        RunOutcome outcome;
        test::LauncherProcess package;
        if (!package.Start(test::DistDir() + L"\\ZEMIUpdatePackage.exe", arguments, false)) {
            return outcome;
        }
        const DWORD start = ::GetTickCount();
        while (!package.WaitForExit(100, &outcome.exitCode)) {
            if (::GetTickCount() - start > kRunTimeoutMs) {
                return outcome;
            }
            const DWORD launcher = test::FindProcessId(L"ZUInstaller.exe");
            test::MessageBoxContent box;
            if (launcher != 0 && test::WaitForMessageBox(launcher, 0, &box)) {
                EXPECT_EQ(kCaption, box.caption);
                EXPECT_EQ(std::vector<int>{IDOK}, box.buttons);
                EXPECT_TRUE(test::ShowsIcon(box, box.text == kCompleteText
                                                     ? test::MessageBoxIcon::kInformation
                                                     : test::MessageBoxIcon::kWarning));
                outcome.boxes.push_back(box.text);
                test::PressOk(box);
            }
            test::RegionWindow window;
            if (launcher != 0 && test::WaitForRegionWindow(launcher, 0, &window)) {
                outcome.regionWindowShown = true;
                region_act ? region_act(window) : test::PressCancel(window);
                ::Sleep(500);
            }
        }
        outcome.ended = true;
        return outcome;
    }

    static bool WindowsUpdateAsked() {
        return test::HasEvent(kWindowsUpdateStandin, L"IsBusy") ||
               test::HasEvent(kWindowsUpdateStandin, L"Settings");
    }

    test::Machine machine_;
};

// The boxes of a refusal by launch mode: none where the run is quiet.
TEST_F(GateRunTest, NewerClientInstalled_BoxOnlyWhereRunIsNotQuietAndMachineUntouched) {
    InstallGeneration5();
    InstallNewerClient();
    const struct {
        Mode mode;
        bool box;
    } cases[] = {{Mode::kOrdinary, true},
                 {Mode::kZusrInstallSilent, true},
                 {Mode::kOrdinarySilent, false},
                 {Mode::kLaunchInstaller, false},
                 {Mode::kZeuInstall, false}};
    for (const auto& run : cases) {
        RequestMode(run.mode);
        const test::MachineSnapshot before = test::MachineSnapshot::Take();
        const RunOutcome outcome = Run(ArgumentsOf(run.mode));
        SCOPED_TRACE(static_cast<int>(run.mode));
        ASSERT_TRUE(outcome.ended);
        EXPECT_EQ(0u, outcome.exitCode);
        EXPECT_EQ(run.box ? std::vector<std::wstring>{kNewerText} : std::vector<std::wstring>{},
                  outcome.boxes);
        EXPECT_FALSE(outcome.regionWindowShown);
        const auto changes = test::MachineSnapshot::Take().ChangesSince(before);
        EXPECT_TRUE(changes.empty()) << Lines(changes);
        EXPECT_TRUE(test::StartsOf(L"ZUSR.exe").empty());
        EXPECT_TRUE(test::StartsOf(L"setup.exe").empty());
        test::ClearJournal();
        ClearRequests();
    }
}

// Only the first condition that holds is shown, and later ones are not even asked.
TEST_F(GateRunTest, NewerClientAndWindowsUpdateBusy_OnlyNewerBoxWindowsUpdateNotAsked) {
    InstallGeneration5();
    InstallNewerClient();
    WindowsUpdate(L"busy", 1);
    const test::MachineSnapshot before = test::MachineSnapshot::Take();
    const RunOutcome outcome = Run(L"");
    ASSERT_TRUE(outcome.ended);
    EXPECT_EQ(0u, outcome.exitCode);
    EXPECT_EQ(std::vector<std::wstring>{kNewerText}, outcome.boxes);
    EXPECT_FALSE(WindowsUpdateAsked());
    const auto changes = test::MachineSnapshot::Take().ChangesSince(before);
    EXPECT_TRUE(changes.empty()) << Lines(changes);
}

TEST_F(GateRunTest, WindowsUpdateInstalling_RunningBoxInAttendedRunMachineUntouched) {
    InstallGeneration5();
    WindowsUpdate(L"busy", 1);
    RequestMode(Mode::kZusrInstallSilent);
    const test::MachineSnapshot before = test::MachineSnapshot::Take();
    const RunOutcome outcome = Run(L"/s");
    ASSERT_TRUE(outcome.ended);
    EXPECT_EQ(0u, outcome.exitCode);
    EXPECT_EQ(std::vector<std::wstring>{kUpdateRunningText}, outcome.boxes);
    EXPECT_TRUE(test::HasEvent(kWindowsUpdateStandin, L"IsBusy"));
    EXPECT_FALSE(test::HasEvent(kWindowsUpdateStandin, L"Settings"));  // the next check
    const auto changes = test::MachineSnapshot::Take().ChangesSince(before);
    EXPECT_TRUE(changes.empty()) << Lines(changes);
}

TEST_F(GateRunTest, WindowsUpdateInstalling_SilentAutomaticRunEndsWithoutBox) {
    InstallGeneration5();
    WindowsUpdate(L"busy", 1);
    RequestMode(Mode::kZeuInstall);
    const test::MachineSnapshot before = test::MachineSnapshot::Take();
    const RunOutcome outcome = Run(L"/s");
    ASSERT_TRUE(outcome.ended);
    EXPECT_EQ(0u, outcome.exitCode);
    EXPECT_TRUE(outcome.boxes.empty());
    const auto changes = test::MachineSnapshot::Take().ChangesSince(before);
    EXPECT_TRUE(changes.empty()) << Lines(changes);
}

// The clock of this program and the launcher is set (by the ctest entry's
// time zone) to a few seconds past HH:58: an every-day installation at the
// next full hour is due within two minutes.
TEST_F(GateRunTest, NearFullHour_InstallationDueAtNextHour_ScheduledBox) {
    const char* zone = std::getenv("TZ");
    if (zone == nullptr || std::strncmp(zone, "ZUT", 3) != 0) {
        GTEST_SKIP() << "runs in the ctest entry that sets the clock near a full hour";
    }
    SYSTEMTIME now = {};
    ::GetLocalTime(&now);
    ASSERT_TRUE(now.wMinute == 58 && now.wSecond <= 40) << "TZ did not take hold: " << zone;
    InstallGeneration5();
    WindowsUpdate(L"schedule_hour", (now.wHour + 1) % 24);
    test::SetBehaviour(kWindowsUpdateStandin, L"schedule_day", 0);
    const test::MachineSnapshot before = test::MachineSnapshot::Take();
    const RunOutcome outcome = Run(L"");
    ASSERT_TRUE(outcome.ended);
    EXPECT_EQ(0u, outcome.exitCode);
    EXPECT_EQ(std::vector<std::wstring>{kUpdateDueText}, outcome.boxes);
    const auto changes = test::MachineSnapshot::Take().ChangesSince(before);
    EXPECT_TRUE(changes.empty()) << Lines(changes);
}

// Wine reports XP with Service Pack 1 to programs started after these
// values change, in a 32-bit machine only.
TEST_F(GateRunTest, WindowsXpSp1_OldWindowsBoxAndNothingAskedAfterIt) {
    const char* arch = std::getenv("ZU_WINE_ARCH");
    if (arch == nullptr || std::string(arch) != "32") {
        GTEST_SKIP() << "needs a 32-bit machine";
    }
    InstallGeneration5();
    WindowsUpdate(L"busy", 1);
    const wchar_t kVersionKey[] = L"SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion";
    ASSERT_TRUE(machine_.SetString(HKEY_LOCAL_MACHINE, kVersionKey, 0, L"CurrentVersion", L"5.1"));
    ASSERT_TRUE(
        machine_.SetString(HKEY_LOCAL_MACHINE, kVersionKey, 0, L"CurrentBuildNumber", L"2600"));
    ASSERT_TRUE(
        machine_.SetString(HKEY_LOCAL_MACHINE, kVersionKey, 0, L"CSDVersion", L"Service Pack 1"));
    ASSERT_TRUE(machine_.SetDword(HKEY_LOCAL_MACHINE,
                                  L"SYSTEM\\CurrentControlSet\\Control\\Windows", 0, L"CSDVersion",
                                  0x100));
    const test::MachineSnapshot before = test::MachineSnapshot::Take();
    const RunOutcome outcome = Run(L"");
    ASSERT_TRUE(outcome.ended);
    EXPECT_EQ(0u, outcome.exitCode);
    EXPECT_EQ(std::vector<std::wstring>{kOldWindowsText}, outcome.boxes);
    EXPECT_FALSE(WindowsUpdateAsked());
    const auto changes = test::MachineSnapshot::Take().ChangesSince(before);
    EXPECT_TRUE(changes.empty()) << Lines(changes);
}

// The client's automatic run backs off while its agent is busy: no box, and
// only the busy counter and the install log record it.
TEST_F(GateRunTest, AgentBusyInAutomaticRun_NoBoxCounterAndLogOnly) {
    InstallGeneration5();
    RequestMode(Mode::kZeuInstall);
    ASSERT_TRUE(test::RegisterStandinServer(&machine_, outside::kAgentClassId, kAgentStandin));
    test::SetBehaviour(kAgentStandin, L"state", 1);
    const test::MachineSnapshot before = test::MachineSnapshot::Take();
    const RunOutcome outcome = Run(L"/s");
    ASSERT_TRUE(outcome.ended);
    EXPECT_EQ(0u, outcome.exitCode);
    EXPECT_TRUE(outcome.boxes.empty());
    EXPECT_FALSE(outcome.regionWindowShown);
    EXPECT_EQ(1u, test::DwordValue(HKEY_LOCAL_MACHINE, kCounterKey, k64, L"InstallerTaskCount"));
    const auto log = test::FileBytes(test::ProgramData() +
                                     L"\\Koru Corporation\\ZEMI Update\\ZUSUInstallLog.txt");
    ASSERT_TRUE(log.has_value());
    EXPECT_NE(std::string::npos, log->find("DARiziz busy, install counter is :1")) << *log;
    const auto changes = test::MachineSnapshot::Take().ChangesSince(
        before, {L"ZEMI Update Temp", L"ZUSUInstallLog.txt"});
    EXPECT_TRUE(changes.empty()) << Lines(changes);
}

TEST_F(GateRunTest, NoRegionAnywhere_UserCancelsOrClosesWindow_RunEndsNothingStaged) {
    InstallGeneration5(L"");
    for (const RegionAct& act : {RegionAct([](const test::RegionWindow& window) {
                                     test::ChooseCountry(window, L"Mexico");
                                     test::PressCancel(window);
                                 }),
                                 RegionAct([](const test::RegionWindow& window) {
                                     test::ChooseCountry(window, L"Mexico");
                                     test::CloseWithTitleBar(window);
                                 })}) {
        const test::MachineSnapshot before = test::MachineSnapshot::Take();
        const RunOutcome outcome = Run(L"", act);
        ASSERT_TRUE(outcome.ended);
        EXPECT_EQ(0u, outcome.exitCode);
        EXPECT_TRUE(outcome.regionWindowShown);
        EXPECT_TRUE(outcome.boxes.empty());
        const auto changes = test::MachineSnapshot::Take().ChangesSince(before);
        EXPECT_TRUE(changes.empty()) << Lines(changes);
    }
}

TEST_F(GateRunTest, NoRegionAnywhere_SilentRunEndsWithoutWindow) {
    InstallGeneration5(L"");
    const test::MachineSnapshot before = test::MachineSnapshot::Take();
    const RunOutcome outcome = Run(L"/s");
    ASSERT_TRUE(outcome.ended);
    EXPECT_EQ(0u, outcome.exitCode);
    EXPECT_FALSE(outcome.regionWindowShown);
    const auto changes = test::MachineSnapshot::Take().ChangesSince(before);
    EXPECT_TRUE(changes.empty()) << Lines(changes);
}

// The chosen region travels through the install into the new client's key.
TEST_F(GateRunTest, NoRegionAnywhere_UserPicksMexico_NewClientKeepsAmericas) {
    InstallGeneration5(L"");
    const test::MachineSnapshot before = test::MachineSnapshot::Take();
    const RunOutcome outcome = Run(L"", [](const test::RegionWindow& window) {
        test::ChooseCountry(window, L"Mexico");
        test::PressOk(window);
    });
    // The same view of the machine that finds refused runs unchanged sees this one's work.
    EXPECT_FALSE(test::MachineSnapshot::Take().ChangesSince(before).empty());
    ASSERT_TRUE(outcome.ended);
    EXPECT_EQ(0u, outcome.exitCode);
    EXPECT_TRUE(outcome.regionWindowShown);
    EXPECT_EQ(std::vector<std::wstring>{kCompleteText}, outcome.boxes);
    EXPECT_EQ(5388u, test::DwordValue(HKEY_LOCAL_MACHINE, kProductRegionKey, k64, L"dwLocation"));
    EXPECT_EQ(std::nullopt,
              test::DwordValue(HKEY_LOCAL_MACHINE, kProductRegionKey, k64, L"subdwLocation"));
    EXPECT_FALSE(test::KeyExists(HKEY_LOCAL_MACHINE, kStagedRegionKey, k64));
}

}  // namespace
}  // namespace zu
