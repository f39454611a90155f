// Whole runs through the package to their end, by launch mode: the
// message the user sees and answers, the client start that follows, the
// self-repair tool's hand-over, and whether the machine restarts.
//
// Wine carries out a restart request by ending every process of the prefix, so
// this program shields itself from that, watches a bystander process of the
// machine (only a restart ends it), and runs each restarting case in a prefix
// of its own.
#include <gtest/gtest.h>

#include <windows.h>
#include <aclapi.h>
#include <sddl.h>

#include <string>
#include <vector>

#include "platform/scoped_handle.h"
#include "tests/support/file_fixture.h"
#include "tests/support/child_process.h"
#include "tests/support/journal.h"
#include "tests/support/machine_paths.h"
#include "tests/support/message_box.h"
#include "tests/support/registry_fixture.h"
#include "tests/support/scheduled_task_fixture.h"
#include "tests/support/test_paths.h"

namespace zu {
namespace {

constexpr wchar_t kProductKey[] = L"SOFTWARE\\Koru Corporation\\ZEMI Update";
constexpr wchar_t kScratchKey[] = L"SOFTWARE\\Koru Corporation\\ZEMI Update Installer";
// A region the gate finds without asking.
constexpr wchar_t kSharedInfoKey[] = L"SOFTWARE\\Koru Corporation\\Shared Info";
constexpr DWORD kEuropeLocation = 4309;
constexpr wchar_t kSessionManager[] = L"SYSTEM\\CurrentControlSet\\Control\\Session Manager";
constexpr wchar_t kPendingRenames[] = L"PendingFileRenameOperations";

constexpr wchar_t kClient[] = L"ZEMIUpdt.exe";
constexpr wchar_t kSelfRepairTool[] = L"ZUSR.exe";
constexpr wchar_t kHaltSwitch[] = L"/haltall";
constexpr wchar_t kUltimateRepairSucceed[] = L"/UltimateRepairSucceed";

constexpr wchar_t kCaption[] = L"ZEMI Update";
constexpr wchar_t kRestartText[] = L"Your ZEMI must restart for the installation to complete.";
constexpr wchar_t kCompleteText[] = L"Installation complete.";
constexpr wchar_t kFailedText[] = L"ZEMI Update could not be installed.\nRun this update again.";

// The whole install runs before the box: generous, as on a slow machine.
constexpr DWORD kRunTimeoutMs = 240000;
// How long a restart takes to reach every process, and how long a client
// start that was asked for may take to show in the journal.
constexpr DWORD kSettleMs = 15000;

// What the self-repair tool registers when the run installs and guards it.
constexpr wchar_t kProductTaskFolder[] = L"\\Koru Corporation\\ZEMI Update";
constexpr wchar_t kGuardTaskFolder[] = L"\\Koru Corporation\\ZEMI Update Self Repair";
constexpr wchar_t kMakerTaskFolder[] = L"\\Koru Corporation";
constexpr struct {
    const wchar_t* folder;
    const wchar_t* name;
} kSelfRepairTasks[] = {{kProductTaskFolder, L"ZEMI Update Self Repair"},
                        {kProductTaskFolder, L"ZEMI Update Self Ultimate Repair"},
                        {kGuardTaskFolder, L"ZEMI Update Self Repair Guard"}};

// The client's launch requests; without one a run is an ordinary run.
enum class Mode { kZeuInstallSilent, kZusrInstall, kLaunchInstaller };

std::wstring ProductFolder() {
    return test::NativeProgramFiles() + L"\\Koru\\ZEMI Update";
}

// Arguments of every client start except the uninstall's halt request.
std::vector<std::wstring> ClientStarts() {
    std::vector<std::wstring> arguments;
    for (const test::JournalRecord& start : test::StartsOf(kClient)) {
        if (::lstrcmpiW(start.arguments.c_str(), kHaltSwitch) != 0) {
            arguments.push_back(start.arguments);
        }
    }
    return arguments;
}

// The journal for a failure message: program, arguments or event, one a line.
std::string JournalText() {
    std::wstring text;
    for (const test::JournalRecord& record : test::ReadJournal()) {
        text += record.program + L" " + (record.is_start ? record.arguments : record.event) + L"\n";
    }
    return testing::PrintToString(text);
}

std::vector<test::JournalRecord> UltimateRepairRuns() {
    std::vector<test::JournalRecord> runs;
    for (const test::JournalRecord& start : test::StartsOf(kSelfRepairTool)) {
        if (start.arguments == kUltimateRepairSucceed) {
            runs.push_back(start);
        }
    }
    return runs;
}

bool IsProcessAlive(HANDLE process) {
    return ::WaitForSingleObject(process, 0) == WAIT_TIMEOUT;
}

// A process of the machine that has nothing to do with the launcher: it runs
// until the test ends it, or until a restart ends every process.
class Bystander {
  public:
    bool Start() {
        SECURITY_ATTRIBUTES inheritable = {sizeof(inheritable), nullptr, TRUE};
        HANDLE read_end = nullptr;
        HANDLE write_end = nullptr;
        if (!::CreatePipe(&read_end, &write_end, &inheritable, 0)) {
            return false;
        }
        UniqueHandle input(read_end);
        input_.Reset(write_end);
        ::SetHandleInformation(write_end, HANDLE_FLAG_INHERIT, 0);
        STARTUPINFOW startup = {};
        startup.cb = sizeof(startup);
        startup.dwFlags = STARTF_USESTDHANDLES;
        startup.hStdInput = input.Get();
        // cmd reads its commands from the pipe, which stays open and empty.
        wchar_t command[] = L"cmd.exe /q /k";
        PROCESS_INFORMATION info = {};
        if (!::CreateProcessW(nullptr, command, nullptr, nullptr, TRUE, CREATE_NO_WINDOW, nullptr,
                              nullptr, &startup, &info)) {
            return false;
        }
        process_.Reset(info.hProcess);
        UniqueHandle thread(info.hThread);
        return true;
    }

    ~Bystander() {
        if (process_ && IsProcessAlive(process_.Get())) {
            ::TerminateProcess(process_.Get(), 0);
        }
    }

    bool EndedWithin(DWORD timeout_ms) const {
        return ::WaitForSingleObject(process_.Get(), timeout_ms) == WAIT_OBJECT_0;
    }

  private:
    UniqueHandle process_;
    UniqueHandle input_;
};

// A whole run as the client or a user starts it: the package, which starts
// the launcher through a copy of itself (the launcher trusts only a run that
// the package started).
class PackageRun {
  public:
    // Starts the package with arguments; with restricted_token, under that
    // token (its processes inherit it).
    bool Start(const std::wstring& arguments, HANDLE restricted_token = nullptr) {
        std::wstring line = L"\"" + test::DistDir() + L"\\ZEMIUpdatePackage.exe\" " + arguments;
        STARTUPINFOW startup = {};
        startup.cb = sizeof(startup);
        PROCESS_INFORMATION info = {};
        const BOOL started =
            restricted_token != nullptr
                ? ::CreateProcessAsUserW(restricted_token, nullptr, &line[0], nullptr, nullptr,
                                         FALSE, 0, nullptr, nullptr, &startup, &info)
                : ::CreateProcessW(nullptr, &line[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                                   &startup, &info);
        if (!started) {
            return false;
        }
        package_.Reset(info.hProcess);
        UniqueHandle thread(info.hThread);
        return true;
    }

    // A run left hanging by a failed test must not hold the launcher's mutex
    // for the next one.
    ~PackageRun() {
        if (!package_ || !IsProcessAlive(package_.Get())) {
            return;
        }
        UniqueHandle launcher(
            ::OpenProcess(PROCESS_TERMINATE, FALSE, test::FindProcessId(kLauncher)));
        if (launcher) {
            ::TerminateProcess(launcher.Get(), 1);
        }
        ::TerminateProcess(package_.Get(), 1);
    }

    // Waits for the launcher's box; false when the run ended without one or
    // timeout_ms passed.
    bool WaitForBox(DWORD timeout_ms, test::MessageBoxContent* box) const {
        const DWORD start = ::GetTickCount();
        while (IsProcessAlive(package_.Get()) && ::GetTickCount() - start < timeout_ms) {
            const DWORD launcher = test::FindProcessId(kLauncher);
            if (launcher != 0 && test::WaitForMessageBox(launcher, 100, box)) {
                return true;
            }
            ::Sleep(100);
        }
        return false;
    }

    // The package ends with the launcher's exit code.
    bool WaitForExit(DWORD timeout_ms, DWORD* exit_code) const {
        return ::WaitForSingleObject(package_.Get(), timeout_ms) == WAIT_OBJECT_0 &&
               ::GetExitCodeProcess(package_.Get(), exit_code);
    }

  private:
    static constexpr wchar_t kLauncher[] = L"ZUInstaller.exe";

    UniqueHandle package_;
};

// A token without the right to shut the system down, as a user has whom the
// system does not grant it; empty when it cannot be made.
UniqueHandle TokenWithoutShutdownPrivilege() {
    HANDLE own = nullptr;
    if (!::OpenProcessToken(::GetCurrentProcess(), TOKEN_ALL_ACCESS, &own)) {
        return UniqueHandle();
    }
    UniqueHandle own_token(own);
    LUID_AND_ATTRIBUTES removed = {};
    HANDLE restricted = nullptr;
    if (!::LookupPrivilegeValueW(nullptr, SE_SHUTDOWN_NAME, &removed.Luid) ||
        !::CreateRestrictedToken(own, 0, 0, nullptr, 1, &removed, 0, nullptr, &restricted)) {
        return UniqueHandle();
    }
    return UniqueHandle(restricted);
}

// Keeps the pending file renames of the machine aside and gives them back.
class SavedPendingRenames {
  public:
    SavedPendingRenames() {
        HKEY key = nullptr;
        if (::RegOpenKeyExW(HKEY_LOCAL_MACHINE, kSessionManager, 0, KEY_READ, &key) !=
            ERROR_SUCCESS) {
            return;
        }
        DWORD bytes = 0;
        if (::RegQueryValueExW(key, kPendingRenames, nullptr, &type_, nullptr, &bytes) ==
            ERROR_SUCCESS) {
            data_.resize(bytes);
            saved_ = ::RegQueryValueExW(key, kPendingRenames, nullptr, &type_, data_.data(),
                                        &bytes) == ERROR_SUCCESS;
            data_.resize(bytes);
        }
        ::RegCloseKey(key);
    }

    ~SavedPendingRenames() {
        HKEY key = nullptr;
        if (::RegOpenKeyExW(HKEY_LOCAL_MACHINE, kSessionManager, 0, KEY_WRITE, &key) !=
            ERROR_SUCCESS) {
            return;
        }
        if (saved_) {
            ::RegSetValueExW(key, kPendingRenames, 0, type_, data_.data(),
                             static_cast<DWORD>(data_.size()));
        } else {
            ::RegDeleteValueW(key, kPendingRenames);
        }
        ::RegCloseKey(key);
    }

  private:
    bool saved_ = false;
    DWORD type_ = REG_NONE;
    std::vector<BYTE> data_;
};

class CompletionTest : public testing::Test {
  protected:
    void SetUp() override {
        Clean();
        test::SetDwordValue(HKEY_LOCAL_MACHINE, kSharedInfoKey, KEY_WOW64_64KEY, L"dwLocation",
                            kEuropeLocation);
        ASSERT_TRUE(bystander_.Start());
    }

    void TearDown() override {
        test::EndStandinProcesses();
        Clean();
    }

    // The new setup installs the client and its tool afresh in every run; a
    // tool's tasks left behind without the tool would make the next guard refuse.
    static void Clean() {
        for (const auto& task : kSelfRepairTasks) {
            test::DeleteTask(task.folder, task.name);
        }
        for (const wchar_t* folder : {kProductTaskFolder, kGuardTaskFolder, kMakerTaskFolder}) {
            test::DeleteTaskFolder(folder);
        }
        test::DeletePath(test::ProgramData() + L"\\Koru Corporation");
        test::ClearBehaviour();
        test::ClearJournal();
        test::DeleteKeyTree(HKEY_LOCAL_MACHINE, kProductKey, KEY_WOW64_64KEY);
        test::DeleteKeyTree(HKEY_LOCAL_MACHINE, kScratchKey, KEY_WOW64_64KEY);
        test::DeleteKeyTree(HKEY_LOCAL_MACHINE, kSharedInfoKey, KEY_WOW64_64KEY);
        test::DeletePath(ProductFolder());
        test::DeletePath(test::CommonPrograms() + L"\\ZEMI Update.lnk");
    }

    static void RequestMode(Mode mode) {
        switch (mode) {
            case Mode::kZeuInstallSilent:
                test::SetStringValue(HKEY_LOCAL_MACHINE, kProductKey, KEY_WOW64_64KEY,
                                     L"ZEUInstall", L"1");
                break;
            case Mode::kZusrInstall:
                test::SetStringValue(HKEY_LOCAL_MACHINE, kProductKey, KEY_WOW64_64KEY,
                                     L"ZUSRInstall", L"1");
                break;
            case Mode::kLaunchInstaller:
                test::SetDwordValue(HKEY_LOCAL_MACHINE, kProductKey, KEY_WOW64_64KEY,
                                    L"LaunchInstaller", 1);
                break;
        }
    }

    // A replacement of a file in the product folder that waits for the next
    // start of Windows (the kind of entry that survives the uninstall's
    // clean-up, which drops only entries whose source is in the product).
    static void SetRestartPending() {
        static const wchar_t kEntry[] =
            L"\\??\\C:\\windows\\temp\\zu-replacement.tmp\0"
            L"!\\??\\C:\\Program Files\\Koru\\ZEMI Update\\zu-replaced.dll\0";
        HKEY key = nullptr;
        ASSERT_EQ(ERROR_SUCCESS,
                  ::RegOpenKeyExW(HKEY_LOCAL_MACHINE, kSessionManager, 0, KEY_WRITE, &key));
        ::RegSetValueExW(key, kPendingRenames, 0, REG_MULTI_SZ,
                         reinterpret_cast<const BYTE*>(kEntry), sizeof(kEntry));
        ::RegCloseKey(key);
    }

    static void ExpectBox(const test::MessageBoxContent& box,
                          const wchar_t* text,
                          test::MessageBoxIcon icon) {
        EXPECT_EQ(kCaption, box.caption);
        EXPECT_EQ(text, box.text);
        EXPECT_TRUE(test::ShowsIcon(box, icon));
        EXPECT_EQ(std::vector<int>{IDOK}, box.buttons);
    }

    // Runs to the end a run that must show nothing; a box that appears anyway
    // is reported and answered so that the run can end.
    static void RunUnattended(const std::wstring& arguments) {
        PackageRun run;
        ASSERT_TRUE(run.Start(arguments));
        test::MessageBoxContent box;
        if (run.WaitForBox(kRunTimeoutMs, &box)) {
            ADD_FAILURE() << "unexpected box: " << testing::PrintToString(box.text);
            test::PressOk(box);
        }
        DWORD exit_code = 1;
        ASSERT_TRUE(run.WaitForExit(kSettleMs, &exit_code)) << "the run did not end";
        EXPECT_EQ(0u, exit_code);
    }

    // The client starts of a run that ended (or waits for its user): once
    // every client it started has ended, each has written its journal line.
    static std::vector<std::wstring> SettledClientStarts() {
        EXPECT_TRUE(test::AllEndedWithin(kClient, kSettleMs)) << "a client still runs";
        return ClientStarts();
    }

    static void ExpectNoClientStart() {
        EXPECT_EQ(std::vector<std::wstring>(), SettledClientStarts());
    }

    static void ExpectOneClientStart(const std::wstring& arguments) {
        EXPECT_EQ(std::vector<std::wstring>{arguments}, SettledClientStarts()) << JournalText();
    }

    // A restart that the run asked for runs in Wine's wineboot, started
    // before the run ended: once that has ended, the bystander is gone if
    // there was one.
    void ExpectNoRestart() const {
        ASSERT_TRUE(test::AllEndedWithin(L"wineboot.exe", kSettleMs)) << "a restart still runs";
        EXPECT_FALSE(bystander_.EndedWithin(0));
    }
    void ExpectRestart() const { EXPECT_TRUE(bystander_.EndedWithin(kSettleMs)); }

    SavedPendingRenames saved_renames_;
    Bystander bystander_;
};

// Cases in which the machine restarts: this program must outlive the restart
// to see it, so it denies everyone the right to end it.
class CompletionRestartTest : public CompletionTest {
  protected:
    void SetUp() override {
        ASSERT_TRUE(ShieldFromRestart());
        CompletionTest::SetUp();
    }

    // Answers the restart box of an attended run with answer and checks that
    // the machine restarts.
    void ExpectRestartAfter(bool (*answer)(const test::MessageBoxContent&)) {
        PackageRun run;
        ASSERT_TRUE(run.Start(L""));
        test::MessageBoxContent box;
        ASSERT_TRUE(run.WaitForBox(kRunTimeoutMs, &box));
        ExpectBox(box, kRestartText, test::MessageBoxIcon::kWarning);
        const size_t journal_lines = test::ReadJournal().size();

        ASSERT_TRUE(answer(box));
        ExpectRestart();
        DWORD exit_code = 1;
        EXPECT_TRUE(run.WaitForExit(kSettleMs, &exit_code));
        ExpectNoClientStart();
        EXPECT_EQ(journal_lines, test::ReadJournal().size());
    }

  private:
    static bool ShieldFromRestart() {
        PSECURITY_DESCRIPTOR descriptor = nullptr;
        // Deny PROCESS_TERMINATE (1) to everyone, allow the rest.
        if (!::ConvertStringSecurityDescriptorToSecurityDescriptorW(
                L"D:(D;;0x0001;;;WD)(A;;0x1fffff;;;WD)", SDDL_REVISION_1, &descriptor, nullptr)) {
            return false;
        }
        UniqueLocalMemory owned(descriptor);
        BOOL present = FALSE;
        BOOL defaulted = FALSE;
        PACL dacl = nullptr;
        return ::GetSecurityDescriptorDacl(descriptor, &present, &dacl, &defaulted) &&
               ::SetSecurityInfo(::GetCurrentProcess(), SE_KERNEL_OBJECT, DACL_SECURITY_INFORMATION,
                                 nullptr, nullptr, dacl, nullptr) == ERROR_SUCCESS;
    }
};

TEST_F(CompletionTest, OrdinaryRun_NoRestartPending_ShowsCompleteThenStartsClientPlain) {
    PackageRun run;
    ASSERT_TRUE(run.Start(L""));
    test::MessageBoxContent box;
    ASSERT_TRUE(run.WaitForBox(kRunTimeoutMs, &box));
    ExpectBox(box, kCompleteText, test::MessageBoxIcon::kInformation);
    // The client follows the user's answer, not the box.
    ExpectNoClientStart();

    ASSERT_TRUE(test::PressOk(box));
    DWORD exit_code = 1;
    ASSERT_TRUE(run.WaitForExit(kSettleMs, &exit_code));
    EXPECT_EQ(0u, exit_code);
    ExpectOneClientStart(L"");
    ExpectNoRestart();
}

TEST_F(CompletionTest, OrdinaryRun_RestartNotGranted_ReleasesWithoutStartingClient) {
    SetRestartPending();
    const UniqueHandle token = TokenWithoutShutdownPrivilege();
    ASSERT_TRUE(token);
    PackageRun run;
    ASSERT_TRUE(run.Start(L"", token.Get()));
    test::MessageBoxContent box;
    ASSERT_TRUE(run.WaitForBox(kRunTimeoutMs, &box));
    ExpectBox(box, kRestartText, test::MessageBoxIcon::kWarning);
    ASSERT_TRUE(test::PressOk(box));

    DWORD exit_code = 1;
    ASSERT_TRUE(run.WaitForExit(kSettleMs, &exit_code)) << "the launcher stayed up";
    EXPECT_EQ(0u, exit_code);
    ExpectNoClientStart();
    ExpectNoRestart();
}

TEST_F(CompletionTest, SilentOrdinaryRun_EndsWithoutBoxOrClientWhetherRestartPendingOrNot) {
    RunUnattended(L"/s");
    ExpectNoClientStart();

    SetRestartPending();
    RunUnattended(L"-S");
    ExpectNoClientStart();
    ExpectNoRestart();
}

TEST_F(CompletionTest, ZeuInstall_NoRestartPending_StartsNothing) {
    RequestMode(Mode::kZeuInstallSilent);
    RunUnattended(L"/s");
    ExpectNoClientStart();
    ExpectNoRestart();
}

// The restart is asked for by the new setup ("Reboot" in the installer's key)
// or by a pending replacement of a product file.
TEST_F(CompletionTest, ZeuInstall_RestartPending_StartsClientToShowReboot) {
    for (const bool asked_by_setup : {true, false}) {
        SCOPED_TRACE(asked_by_setup ? "asked by the setup" : "pending rename");
        test::ClearJournal();
        RequestMode(Mode::kZeuInstallSilent);
        if (asked_by_setup) {
            test::SetBehaviour(L"setup.exe", L"request_restart", 1);
        } else {
            test::ClearBehaviour();
            SetRestartPending();
        }
        RunUnattended(L"/s");
        ExpectOneClientStart(L"/ShowReboot");
    }
    ExpectNoRestart();
}

// A setup that installs nothing: whoever watches is told, nothing is handed
// over, and the exit code says so.
TEST_F(CompletionTest, SetupInstallsNothing_AttendedModesShowFailureAndExitWith2) {
    for (const bool self_repair_run : {false, true}) {
        SCOPED_TRACE(self_repair_run ? "self-repair run" : "ordinary run");
        Clean();
        test::SetDwordValue(HKEY_LOCAL_MACHINE, kSharedInfoKey, KEY_WOW64_64KEY, L"dwLocation",
                            kEuropeLocation);
        test::SetBehaviour(L"setup.exe", L"fail", 1);
        if (self_repair_run) {
            RequestMode(Mode::kZusrInstall);
        }
        PackageRun run;
        ASSERT_TRUE(run.Start(L""));
        test::MessageBoxContent box;
        ASSERT_TRUE(run.WaitForBox(kRunTimeoutMs, &box));
        ExpectBox(box, kFailedText, test::MessageBoxIcon::kWarning);
        ASSERT_TRUE(test::PressOk(box));
        DWORD exit_code = 0;
        ASSERT_TRUE(run.WaitForExit(kSettleMs, &exit_code));
        EXPECT_EQ(2u, exit_code);
        ExpectNoClientStart();
        EXPECT_TRUE(UltimateRepairRuns().empty());
    }
    ExpectNoRestart();
}

TEST_F(CompletionTest, LaunchInstaller_AlwaysStartsClientRunByInstallerWithoutBox) {
    for (const bool restart : {false, true}) {
        for (const wchar_t* arguments : {L"", L"/s"}) {
            SCOPED_TRACE(testing::Message() << "restart " << restart << ", arguments "
                                            << testing::PrintToString(std::wstring(arguments)));
            test::ClearJournal();
            RequestMode(Mode::kLaunchInstaller);
            if (restart) {
                SetRestartPending();
            }
            RunUnattended(arguments);
            ExpectOneClientStart(L"/RunByInstaller");
        }
    }
    ExpectNoRestart();
}

TEST_F(CompletionTest, ZusrInstall_NoRestartPending_HandsOverToToolThenCompletesAndStartsClient) {
    RequestMode(Mode::kZusrInstall);
    // The tool's run is waited for before the user hears anything.
    test::SetBehaviour(L"ZUSR.exe /UltimateRepairSucceed", L"sleep_ms", 2000);
    PackageRun run;
    ASSERT_TRUE(run.Start(L""));
    test::MessageBoxContent box;
    ASSERT_TRUE(run.WaitForBox(kRunTimeoutMs, &box));
    ExpectBox(box, kCompleteText, test::MessageBoxIcon::kInformation);
    const std::vector<test::JournalRecord> runs = UltimateRepairRuns();
    ASSERT_EQ(1u, runs.size());
    EXPECT_EQ(0, ::lstrcmpiW((ProductFolder() + L"\\ZUSR.exe").c_str(), runs[0].path.c_str()));
    UniqueHandle tool(::OpenProcess(SYNCHRONIZE, FALSE, runs[0].pid));
    EXPECT_FALSE(tool && IsProcessAlive(tool.Get())) << "the box came before the tool ended";
    ExpectNoClientStart();

    ASSERT_TRUE(test::PressOk(box));
    DWORD exit_code = 1;
    ASSERT_TRUE(run.WaitForExit(kSettleMs, &exit_code));
    EXPECT_EQ(0u, exit_code);
    ExpectOneClientStart(L"");
    ExpectNoRestart();
}

TEST_F(CompletionRestartTest, OrdinaryRun_RestartPending_OkRestartsWithoutRelease) {
    SetRestartPending();
    ExpectRestartAfter(test::PressOk);
}

TEST_F(CompletionRestartTest, OrdinaryRun_RestartPending_TitleBarCloseAlsoRestarts) {
    SetRestartPending();
    ExpectRestartAfter(test::CloseWithTitleBar);
}

TEST_F(CompletionRestartTest, ZusrInstall_RestartPending_HandsOverToToolThenAsksAndRestarts) {
    RequestMode(Mode::kZusrInstall);
    SetRestartPending();
    PackageRun run;
    ASSERT_TRUE(run.Start(L""));
    test::MessageBoxContent box;
    ASSERT_TRUE(run.WaitForBox(kRunTimeoutMs, &box));
    ExpectBox(box, kRestartText, test::MessageBoxIcon::kWarning);
    EXPECT_EQ(1u, UltimateRepairRuns().size());
    ExpectNoClientStart();

    // The client start that follows the request races the restart; only the
    // restart itself is certain.
    ASSERT_TRUE(test::PressOk(box));
    ExpectRestart();
    DWORD exit_code = 1;
    EXPECT_TRUE(run.WaitForExit(kSettleMs, &exit_code));
}

}  // namespace
}  // namespace zu
