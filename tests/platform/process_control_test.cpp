#include "platform/process_control.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "platform/product_names.h"
#include "platform/scoped_handle.h"
#include "standins/standin_contract.h"
#include "tests/support/child_process.h"
#include "tests/support/file_fixture.h"
#include "tests/support/journal.h"
#include "tests/support/machine_paths.h"
#include "tests/support/test_paths.h"

namespace zu {
namespace {

constexpr DWORD kEndTimeoutMs = 15000;

// A folder of the test's own under %TEMP% for the programs it starts; gone
// when the test ends.
class ScratchFolder {
  public:
    explicit ScratchFolder(const wchar_t* name) {
        wchar_t temp[MAX_PATH] = {};
        ::GetTempPathW(MAX_PATH, temp);
        path_ = std::wstring(temp) + L"zu-process-" + name;
        test::DeletePath(path_);
        ::CreateDirectoryW(path_.c_str(), nullptr);
    }
    ~ScratchFolder() { test::DeletePath(path_); }

    // Copies program into the folder as name; returns the copy's path.
    std::wstring Put(const std::wstring& program, const wchar_t* name) const {
        const std::wstring copy = path_ + L"\\" + name;
        EXPECT_TRUE(::CopyFileW(program.c_str(), copy.c_str(), FALSE)) << "missing " << program;
        return copy;
    }
    const std::wstring& path() const { return path_; }

  private:
    std::wstring path_;
};

// Tests that run stand-ins start with none running and no behaviour set, and
// leave no stand-in process, behaviour file or journal behind.
class StandinTest : public testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(test::EndStandinProcesses());
        test::ClearBehaviour();
        test::ClearJournal();
    }
    void TearDown() override {
        test::ClearBehaviour();
        EXPECT_TRUE(test::EndStandinProcesses());
        test::ClearJournal();
        ::RemoveDirectoryW(standin::kJournalFolder);
    }
};

struct Started {
    UniqueHandle process;
    DWORD id = 0;
};

Started Start(const std::wstring& program) {
    std::wstring line = test::Quote(program);
    STARTUPINFOW startup = {};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION info = {};
    Started started;
    if (::CreateProcessW(nullptr, &line[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                         &info)) {
        UniqueHandle thread(info.hThread);
        started.process.Reset(info.hProcess);
        started.id = info.dwProcessId;
    }
    EXPECT_TRUE(started.process.IsValid()) << "cannot start " << program;
    return started;
}

bool Ends(const Started& started, DWORD timeout_ms) {
    return ::WaitForSingleObject(started.process.Get(), timeout_ms) == WAIT_OBJECT_0;
}

DWORD ElapsedSince(DWORD start_ticks) {
    return ::GetTickCount() - start_ticks;
}

TEST(ProcessLaunch, MissingProgram_StartsNothingAndReturnsAtOnce) {
    ScratchFolder folder(L"missing");
    const std::wstring missing = folder.path() + L"\\missing.exe";
    const DWORD start = ::GetTickCount();
    ShellRun(missing, L"", true);
    ShellRun(missing, L"", false);
    ShellRunShown(L"/SummonGuard", missing);
    DWORD exit_code = 12345;
    EXPECT_FALSE(RunAndWait(test::Quote(missing), &exit_code));
    EXPECT_EQ(12345u, exit_code);
    EXPECT_LT(ElapsedSince(start), 1000u);
}

using ProcessLaunchTest = StandinTest;

TEST_F(ProcessLaunchTest, ShellRunEachWay_PassesParametersAndWaitsOnlyWhenItShould) {
    test::SetBehaviour(kClientExe, L"sleep_ms", 2000);
    const std::wstring client = test::StandinPath(kClientExe);

    DWORD start = ::GetTickCount();
    ShellRun(client, L"/ShowReboot", true);
    EXPECT_GE(ElapsedSince(start), 1900u);
    EXPECT_EQ(0u, test::FindProcessId(kClientExe));

    start = ::GetTickCount();
    ShellRunShown(L"/RunByInstaller", client);
    EXPECT_GE(ElapsedSince(start), 1900u);
    EXPECT_EQ(0u, test::FindProcessId(kClientExe));

    // Still there on return: the call did not wait for it. A time bound would
    // fail where a program's start alone takes a second or more.
    ShellRun(client, L"", false);
    EXPECT_NE(0u, test::FindProcessId(kClientExe));

    ASSERT_TRUE(test::WaitForStarts(kClientExe, 3, kEndTimeoutMs));
    // Read again until the third line reads whole: the last client may still
    // be writing to the journal.
    std::vector<test::JournalRecord> starts = test::StartsOf(kClientExe);
    for (int attempt = 0; starts.size() < 3 && attempt < 50; ++attempt) {
        ::Sleep(100);
        starts = test::StartsOf(kClientExe);
    }
    ASSERT_EQ(3u, starts.size());
    EXPECT_EQ(L"/ShowReboot", starts[0].arguments);
    EXPECT_EQ(L"/RunByInstaller", starts[1].arguments);
    EXPECT_EQ(L"", starts[2].arguments);
}

TEST_F(ProcessLaunchTest, RunAndWait_ProgramEnds_ReportsItsExitCode) {
    test::SetBehaviour(kClientExe, L"exit_code", 7);
    DWORD exit_code = 0;
    EXPECT_TRUE(RunAndWait(test::Quote(test::StandinPath(kClientExe)) + L" /haltall", &exit_code));
    EXPECT_EQ(7u, exit_code);
    const std::vector<test::JournalRecord> starts = test::StartsOf(kClientExe);
    ASSERT_EQ(1u, starts.size());
    EXPECT_EQ(L"/haltall", starts[0].arguments);
}

TEST_F(ProcessLaunchTest, RunAndWait_ProgramRunsPast30Seconds_ReturnsStillActiveLeavesItRunning) {
    test::SetBehaviour(kClientExe, L"hang", 1);
    DWORD exit_code = 0;
    const DWORD start = ::GetTickCount();
    EXPECT_TRUE(RunAndWait(test::Quote(test::StandinPath(kClientExe)), &exit_code));
    const DWORD elapsed = ElapsedSince(start);
    EXPECT_GE(elapsed, 29900u);
    EXPECT_LT(elapsed, 35000u);
    EXPECT_EQ(STILL_ACTIVE, exit_code);
    EXPECT_NE(0u, test::FindProcessId(kClientExe));
}

using ProcessByNameTest = StandinTest;

TEST_F(ProcessByNameTest, TwoProcessesOfOneName_TerminateEndsOnlyOneAndNamesIgnoreCase) {
    test::SetBehaviour(kClientExe, L"hang", 1);
    Started first = Start(test::StandinPath(kClientExe));
    Started second = Start(test::StandinPath(kClientExe));
    EXPECT_TRUE(IsProcessRunning(L"zemiupdt.exe"));
    EXPECT_FALSE(IsProcessRunning(L"zemiupdt"));

    TerminateProcessByName(L"ZEMIUPDT.EXE");
    const HANDLE both[] = {first.process.Get(), second.process.Get()};
    const DWORD ended = ::WaitForMultipleObjects(2, both, FALSE, kEndTimeoutMs) - WAIT_OBJECT_0;
    ASSERT_LT(ended, 2u);
    const Started& survivor = (ended == 0) ? second : first;
    EXPECT_FALSE(Ends(survivor, 500));
    EXPECT_TRUE(IsProcessRunning(kClientExe));
    DWORD exit_code = 1;
    EXPECT_TRUE(::GetExitCodeProcess(both[ended], &exit_code));
    EXPECT_EQ(0u, exit_code);

    TerminateProcessByName(L"zemiupdt.exe");
    EXPECT_TRUE(Ends(survivor, kEndTimeoutMs));
    EXPECT_FALSE(IsProcessRunning(kClientExe));
    TerminateProcessByName(kClientExe);  // nothing left to end
}

// The data is copied right after: nothing of that name may still be running.
TEST_F(ProcessByNameTest, EndProcessesByName_EndsEveryOneAndReturnsOnlyWhenTheyAreGone) {
    test::SetBehaviour(kClientExe, L"hang", 1);
    test::SetBehaviour(kAgentExe, L"hang", 1);
    Started clients[] = {Start(test::StandinPath(kClientExe)),
                         Start(test::StandinPath(kClientExe))};
    Started agent = Start(test::StandinPath(kAgentExe));

    EXPECT_TRUE(EndProcessesByName(L"zemiupdt.EXE", kEndTimeoutMs));
    EXPECT_TRUE(Ends(clients[0], 0));
    EXPECT_TRUE(Ends(clients[1], 0));
    EXPECT_FALSE(Ends(agent, 0));
    EXPECT_TRUE(EndProcessesByName(kClientExe, 0));  // none left: done at once
    EXPECT_TRUE(EndProcessesByName(kAgentExe, kEndTimeoutMs));
}

TEST_F(ProcessByNameTest, Taskkill_ClientAndAgent_EachEndsEveryProcessOfItsOwnName) {
    test::SetBehaviour(kClientExe, L"hang", 1);
    test::SetBehaviour(kAgentExe, L"hang", 1);
    Started clients[] = {Start(test::StandinPath(kClientExe)),
                         Start(test::StandinPath(kClientExe))};
    Started agent = Start(test::StandinPath(kAgentExe));

    // Each returns only once its taskkill has ended: one still running could
    // catch a later start of the same program.
    TaskkillClient();
    EXPECT_EQ(0u, test::FindProcessId(L"taskkill.exe"));
    EXPECT_TRUE(Ends(clients[0], kEndTimeoutMs));
    EXPECT_TRUE(Ends(clients[1], kEndTimeoutMs));
    EXPECT_FALSE(Ends(agent, 0));

    TaskkillAgent();
    EXPECT_EQ(0u, test::FindProcessId(L"taskkill.exe"));
    EXPECT_TRUE(Ends(agent, kEndTimeoutMs));
}

using StopSelfRepairToolTest = StandinTest;

TEST_F(StopSelfRepairToolTest, ToolNotRunningOrStaysEnded_ReturnsFalse) {
    DWORD start = ::GetTickCount();
    EXPECT_FALSE(StopSelfRepairTool());
    EXPECT_LT(ElapsedSince(start), 500u);

    test::SetBehaviour(kSelfRepairExe, L"hang", 1);
    Started tool = Start(test::StandinPath(kSelfRepairExe));
    start = ::GetTickCount();
    EXPECT_FALSE(StopSelfRepairTool());
    EXPECT_LT(ElapsedSince(start), 2500u);  // one attempt
    EXPECT_TRUE(Ends(tool, 0));
}

TEST_F(StopSelfRepairToolTest, ToolRestartsItself_GivesUpAfterThirtyAttempts) {
    // The scenario needs a tool that is back within the launcher's 1 s between
    // attempts. In the emulated machine (its harness scales the time limits) a
    // program start alone takes longer, so the tool there cannot come back in
    // time and the launcher rightly finds it ended.
    const char* scale = std::getenv("ZU_TEST_TIME_SCALE");
    if (scale != nullptr && std::atoi(scale) > 1) {
        GTEST_SKIP() << "a program start takes longer than 1 s in the emulated machine";
    }
    test::SetBehaviour(kSelfRepairExe, L"respawn", 1);
    test::SetBehaviour(kSelfRepairExe, L"respawn_ms", 45000);
    Start(test::StandinPath(kSelfRepairExe));
    ASSERT_TRUE(test::WaitForStarts(kSelfRepairExe, 2, kEndTimeoutMs));  // the pair is up
    const DWORD start = ::GetTickCount();
    EXPECT_TRUE(StopSelfRepairTool());
    const DWORD elapsed = ElapsedSince(start);
    EXPECT_GE(elapsed, 29900u);
    EXPECT_LT(elapsed, 40000u);
    // Each of the 30 terminations made the pair start one more member.
    EXPECT_EQ(32u, test::StartsOf(kSelfRepairExe).size());
}

using GetProcessImagePathTest = StandinTest;

TEST_F(GetProcessImagePathTest, RunningOrGoneProcess_GivesFullPathOrLeavesPathAlone) {
    test::SetBehaviour(kClientExe, L"hang", 1);
    ScratchFolder folder(L"image");
    const std::wstring client = folder.Put(test::StandinPath(kClientExe), kClientExe);
    Started started = Start(client);
    // Its module list exists once its loader has run; by then it has written its start.
    ASSERT_TRUE(test::WaitForStarts(kClientExe, 1, kEndTimeoutMs));

    std::wstring path;
    EXPECT_TRUE(GetProcessImagePath(started.id, &path));
    EXPECT_EQ(0, _wcsicmp(client.c_str(), path.c_str())) << path;
    EXPECT_TRUE(GetProcessImagePath(::GetCurrentProcessId(), &path));
    EXPECT_EQ(0, _wcsicmp(test::OwnPath().c_str(), path.c_str())) << path;

    ::TerminateProcess(started.process.Get(), 1);
    ASSERT_TRUE(Ends(started, kEndTimeoutMs));
    const DWORD gone = started.id;
    started.process.Reset();
    path = L"untouched";
    EXPECT_FALSE(GetProcessImagePath(gone, &path));
    EXPECT_EQ(L"untouched", path);
}

// The launcher is the probe here, in trees of copies of itself (the probe's
// "/spawn" mode stands for an intermediate process) or under the package.
class CopyInvokerImageTest : public StandinTest {
  protected:
    static constexpr wchar_t kTarget[] = L"Invoker.exe";

    void SetUp() override {
        maker_folder_ = test::ProgramData() + kMakerDataFolderTail;
        copy_ = test::ProgramData() + kSelfRepairFolderTail + L"\\" + kTarget;
        test::DeletePath(maker_folder_);
        StandinTest::SetUp();
    }
    void TearDown() override {
        StandinTest::TearDown();
        test::DeletePath(maker_folder_);
    }

    // Runs a tree of probes: each but the last spawns the next; the last acts
    // as the launcher. Returns the launcher's exit code.
    DWORD RunTree(const std::vector<std::wstring>& programs) {
        std::wstring command;
        for (size_t i = 0; i < programs.size(); ++i) {
            command += test::Quote(programs[i]) + (i + 1 < programs.size() ? L" /spawn " : L" ");
        }
        DWORD exit_code = 99;
        EXPECT_TRUE(test::RunProgram(command + kTarget, 60000, &exit_code)) << command;
        return exit_code;
    }

    std::wstring Probe(const wchar_t* name) const {
        return folder_.Put(test::TestBinDir() + L"\\invoker_probe.exe", name);
    }

    ScratchFolder folder_{L"invoker"};
    std::wstring maker_folder_;
    std::wstring copy_;
};

TEST_F(CopyInvokerImageTest, StartedThroughIntermediate_CopiesTheGrandparent) {
    EXPECT_EQ(1u, RunTree({Probe(L"middle.exe"), Probe(L"ZUInstaller.exe")}));
    const auto copy = test::FileBytes(copy_);
    ASSERT_TRUE(copy.has_value());
    EXPECT_TRUE(copy == test::FileBytes(test::OwnPath()));
}

TEST_F(CopyInvokerImageTest, DesktopShellAsParentOrGrandparent_CopiesNothing) {
    const std::wstring shell = Probe(L"Explorer.EXE");
    const std::wstring middle = Probe(L"middle.exe");
    const std::wstring launcher = Probe(L"ZUInstaller.exe");
    EXPECT_EQ(0u, RunTree({shell, launcher}));
    EXPECT_EQ(0u, RunTree({shell, middle, launcher}));
    EXPECT_FALSE(test::FileExists(copy_));
}

TEST_F(CopyInvokerImageTest, StartedThroughPackage_CopiesThePackage) {
    const std::wstring package =
        folder_.Put(test::StandinPath(L"ZEMIUpdatePackage.exe"), L"ZEMIUpdatePackage.exe");
    Probe(L"ZUInstaller.exe");
    DWORD exit_code = 99;
    ASSERT_TRUE(test::RunProgram(test::Quote(package) + L" " + kTarget, 60000, &exit_code));
    EXPECT_EQ(1u, exit_code);
    const auto copy = test::FileBytes(copy_);
    ASSERT_TRUE(copy.has_value());
    EXPECT_TRUE(copy == test::FileBytes(package));
}

}  // namespace
}  // namespace zu
