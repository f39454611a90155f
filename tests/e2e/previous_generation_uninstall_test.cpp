// A whole run through the package on a machine with an earlier generation:
// the launcher runs that generation's cached setup from a staged copy with the
// response file beside it, then cleans up what the setup left for the restart.
#include <gtest/gtest.h>

#include <windows.h>

#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include "standins/outside_identifiers.h"
#include "tests/support/file_fixture.h"
#include "tests/support/journal.h"
#include "tests/support/launcher_process.h"
#include "tests/support/machine_fixture.h"
#include "tests/support/machine_paths.h"
#include "tests/support/product_state.h"
#include "tests/support/registry_fixture.h"
#include "tests/support/registry_value_fixture.h"
#include "tests/support/test_paths.h"

namespace zu {
namespace {

using namespace std::string_literals;

constexpr DWORD kRunTimeoutMs = 180000;

constexpr wchar_t kProductKey[] = L"SOFTWARE\\Koru Corporation\\ZEMI Update";
constexpr wchar_t kLaunchInstaller[] = L"LaunchInstaller";
constexpr wchar_t kSessionManager[] = L"SYSTEM\\CurrentControlSet\\Control\\Session Manager";
constexpr wchar_t kPendingRenames[] = L"PendingFileRenameOperations";
constexpr wchar_t kRunOnce[] = L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\RunOnce";
constexpr wchar_t kLegacySetup[] = L"LegacySetup.exe";
constexpr wchar_t kOtherRunOnce[] = L"zu-e2e other product";
constexpr wchar_t kOtherProductCode[] = L"{11111111-2222-3333-4444-555555555555}";

// Another product's rename at the next restart, which must survive.
const std::wstring kOtherRenames =
    L"\\??\\C:\\Program Files\\Other Vendor\\driver.tmp\0\\??\\C:\\Windows\\driver.sys\0\0"s;

struct UninstallCase {
    const char* name;
    test::Generation generation;
    test::ProgramFolders folders;
    const wchar_t* version;      // null: the generation's usual version
    const wchar_t* productCode;  // null: nothing is uninstalled
    const wchar_t* responseFile;
    bool replacesScript;
    bool runOnceCleaned;  // the setup's RunOnce entry is one the launcher removes
};

const UninstallCase kCases[] = {
    {"Generation4Native", test::Generation::k4, test::ProgramFolders::kNative, nullptr,
     outside::kProductCodeGen4, L"ZU4Uninstall.iss", false, true},
    {"Generation4ProgramFiles32", test::Generation::k4, test::ProgramFolders::kProgramFiles32,
     nullptr, outside::kProductCodeGen4, L"ZU4Uninstall.iss", false, true},
    {"Generation5", test::Generation::k5, test::ProgramFolders::kUsual, nullptr,
     outside::kProductCodeGen5, L"ZU5Uninstall.iss", false, true},
    {"Generation5_7_1", test::Generation::k5_7_1, test::ProgramFolders::kUsual, nullptr,
     outside::kProductCodeGen5, L"ZU5Uninstall.iss", true, true},
    {"Generation5_8_0", test::Generation::k5_8_0, test::ProgramFolders::kUsual, nullptr,
     outside::kProductCodeGen58, L"ZE8UUninstall.iss", false, false},
    {"Latest", test::Generation::kLatest, test::ProgramFolders::kUsual, nullptr,
     outside::kProductCodeGen6, L"ZU6Uninstall.iss", false, false},
    {"UnknownVersion", test::Generation::k5, test::ProgramFolders::kUsual, L"3.2.1.0", nullptr,
     nullptr, false, false},
};

void PrintTo(const UninstallCase& c, std::ostream* os) {
    *os << c.name;
}

std::vector<BYTE> Bytes(const std::wstring& text) {
    const BYTE* begin = reinterpret_cast<const BYTE*>(text.data());
    return std::vector<BYTE>(begin, begin + text.size() * sizeof(wchar_t));
}

std::string Narrow(const std::wstring& text) {
    return std::string(text.begin(), text.end());
}

bool SameText(const std::wstring& a, const std::wstring& b) {
    return ::lstrcmpiW(a.c_str(), b.c_str()) == 0;
}

std::wstring FirstLineOf(const std::wstring& path) {
    const std::string bytes = test::FileBytes(path).value_or(std::string());
    const std::string line = bytes.substr(0, bytes.find_first_of("\r\n"));
    return std::wstring(line.begin(), line.end());
}

std::wstring SetupCommand(const wchar_t* code) {
    return L"\"" + test::ProgramFiles32() + L"\\InstallShield Installation Information\\" + code +
           L"\\setup.exe\" -runfromtemp -l0x0409 -removeonly";
}

std::wstring StagingFolder(const wchar_t* code) {
    return test::ProgramData() + L"\\Koru Corporation\\ZEMI Update Temp\\" + code;
}

class PreviousGenerationUninstallTest : public testing::TestWithParam<UninstallCase> {
  protected:
    void SetUp() override {
        test::ResetProductState();
        test::SetSharedRegion();  // an unattended run needs a region
        savedRenames_ = test::QueryValue(HKEY_LOCAL_MACHINE, kSessionManager, 0, kPendingRenames);
        RemoveRunOnceValues();
        test::PutValue(HKEY_LOCAL_MACHINE, kSessionManager, 0, kPendingRenames,
                       test::RegistryValue{REG_MULTI_SZ, Bytes(kOtherRenames)});
        test::SetStringValue(HKEY_LOCAL_MACHINE, kRunOnce, KEY_WOW64_32KEY, kOtherRunOnce,
                             SetupCommand(kOtherProductCode));
        test::SetBehaviour(kLegacySetup, L"leave_pending_rename", 1);
        test::SetBehaviour(kLegacySetup, L"leave_runonce", 1);
    }

    void TearDown() override {
        test::ResetProductState();
        test::PutValue(HKEY_LOCAL_MACHINE, kSessionManager, 0, kPendingRenames, savedRenames_);
        RemoveRunOnceValues();
    }

    // The other product's value and those the old setups name after their code.
    static void RemoveRunOnceValues() {
        for (REGSAM view : {REGSAM(KEY_WOW64_64KEY), REGSAM(KEY_WOW64_32KEY)}) {
            for (const wchar_t* name :
                 {kOtherRunOnce, outside::kProductCodeGen4, outside::kProductCodeGen5,
                  outside::kProductCodeGen58, outside::kProductCodeGen6}) {
                test::PutValue(HKEY_LOCAL_MACHINE, kRunOnce, view, name, std::nullopt);
            }
        }
    }

    // The generation as it was installed, asked to install the new client
    // ("LaunchInstaller" = 1, also in the 32-bit view where there is one).
    void LayOutMachine(const UninstallCase& c) {
        test::GenerationOptions options;
        options.folders = c.folders;
        options.version = c.version != nullptr ? c.version : L"";
        options.schedule = test::Schedule::kNone;
        options.shortcuts = false;
        options.registrations = false;
        ASSERT_TRUE(machine_.InstallGeneration(c.generation, options));
        for (REGSAM view : {REGSAM(KEY_WOW64_64KEY), REGSAM(KEY_WOW64_32KEY)}) {
            ASSERT_TRUE(
                machine_.SetDword(HKEY_LOCAL_MACHINE, kProductKey, view, kLaunchInstaller, 1));
        }
    }

    static void RunPackageSilently() {
        test::LauncherProcess process;
        ASSERT_TRUE(process.Start(test::DistDir() + L"\\ZEMIUpdatePackage.exe", L"/s", false));
        DWORD exit_code = 12345;
        ASSERT_TRUE(process.WaitForExit(kRunTimeoutMs, &exit_code));
        EXPECT_EQ(0u, exit_code);
    }

    static std::wstring ScriptTheSetupRan(DWORD pid) {
        for (const test::JournalRecord& event : test::EventsOf(pid)) {
            if (event.event == L"script") {
                return event.detail;
            }
        }
        return L"(no script event)";
    }

    static void ExpectSetupRanFromStagedCopy(const UninstallCase& c,
                                             const std::wstring& cached_script) {
        const std::vector<test::JournalRecord> starts = test::StartsOf(kLegacySetup);
        ASSERT_EQ(1u, starts.size());
        const std::wstring staging = StagingFolder(c.productCode);
        EXPECT_TRUE(SameText(staging + L"\\setup.exe", starts[0].path)) << Narrow(starts[0].path);
        // The journal holds what follows the quoted program: with the program
        // unquoted, a blank in the staging path would show up here. The
        // response file is read from its copy in the private staging folder.
        EXPECT_TRUE(
            SameText(L"/s /f1\"" + staging + L"\\" + c.responseFile + L"\"", starts[0].arguments))
            << Narrow(starts[0].arguments);
        EXPECT_TRUE(SameText(staging, starts[0].working_directory))
            << Narrow(starts[0].working_directory);
        const std::wstring expected_script =
            c.replacesScript ? FirstLineOf(test::DistDir() + L"\\setup.inx") : cached_script;
        EXPECT_EQ(expected_script, ScriptTheSetupRan(starts[0].pid));
        // What the launcher must clean up afterwards was really left.
        EXPECT_TRUE(test::HasEvent(kLegacySetup, L"pending rename"));
        EXPECT_TRUE(test::HasEvent(kLegacySetup, L"runonce"));
        EXPECT_FALSE(test::FolderExists(staging));
    }

    static void ExpectRestartWorkCleaned(const UninstallCase& c) {
        const std::optional<test::RegistryValue> renames =
            test::QueryValue(HKEY_LOCAL_MACHINE, kSessionManager, 0, kPendingRenames);
        ASSERT_TRUE(renames.has_value());
        EXPECT_EQ(Bytes(kOtherRenames), renames->data);
        EXPECT_TRUE(
            test::ValueExists(HKEY_LOCAL_MACHINE, kRunOnce, KEY_WOW64_32KEY, kOtherRunOnce));
        if (c.runOnceCleaned) {
            EXPECT_FALSE(
                test::ValueExists(HKEY_LOCAL_MACHINE, kRunOnce, KEY_WOW64_32KEY, c.productCode));
        }
    }

    // Later steps of the run may take the product key of a view with them;
    // where it is left, the request reads 0.
    static void ExpectInstallRequestWithdrawn() {
        for (REGSAM view : {REGSAM(KEY_WOW64_64KEY), REGSAM(KEY_WOW64_32KEY)}) {
            const std::optional<DWORD> request =
                test::DwordValue(HKEY_LOCAL_MACHINE, kProductKey, view, kLaunchInstaller);
            EXPECT_TRUE(!request.has_value() || *request == 0)
                << "view " << view << ": " << *request;
        }
    }

    test::Machine machine_;
    std::optional<test::RegistryValue> savedRenames_;
};

TEST_P(PreviousGenerationUninstallTest, SilentRun_UninstallsWithOwnSetupAndCleansUp) {
    const UninstallCase& c = GetParam();
    ASSERT_NO_FATAL_FAILURE(LayOutMachine(c));
    const std::wstring cached_script =
        FirstLineOf(test::SetupCacheFolder(c.generation) + L"\\setup.inx");
    ASSERT_FALSE(cached_script.empty());

    ASSERT_NO_FATAL_FAILURE(RunPackageSilently());
    ExpectInstallRequestWithdrawn();
    ExpectRestartWorkCleaned(c);
    if (c.productCode == nullptr) {
        EXPECT_TRUE(test::StartsOf(kLegacySetup).empty());
        EXPECT_FALSE(test::FolderExists(StagingFolder(outside::kProductCodeGen5)));
        return;
    }
    ExpectSetupRanFromStagedCopy(c, cached_script);
}

INSTANTIATE_TEST_SUITE_P(Generations,
                         PreviousGenerationUninstallTest,
                         testing::ValuesIn(kCases),
                         [](const testing::TestParamInfo<UninstallCase>& info) {
                             return std::string(info.param.name);
                         });

}  // namespace
}  // namespace zu
