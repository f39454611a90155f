// A run installs the new client: the launcher runs "Installer\setup.exe" beside
// it with " /s" in "<launcher folder>\Installer\" and waits for it.
#include <gtest/gtest.h>

#include <windows.h>

#include "tests/support/file_fixture.h"
#include "tests/support/journal.h"
#include "tests/support/launcher_process.h"
#include "tests/support/package_copy.h"
#include "tests/support/product_state.h"
#include "tests/support/test_paths.h"

namespace zu {
namespace {

constexpr DWORD kRunTimeoutMs = 120000;

std::wstring Expand(const wchar_t* text) {
    wchar_t buffer[MAX_PATH] = {};
    ::ExpandEnvironmentStringsW(text, buffer, MAX_PATH);
    return buffer;
}

std::wstring NativeProgramFiles() {
    SYSTEM_INFO info = {};
    ::GetNativeSystemInfo(&info);
    return Expand(info.wProcessorArchitecture == PROCESSOR_ARCHITECTURE_INTEL ? L"%ProgramFiles%"
                                                                              : L"%ProgramW6432%");
}

bool SameText(const std::wstring& a, const std::wstring& b) {
    return ::lstrcmpiW(a.c_str(), b.c_str()) == 0;
}

class NewSetupRunTest : public testing::Test {
  protected:
    void SetUp() override {
        test::ResetProductState();
        test::SetSharedRegion();
    }
    void TearDown() override {
        test::ResetProductState();
        for (const std::wstring& path : created_) {
            test::DeletePath(path);
        }
    }

    // Runs the package in folder with /s, as the client's automatic run would:
    // the package starts the launcher beside it.
    DWORD RunSilently(const std::wstring& folder) {
        test::LauncherProcess process;
        EXPECT_TRUE(process.Start(folder + L"\\ZEMIUpdatePackage.exe", L"/s", false));
        DWORD exit_code = 12345;
        EXPECT_TRUE(process.WaitForExit(kRunTimeoutMs, &exit_code));
        return exit_code;
    }

    // The new client as the setup left it, checked right after the launcher
    // ended: had the launcher not waited for the setup, nothing would be there yet.
    void ExpectNewClientInstalled(const std::wstring& package) {
        const std::wstring product = NativeProgramFiles() + L"\\Koru\\ZEMI Update";
        const auto installed = test::FileBytes(product + L"\\Version.txt");
        ASSERT_TRUE(installed.has_value()) << "no Version.txt in the product folder";
        EXPECT_EQ(test::FileBytes(package + L"\\Installer\\Version.txt"), installed);
        EXPECT_TRUE(test::FileExists(product + L"\\ZEMIUpdt.exe"));
    }

    void ExpectSetupRanOnceFrom(const std::wstring& package) {
        const auto starts = test::StartsOf(L"setup.exe");
        ASSERT_EQ(1u, starts.size());
        EXPECT_TRUE(SameText(package + L"\\Installer\\setup.exe", starts[0].path))
            << std::string(starts[0].path.begin(), starts[0].path.end());
        EXPECT_TRUE(SameText(L"/s", starts[0].arguments) || SameText(L" /s", starts[0].arguments))
            << std::string(starts[0].arguments.begin(), starts[0].arguments.end());
        // GetCurrentDirectoryW drops the trailing backslash the launcher passed.
        EXPECT_TRUE(SameText(package + L"\\Installer", starts[0].working_directory))
            << std::string(starts[0].working_directory.begin(), starts[0].working_directory.end());
    }

    std::vector<std::wstring> created_;
};

TEST_F(NewSetupRunTest, CleanMachine_SilentRunInstallsNewClientAndWaitsForSetup) {
    test::SetBehaviour(L"setup.exe", L"sleep_ms", 2000);
    EXPECT_EQ(0u, RunSilently(test::DistDir()));
    ExpectNewClientInstalled(test::DistDir());
    ExpectSetupRanOnceFrom(test::DistDir());
}

// An unquoted command line would make Windows try "C:\Program.exe" first.
TEST_F(NewSetupRunTest, PackageInFolderWithSpaces_PlantedProgramExeNeverRuns) {
    const std::wstring package = Expand(L"%SystemDrive%\\Program Files\\ZEMI Update Package");
    const std::wstring planted = Expand(L"%SystemDrive%\\Program.exe");
    created_ = {package, planted};
    ASSERT_TRUE(test::CopyPackageTo(package));
    ASSERT_TRUE(::CopyFileW(test::StandinPath(L"ZEMIUpdt.exe").c_str(), planted.c_str(), FALSE));

    EXPECT_EQ(0u, RunSilently(package));
    EXPECT_TRUE(test::StartsOf(L"Program.exe").empty());
    ExpectNewClientInstalled(package);
    ExpectSetupRanOnceFrom(package);
}

}  // namespace
}  // namespace zu
