#include "checks/version_checks.h"

#include <gtest/gtest.h>

#include <windows.h>
#include <shlobj.h>
#include <shlwapi.h>

#include <string>

#include "tests/support/file_fixture.h"
#include "tests/support/machine_paths.h"
#include "tests/support/test_paths.h"

namespace zu {
namespace {

using test::NativeProgramFiles;
using test::ProgramFiles32;

// Version files in the places the launcher looks: beside the test program
// (it stands in for the launcher) and in the Program Files folders.
class VersionChecksTest : public testing::Test {
  protected:
    void SetUp() override { Clean(); }
    void TearDown() override { Clean(); }

    static std::wstring NewVersionFile() {
        return test::TestBinDir() + L"\\Installer\\Version.txt";
    }
    static std::wstring ProductFolder(const std::wstring& program_files, const wchar_t* name) {
        return program_files + L"\\Koru\\" + name;
    }

    void Put(const std::wstring& folder, const std::string& version) {
        ::SHCreateDirectoryExW(nullptr, folder.c_str(), nullptr);
        ASSERT_TRUE(test::WriteFileBytes(folder + L"\\Version.txt", version));
    }
    void PutNew(const std::string& version) { Put(test::TestBinDir() + L"\\Installer", version); }
    void PutInstalled(const std::string& version) {
        Put(ProductFolder(NativeProgramFiles(), L"ZEMI Update"), version);
    }

    static void Clean() {
        ::DeleteFileW(NewVersionFile().c_str());
        ::RemoveDirectoryW((test::TestBinDir() + L"\\Installer").c_str());
        for (const std::wstring& root : {NativeProgramFiles(), ProgramFiles32()}) {
            for (const wchar_t* name : {L"ZEMI Update", L"ZEMI Update 5", L"ZEMI Update 4"}) {
                ::DeleteFileW((ProductFolder(root, name) + L"\\Version.txt").c_str());
                ::RemoveDirectoryW(ProductFolder(root, name).c_str());
            }
            ::RemoveDirectoryW((root + L"\\Koru").c_str());
        }
    }
};

TEST_F(VersionChecksTest, ReadVersionFile_FirstLineOnlyWithByteOrderMarkSkipped) {
    const std::wstring path = NewVersionFile();
    PutNew("5.1.0.0\r\nsecond line\r\n");
    EXPECT_EQ(L"5.1.0.0", ReadVersionFile(path));
    PutNew(
        "\xEF\xBB\xBF"
        "5.1.0.0\n");
    EXPECT_EQ(L"5.1.0.0", ReadVersionFile(path));
    PutNew("7.5.0.0");
    EXPECT_EQ(L"7.5.0.0", ReadVersionFile(path));
    PutNew(std::string("5.2\0garbage", 11));
    EXPECT_EQ(L"5.2", ReadVersionFile(path));
    PutNew(std::string(200, '9'));  // only 128 bytes are read
    EXPECT_EQ(std::wstring(128, L'9'), ReadVersionFile(path));
    PutNew("");
    EXPECT_EQ(L"", ReadVersionFile(path));
    EXPECT_EQ(L"", ReadVersionFile(path + L".missing"));
}

TEST_F(VersionChecksTest, IsNewerVersionInstalled_ComparesAsTextWithoutCase) {
    struct Case {
        const char* installed;
        const char* fresh;
        bool newer;
    } cases[] = {
        {"5.2.0.1", "5.1.9.9", true},
        {"5.1.0.0", "5.1.0.0", false},
        {"5.9.0.0", "5.10.0.0", true},  // text, not numbers
        {"ABC", "abc", false},
        {"5.1.0.0\r\n",
         "\xEF\xBB\xBF"
         "5.1.0.0",
         false},
        {"7.0.0.0", "7.5.0.0", false},
    };
    for (const Case& c : cases) {
        PutInstalled(c.installed);
        PutNew(c.fresh);
        EXPECT_EQ(c.newer, IsNewerVersionInstalled()) << c.installed << " vs " << c.fresh;
    }
}

TEST_F(VersionChecksTest, IsNewerVersionInstalled_MissingFileOnEitherSide_IsFalse) {
    PutInstalled("9.9.9.9");
    EXPECT_FALSE(IsNewerVersionInstalled());  // no Installer\Version.txt beside the launcher
    Clean();
    PutNew("1.0.0.0");
    EXPECT_FALSE(IsNewerVersionInstalled());
}

TEST_F(VersionChecksTest, IsCurrentGenerationInstalled_LatestOrGeneration5) {
    EXPECT_FALSE(IsCurrentGenerationInstalled());
    Put(ProductFolder(NativeProgramFiles(), L"ZEMI Update 4"), "4.0.0.0");
    EXPECT_FALSE(IsCurrentGenerationInstalled());
    Put(ProductFolder(NativeProgramFiles(), L"ZEMI Update 5"), "5.7.1.3");
    EXPECT_TRUE(IsCurrentGenerationInstalled());
    Clean();
    PutInstalled("7.0.0.0");
    EXPECT_TRUE(IsCurrentGenerationInstalled());
}

TEST_F(VersionChecksTest, DetectGeneration4Folders_OnlyInLaunchInstallerMode) {
    Put(ProductFolder(NativeProgramFiles(), L"ZEMI Update 4"), "4.1.0.0");
    Put(ProductFolder(ProgramFiles32(), L"ZEMI Update 4"), "4.1.0.0");
    LauncherContext ordinary;
    ordinary.ordinaryRun = true;
    DetectGeneration4Folders(&ordinary);
    EXPECT_FALSE(ordinary.gen4VersionNative);
    EXPECT_FALSE(ordinary.gen4VersionProgramFiles);

    LauncherContext requested;
    requested.launchInstaller = true;
    DetectGeneration4Folders(&requested);
    EXPECT_TRUE(requested.gen4VersionNative);
    EXPECT_TRUE(requested.gen4VersionProgramFiles);
}

TEST_F(VersionChecksTest, CopyVersionFileToGeneration4_RecreatesFolderNativeWins) {
    PutInstalled("7.5.0.0\r\n");
    LauncherContext context;
    context.gen4VersionNative = true;
    context.gen4VersionProgramFiles = true;
    CopyVersionFileToGeneration4(context);
    EXPECT_EQ("7.5.0.0\r\n", test::FileBytes(ProductFolder(NativeProgramFiles(), L"ZEMI Update 4") +
                                             L"\\Version.txt"));
    if (test::RegistryViewsAreSeparate()) {
        EXPECT_FALSE(::PathFileExistsW(ProductFolder(ProgramFiles32(), L"ZEMI Update 4").c_str()));
    }

    Clean();
    PutInstalled("7.5.0.1");
    context.gen4VersionNative = false;
    CopyVersionFileToGeneration4(context);
    EXPECT_EQ("7.5.0.1", test::FileBytes(ProductFolder(ProgramFiles32(), L"ZEMI Update 4") +
                                         L"\\Version.txt"));
}

}  // namespace
}  // namespace zu
