// The self-repair guard as the launcher runs it: a stand-in for the launcher
// (launcher_stand_in.cpp) runs each operation from a package folder laid out
// like dist/, with the self-repair tool stand-in doing what the real tool does
// to its tasks (or, on Windows XP, its Run values).
#include <gtest/gtest.h>

#include <windows.h>

#include <cstdlib>
#include <cstring>
#include <cwctype>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "platform/scoped_handle.h"
#include "selfrepair/scheduled_tasks.h"
#include "selfrepair/task_table.h"
#include "tests/selfrepair/self_repair_entries.h"
#include "tests/support/child_process.h"
#include "tests/support/file_fixture.h"
#include "tests/support/host_program.h"
#include "tests/support/journal.h"
#include "tests/support/machine_fixture.h"
#include "tests/support/machine_paths.h"
#include "tests/support/registry_fixture.h"
#include "tests/support/test_paths.h"
#include "tests/support/wine_guard.h"

namespace zu {
namespace {

constexpr DWORD kRunTimeoutMs = 120000;

// The stand-in's exit codes for "guard".
constexpr DWORD kGuardWentOn = 1;
constexpr DWORD kAbandoned = 0;

constexpr wchar_t kPackageFolder[] = L"C:\\zu-package";
constexpr wchar_t kPackageExe[] = L"ZEMIUpdatePackage.exe";
constexpr wchar_t kScratchKey[] = L"SOFTWARE\\Koru Corporation\\ZEMI Update Installer";

// One start of the self-repair tool: where it ran from and its switch.
using ToolStart = std::pair<std::wstring, std::wstring>;

std::wstring Lower(std::wstring text) {
    for (wchar_t& c : text) {
        c = static_cast<wchar_t>(::towlower(c));
    }
    return text;
}

std::vector<ToolStart> ToolStarts() {
    std::vector<ToolStart> starts;
    for (const test::JournalRecord& start : test::StartsOf(L"ZUSR.exe")) {
        starts.emplace_back(Lower(start.path), start.arguments);
    }
    return starts;
}

bool SameBytes(const std::wstring& a, const std::wstring& b) {
    const std::optional<std::string> first = test::FileBytes(a);
    return first.has_value() && first == test::FileBytes(b);
}

class SelfRepairGuardTest : public testing::Test {
  protected:
    void SetUp() override {
        ClearTools();
        ASSERT_FALSE(test::FolderExists(SelfRepairFolder()));
        ASSERT_FALSE(test::FolderExists(InstallerFolder()));
        ASSERT_FALSE(test::FileExists(ProductTool()));
        PreferTheWindowsOfThisTest();
        LayOutPackage();
    }

    void TearDown() override {
        ClearTools();
        // What the code under test made outside the folders the machine made.
        for (const std::wstring& path : {SelfRepairFolder(), InstallerFolder(), TempFolder()}) {
            test::DeletePath(path);
        }
        test::DeleteKeyTree(HKEY_LOCAL_MACHINE, kScratchKey, KEY_WOW64_64KEY);
        ::RemoveDirectoryW(MakerDataFolder().c_str());
    }

    static void ClearTools() {
        test::EndStandinProcesses();
        test::ClearBehaviour();
        test::ClearJournal();
        test::RemoveSelfRepairEntries();
    }

    // The launcher and the tool see the Windows that this test program sees.
    void PreferTheWindowsOfThisTest() {
        const char* version = std::getenv("ZU_WINE_VERSION");
        if (version == nullptr || *version == '\0') {
            return;
        }
        const std::wstring name(version, version + std::strlen(version));
        for (const wchar_t* exe : {L"ZUInstaller.exe", L"ZUSR.exe", kPackageExe}) {
            versions_.push_back(std::make_unique<test::ScopedWineVersion>(exe, name.c_str()));
        }
    }

    // The package as dist/ holds it, with the stand-in as its launcher.
    void LayOutPackage() {
        ASSERT_TRUE(machine_.CreateFolder(kPackageFolder));
        ASSERT_TRUE(machine_.CopyFile(test::TestBinDir() + L"\\selfrepair_launcher.exe",
                                      Beside(L"ZUInstaller.exe")));
        for (const wchar_t* file : {kPackageExe, L"Installer\\ESD.ini", L"Installer\\Version.txt",
                                    L"ZUSRFeature\\32\\ZUSR.exe", L"ZUSRFeature\\64\\ZUSR.exe"}) {
            ASSERT_TRUE(machine_.CopyFile(Dist(file), Beside(file)));
        }
    }

    // The previous generation: its tool in the product folder and its two
    // repair tasks (Run values on XP).
    void InstallOldGeneration() {
        ASSERT_TRUE(machine_.CopyFile(Dist(L"ZUSRFeature\\32\\ZUSR.exe"), ProductTool()));
        for (const ScheduledTaskRecord* record : {&kRepairTask, &kUltimateRepairTask}) {
            test::TaskSpec task;
            task.folder = test::MakerTaskFolderPath(*record);
            task.name = record->name;
            task.program = ProductTool();
            task.arguments = record->arguments;
            ASSERT_TRUE(machine_.AddTaskOrRunValue(task, test::Schedule::kAuto, KEY_WOW64_64KEY));
        }
        ASSERT_TRUE(OldRepairEntriesPresent());
    }

    // The self-repair folder as an earlier guard run left it.
    void PlaceGuardFolder() {
        ASSERT_TRUE(machine_.CopyFile(Dist(kPackageExe), PackageCopy()));
        ASSERT_TRUE(machine_.CopyFile(Dist(L"ZUSRFeature\\32\\ZUSR.exe"), GuardTool()));
    }

    // What the guard leaves for a run that it abandons: saved data and the
    // installer's scratch key.
    void PlaceSavedData() {
        ASSERT_TRUE(machine_.WriteFile(TempFolder() + L"\\ZU.ini", "[Setting]\r\n"));
        ASSERT_TRUE(machine_.SetDword(HKEY_LOCAL_MACHINE, kScratchKey, KEY_WOW64_64KEY,
                                      L"InstallerTaskCount", 1));
    }

    void Tamper(const std::wstring& path) {
        std::string bytes = test::FileBytes(path).value_or(std::string());
        ASSERT_GT(bytes.size(), 0x1000u);
        bytes[0x800] = static_cast<char>(bytes[0x800] ^ 0x5A);
        ASSERT_TRUE(test::WriteFileBytes(path, bytes));
    }

    // Runs the launcher stand-in with command; direct, or started by the
    // package as the launcher is (then the package is its grandparent).
    DWORD RunLauncher(const wchar_t* command, bool from_package = false) {
        const std::wstring program = Beside(from_package ? kPackageExe : L"ZUInstaller.exe");
        DWORD exit_code = ~0u;
        EXPECT_TRUE(
            test::RunProgram(test::Quote(program) + L" " + command, kRunTimeoutMs, &exit_code));
        return exit_code;
    }

    static bool IsXp() { return test::IsWindowsXp(); }

    static bool GuardEntryPresent() {
        return IsXp() ? IsGuardRunEntryPresent() : IsGuardTaskActive();
    }

    static bool OldRepairEntriesPresent() {
        return IsXp() ? IsRepairRunEntryPresent()
                      : IsRepairTaskPresent() && IsUltimateRepairTaskPresent();
    }

    static std::wstring Dist(const wchar_t* relative) { return test::DistDir() + L"\\" + relative; }
    static std::wstring Beside(const wchar_t* relative) {
        return std::wstring(kPackageFolder) + L"\\" + relative;
    }
    static std::wstring MakerDataFolder() { return test::ProgramData() + L"\\Koru Corporation"; }
    static std::wstring SelfRepairFolder() {
        return MakerDataFolder() + L"\\ZEMI Update Self Repair";
    }
    static std::wstring InstallerFolder() { return MakerDataFolder() + L"\\ZEMI Update Installer"; }
    static std::wstring TempFolder() { return MakerDataFolder() + L"\\ZEMI Update Temp"; }
    static std::wstring GuardTool() { return SelfRepairFolder() + L"\\ZUSR.exe"; }
    static std::wstring PackageCopy() { return SelfRepairFolder() + L"\\" + kPackageExe; }
    static std::wstring ProductFolder() {
        return test::NativeProgramFiles() + L"\\Koru\\ZEMI Update";
    }
    static std::wstring ProductTool() { return ProductFolder() + L"\\ZUSR.exe"; }
    // The build of the tool beside the launcher that fits this system.
    static std::wstring LaunchersTool() {
        return Beside(test::RegistryViewsAreSeparate() ? L"ZUSRFeature\\64\\ZUSR.exe"
                                                       : L"ZUSRFeature\\32\\ZUSR.exe");
    }
    static std::wstring OtherLaunchersTool() {
        return Beside(test::RegistryViewsAreSeparate() ? L"ZUSRFeature\\32\\ZUSR.exe"
                                                       : L"ZUSRFeature\\64\\ZUSR.exe");
    }

    static ToolStart Start(const std::wstring& tool, const wchar_t* tool_switch) {
        return {Lower(tool), tool_switch};
    }

    // The tool's starts from "/SummonGuard" up to the old tool's uninstall (a
    // missing old tool is not started).
    static std::vector<ToolStart> SummonAndUninstall(bool old_tool = true) {
        std::vector<ToolStart> starts = {Start(GuardTool(), L"/SummonGuard")};
        if (old_tool) {
            starts.push_back(Start(ProductTool(), L"/ZUSRUninstall"));
        }
        // Not on a system the launcher does not recognise (code 0), although
        // it looks for Run values there too.
        if (test::WindowsOfThisEntry() == test::EntryWindows::kXp) {
            starts.push_back(Start(GuardTool(), L"/ZUSRUninstall"));
        }
        return starts;
    }

    test::Machine machine_;
    std::vector<std::unique_ptr<test::ScopedWineVersion>> versions_;
};

TEST_F(SelfRepairGuardTest, StartedByThePackage_GuardSummonedOldRepairGoneRunGoesOn) {
    InstallOldGeneration();

    EXPECT_EQ(kGuardWentOn, RunLauncher(L"guard", true));

    EXPECT_TRUE(SameBytes(Dist(kPackageExe), PackageCopy()));
    EXPECT_TRUE(SameBytes(LaunchersTool(), GuardTool()));
    EXPECT_EQ(SummonAndUninstall(), ToolStarts());
    EXPECT_TRUE(GuardEntryPresent());
    EXPECT_FALSE(IsRepairTaskPresent() || IsUltimateRepairTaskPresent() ||
                 IsRepairRunEntryPresent());
}

// A self-repair folder that is there before the run (an earlier run's, or
// one a user made to plant files in it) is replaced, never used: without the
// package to copy afresh, the run is abandoned before any tool runs.
TEST_F(SelfRepairGuardTest, FolderThereBeforeTheRun_ReplacedNotUsed) {
    const std::wstring target = MakerDataFolder() + L"\\planted-target";
    ASSERT_TRUE(machine_.WriteFile(target + L"\\keep.txt", "keep"));
    struct Case {
        const char* name;
        bool link;  // else trusted copies with a planted DLL beside them
        bool from_package;
    } const cases[] = {{"copies, no package", false, false},
                       {"copies, package", false, true},
                       {"link, package", true, true}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        test::ClearJournal();
        if (c.link) {
            ASSERT_TRUE(test::MakeHostDirectoryLink(MakerDataFolder(), L"planted-target",
                                                    L"ZEMI Update Self Repair"));
        } else {
            PlaceGuardFolder();
            ASSERT_TRUE(machine_.WriteFile(SelfRepairFolder() + L"\\version.dll", "planted"));
        }

        const DWORD result = RunLauncher(L"guard", c.from_package);

        EXPECT_EQ("keep", test::FileBytes(target + L"\\keep.txt").value_or("<missing>"));
        if (test::IsHostLink(SelfRepairFolder())) {
            // Wine cannot remove a link (Windows can): the run stops there.
            EXPECT_EQ(kAbandoned, result);
            EXPECT_TRUE(ToolStarts().empty());
            test::RemoveHostLink(MakerDataFolder(), L"ZEMI Update Self Repair");
            continue;
        }
        if (!c.from_package) {
            EXPECT_EQ(kAbandoned, result);
            EXPECT_TRUE(ToolStarts().empty());
            continue;
        }
        EXPECT_EQ(kGuardWentOn, result);
        EXPECT_FALSE(test::FileExists(SelfRepairFolder() + L"\\version.dll"));
        EXPECT_TRUE(SameBytes(Dist(kPackageExe), PackageCopy()));
        EXPECT_TRUE(SameBytes(LaunchersTool(), GuardTool()));
        EXPECT_EQ(SummonAndUninstall(false), ToolStarts());
        test::DeletePath(SelfRepairFolder());
    }
    test::DeletePath(target);
}

TEST_F(SelfRepairGuardTest, TamperedGuardTool_ReplacedByTheLaunchersBuild) {
    PlaceGuardFolder();
    Tamper(GuardTool());

    EXPECT_EQ(kGuardWentOn, RunLauncher(L"guard", true));

    EXPECT_TRUE(SameBytes(LaunchersTool(), GuardTool()));
    EXPECT_TRUE(GuardEntryPresent());
}

TEST_F(SelfRepairGuardTest, UntrustedPackageCopyAndNoPackageToCopy_AbandonedBeforeAnyToolRuns) {
    InstallOldGeneration();
    PlaceGuardFolder();
    PlaceSavedData();
    Tamper(PackageCopy());

    EXPECT_EQ(kAbandoned, RunLauncher(L"guard"));

    EXPECT_TRUE(ToolStarts().empty());
    EXPECT_FALSE(test::FolderExists(SelfRepairFolder()));
    // The saved data and the scratch key are the caller's: a run that finishes
    // an interrupted one must keep them.
    EXPECT_TRUE(test::FolderExists(TempFolder()));
    EXPECT_TRUE(test::KeyExists(HKEY_LOCAL_MACHINE, kScratchKey, KEY_WOW64_64KEY));
    EXPECT_TRUE(OldRepairEntriesPresent());
}

// The maker's name in capitals is another signer: the tool is not trusted.
TEST_F(SelfRepairGuardTest, LaunchersToolSignedInCapitals_Abandoned) {
    ASSERT_TRUE(machine_.CopyFile(Dist(kPackageExe), PackageCopy()));
    ASSERT_TRUE(machine_.CopyFile(test::UpperCaseSignerToolPath(), LaunchersTool()));

    EXPECT_EQ(kAbandoned, RunLauncher(L"guard", true));

    EXPECT_TRUE(ToolStarts().empty());
    EXPECT_FALSE(test::FolderExists(SelfRepairFolder()));
}

TEST_F(SelfRepairGuardTest, OtherArchitecturesBuildUnsigned_NotUsed) {
    ASSERT_TRUE(machine_.CopyFile(Dist(kPackageExe), PackageCopy()));
    ASSERT_TRUE(machine_.CopyFile(test::UnsignedToolPath(), OtherLaunchersTool()));

    EXPECT_EQ(kGuardWentOn, RunLauncher(L"guard", true));
    EXPECT_TRUE(SameBytes(Dist(L"ZUSRFeature\\32\\ZUSR.exe"), GuardTool()));
}

class GuardNotUpTest : public SelfRepairGuardTest,
                       public testing::WithParamInterface<const wchar_t*> {};

TEST_P(GuardNotUpTest, GuardDismissedAndRunAbandoned) {
    if (IsXp() && std::wstring(GetParam()) == L"disabled_guard") {
        GTEST_SKIP() << "a Run value cannot be disabled";
    }
    InstallOldGeneration();
    PlaceGuardFolder();
    PlaceSavedData();
    test::SetBehaviour(L"ZUSR.exe", GetParam(), 1);

    EXPECT_EQ(kAbandoned, RunLauncher(L"guard", true));

    const std::vector<ToolStart> expected = {Start(GuardTool(), L"/SummonGuard"),
                                             Start(GuardTool(), L"/DismissGuard")};
    EXPECT_EQ(expected, ToolStarts());
    EXPECT_FALSE(test::FolderExists(SelfRepairFolder()));
    // The saved data and the scratch key are the caller's: a run that finishes
    // an interrupted one must keep them.
    EXPECT_TRUE(test::FolderExists(TempFolder()));
    EXPECT_TRUE(test::KeyExists(HKEY_LOCAL_MACHINE, kScratchKey, KEY_WOW64_64KEY));
    EXPECT_TRUE(OldRepairEntriesPresent());
}

INSTANTIATE_TEST_SUITE_P(ToolBehaviours,
                         GuardNotUpTest,
                         testing::Values(L"no_guard", L"disabled_guard"));

TEST_F(SelfRepairGuardTest, OldToolKeepsItsRepairEntries_GuardDismissedAndRunAbandoned) {
    InstallOldGeneration();
    PlaceGuardFolder();
    test::SetBehaviour(L"ZUSR.exe", L"keep_repair", 1);

    EXPECT_EQ(kAbandoned, RunLauncher(L"guard", true));

    std::vector<ToolStart> expected = SummonAndUninstall();
    expected.push_back(Start(GuardTool(), L"/DismissGuard"));
    EXPECT_EQ(expected, ToolStarts());
    EXPECT_FALSE(GuardEntryPresent());
    EXPECT_FALSE(test::FolderExists(SelfRepairFolder()));
}

TEST_F(SelfRepairGuardTest, Finish_ToolAndPackageInPlace_NewToolInstalledGuardDismissed) {
    PlaceGuardFolder();
    ASSERT_TRUE(machine_.CreateFolder(ProductFolder()));
    ASSERT_TRUE(machine_.WriteFile(InstallerFolder() + L"\\stale.exe", "stale"));

    EXPECT_EQ(1u, RunLauncher(L"finish"));

    EXPECT_TRUE(SameBytes(Dist(L"ZUSRFeature\\32\\ZUSR.exe"), ProductTool()));
    const test::FileTree expected_installer = {
        {kPackageExe, test::FileBytes(Dist(kPackageExe)).value_or("")}};
    EXPECT_EQ(expected_installer, test::FilesUnder(InstallerFolder()));
    const std::vector<ToolStart> expected = {Start(ProductTool(), L"/ZUSRInstall"),
                                             Start(GuardTool(), L"/DismissGuard")};
    EXPECT_EQ(expected, ToolStarts());
    EXPECT_FALSE(test::FolderExists(SelfRepairFolder()));
}

TEST_F(SelfRepairGuardTest, Finish_NoProductFolder_GuardAndFolderLeftInPlace) {
    PlaceGuardFolder();

    EXPECT_EQ(0u, RunLauncher(L"finish"));

    EXPECT_TRUE(ToolStarts().empty());
    EXPECT_TRUE(test::FileExists(GuardTool()));
    EXPECT_TRUE(test::FileExists(PackageCopy()));
    EXPECT_TRUE(test::FileExists(InstallerFolder() + L"\\" + kPackageExe));
}

// An old tool that stays where the new one should go is no deployment, even
// though a tool file is there.
TEST_F(SelfRepairGuardTest, Finish_OldProductToolCannotBeReplaced_GuardAndFolderLeftInPlace) {
    PlaceGuardFolder();
    ASSERT_TRUE(machine_.CopyFile(Dist(L"ZUSRFeature\\32\\ZUSR.exe"), ProductTool()));
    UniqueFileHandle held(::CreateFileW(ProductTool().c_str(), GENERIC_READ, 0, nullptr,
                                        OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    ASSERT_TRUE(held);

    EXPECT_EQ(0u, RunLauncher(L"finish"));

    held.Reset();
    for (const ToolStart& start : ToolStarts()) {
        EXPECT_NE(L"/DismissGuard", start.second);
    }
    EXPECT_TRUE(test::FileExists(GuardTool()));
    EXPECT_TRUE(test::FileExists(PackageCopy()));
}

// The guard's files are checked when the guard comes up and used minutes
// later: a file changed in between is neither deployed nor started.
TEST_F(SelfRepairGuardTest, Finish_FileChangedAfterTheGuardsCheck_NotDeployedNorStarted) {
    ASSERT_TRUE(machine_.CreateFolder(ProductFolder()));
    for (const bool tool : {true, false}) {
        SCOPED_TRACE(tool ? "guard tool changed" : "package copy changed");
        test::ClearJournal();
        test::DeletePath(InstallerFolder());
        PlaceGuardFolder();
        ASSERT_TRUE(machine_.WriteFile(InstallerFolder() + L"\\stale.exe", "stale"));
        Tamper(tool ? GuardTool() : PackageCopy());

        EXPECT_EQ(0u, RunLauncher(L"finish"));

        EXPECT_EQ(!tool, test::FileExists(ProductTool()));
        for (const ToolStart& start : ToolStarts()) {
            EXPECT_NE(Lower(GuardTool()), start.first);
        }
        EXPECT_EQ(tool, test::FileExists(InstallerFolder() + L"\\" + kPackageExe));
        EXPECT_EQ(!tool, test::FileExists(InstallerFolder() + L"\\stale.exe"));
        EXPECT_TRUE(test::FileExists(GuardTool()));
        ::DeleteFileW(ProductTool().c_str());
    }
}

TEST_F(SelfRepairGuardTest, PackageCopy_CurrentOnlyWithTheVersionOfVersionTxt) {
    EXPECT_EQ(0u, RunLauncher(L"package-current"));
    PlaceGuardFolder();
    EXPECT_EQ(1u, RunLauncher(L"package-current"));
    ASSERT_TRUE(test::WriteFileBytes(Beside(L"Installer\\Version.txt"), "7.6.0.0\r\n"));
    EXPECT_EQ(0u, RunLauncher(L"package-current"));
}

TEST_F(SelfRepairGuardTest, PackageName_IdOfTheSettingsWithExe) {
    EXPECT_EQ(1u, RunLauncher(L"package-name"));
    EXPECT_EQ("ZEMIUpdatePackage.exe", test::FileBytes(Beside(L"name.txt")));

    ASSERT_TRUE(test::WriteFileBytes(Beside(L"Installer\\ESD.ini"), "[SoftwareID]\r\n"));
    EXPECT_EQ(1u, RunLauncher(L"package-name"));
    EXPECT_EQ(".exe", test::FileBytes(Beside(L"name.txt")));

    // A name that would lead out of the folders it is joined to is none.
    for (const char* id : {"..\\..\\Windows\\evil", "C:evil", "sub/evil"}) {
        SCOPED_TRACE(id);
        ASSERT_TRUE(test::WriteFileBytes(Beside(L"Installer\\ESD.ini"),
                                         std::string("[SoftwareID]\r\nid=") + id + "\r\n"));
        EXPECT_EQ(0u, RunLauncher(L"package-name"));
        EXPECT_EQ("", test::FileBytes(Beside(L"name.txt")));
    }
}

}  // namespace
}  // namespace zu
