// The earlier generations' servers unregistering themselves and the new
// package's registrations, seen through the stand-ins' journal: the agent and
// internet-wrapper stand-ins record their starts, and a server DLL that
// regsvr32 loads (unregistration_probe.cpp) records regsvr32's command line
// and which entry point regsvr32 called.
#include "legacy/server_registration.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <cwctype>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "platform/process_control.h"
#include "standins/standin_contract.h"
#include "tests/support/child_process.h"
#include "tests/support/file_fixture.h"
#include "tests/support/journal.h"
#include "tests/support/machine_fixture.h"
#include "tests/support/machine_paths.h"
#include "tests/support/registry_fixture.h"
#include "tests/support/registry_value_fixture.h"
#include "tests/support/test_paths.h"

namespace zu {
namespace {

constexpr wchar_t kAgent[] = L"dariziz.exe";
constexpr wchar_t kInternetWrapper[] = L"InternetWrapper.exe";
// The full set of servers of one folder, in the order they are unregistered.
const std::vector<std::wstring> kServerFiles = {
    kAgent,      kInternetWrapper, L"InternetWrapperPS.dll", L"DARizizPS.dll", L"DARizizPS64.dll",
    L"ZUAC.dll", L"ZUAC64.dll",
};

std::wstring Lower(std::wstring text) {
    for (wchar_t& c : text) {
        c = static_cast<wchar_t>(std::towlower(c));
    }
    return text;
}

bool IsDll(const std::wstring& file) {
    return Lower(file).find(L".dll") != std::wstring::npos;
}

// Where the system's 32-bit programs lie: a 32-bit process that starts one
// from the system folder of 64-bit Windows gets the one in SysWOW64.
std::wstring SystemFolderOf32BitPrograms() {
    wchar_t folder[MAX_PATH] = {};
    if (::GetSystemWow64DirectoryW(folder, MAX_PATH) == 0) {
        ::GetSystemDirectoryW(folder, MAX_PATH);
    }
    return folder;
}

// One program run as the journal shows it: the program's path (for a DLL,
// the regsvr32 that loaded it) and its arguments.
std::wstring RunLine(const std::wstring& path, const std::wstring& arguments) {
    return Lower(path) + L" | " + arguments;
}

// Every start in the journal, in order; a DLL's start counts only together
// with the entry point that regsvr32 called, which follows it.
std::vector<std::wstring> RecordedRuns() {
    std::vector<std::wstring> runs;
    std::map<DWORD, std::wstring> dll_starts;
    for (const test::JournalRecord& record : test::ReadJournal()) {
        const std::wstring line = RunLine(record.path, record.arguments);
        if (record.is_start && !IsDll(record.program)) {
            runs.push_back(line);
        } else if (record.is_start) {
            dll_starts[record.pid] = line;
        } else if (dll_starts.count(record.pid) != 0) {
            runs.push_back(dll_starts[record.pid] + L" -> " + record.event);
        }
    }
    return runs;
}

std::wstring ExpectedRun(const std::wstring& folder, const std::wstring& file) {
    const std::wstring path = folder + L"\\" + file;
    if (IsDll(file)) {
        return RunLine(SystemFolderOf32BitPrograms() + L"\\regsvr32.exe",
                       L"/s /u \"" + path + L"\"") +
               L" -> DllUnregisterServer";
    }
    return RunLine(path, L"/Unregserver");
}

// Tests start with no stand-in running, no behaviour and no journal, and
// leave none; the machine fixture removes the folders it laid out.
class ServerRegistrationTest : public testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(test::EndStandinProcesses());
        test::ClearBehaviour();
        test::ClearJournal();
        ASSERT_FALSE(test::FolderExists(Native(L"")));
        ASSERT_FALSE(test::FolderExists(ProgramFiles32(L"")));
    }
    void TearDown() override {
        test::ClearBehaviour();
        EXPECT_TRUE(test::EndStandinProcesses());
        test::ClearJournal();
        ::RemoveDirectoryW(standin::kJournalFolder);
    }

    static std::wstring Native(const std::wstring& tail) {
        return test::NativeProgramFiles() + L"\\Koru" + tail;
    }
    static std::wstring ProgramFiles32(const std::wstring& tail) {
        return test::ProgramFiles32() + L"\\Koru" + tail;
    }

    // Puts the servers into folder: the stand-ins for the executables, the
    // recording DLL for the DLLs.
    void PlaceServers(const std::wstring& folder, const std::vector<std::wstring>& files) {
        ASSERT_TRUE(machine_.CreateFolder(folder));
        for (const std::wstring& file : files) {
            const std::wstring source =
                IsDll(file) ? test::TestBinDir() + L"\\unregistration_probe.dll"
                            : test::StandinPath(file == kAgent ? L"DARiziz.exe" : file);
            ASSERT_TRUE(machine_.CopyFile(source, folder + L"\\" + file));
            placed_[Lower(folder)].insert(Lower(file));
        }
    }

    // The runs that the servers placed in folder make, in the full set's order.
    std::vector<std::wstring> ExpectedRuns(const std::wstring& folder) {
        std::vector<std::wstring> runs;
        for (const std::wstring& file : kServerFiles) {
            if (placed_[Lower(folder)].count(Lower(file)) != 0) {
                runs.push_back(ExpectedRun(folder, file));
            }
        }
        return runs;
    }

    test::Machine machine_;
    std::map<std::wstring, std::set<std::wstring>> placed_;
};

// Every folder with servers; on 32-bit Windows the native and the 32-bit
// Program Files folders are one, so "ZEMI Update 4" and "ZEMI Update 3" are
// each visited twice.
TEST_F(ServerRegistrationTest, UnregisterLegacyServers_EveryFolder_RunsEachServerInOrderOnce) {
    const std::wstring product = Native(L"\\ZEMI Update");
    PlaceServers(product, kServerFiles);
    PlaceServers(Native(L"\\ZEMI Update 5"), kServerFiles);
    PlaceServers(Native(L"\\ZEMI Update 4"), {kInternetWrapper});
    PlaceServers(Native(L"\\ZEMI Update Common"), {L"ZUAC.dll"});  // no agent
    PlaceServers(ProgramFiles32(L"\\ZEMI Update 4"), {kAgent});
    PlaceServers(Native(L"\\ZEMI Update 3"), {L"ZUAC64.dll"});
    PlaceServers(ProgramFiles32(L"\\ZEMI Update 3"), {L"DARizizPS.dll"});
    PlaceServers(ProgramFiles32(L"\\ZEMI Update 2"), {kAgent});

    UnregisterLegacyServers();

    // In the current product's folder only the agent.
    std::vector<std::wstring> expected = {ExpectedRun(product, kAgent)};
    for (const std::wstring& folder :
         {Native(L"\\ZEMI Update 5"), Native(L"\\ZEMI Update 4"), Native(L"\\ZEMI Update Common"),
          ProgramFiles32(L"\\ZEMI Update 4"), Native(L"\\ZEMI Update 3"),
          ProgramFiles32(L"\\ZEMI Update 3"), ProgramFiles32(L"\\ZEMI Update 2")}) {
        for (const std::wstring& run : ExpectedRuns(folder)) {
            expected.push_back(run);
        }
    }
    EXPECT_EQ(expected, RecordedRuns());
}

TEST_F(ServerRegistrationTest, RegisterAgentService_AgentInstalled_RunsItWithServiceAndWaits) {
    const std::wstring folder = Native(L"\\ZEMI Update");
    PlaceServers(folder, {kAgent});
    // An earlier generation's agent is not the one to register.
    PlaceServers(Native(L"\\ZEMI Update 5"), {kAgent});
    test::SetBehaviour(L"dariziz.exe", L"sleep_ms", 1500);

    RegisterAgentService();

    EXPECT_FALSE(IsProcessRunning(L"dariziz.exe"));
    EXPECT_EQ(std::vector<std::wstring>{RunLine(folder + L"\\" + kAgent, L"/service")},
              RecordedRuns());
}

// The package's registration from a package folder around a stand-in for the
// launcher (registration_launcher.cpp); the folder name has a blank, as
// Program Files has, so that an unquoted path would show.
class PackageRegistrationTest : public ServerRegistrationTest {
  protected:
    static constexpr wchar_t kPackageFolder[] = L"C:\\zu package";
    static constexpr wchar_t kImportedKey[] = L"SOFTWARE\\Koru Corporation\\ZEMI Update Package";
    static constexpr wchar_t kMakerKey[] = L"SOFTWARE\\Koru Corporation";

    void SetUp() override {
        ServerRegistrationTest::SetUp();
        for (REGSAM view : {KEY_WOW64_64KEY, KEY_WOW64_32KEY}) {
            ASSERT_FALSE(test::KeyExists(HKEY_LOCAL_MACHINE, kMakerKey, view));
        }
        ASSERT_TRUE(machine_.CreateFolder(kPackageFolder));
        ASSERT_TRUE(machine_.CopyFile(test::TestBinDir() + L"\\registration_launcher.exe",
                                      Beside(L"ZUInstaller.exe")));
        for (const wchar_t* file : {L"ZULauncherFor64OS.exe", L"RegInfo\\32\\Reg32.reg"}) {
            ASSERT_TRUE(machine_.CopyFile(test::DistDir() + L"\\" + file, Beside(file)));
        }
    }
    void TearDown() override {
        // What the registry import made.
        for (REGSAM view : {KEY_WOW64_64KEY, KEY_WOW64_32KEY}) {
            test::DeleteKeyTree(HKEY_LOCAL_MACHINE, kMakerKey, view);
        }
        ServerRegistrationTest::TearDown();
    }

    static std::wstring Beside(const std::wstring& file) {
        return std::wstring(kPackageFolder) + L"\\" + file;
    }

    static void RunLauncher() {
        DWORD exit_code = ~0u;
        ASSERT_TRUE(test::RunProgram(test::Quote(Beside(L"ZUInstaller.exe")), 60000, &exit_code));
        EXPECT_EQ(0u, exit_code);
    }

    static bool WaitForImport(DWORD timeout_ms) {
        for (DWORD waited = 0; waited < timeout_ms; waited += 100) {
            if (test::StringValue(HKEY_LOCAL_MACHINE, kImportedKey, 0, L"Edition") == L"32") {
                return true;
            }
            ::Sleep(100);
        }
        return false;
    }
};

TEST_F(PackageRegistrationTest, ImportPackageRegistration_64BitWindows_RunsLauncherBesideAndWaits) {
    if (!test::RegistryViewsAreSeparate()) {
        GTEST_SKIP() << "the registry file is imported on 32-bit Windows";
    }
    test::SetBehaviour(L"ZULauncherFor64OS.exe", L"sleep_ms", 1500);

    RunLauncher();

    EXPECT_FALSE(IsProcessRunning(L"ZULauncherFor64OS.exe"));
    EXPECT_EQ(std::vector<std::wstring>{RunLine(Beside(L"ZULauncherFor64OS.exe"), L"")},
              RecordedRuns());
    for (REGSAM view : {KEY_WOW64_64KEY, KEY_WOW64_32KEY}) {
        EXPECT_FALSE(test::KeyExists(HKEY_LOCAL_MACHINE, kImportedKey, view));
    }
}

TEST_F(PackageRegistrationTest, ImportPackageRegistration_32BitWindows_ImportsRegistryFile) {
    if (test::RegistryViewsAreSeparate()) {
        GTEST_SKIP() << "the launcher beside runs on 64-bit Windows";
    }

    RunLauncher();

    EXPECT_TRUE(WaitForImport(15000));
    EXPECT_EQ(std::optional<DWORD>(1),
              test::DwordValue(HKEY_LOCAL_MACHINE, kImportedKey, 0, L"Registered"));
    EXPECT_TRUE(RecordedRuns().empty());
}

}  // namespace
}  // namespace zu
