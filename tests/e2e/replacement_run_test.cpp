// Whole runs through the package on a machine with an earlier generation: the
// client's data survives the replacement, and the self-repair guard decides
// whether the replacement may go ahead at all.
#include <gtest/gtest.h>

#include <windows.h>

#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include "tests/support/file_fixture.h"
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

    // Every data file the client keeps across generations is there byte for byte.
    static void ExpectDataKept(const test::FileTree& data_before) {
        const test::FileTree data_after = test::FilesUnder(test::DataFolder());
        for (const wchar_t* kept :
             {L"PatchProcessInfo.dat", L"PatchProcessInfo_V2.0.dat", L"ItemDisplayListInfo.dat",
              L"PatchCheckStatus.dat", L"UpdateInfo.xml", L"AppList.XML",
              L"ZEMI Update Self Repair\\ZUSR.ini",
              L"ZEMI Update Self Repair\\Backup\\RepairList.dat"}) {
            const std::string name(kept, kept + wcslen(kept));
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
    ExpectDataKept(data_before);
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

// The catalogue of malformed outside values: each run ends as the case says,
// without a crash, and no data file of the client is lost.
constexpr wchar_t kProductKey[] = L"SOFTWARE\\Koru Corporation\\ZEMI Update";
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

const BadInput kBadInputs[] = {
    {"LaunchInstallerStringWithoutNull", false,
     [](const std::wstring&) {
         Put(kProductKey, KEY_WOW64_64KEY, L"LaunchInstaller", REG_SZ, Utf16(L"1"));
     },
     true, 1, nullptr},
    {"LaunchInstallerOneByte", false,
     [](const std::wstring&) {
         Put(kProductKey, KEY_WOW64_64KEY, L"LaunchInstaller", REG_BINARY, {1});
     },
     true, 1, nullptr},
    {"LaunchInstallerOversized", false,
     [](const std::wstring&) {
         Put(kProductKey, KEY_WOW64_64KEY, L"LaunchInstaller", REG_BINARY,
             std::vector<BYTE>(70000, 1));
     },
     true, 1, nullptr},
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
    {"ModelListOfOddLength", true,
     [](const std::wstring& package) {
         test::SetSharedRegion(kAsiaPacific);
         const std::vector<BYTE> list = WithStrayByte(L"Wine");
         ASSERT_TRUE(test::WriteFileBytes(package + L"\\ModelName.txt",
                                          std::string(list.begin(), list.end())));
     },
     true, 1, nullptr},
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
    {"GarbageClientShortcut", false,
     [](const std::wstring&) {
         ASSERT_TRUE(test::WriteFileBytes(test::PublicDesktop() + L"\\ZEMI Update.lnk",
                                          std::string("L\0\0\0\x01\x14\x02garbage", 14)));
     },
     true, 1, nullptr},
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

    // A crash would end the run with another code.
    EXPECT_EQ(0u, Run());

    ExpectDataKept(data_before);
    EXPECT_EQ(c.installs, test::FileExists(ProductFolder() + L"\\Version.txt"));
    EXPECT_EQ(c.oldSetupStarts, test::StartsOf(L"LegacySetup.exe").size());
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
