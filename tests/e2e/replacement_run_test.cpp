// Whole runs through the package on a machine with an earlier generation: the
// client's data survives the replacement, and the self-repair guard decides
// whether the replacement may go ahead at all.
#include <gtest/gtest.h>

#include <windows.h>

#include <tlhelp32.h>

#include <functional>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include "platform/scoped_handle.h"
#include "region/region_table.h"
#include "standins/outside_identifiers.h"
#include "tests/e2e/machine_snapshot.h"
#include "tests/support/child_process.h"
#include "tests/support/file_fixture.h"
#include "tests/support/host_program.h"
#include "tests/support/journal.h"
#include "tests/support/launcher_process.h"
#include "tests/support/machine_fixture.h"
#include "tests/support/machine_paths.h"
#include "tests/support/package_copy.h"
#include "tests/support/product_state.h"
#include "tests/support/registry_fixture.h"
#include "tests/support/registry_value_fixture.h"
#include "tests/support/test_paths.h"

namespace zu {
namespace {

constexpr DWORD kRunTimeoutMs = 180000;
constexpr wchar_t kScratchKey[] = L"SOFTWARE\\Koru Corporation\\ZEMI Update Installer";
constexpr wchar_t kProductKey[] = L"SOFTWARE\\Koru Corporation\\ZEMI Update";
constexpr REGSAM k64 = KEY_WOW64_64KEY;
constexpr REGSAM k32 = KEY_WOW64_32KEY;
constexpr wchar_t kUninstallKey[] = L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\";
constexpr wchar_t kRunKey[] = L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Run";
constexpr wchar_t kTaskFolder[] = L"\\Koru Corporation\\ZEMI Update";
// Another product of the maker beside the client: no run may touch it.
constexpr wchar_t kNeighbourKey[] = L"SOFTWARE\\Koru Corporation\\Display Tuner";
constexpr DWORD kInstallFailed = 2;
// What the client keeps across generations, below the data folder.
constexpr const wchar_t* kKeptDataFiles[] = {L"PatchProcessInfo.dat",
                                             L"PatchProcessInfo_V2.0.dat",
                                             L"ItemDisplayListInfo.dat",
                                             L"PatchCheckStatus.dat",
                                             L"UpdateInfo.xml",
                                             L"AppList.XML",
                                             L"ZEMI Update Self Repair\\ZUSR.ini",
                                             L"ZEMI Update Self Repair\\Backup\\RepairList.dat"};

std::wstring SelfRepairFolder() {
    return test::ProgramData() + L"\\Koru Corporation\\ZEMI Update Self Repair";
}
std::wstring TempFolder() {
    return test::ProgramData() + L"\\Koru Corporation\\ZEMI Update Temp";
}
std::wstring ProductFolder() {
    return test::NativeProgramFiles() + L"\\Koru\\ZEMI Update";
}

std::vector<std::wstring> ToolSwitches() {
    std::vector<std::wstring> switches;
    for (const test::JournalRecord& start : test::StartsOf(L"ZUSR.exe")) {
        switches.push_back(start.arguments);
    }
    return switches;
}

bool Contains(const std::vector<std::wstring>& list, const wchar_t* item) {
    for (const std::wstring& entry : list) {
        if (entry == item) {
            return true;
        }
    }
    return false;
}

std::wstring RunLogPath() {
    wchar_t temp[MAX_PATH] = {};
    ::GetTempPathW(MAX_PATH, temp);
    return std::wstring(temp) + L"ZUInstaller.log";
}

bool HasLineWith(const std::string& text, const std::string& first, const std::string& second) {
    size_t begin = 0;
    while (begin < text.size()) {
        const size_t end = std::min(text.find('\n', begin), text.size());
        const std::string line = text.substr(begin, end - begin);
        if (line.find(first) != std::string::npos && line.find(second) != std::string::npos) {
            return true;
        }
        begin = end + 1;
    }
    return false;
}

// The release engineer's log of a run: every program the run started, and the
// exit code of each that it waited for.
void ExpectEveryStartLogged() {
    const std::optional<std::string> bytes = test::FileBytes(RunLogPath());
    ASSERT_TRUE(bytes.has_value());
    std::string log = *bytes;
    for (char& c : log) {
        c = static_cast<char>(::tolower(static_cast<unsigned char>(c)));
    }
    EXPECT_NE(std::string::npos, log.find("run completed, exit code 0")) << log;
    for (const test::JournalRecord& start : test::ReadJournal()) {
        if (!start.is_start || start.program == L"ZEMIUpdatePackage.exe") {
            continue;
        }
        // The file as started: the earlier generation's setup runs as "setup.exe".
        const std::wstring file = start.path.substr(start.path.rfind(L'\\') + 1);
        std::string name(file.begin(), file.end());
        for (char& c : name) {
            c = static_cast<char>(::tolower(static_cast<unsigned char>(c)));
        }
        EXPECT_TRUE(HasLineWith(log, "start ", name)) << name << " not in\n" << log;
        // Only the client and the registration helper are started without a wait.
        if (name != "zemiupdt.exe" && name != "zulauncherfor64os.exe") {
            EXPECT_TRUE(HasLineWith(log, name, " ended with exit code 0"))
                << name << " has no exit code in\n"
                << log;
        }
    }
}

class ReplacementRunTest : public testing::Test {
  protected:
    void SetUp() override {
        test::ResetProductState();
        test::SetSharedRegion();
        ResetBehaviour();
        ASSERT_TRUE(machine_.WriteFile(NeighbourFolder() + L"\\Tuner.exe", "tuner"));
        ASSERT_TRUE(machine_.SetString(HKEY_LOCAL_MACHINE, kNeighbourKey, k64, L"Version", L"2.1"));
    }
    void TearDown() override {
        test::ResetProductState();
        if (!package_.empty()) {
            test::DeletePath(package_);
        }
    }

    // The old setup leaves its folders and product key: what is gone after a
    // run, the launcher removed.
    static void ResetBehaviour() {
        test::ClearBehaviour();
        test::SetBehaviour(L"LegacySetup.exe", L"leave_folders_and_keys", 1);
    }
    static std::wstring NeighbourFolder() {
        return test::NativeProgramFiles() + L"\\Koru\\Display Tuner";
    }

    // The machine as generation 5 left it, for ExpectGeneration5Replaced.
    void TakeMachineBefore() { before_ = test::MachineSnapshot::Take(); }

    // After every run that replaced generation 5, whatever ran before it: its
    // folder, keys, entries, tasks, registrations and shortcut are gone, its
    // setup ran as often as it had to, the new client is there, and nothing
    // else of the maker's or in the areas the run writes to changed.
    void ExpectGeneration5Replaced(size_t old_setup_starts = 1) {
        EXPECT_EQ(old_setup_starts, test::StartsOf(L"LegacySetup.exe").size());
        const std::vector<std::wstring> gone = EarlierGenerationKeys();
        for (const std::wstring& key : gone) {
            for (REGSAM view : {k64, k32}) {
                EXPECT_FALSE(test::KeyExists(HKEY_LOCAL_MACHINE, key, view))
                    << testing::PrintToString(key);
            }
        }
        EXPECT_FALSE(test::FolderExists(Generation5()));
        for (const wchar_t* server : {L"DARiziz.exe", L"InternetWrapper.exe"}) {
            EXPECT_TRUE(RanFromGeneration5(server, L"/Unregserver")) << server;
        }
        EXPECT_FALSE(
            test::KeyExists(HKEY_CURRENT_USER, L"Software\\Koru Corporation\\ZEMI Update 5", 0));
        EXPECT_FALSE(test::ValueExists(HKEY_LOCAL_MACHINE, kRunKey, k64, L"ZEMI Update 5"));
        EXPECT_FALSE(test::TaskExists(kTaskFolder, L"Installer Task"));
        EXPECT_FALSE(test::TaskExists(kTaskFolder, L"ZEMI Update"));
        EXPECT_FALSE(test::FileExists(test::CommonPrograms() + L"\\ZEMI Update 5.lnk"));
        if (old_setup_starts > 0) {
            // What only the old setup removes.
            EXPECT_FALSE(test::KeyExists(
                HKEY_LOCAL_MACHINE, kUninstallKey + std::wstring(outside::kProductCodeGen5), k32));
            EXPECT_FALSE(test::FolderExists(test::SetupCacheFolder(test::Generation::k5)));
        }
        EXPECT_EQ("7.5.0.0\r\n", test::FileBytes(ProductFolder() + L"\\Version.txt"));
        EXPECT_EQ(L"7.5.0.0", test::StringValue(HKEY_LOCAL_MACHINE, kProductKey, k64, L"Version"));
        EXPECT_FALSE(test::FolderExists(TempFolder()));
        EXPECT_FALSE(test::KeyExists(HKEY_LOCAL_MACHINE, kScratchKey, k64));
        std::vector<std::wstring> expected = gone;
        expected.insert(expected.end(),
                        {L"ZEMI Update 5", outside::kProductCodeGen5, L"\\ZEMI Update\\",
                         L"ZEMI Update.lnk", L"ZEMI Update Temp", L"ZEMI Update Installer",
                         L"ZEMI Update Self Repair", L"ZEMI Update Package"});
        EXPECT_EQ(std::vector<std::wstring>(),
                  test::MachineSnapshot::Take().ChangesSince(before_, expected))
            << "changed beside the client";
        EXPECT_EQ("tuner", test::FileBytes(NeighbourFolder() + L"\\Tuner.exe"));
    }

    // Whether program started from generation 5's folder with arguments, in
    // any run of the test.
    static bool RanFromGeneration5(const wchar_t* program, const wchar_t* arguments) {
        const std::wstring path = Generation5() + L"\\" + program;
        for (const test::JournalRecord& start : test::StartsOf(program)) {
            if (_wcsicmp(start.path.c_str(), path.c_str()) == 0 &&
                _wcsicmp(start.arguments.c_str(), arguments) == 0) {
                return true;
            }
        }
        return false;
    }

    // Keys below HKLM that generation 5 (and, on machines that had it, an
    // older one) wrote and no successful run leaves, in either view: product
    // keys, a COM class and server, the application path and entries among
    // the installed programs (generation 5's Windows Installer product of the
    // machine's edition, braced and packed, as Windows Installer names it).
    static std::vector<std::wstring> EarlierGenerationKeys() {
        const bool edition64 = test::RegistryViewsAreSeparate();
        return {L"SOFTWARE\\Koru Corporation\\ZEMI Update 5",
                L"SOFTWARE\\Koru Corporation\\Shared Info\\ZEMI Update 5",
                std::wstring(L"SOFTWARE\\Classes\\CLSID\\") + outside::kClassIdA,
                std::wstring(L"SOFTWARE\\Classes\\AppID\\") + outside::kAppIds[0],
                L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\App Paths\\ZEMIUpdt.exe",
                kUninstallKey + std::wstring(outside::kUninstallEntryCode),
                kUninstallKey + std::wstring(outside::kUninstallCodes[0]),
                kUninstallKey + std::wstring(edition64 ? outside::kProductCodes64[3]
                                                       : outside::kProductCodes32[3]),
                kUninstallKey + std::wstring(edition64 ? L"D226D5CAB26C5AE428A7C5CA71F71538"
                                                       : L"8E1CFEEABF0D270498D2670EEA14436B")};
    }

    // The package in a folder of this test's own, to swap its files.
    void CopyPackage() {
        package_ = test::ProgramData() + L"\\ZU Package Under Test";
        ASSERT_TRUE(test::CopyPackageTo(package_));
    }
    void ReplaceLaunchersTool(const std::wstring& tool) {
        for (const wchar_t* build : {L"32", L"64"}) {
            ASSERT_TRUE(::CopyFileW(tool.c_str(),
                                    (package_ + L"\\ZUSRFeature\\" + build + L"\\ZUSR.exe").c_str(),
                                    FALSE));
        }
    }

    // Runs the package silently (no boxes): the client's automatic run.
    DWORD Run() {
        const std::wstring folder = package_.empty() ? test::DistDir() : package_;
        test::LauncherProcess package;
        EXPECT_TRUE(package.Start(folder + L"\\ZEMIUpdatePackage.exe", L"/s", false));
        DWORD exit_code = 12345;
        EXPECT_TRUE(package.WaitForExit(kRunTimeoutMs, &exit_code));
        return exit_code;
    }

    // An abandoned run: nothing installed, nothing of the earlier generation
    // touched, and the guard's traces gone.
    void ExpectAbandoned(const test::FileTree& generation_before) {
        EXPECT_TRUE(test::StartsOf(L"setup.exe").empty()) << "the new setup ran";
        EXPECT_TRUE(
            test::TreeDifferences(generation_before, test::FilesUnder(Generation5())).empty());
        EXPECT_FALSE(test::FolderExists(SelfRepairFolder()));
        EXPECT_FALSE(test::FolderExists(TempFolder()));
        EXPECT_FALSE(test::KeyExists(HKEY_LOCAL_MACHINE, kScratchKey, KEY_WOW64_64KEY));
    }

    static void ExpectDataKept(const test::FileTree& data_before) {
        const test::FileTree data_after = test::FilesUnder(test::DataFolder());
        for (const wchar_t* kept : kKeptDataFiles) {
            const std::string name = testing::PrintToString(std::wstring(kept));
            const auto before = data_before.find(kept);
            const auto after = data_after.find(kept);
            ASSERT_NE(data_before.end(), before) << "not laid out: " << name;
            ASSERT_NE(data_after.end(), after) << "lost: " << name;
            EXPECT_EQ(before->second, after->second) << "changed: " << name;
        }
    }

    static std::wstring Generation5() {
        return test::ProgramFolder(test::Generation::k5, test::ProgramFolders::kNative);
    }

    test::Machine machine_;
    std::wstring package_;
    test::MachineSnapshot before_;
};

// The road, on a machine that also kept generation 2's uninstall entry: the
// guard comes and goes, the old setup and the new one run, every program
// started is in the release engineer's log with the exit code of each that
// the run waited for.
TEST_F(ReplacementRunTest, Generation5WithData_ReplacedDataKeptAndEveryStartLogged) {
    test::GenerationOptions options;
    options.dataFiles = true;
    options.region = L"EU";
    ASSERT_TRUE(machine_.InstallGeneration(test::Generation::k5, options));
    const test::FileTree data_before = test::FilesUnder(test::DataFolder());
    ASSERT_FALSE(data_before.empty());
    ASSERT_TRUE(
        test::WriteFileBytes(test::DataFolder() + L"\\ZUSUInstallLog.txt", "old entry\r\n"));
    ::DeleteFileW(RunLogPath().c_str());
    ASSERT_TRUE(machine_.SetString(HKEY_LOCAL_MACHINE,
                                   kUninstallKey + std::wstring(outside::kUninstallCodes[0]), k32,
                                   L"DisplayName", L"ZEMI Update 2"));
    // One shortcut that only its name gives away, one that only its target does.
    const std::wstring programs = test::CommonPrograms();
    ASSERT_TRUE(machine_.WriteFile(programs + L"\\ZEMI Update 5.lnk", "not a shortcut"));
    ASSERT_TRUE(machine_.AddShortcut(programs + L"\\ZEMI Update 5 Help.lnk",
                                     Generation5() + L"\\ZEMIUpdt.exe"));
    TakeMachineBefore();

    EXPECT_EQ(0u, Run());

    // What the client keeps across generations comes back byte for byte; the
    // rest of the old data folder goes with the old generation.
    ExpectDataKept(data_before);
    EXPECT_FALSE(test::FolderExists(test::DataFolder() + L"\\App Icon Folder"));
    EXPECT_FALSE(test::FolderExists(test::DataFolder() + L"\\LocalUpdateInfo_V3.0"));
    EXPECT_FALSE(test::FileExists(test::DataFolder() + L"\\ZUSUInstallLog.txt"));
    ExpectGeneration5Replaced();
    EXPECT_FALSE(test::FileExists(programs + L"\\ZEMI Update 5 Help.lnk"));
    const std::vector<std::wstring> switches = ToolSwitches();
    for (const wchar_t* tool_switch : {L"/SummonGuard", L"/ZUSRInstall", L"/DismissGuard"}) {
        EXPECT_TRUE(Contains(switches, tool_switch));
    }
    EXPECT_EQ(1u, test::StartsOf(L"setup.exe").size());
    EXPECT_TRUE(test::FileExists(ProductFolder() + L"\\ZUSR.exe"));
    EXPECT_FALSE(test::FolderExists(SelfRepairFolder()));
    ExpectEveryStartLogged();
}

// The launcher runs elevated from download folders: a DLL planted beside it
// under the name of one that it loads at run time is never loaded, with Wine
// told to prefer such DLLs as Windows does. (Wine's own DLLs load version and
// shlwapi for any program under that override: the import audit judges those.)
TEST_F(ReplacementRunTest, DllsPlantedBesideTheLauncher_NeverLoadedAndTheRunCompletes) {
    const std::wstring overrides = L"Software\\Wine\\AppDefaults\\ZUInstaller.exe\\DllOverrides";
    constexpr const wchar_t* kPlanted[] = {L"wintrust", L"crypt32", L"psapi"};
    CopyPackage();
    for (const wchar_t* name : kPlanted) {
        ASSERT_TRUE(::CopyFileW((test::TestBinDir() + L"\\planted.dll").c_str(),
                                (package_ + L"\\" + name + L".dll").c_str(), FALSE));
        test::SetStringValue(HKEY_CURRENT_USER, overrides, 0, name, L"native,builtin");
    }
    ASSERT_TRUE(machine_.InstallGeneration(test::Generation::k5));

    const DWORD exit_code = Run();
    test::DeleteKeyTree(HKEY_CURRENT_USER, overrides, 0);

    EXPECT_EQ(0u, exit_code);
    for (const wchar_t* name : kPlanted) {
        EXPECT_FALSE(test::FileExists(package_ + L"\\" + name + L".dll.loaded"))
            << "loaded: " << std::string(name, name + wcslen(name));
    }
    // What those DLLs serve still worked: signatures, versions and the
    // package's process were checked, the guard came and went, setup ran.
    EXPECT_TRUE(Contains(ToolSwitches(), L"/DismissGuard"));
    EXPECT_EQ(1u, test::StartsOf(L"setup.exe").size());
}

TEST_F(ReplacementRunTest, UntrustedLaunchersTool_RunAbandonedSilently) {
    ASSERT_TRUE(machine_.InstallGeneration(test::Generation::k5));
    const test::FileTree generation_before = test::FilesUnder(Generation5());
    CopyPackage();
    std::wstring tampered = package_ + L"\\tampered.exe";
    ASSERT_TRUE(
        ::CopyFileW((package_ + L"\\ZUSRFeature\\64\\ZUSR.exe").c_str(), tampered.c_str(), FALSE));
    auto bytes = test::FileBytes(tampered);
    ASSERT_TRUE(bytes.has_value());
    (*bytes)[bytes->size() / 2] ^= 0x5A;
    ASSERT_TRUE(test::WriteFileBytes(tampered, *bytes));

    for (const std::wstring& tool :
         {test::UnsignedToolPath(), tampered, test::UpperCaseSignerToolPath()}) {
        SCOPED_TRACE(std::string(tool.begin(), tool.end()));
        ReplaceLaunchersTool(tool);
        test::ClearJournal();
        EXPECT_EQ(0u, Run());
        ExpectAbandoned(generation_before);
        EXPECT_FALSE(Contains(ToolSwitches(), L"/SummonGuard"));
    }
}

TEST_F(ReplacementRunTest, GuardThatDoesNotComeUp_RunAbandonedAfterDismissal) {
    ASSERT_TRUE(machine_.InstallGeneration(test::Generation::k5));
    const test::FileTree generation_before = test::FilesUnder(Generation5());
    test::SetBehaviour(L"ZUSR.exe", L"no_guard", 1);
    EXPECT_EQ(0u, Run());
    ExpectAbandoned(generation_before);
    const std::vector<std::wstring> switches = ToolSwitches();
    EXPECT_TRUE(Contains(switches, L"/SummonGuard"));
    EXPECT_TRUE(Contains(switches, L"/DismissGuard"));
}

TEST_F(ReplacementRunTest, OldRepairTasksSurviveUninstall_RunAbandoned) {
    ASSERT_TRUE(machine_.InstallGeneration(test::Generation::kLatest));
    ASSERT_TRUE(machine_.InstallGeneration(test::Generation::k5));
    const test::FileTree generation_before = test::FilesUnder(Generation5());
    test::SetBehaviour(L"ZUSR.exe", L"keep_repair", 1);
    EXPECT_EQ(0u, Run());
    ExpectAbandoned(generation_before);
    EXPECT_TRUE(Contains(ToolSwitches(), L"/ZUSRUninstall"));
}

// Ends every running launcher at once, as a power cut or the task manager
// would. Returns how many were ended.
int KillLaunchers() {
    UniqueFileHandle snapshot(::CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0));
    PROCESSENTRY32W entry = {};
    entry.dwSize = sizeof(entry);
    int killed = 0;
    for (BOOL more = ::Process32FirstW(snapshot.Get(), &entry); more;
         more = ::Process32NextW(snapshot.Get(), &entry)) {
        if (::lstrcmpiW(entry.szExeFile, L"ZUInstaller.exe") == 0) {
            UniqueHandle process(::OpenProcess(PROCESS_TERMINATE, FALSE, entry.th32ProcessID));
            killed += process && ::TerminateProcess(process.Get(), 99) ? 1 : 0;
        }
    }
    return killed;
}

// The program that killed the launcher goes on alone: waits until it ended.
// It records the kill only after it, so the package (which ends with the
// launcher) may return first: the record is waited for too.
bool WaitForKiller() {
    for (int attempt = 0; attempt < 100; ++attempt, ::Sleep(100)) {
        for (const test::JournalRecord& record : test::ReadJournal()) {
            if (!record.is_start && record.event == L"killed launcher") {
                UniqueHandle killer(::OpenProcess(SYNCHRONIZE, FALSE, record.pid));
                if (killer) {
                    ::WaitForSingleObject(killer.Get(), 60000);
                }
                return true;
            }
        }
    }
    return false;
}

// Runs work on a thread of its own while the run goes on, as another program
// on the machine would; Join waits for it and gives what it returned.
class Meanwhile {
  public:
    explicit Meanwhile(std::function<bool()> work) : work_(std::move(work)) {
        thread_.Reset(::CreateThread(nullptr, 0, Work, this, 0, nullptr));
    }
    ~Meanwhile() { Join(); }
    bool Join() {
        ::WaitForSingleObject(thread_.Get(), INFINITE);
        return done_;
    }

  private:
    static DWORD WINAPI Work(void* parameter) {
        auto* meanwhile = static_cast<Meanwhile*>(parameter);
        meanwhile->done_ = meanwhile->work_();
        return 0;
    }

    std::function<bool()> work_;
    volatile bool done_ = false;
    UniqueHandle thread_;
};

// Work for Meanwhile: waits for program's start (its journal line), then acts;
// true when it acted.
std::function<bool()> WhenStarted(const wchar_t* program, std::function<void()> action) {
    return [program, action] {
        if (!test::WaitForStarts(program, 1, kRunTimeoutMs)) {
            return false;
        }
        action();
        return true;
    };
}

// A user's machine: generation 5 with data, its licence answer, its region,
// the client's task-manager settings and its public desktop shortcut.
struct UserMachine {
    const char* name;
    DWORD eulaAgreed;
    const wchar_t* region;
    DWORD location;
    DWORD subLocation;  // 0: none written
};
constexpr UserMachine kUserMachines[] = {{"Licence0Europe", 0, L"EU", 4309, 0},
                                         {"Licence1China", 1, L"CN", 2031, kChinaSubLocation}};

// Where a run is cut short: the launcher is killed as this outside program
// starts (behaviour section), or, without one, while it copies the data.
struct Interruption {
    const char* name;
    const wchar_t* section;
    bool nativeX64Only = false;         // 32-bit Windows imports with its own regedit instead
    const wchar_t* alsoTold = nullptr;  // a behaviour of the same program for the cut run
};
constexpr Interruption kInterruptions[] = {
    {"GuardTool", L"ZUSR.exe /SummonGuard"},
    {"DataSave", nullptr},
    {"OldSetup", L"LegacySetup.exe"},
    {"NewSetup", L"setup.exe"},
    // The setup goes on alone and stops half-way: its version file alone must
    // not pass for the new generation.
    {"NewSetupHalfWay", L"setup.exe", false, L"stop_after_files"},
    {"RegistrationHelper", L"ZULauncherFor64OS.exe", true},
    {"AgentRegistration", L"DARiziz.exe /service"},
    {"ToolInstall", L"ZUSR.exe /ZUSRInstall"},
};

// A large data file: its copy takes long enough to be cut.
constexpr wchar_t kLargeDataFile[] = L"Large Catalogue.xml";
constexpr size_t kLargeDataBytes = 24 * 1024 * 1024;

// A user's machine, and runs of the package cut short on it.
class InterruptionTest : public ReplacementRunTest {
  protected:
    void PrepareUserMachine(const UserMachine& user) {
        test::GenerationOptions options;
        options.dataFiles = true;
        options.region = user.region;
        options.eulaAgreed = user.eulaAgreed;
        ASSERT_TRUE(machine_.InstallGeneration(test::Generation::k5, options));
        ASSERT_TRUE(machine_.WriteFile(test::DataFolder() + L"\\" + kLargeDataFile,
                                       std::string(kLargeDataBytes, 'L') + "end"));
        ASSERT_TRUE(machine_.AddShortcut(test::PublicDesktop() + L"\\ZEMI Update.lnk",
                                         Generation5() + L"\\ZEMIUpdt.exe"));
        ASSERT_TRUE(machine_.SetDword(HKEY_LOCAL_MACHINE, kProductKey, k64, L"LaunchInstaller", 1));
    }

    // The first run, cut where the row says. True when it was cut.
    bool RunInterrupted(const Interruption& interruption) {
        if (interruption.section == nullptr) {
            // Killed as soon as the copy of the large file appears (its first byte).
            const std::wstring copy = TempFolder() + L"\\" + kLargeDataFile;
            volatile bool run_over = false;
            Meanwhile killer([&] {
                for (; !run_over; ::Sleep(1)) {
                    if (::GetFileAttributesW(copy.c_str()) != INVALID_FILE_ATTRIBUTES) {
                        return KillLaunchers() > 0;
                    }
                }
                return false;
            });
            Run();
            run_over = true;
            return killer.Join();
        }
        test::SetBehaviour(interruption.section, L"kill_launcher", 1);
        if (interruption.alsoTold != nullptr) {
            test::SetBehaviour(interruption.section, interruption.alsoTold, 1);
        }
        Run();
        const bool killed = WaitForKiller();
        // The rest of the behaviour stays in place for a killer still at work.
        test::SetBehaviour(interruption.section, L"kill_launcher", 0);
        if (interruption.alsoTold != nullptr) {
            test::SetBehaviour(interruption.section, interruption.alsoTold, 0);
        }
        return killed;
    }

    // Compared without printing either side: the file is 24 MiB.
    static void ExpectLargeFileKept(const test::FileTree& data_before) {
        const std::optional<std::string> after =
            test::FileBytes(test::DataFolder() + L"\\" + kLargeDataFile);
        EXPECT_TRUE(after == data_before.at(kLargeDataFile))
            << "the large data file is "
            << (after ? std::to_string(after->size()) + " bytes, not as before" : "gone");
    }

    static void ExpectUserSettings(const UserMachine& user) {
        const std::wstring product(kProductKey);
        EXPECT_EQ(user.eulaAgreed,
                  test::DwordValue(HKEY_LOCAL_MACHINE, product + L"\\EULA", k64, L"EULAAgreed"));
        EXPECT_EQ(user.location,
                  test::DwordValue(HKEY_LOCAL_MACHINE, product + L"\\Region", k64, L"dwLocation"));
        EXPECT_EQ(
            user.subLocation == 0 ? std::nullopt : std::optional<DWORD>(user.subLocation),
            test::DwordValue(HKEY_LOCAL_MACHINE, product + L"\\Region", k64, L"subdwLocation"));
        const test::TaskManagerSettings usual;
        const std::wstring tasks = product + L"\\TaskManager";
        EXPECT_EQ(usual.task, test::StringValue(HKEY_LOCAL_MACHINE, tasks, k64, L"Task"));
        EXPECT_EQ(usual.selfUpdate,
                  test::DwordValue(HKEY_LOCAL_MACHINE, tasks, k64, L"SelfUpdate"));
        EXPECT_EQ(usual.updateType,
                  test::DwordValue(HKEY_LOCAL_MACHINE, tasks, k64, L"UpdateType"));
        EXPECT_TRUE(test::FileExists(test::PublicDesktop() + L"\\ZEMI Update.lnk"));
    }
};

// Each moment once, the two user machines taking turns: what the resume
// carries (licence, region, sub-location) does not depend on the moment.
struct CutShortRow {
    Interruption interruption;
    const UserMachine* user;
};
const CutShortRow kCutShortRows[] = {
    {kInterruptions[0], &kUserMachines[1]}, {kInterruptions[1], &kUserMachines[0]},
    {kInterruptions[2], &kUserMachines[1]}, {kInterruptions[3], &kUserMachines[0]},
    {kInterruptions[4], &kUserMachines[1]}, {kInterruptions[5], &kUserMachines[0]},
    {kInterruptions[6], &kUserMachines[1]}, {kInterruptions[7], &kUserMachines[0]},
};

void PrintTo(const CutShortRow& row, std::ostream* os) {
    *os << row.interruption.name << " " << row.user->name;
}

class InterruptedRunTest : public InterruptionTest,
                           public testing::WithParamInterface<CutShortRow> {};

TEST_P(InterruptedRunTest, RunAgain_FinishesWithEverythingOfTheUserKept) {
    const Interruption& interruption = GetParam().interruption;
    const UserMachine& user = *GetParam().user;
    if (interruption.nativeX64Only && !test::RegistryViewsAreSeparate()) {
        GTEST_SKIP() << "no outside program of ours starts at this point on 32-bit Windows";
    }
    // The public desktop shortcut is the client's from Windows 8 on.
    test::ScopedWineVersion windows10(L"ZUInstaller.exe", L"win10");
    PrepareUserMachine(user);
    const test::FileTree data_before = test::FilesUnder(test::DataFolder());
    TakeMachineBefore();

    ASSERT_TRUE(RunInterrupted(interruption)) << "the launcher was not cut short";
    EXPECT_EQ(0u, Run());

    ExpectDataKept(data_before);
    ExpectLargeFileKept(data_before);
    ExpectUserSettings(user);
    ExpectGeneration5Replaced();
}

INSTANTIATE_TEST_SUITE_P(CutShort,
                         InterruptedRunTest,
                         testing::ValuesIn(kCutShortRows),
                         [](const testing::TestParamInfo<CutShortRow>& info) {
                             return std::string(info.param.interruption.name) + "_" +
                                    info.param.user->name;
                         });

// The two phases of a power-cut row, which tests/e2e/power-cut-row.sh runs
// around a cut of the whole machine: the user's machine laid out and left in
// place, with a copy of its data; after the run by hand, the machine checked
// against it. Only that script runs them (they are disabled otherwise).
constexpr wchar_t kPowerCutDataBefore[] = L"C:\\zu-power-cut\\data-before";

class PowerCut : public InterruptionTest {
  protected:
    // The machine belongs to the row: nothing is reset or put back.
    void SetUp() override {}
    void TearDown() override { machine_.Keep(); }
};

TEST_F(PowerCut, DISABLED_LayOutTheUsersMachine) {
    test::ResetProductState();
    test::SetSharedRegion();
    // The public desktop shortcut is the client's from Windows 8 on.
    test::SetStringValue(HKEY_CURRENT_USER, L"Software\\Wine\\AppDefaults\\ZUInstaller.exe", 0,
                         L"Version", L"win10");
    PrepareUserMachine(kUserMachines[0]);
    ASSERT_TRUE(test::CopyTree(test::DataFolder(), kPowerCutDataBefore));
}

TEST_F(PowerCut, DISABLED_CheckTheMachineAfterTheRuns) {
    char exit_code[16] = {};
    ::GetEnvironmentVariableA("ZU_POWER_CUT_EXIT_CODE", exit_code, sizeof(exit_code));
    EXPECT_STREQ("0", exit_code) << "the last run";
    const test::FileTree data_before = test::FilesUnder(kPowerCutDataBefore);
    ASSERT_NO_FATAL_FAILURE(ExpectDataKept(data_before));
    ExpectLargeFileKept(data_before);
    ExpectUserSettings(kUserMachines[0]);
    EXPECT_EQ("7.5.0.0\r\n", test::FileBytes(ProductFolder() + L"\\Version.txt"));
    EXPECT_FALSE(test::FolderExists(TempFolder()));
    EXPECT_FALSE(test::KeyExists(HKEY_LOCAL_MACHINE, kScratchKey, k64));
}

// The run that finishes an interrupted one meets a guard that does not come
// up: the saved copy is the only one left, so it stays, and the run fails.
TEST_F(InterruptionTest, GuardRefusesToFinishInterruptedRun_SavedCopyKeptForTheNextRun) {
    test::ScopedWineVersion windows10(L"ZUInstaller.exe", L"win10");
    const UserMachine& user = kUserMachines[0];
    PrepareUserMachine(user);
    const test::FileTree data_before = test::FilesUnder(test::DataFolder());
    CopyPackage();
    ASSERT_TRUE(RunInterrupted({"OldSetup", L"LegacySetup.exe"}));

    ReplaceLaunchersTool(test::UnsignedToolPath());
    EXPECT_EQ(kInstallFailed, Run());
    EXPECT_TRUE(test::FolderExists(TempFolder()));
    EXPECT_TRUE(test::KeyExists(HKEY_LOCAL_MACHINE, kScratchKey, k64));

    ReplaceLaunchersTool(test::DistDir() + L"\\ZUSRFeature\\64\\ZUSR.exe");
    EXPECT_EQ(0u, Run());
    ExpectDataKept(data_before);
    ExpectUserSettings(user);
}

// Someone swapped the saved copy for a link to data of their own: nothing of it
// is restored, and the record goes, so that the next run starts afresh.
TEST_F(InterruptionTest, SavedCopyReplacedByLink_NothingRestoredAndTheRecordGoes) {
    test::ScopedWineVersion windows10(L"ZUInstaller.exe", L"win10");
    PrepareUserMachine(kUserMachines[0]);
    ASSERT_TRUE(RunInterrupted({"OldSetup", L"LegacySetup.exe"}));
    const std::wstring maker = test::ProgramData() + L"\\Koru Corporation";
    const std::wstring planted = test::ProgramData() + L"\\PlantedData";
    ASSERT_TRUE(machine_.WriteFile(planted + L"\\PatchProcessInfo.dat", "planted"));
    ASSERT_TRUE(::MoveFileW(TempFolder().c_str(), (maker + L"\\saved aside").c_str()));
    ASSERT_TRUE(test::MakeHostDirectoryLink(maker, L"../PlantedData", L"ZEMI Update Temp"));

    EXPECT_EQ(kInstallFailed, Run());

    EXPECT_NE("planted", test::FileBytes(test::DataFolder() + L"\\PatchProcessInfo.dat"));
    EXPECT_EQ("planted", test::FileBytes(planted + L"\\PatchProcessInfo.dat"));
    EXPECT_FALSE(test::KeyExists(HKEY_LOCAL_MACHINE, kScratchKey, k64));
    // Wine cannot remove such a link: the launcher leaves it, the test takes it.
    test::RemoveHostLink(maker, L"ZEMI Update Temp");
}

// A power cut after the record whose cache never reached the disk: one saved
// copy comes back cut short, or the whole temporary folder is gone. The
// resume never restores a copy that does not match the record and says so;
// where the original still lies in the data folder, or was restored already,
// nothing is lost and the run completes.
enum class Damage { kCopyCutShort, kFolderGone };
struct DamagedCopy {
    const char* name;
    const wchar_t* cutAt;  // the outside program whose start ends the first run
    Damage damage;
    bool fileLost;  // the cut-short file is missing afterwards: exit code 2
};
constexpr DamagedCopy kDamagedCopies[] = {
    {"CopyCutShortOriginalStillThere", L"LegacySetup.exe", Damage::kCopyCutShort, false},
    {"CopyCutShortOriginalRemoved", L"setup.exe", Damage::kCopyCutShort, true},
    {"FolderGoneDataRestored", L"ZUSR.exe /ZUSRInstall", Damage::kFolderGone, false},
};
constexpr wchar_t kTornFile[] = L"PatchProcessInfo.dat";

void PrintTo(const DamagedCopy& row, std::ostream* os) {
    *os << row.name;
}

class DamagedCopyTest : public InterruptionTest, public testing::WithParamInterface<DamagedCopy> {
  protected:
    void Damage() {
        if (GetParam().damage == Damage::kFolderGone) {
            test::DeletePath(TempFolder());
            return;
        }
        const std::wstring copy = TempFolder() + L"\\" + kTornFile;
        const std::optional<std::string> saved = test::FileBytes(copy);
        ASSERT_TRUE(saved.has_value() && saved->size() > 1);
        ASSERT_TRUE(test::WriteFileBytes(copy, saved->substr(0, saved->size() / 2)));
    }
};

TEST_P(DamagedCopyTest, ResumeRestoresOnlyWholeCopiesAndSaysSo) {
    const DamagedCopy& row = GetParam();
    test::ScopedWineVersion windows10(L"ZUInstaller.exe", L"win10");
    PrepareUserMachine(kUserMachines[0]);
    const test::FileTree data_before = test::FilesUnder(test::DataFolder());
    TakeMachineBefore();
    ASSERT_TRUE(RunInterrupted({row.name, row.cutAt}));
    ASSERT_NO_FATAL_FAILURE(Damage());
    ::DeleteFileW(RunLogPath().c_str());

    EXPECT_EQ(row.fileLost ? kInstallFailed : 0u, Run());

    const test::FileTree data_after = test::FilesUnder(test::DataFolder());
    for (const wchar_t* kept : kKeptDataFiles) {
        if (row.fileLost && std::wstring(kept) == kTornFile) {
            EXPECT_EQ(0u, data_after.count(kept)) << "a torn copy was restored";
        } else {
            EXPECT_EQ(data_before.at(kept), data_after.count(kept) ? data_after.at(kept) : "")
                << testing::PrintToString(std::wstring(kept));
        }
    }
    EXPECT_TRUE(HasLineWith(test::FileBytes(RunLogPath()).value_or(""), "does not match its record",
                            "PatchProcessInfo.dat"));
    if (row.fileLost) {
        EXPECT_NE(std::string::npos, test::FileBytes(test::DataFolder() + L"\\ZUSUInstallLog.txt")
                                         .value_or("")
                                         .find("PatchProcessInfo.dat"));
    }
    ExpectUserSettings(kUserMachines[0]);
    ExpectGeneration5Replaced();
}

INSTANTIATE_TEST_SUITE_P(AfterTheRecord,
                         DamagedCopyTest,
                         testing::ValuesIn(kDamagedCopies),
                         [](const testing::TestParamInfo<DamagedCopy>& info) {
                             return std::string(info.param.name);
                         });

// A run that cannot install: what it does to the machine at once, and how the
// next run with what was missing put right ends.
struct FailedRun {
    const char* name;
    // A file of the package that the row changes in a copy of the package,
    // and that is put back before the next run; null for none.
    const wchar_t* packageFile;
    void (*arrange)(const std::wstring& package_file, std::vector<UniqueFileHandle>* held);
    bool generationRemoved;  // the earlier generation was gone before the failure
    bool beforeGuard;        // refused before the self-repair guard came up
};

void HoldDataFile(std::vector<UniqueFileHandle>* held, DWORD share) {
    held->emplace_back(::CreateFileW((test::DataFolder() + L"\\PatchProcessInfo.dat").c_str(),
                                     GENERIC_READ, share, nullptr, OPEN_EXISTING, 0, nullptr));
}

class FailedRunTest : public ReplacementRunTest, public testing::WithParamInterface<FailedRun> {
  protected:
    // The row's package file, kept aside for the next run.
    std::wstring ArrangePackageFile() {
        if (GetParam().packageFile == nullptr) {
            return std::wstring();
        }
        CopyPackage();
        const std::wstring file = package_ + L"\\" + GetParam().packageFile;
        EXPECT_TRUE(::CopyFileW(file.c_str(), (package_ + L"\\file.kept").c_str(), FALSE));
        return file;
    }
    void PutPackageFileBack(const std::wstring& file) {
        if (!file.empty()) {
            ASSERT_TRUE(::MoveFileExW((package_ + L"\\file.kept").c_str(), file.c_str(),
                                      MOVEFILE_REPLACE_EXISTING));
        }
    }
};

void WriteOver(const std::wstring& file, const std::string& bytes) {
    ASSERT_TRUE(test::WriteFileBytes(file, bytes));
}

const FailedRun kFailedRuns[] = {
    {"SetupMissing", L"Installer\\setup.exe",
     [](const std::wstring& setup, std::vector<UniqueFileHandle>*) {
         ASSERT_TRUE(::DeleteFileW(setup.c_str()));
     },
     false, true},
    // A version that never reads back would make the run remove the earlier
    // generation and then find its setup's work missing.
    {"PackageVersionBinary", L"Installer\\Version.txt",
     [](const std::wstring& version, std::vector<UniqueFileHandle>*) {
         std::string binary(10240, '\0');
         for (size_t i = 0; i < binary.size(); ++i) {
             binary[i] = static_cast<char>((i * 131 + 7) % 256);
         }
         WriteOver(version, binary);
     },
     false, true},
    {"PackageVersionEmpty", L"Installer\\Version.txt",
     [](const std::wstring& version, std::vector<UniqueFileHandle>*) { WriteOver(version, ""); },
     false, true},
    {"SetupFailsWith1603", nullptr,
     [](const std::wstring&, std::vector<UniqueFileHandle>*) {
         test::SetBehaviour(L"setup.exe", L"fail", 1);
         test::SetBehaviour(L"setup.exe", L"exit_code", 1603);
     },
     true, false},
    // Nobody may write the file while it is saved: the save fails.
    {"DataFileHeldExclusively", nullptr,
     [](const std::wstring&, std::vector<UniqueFileHandle>* held) { HoldDataFile(held, 0); }, false,
     false},
    // Readers are let in, writers not: the save works, the restore fails.
    {"DataFileHeldAgainstWriters", nullptr,
     [](const std::wstring&, std::vector<UniqueFileHandle>* held) {
         HoldDataFile(held, FILE_SHARE_READ);
     },
     true, false},
};

TEST_P(FailedRunTest, FailsWithCode2AndTheNextRunCompletes) {
    test::GenerationOptions options;
    options.dataFiles = true;
    ASSERT_TRUE(machine_.InstallGeneration(test::Generation::k5, options));
    const test::FileTree generation_before = test::FilesUnder(Generation5());
    const test::FileTree data_before = test::FilesUnder(test::DataFolder());
    TakeMachineBefore();
    std::vector<UniqueFileHandle> held;
    const std::wstring package_file = ArrangePackageFile();
    ASSERT_NO_FATAL_FAILURE(GetParam().arrange(package_file, &held));

    EXPECT_EQ(kInstallFailed, Run());
    held.clear();
    if (GetParam().beforeGuard) {
        EXPECT_FALSE(Contains(ToolSwitches(), L"/SummonGuard"));
        EXPECT_FALSE(test::FolderExists(SelfRepairFolder()));
    }
    // No client is started for a product that is not there.
    for (const test::JournalRecord& start : test::StartsOf(L"ZEMIUpdt.exe")) {
        EXPECT_EQ(L"/haltall", start.arguments);
    }
    const std::optional<std::string> log =
        test::FileBytes(test::DataFolder() + L"\\ZUSUInstallLog.txt");
    ASSERT_TRUE(log.has_value());
    EXPECT_NE(std::string::npos, log->find("could not be installed")) << *log;
    ExpectDataKept(data_before);
    if (GetParam().generationRemoved) {
        // The saved copy and the run's state wait for the next run.
        EXPECT_TRUE(test::FolderExists(TempFolder()));
        EXPECT_TRUE(test::KeyExists(HKEY_LOCAL_MACHINE, kScratchKey, k64));
    } else {
        EXPECT_TRUE(test::StartsOf(L"LegacySetup.exe").empty());
        EXPECT_TRUE(
            test::TreeDifferences(generation_before, test::FilesUnder(Generation5())).empty());
        EXPECT_FALSE(test::FolderExists(TempFolder()));
        EXPECT_FALSE(test::KeyExists(HKEY_LOCAL_MACHINE, kScratchKey, k64));
    }

    ResetBehaviour();
    PutPackageFileBack(package_file);
    EXPECT_EQ(0u, Run());
    ExpectDataKept(data_before);
    ExpectGeneration5Replaced();
}

INSTANTIATE_TEST_SUITE_P(Failures,
                         FailedRunTest,
                         testing::ValuesIn(kFailedRuns),
                         [](const testing::TestParamInfo<FailedRun>& info) {
                             return std::string(info.param.name);
                         });

// An interrupted run that had staged China leaves its sub-location behind;
// the next run, for an Asia-Pacific user, must not make China of it.
TEST_F(ReplacementRunTest, LeftoverChinaStaging_AsiaPacificStaysAsiaPacific) {
    const std::wstring staged = std::wstring(kScratchKey) + L"\\Region";
    ASSERT_TRUE(machine_.SetDword(HKEY_LOCAL_MACHINE, staged, k64, L"dwLocation", 2031));
    ASSERT_TRUE(
        machine_.SetDword(HKEY_LOCAL_MACHINE, staged, k64, L"subdwLocation", kChinaSubLocation));
    test::GenerationOptions options;
    options.region = L"AP";
    ASSERT_TRUE(machine_.InstallGeneration(test::Generation::k5, options));

    EXPECT_EQ(0u, Run());

    const std::wstring region = std::wstring(kProductKey) + L"\\Region";
    EXPECT_EQ(2031u, test::DwordValue(HKEY_LOCAL_MACHINE, region, k64, L"dwLocation"));
    EXPECT_FALSE(test::ValueExists(HKEY_LOCAL_MACHINE, region, k64, L"subdwLocation"));
}

// The package's own programs run only as the maker signed them: one unsigned,
// signed by another company, or swapped for another program while the run is
// under way never runs; the run stops before anything is removed (or, for a
// swap that cannot happen, ends with the trusted program).
enum class Tamper { kUnsigned, kAnotherSigner, kSwappedDuringTheRun };
struct PackageProgram {
    const char* name;
    const wchar_t* file;     // in the package
    const wchar_t* standin;  // its stand-in's file name
    Tamper tamper;
    bool nativeX64Only;  // 32-bit Windows imports the registration file instead
};
constexpr PackageProgram kPackagePrograms[] = {
    {"SetupUnsigned", L"Installer\\setup.exe", L"setup.exe", Tamper::kUnsigned, false},
    {"SetupOfAnotherSigner", L"Installer\\setup.exe", L"setup.exe", Tamper::kAnotherSigner, false},
    {"SetupSwappedDuringTheRun", L"Installer\\setup.exe", L"setup.exe",
     Tamper::kSwappedDuringTheRun, false},
    {"HelperUnsigned", L"ZULauncherFor64OS.exe", L"ZULauncherFor64OS.exe", Tamper::kUnsigned, true},
    {"HelperOfAnotherSigner", L"ZULauncherFor64OS.exe", L"ZULauncherFor64OS.exe",
     Tamper::kAnotherSigner, true},
    {"HelperSwappedDuringTheRun", L"ZULauncherFor64OS.exe", L"ZULauncherFor64OS.exe",
     Tamper::kSwappedDuringTheRun, true},
};

void PrintTo(const PackageProgram& row, std::ostream* os) {
    *os << row.name;
}

struct Swap {
    std::wstring program;
    std::wstring other;
    bool swapped = false;
};

// A standard user's ways to put another file in a program's place.
void TrySwap(Swap* swap) {
    const std::wstring beside = swap->program + L".other";
    swap->swapped =
        ::CopyFileW(swap->other.c_str(), swap->program.c_str(), FALSE) ||
        (::CopyFileW(swap->other.c_str(), beside.c_str(), FALSE) &&
         ::MoveFileExW(beside.c_str(), swap->program.c_str(), MOVEFILE_REPLACE_EXISTING));
    ::DeleteFileW(beside.c_str());
}

class PackageProgramTest : public ReplacementRunTest,
                           public testing::WithParamInterface<PackageProgram> {};

TEST_P(PackageProgramTest, OnlyTheProgramTheMakerSignedRuns) {
    const PackageProgram& row = GetParam();
    if (row.nativeX64Only && !test::RegistryViewsAreSeparate()) {
        GTEST_SKIP() << "32-bit Windows does not start this program";
    }
    ASSERT_TRUE(machine_.InstallGeneration(test::Generation::k5));
    const test::FileTree generation_before = test::FilesUnder(Generation5());
    CopyPackage();
    Swap swap{package_ + L"\\" + row.file, test::SigningVariantPath(L"unsigned", row.standin)};
    if (row.tamper != Tamper::kSwappedDuringTheRun) {
        const wchar_t* variant = row.tamper == Tamper::kUnsigned ? L"unsigned" : L"another";
        ASSERT_TRUE(::CopyFileW(test::SigningVariantPath(variant, row.standin).c_str(),
                                swap.program.c_str(), FALSE));
        EXPECT_EQ(kInstallFailed, Run());
        ExpectAbandoned(generation_before);
        EXPECT_TRUE(test::StartsOf(row.standin).empty()) << "the untrusted program ran";
        EXPECT_NE(std::string::npos, test::FileBytes(test::DataFolder() + L"\\ZUSUInstallLog.txt")
                                         .value_or("")
                                         .find("not signed by the maker"));
        return;
    }
    // The swap is tried once the guard has come up, well after the check.
    Meanwhile when_guarded(WhenStarted(L"ZUSR.exe", [&] { TrySwap(&swap); }));
    const DWORD exit_code = Run();
    ASSERT_TRUE(when_guarded.Join());
    EXPECT_FALSE(swap.swapped) << "the checked program could be swapped";
    EXPECT_EQ(0u, exit_code);
    EXPECT_EQ(1u, test::StartsOf(row.standin).size());
    EXPECT_TRUE(test::FileExists(ProductFolder() + L"\\Version.txt"));
}

INSTANTIATE_TEST_SUITE_P(Signed,
                         PackageProgramTest,
                         testing::ValuesIn(kPackagePrograms),
                         [](const testing::TestParamInfo<PackageProgram>& info) {
                             return std::string(info.param.name);
                         });

// Standard users can add folders and links below the data folder: the save and
// the restore follow none, so nothing outside the data folder is read or
// written with the launcher's rights.
constexpr wchar_t kSelfRepairData[] = L"\\ZEMI Update Self Repair";

std::wstring OutsideFolder() {
    return test::ProgramData() + L"\\zu-outside";
}

class DataLinkTest : public ReplacementRunTest {
  protected:
    void SetUp() override {
        ReplacementRunTest::SetUp();
        test::GenerationOptions options;
        options.dataFiles = true;
        ASSERT_TRUE(machine_.InstallGeneration(test::Generation::k5, options));
        ASSERT_TRUE(machine_.WriteFile(OutsideFolder() + L"\\secret.txt", "secret"));
        outside_before_ = test::FilesUnder(OutsideFolder());
        ::DeleteFileW(RunLogPath().c_str());
    }
    void TearDown() override {
        test::RemoveHostLink(test::DataFolder() + kSelfRepairData, L"Planted");
        test::RemoveHostLink(test::DataFolder() + kSelfRepairData, L"Backup");
        ReplacementRunTest::TearDown();
    }
    void ExpectOutsideUntouched() {
        EXPECT_TRUE(
            test::TreeDifferences(outside_before_, test::FilesUnder(OutsideFolder())).empty());
    }

    test::FileTree outside_before_;
};

TEST_F(DataLinkTest, LinkPlantedBeforeTheSave_NeitherCopiedNorWrittenThrough) {
    ASSERT_TRUE(test::MakeHostDirectoryLink(test::DataFolder() + kSelfRepairData,
                                            L"../../../zu-outside", L"Planted"));
    const test::FileTree data_before = test::FilesUnder(test::DataFolder());

    EXPECT_EQ(0u, Run());

    ExpectDataKept(data_before);
    ExpectOutsideUntouched();
    EXPECT_TRUE(
        HasLineWith(test::FileBytes(RunLogPath()).value_or(""), "not saved, a link", "Planted"));
}

void SwapBackupForLink() {
    const std::wstring self_repair = test::DataFolder() + kSelfRepairData;
    ::MoveFileW((self_repair + L"\\Backup").c_str(), (self_repair + L"\\Backup.aside").c_str());
    test::MakeHostDirectoryLink(self_repair, L"../../../zu-outside", L"Backup");
}

TEST_F(DataLinkTest, FolderSwappedForALinkAfterTheSave_RestoreRefusesAndTheNextRunRestores) {
    const test::FileTree data_before = test::FilesUnder(test::DataFolder());
    // The old setup takes its time: the swap is done before the restore.
    test::SetBehaviour(L"LegacySetup.exe", L"sleep_ms", 8000);
    Meanwhile when_uninstalling(WhenStarted(L"LegacySetup.exe", SwapBackupForLink));

    EXPECT_EQ(kInstallFailed, Run());
    ASSERT_TRUE(when_uninstalling.Join());
    ExpectOutsideUntouched();
    EXPECT_TRUE(test::FolderExists(TempFolder()));

    ResetBehaviour();
    test::RemoveHostLink(test::DataFolder() + kSelfRepairData, L"Backup");
    EXPECT_EQ(0u, Run());
    ExpectDataKept(data_before);
    ExpectOutsideUntouched();
}

// The catalogue of malformed outside values: each run ends as the case says,
// without a crash, and no data file of the client is lost.
constexpr wchar_t kSessionManager[] = L"SYSTEM\\CurrentControlSet\\Control\\Session Manager";
constexpr wchar_t kPendingRenames[] = L"PendingFileRenameOperations";
constexpr wchar_t kRunOnce[] = L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\RunOnce";
constexpr wchar_t kBadRunOnce[] = L"zu-bad-input";
constexpr DWORD kAsiaPacific = 2031;

std::vector<BYTE> Utf16(const std::wstring& text) {
    const BYTE* begin = reinterpret_cast<const BYTE*>(text.data());
    return std::vector<BYTE>(begin, begin + text.size() * sizeof(wchar_t));
}

// Bytes as the value's data, exactly (no null is added to a string).
void Put(const wchar_t* key, REGSAM view, const wchar_t* name, DWORD type, std::vector<BYTE> data) {
    test::PutValue(HKEY_LOCAL_MACHINE, key, view, name, test::RegistryValue{type, std::move(data)});
}

std::vector<BYTE> WithStrayByte(const std::wstring& text) {
    std::vector<BYTE> data = Utf16(text);
    data.push_back('A');
    return data;
}

std::wstring InstalledVersionFile() {
    return test::ProgramFolder(test::Generation::k5, test::ProgramFolders::kNative) +
           L"\\Version.txt";
}
std::wstring Generation5ZuIni() {
    return test::ProgramFolder(test::Generation::k5, test::ProgramFolders::kNative) + L"\\ZU.ini";
}

struct BadInput {
    const char* name;
    bool ownPackage;  // planted into a copy of the package
    void (*plant)(const std::wstring& package);
    bool installs;          // the new generation ends installed
    size_t oldSetupStarts;  // the old generation's uninstall ran
    void (*check)();        // what else the case must show; may be null
};

// A malformed value that the launcher does not own is left as it was.
std::vector<BYTE> PlantedRenames() {
    std::vector<BYTE> data = Utf16(L"\\??\\C:\\Program Files\\Koru\\ZEMI Update 5\\a.dll");
    data.push_back('A');
    return data;
}

// Launch mode 3 ends by starting the client with "/RunByInstaller", without
// waiting for it: its start is awaited for up to wait_ms after the run. A
// silent ordinary run starts no client.
bool ClientStartedByInstaller(DWORD wait_ms) {
    const DWORD begin = ::GetTickCount();
    do {
        for (const test::JournalRecord& start : test::StartsOf(L"ZEMIUpdt.exe")) {
            if (start.arguments == L"/RunByInstaller") {
                return true;
            }
        }
        ::Sleep(50);
    } while (::GetTickCount() - begin < wait_ms);
    return false;
}

const std::string kGarbageShortcut("L\0\0\0\x01\x14\x02garbage", 14);

// "LaunchInstaller" counts only when its first four bytes read as 1: the
// string "1" does not, one byte 1 does, a value too long for four bytes reads
// as nothing.
const BadInput kBadInputs[] = {
    {"LaunchInstallerStringWithoutNull", false,
     [](const std::wstring&) {
         Put(kProductKey, KEY_WOW64_64KEY, L"LaunchInstaller", REG_SZ, Utf16(L"1"));
     },
     true, 1, [] { EXPECT_FALSE(ClientStartedByInstaller(0)); }},
    {"LaunchInstallerOneByte", false,
     [](const std::wstring&) {
         Put(kProductKey, KEY_WOW64_64KEY, L"LaunchInstaller", REG_BINARY, {1});
     },
     true, 1, [] { EXPECT_TRUE(ClientStartedByInstaller(kRunTimeoutMs)); }},
    {"LaunchInstallerOversized", false,
     [](const std::wstring&) {
         Put(kProductKey, KEY_WOW64_64KEY, L"LaunchInstaller", REG_BINARY,
             std::vector<BYTE>(70000, 1));
     },
     true, 1, [] { EXPECT_FALSE(ClientStartedByInstaller(0)); }},
    {"InstalledVersionEmpty", false,
     [](const std::wstring&) { ASSERT_TRUE(test::WriteFileBytes(InstalledVersionFile(), "")); },
     true, 0, nullptr},
    {"InstalledVersionBinary", false,
     [](const std::wstring&) {
         ASSERT_TRUE(test::WriteFileBytes(InstalledVersionFile(),
                                          std::string("\xff\xfe\x00\x35.7\x00\x01\x02\xfe", 10)));
     },
     true, 0, nullptr},
    {"InstalledVersionOversized", false,
     [](const std::wstring&) {
         ASSERT_TRUE(test::WriteFileBytes(InstalledVersionFile(), std::string(3 << 20, '5')));
     },
     true, 1, nullptr},
    // An Asia-Pacific machine asks the model list: the stray byte ends the
    // last name as a character of its own, so no model matches and the region
    // stays Asia-Pacific.
    {"ModelListOfOddLength", true,
     [](const std::wstring& package) {
         test::SetSharedRegion(kAsiaPacific);
         ASSERT_TRUE(test::WriteFileBytes(
             Generation5ZuIni(),
             "[Setting]\r\nInfoFileURLBase=https://zu.koru.example/InfoFile/AP/\r\n"));
         const std::vector<BYTE> list = WithStrayByte(L"Wine");
         ASSERT_TRUE(test::WriteFileBytes(package + L"\\ModelName.txt",
                                          std::string(list.begin(), list.end())));
     },
     true, 1,
     [] {
         const std::wstring region = std::wstring(kProductKey) + L"\\Region";
         EXPECT_EQ(kAsiaPacific, test::DwordValue(HKEY_LOCAL_MACHINE, region, k64, L"dwLocation"));
         EXPECT_FALSE(test::ValueExists(HKEY_LOCAL_MACHINE, region, k64, L"subdwLocation"));
     }},
    {"PendingRenamesOddAndUnterminated", false,
     [](const std::wstring&) {
         Put(kSessionManager, 0, kPendingRenames, REG_MULTI_SZ, PlantedRenames());
     },
     true, 1,
     [] {
         const std::optional<test::RegistryValue> left =
             test::QueryValue(HKEY_LOCAL_MACHINE, kSessionManager, 0, kPendingRenames);
         ASSERT_TRUE(left.has_value());
         EXPECT_EQ(PlantedRenames(), left->data);
     }},
    {"RunOnceSetupWithoutNullAndOversized", false,
     [](const std::wstring&) {
         Put(kRunOnce, KEY_WOW64_32KEY, kBadRunOnce, REG_SZ,
             Utf16(std::wstring(400, L'a') + L"setup.exe"));
         Put(kRunOnce, KEY_WOW64_32KEY, L"zu-bad-input-2", REG_BINARY, WithStrayByte(L"setup.exe"));
     },
     true, 1,
     [] {
         for (const wchar_t* name : {kBadRunOnce, L"zu-bad-input-2"}) {
             EXPECT_TRUE(test::ValueExists(HKEY_LOCAL_MACHINE, kRunOnce, KEY_WOW64_32KEY, name));
         }
     }},
    // Windows 7: the desktop's client shortcut is not the launcher's to take,
    // and one that does not load names no client.
    {"GarbageClientShortcut", false,
     [](const std::wstring&) {
         ASSERT_TRUE(
             test::WriteFileBytes(test::PublicDesktop() + L"\\ZEMI Update.lnk", kGarbageShortcut));
     },
     true, 1,
     [] {
         EXPECT_EQ(kGarbageShortcut, test::FileBytes(test::PublicDesktop() + L"\\ZEMI Update.lnk"));
     }},
    // No package name: the guard cannot be set up and the run is abandoned.
    {"PackageNameWithPath", true,
     [](const std::wstring& package) {
         ASSERT_TRUE(test::WriteFileBytes(package + L"\\Installer\\ESD.ini",
                                          "[SoftwareID]\r\nid=..\\..\\..\\evil\r\n"));
     },
     false, 0, nullptr},
};

void PrintTo(const BadInput& c, std::ostream* os) {
    *os << c.name;
}

class BadInputRunTest : public ReplacementRunTest, public testing::WithParamInterface<BadInput> {
  protected:
    void SetUp() override {
        ReplacementRunTest::SetUp();
        saved_renames_ = test::QueryValue(HKEY_LOCAL_MACHINE, kSessionManager, 0, kPendingRenames);
    }
    void TearDown() override {
        test::PutValue(HKEY_LOCAL_MACHINE, kSessionManager, 0, kPendingRenames, saved_renames_);
        for (const wchar_t* name : {kBadRunOnce, L"zu-bad-input-2"}) {
            test::PutValue(HKEY_LOCAL_MACHINE, kRunOnce, KEY_WOW64_32KEY, name, std::nullopt);
        }
        ReplacementRunTest::TearDown();
    }

    std::optional<test::RegistryValue> saved_renames_;
};

TEST_P(BadInputRunTest, MalformedValue_RunEndsAsDefinedAndDataKept) {
    const BadInput& c = GetParam();
    test::GenerationOptions options;
    options.dataFiles = true;
    options.region = L"EU";
    ASSERT_TRUE(machine_.InstallGeneration(test::Generation::k5, options));
    const test::FileTree data_before = test::FilesUnder(test::DataFolder());
    if (c.ownPackage) {
        ASSERT_NO_FATAL_FAILURE(CopyPackage());
    }
    ASSERT_NO_FATAL_FAILURE(c.plant(package_));
    TakeMachineBefore();

    // A crash would end the run with another code.
    EXPECT_EQ(0u, Run());

    ExpectDataKept(data_before);
    if (c.installs) {
        ExpectGeneration5Replaced(c.oldSetupStarts);
    } else {
        EXPECT_FALSE(test::FileExists(ProductFolder() + L"\\Version.txt"));
        EXPECT_TRUE(test::StartsOf(L"LegacySetup.exe").empty());
    }
    EXPECT_FALSE(test::FileExists(L"C:\\evil.exe"));
    if (c.check != nullptr) {
        c.check();
    }
}

INSTANTIATE_TEST_SUITE_P(Catalogue,
                         BadInputRunTest,
                         testing::ValuesIn(kBadInputs),
                         [](const testing::TestParamInfo<BadInput>& info) {
                             return std::string(info.param.name);
                         });

}  // namespace
}  // namespace zu
