// Whole runs through the package on a machine with an earlier generation: the
// client's data survives the replacement, and the self-repair guard decides
// whether the replacement may go ahead at all.
#include <gtest/gtest.h>

#include <windows.h>

#include <string>

#include "tests/support/file_fixture.h"
#include "tests/support/journal.h"
#include "tests/support/launcher_process.h"
#include "tests/support/machine_fixture.h"
#include "tests/support/machine_paths.h"
#include "tests/support/package_copy.h"
#include "tests/support/product_state.h"
#include "tests/support/registry_fixture.h"
#include "tests/support/test_paths.h"

namespace zu {
namespace {

constexpr DWORD kRunTimeoutMs = 180000;
constexpr wchar_t kScratchKey[] = L"SOFTWARE\\Koru Corporation\\ZEMI Update Installer";

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

class ReplacementRunTest : public testing::Test {
  protected:
    void SetUp() override {
        test::ResetProductState();
        test::SetSharedRegion();
    }
    void TearDown() override {
        test::ResetProductState();
        if (!package_.empty()) {
            test::DeletePath(package_);
        }
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

    static std::wstring Generation5() {
        return test::ProgramFolder(test::Generation::k5, test::ProgramFolders::kNative);
    }

    test::Machine machine_;
    std::wstring package_;
};

TEST_F(ReplacementRunTest, Generation5WithData_DataSurvivesByteForByteAndTracesGo) {
    test::GenerationOptions options;
    options.dataFiles = true;
    options.region = L"EU";
    ASSERT_TRUE(machine_.InstallGeneration(test::Generation::k5, options));
    const test::FileTree data_before = test::FilesUnder(test::DataFolder());
    ASSERT_FALSE(data_before.empty());
    ASSERT_TRUE(
        test::WriteFileBytes(test::DataFolder() + L"\\ZUSUInstallLog.txt", "old entry\r\n"));

    EXPECT_EQ(0u, Run());

    // What the client keeps across generations comes back byte for byte; the
    // rest of the old data folder goes with the old generation.
    const test::FileTree data_after = test::FilesUnder(test::DataFolder());
    for (const wchar_t* kept :
         {L"PatchProcessInfo.dat", L"PatchProcessInfo_V2.0.dat", L"ItemDisplayListInfo.dat",
          L"PatchCheckStatus.dat", L"UpdateInfo.xml", L"AppList.XML",
          L"ZEMI Update Self Repair\\ZUSR.ini",
          L"ZEMI Update Self Repair\\Backup\\RepairList.dat"}) {
        const auto before = data_before.find(kept);
        const auto after = data_after.find(kept);
        ASSERT_NE(data_before.end(), before)
            << "not laid out: " << std::string(kept, kept + wcslen(kept));
        ASSERT_NE(data_after.end(), after) << "lost: " << std::string(kept, kept + wcslen(kept));
        EXPECT_EQ(before->second, after->second)
            << "changed: " << std::string(kept, kept + wcslen(kept));
    }
    EXPECT_FALSE(test::FolderExists(test::DataFolder() + L"\\App Icon Folder"));
    EXPECT_FALSE(test::FolderExists(test::DataFolder() + L"\\LocalUpdateInfo_V3.0"));
    EXPECT_FALSE(test::FileExists(test::DataFolder() + L"\\ZUSUInstallLog.txt"));
    EXPECT_FALSE(test::FolderExists(TempFolder()));
    EXPECT_FALSE(test::KeyExists(HKEY_LOCAL_MACHINE, kScratchKey, KEY_WOW64_64KEY));
    EXPECT_TRUE(test::FileExists(ProductFolder() + L"\\Version.txt"));
}

TEST_F(ReplacementRunTest,
       TrustedPackageAndTool_GuardSummonedThenNewToolInstalledAndGuardDismissed) {
    ASSERT_TRUE(machine_.InstallGeneration(test::Generation::k5));
    EXPECT_EQ(0u, Run());
    const std::vector<std::wstring> switches = ToolSwitches();
    EXPECT_TRUE(Contains(switches, L"/SummonGuard"));
    EXPECT_TRUE(Contains(switches, L"/ZUSRInstall"));
    EXPECT_TRUE(Contains(switches, L"/DismissGuard"));
    EXPECT_EQ(1u, test::StartsOf(L"setup.exe").size());
    EXPECT_TRUE(test::FileExists(ProductFolder() + L"\\ZUSR.exe"));
    EXPECT_FALSE(test::FolderExists(SelfRepairFolder()));
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

}  // namespace
}  // namespace zu
