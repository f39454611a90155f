#include "legacy/eula_carry_over.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>

#include "tests/support/machine_fixture.h"
#include "tests/support/machine_paths.h"
#include "tests/support/registry_fixture.h"
#include "tests/support/registry_value_fixture.h"

namespace zu {
namespace {

using test::Generation;

constexpr wchar_t kMakerKey[] = L"SOFTWARE\\Koru Corporation";
constexpr wchar_t kCurrentEula[] = L"SOFTWARE\\Koru Corporation\\ZEMI Update\\EULA";
constexpr wchar_t kGeneration5Eula[] = L"SOFTWARE\\Koru Corporation\\ZEMI Update 5\\EULA";
constexpr wchar_t kInstallerEula[] = L"SOFTWARE\\Koru Corporation\\ZEMI Update Installer\\EULA";
constexpr wchar_t kAgreed[] = L"EULAAgreed";

// A generation with its program folder, product key and, as asked, its EULA
// key and licence file; nothing else.
test::GenerationOptions EulaOnly(std::optional<DWORD> agreed, bool licence_file) {
    test::GenerationOptions options;
    options.programs = false;
    options.setupCache = false;
    options.schedule = test::Schedule::kNone;
    options.shortcuts = false;
    options.registrations = false;
    options.taskManager = std::nullopt;
    options.eulaAgreed = agreed;
    options.eulaFile = licence_file;
    return options;
}

std::optional<test::RegistryValue> Query(const wchar_t* key, REGSAM view = KEY_WOW64_64KEY) {
    return test::QueryValue(HKEY_LOCAL_MACHINE, key, view, kAgreed);
}

// Each test starts without the maker's keys and leaves none; the machine
// removes the folders and files it laid out.
class EulaCarryOverTest : public testing::Test {
  protected:
    void SetUp() override { Clean(); }
    void TearDown() override { Clean(); }
    static void Clean() {
        test::DeleteKeyTree(HKEY_LOCAL_MACHINE, kMakerKey, KEY_WOW64_64KEY);
        test::DeleteKeyTree(HKEY_LOCAL_MACHINE, kMakerKey, KEY_WOW64_32KEY);
    }

    // The install sequence's use of the carry-over: read before the uninstall,
    // which removes the earlier product keys, written back after the new setup.
    static void CarryOver() {
        DWORD agreed = 0;
        const bool key_found = ReadEulaAgreement(&agreed);
        const bool file_found = FindEarlierEulaFile();
        if (file_found) {
            WriteInstallerEulaNote();
        }
        for (Generation generation : {Generation::k5, Generation::kLatest}) {
            test::DeleteKeyTree(HKEY_LOCAL_MACHINE, test::ProductKey(generation), KEY_WOW64_64KEY);
        }
        if (key_found) {
            WriteEulaAgreement(agreed);
        }
        if (!file_found) {
            WriteEulaAgreement(1);
        }
    }

    static void ExpectAgreed(DWORD expected) {
        EXPECT_EQ(expected,
                  test::DwordValue(HKEY_LOCAL_MACHINE, kCurrentEula, KEY_WOW64_64KEY, kAgreed));
    }

    static void ExpectInstallerNote(bool expected) {
        const auto note = Query(kInstallerEula);
        if (!expected) {
            EXPECT_FALSE(note.has_value());
            return;
        }
        ASSERT_TRUE(note.has_value());
        EXPECT_EQ(static_cast<DWORD>(REG_SZ), note->type);
        EXPECT_EQ((std::vector<BYTE>{'1', 0, 0, 0}), note->data);  // with its null
    }

    test::Machine machine_;
};

TEST_F(EulaCarryOverTest, NoEarlierGeneration_ClientAgreed) {
    CarryOver();
    ExpectAgreed(1);
    ExpectInstallerNote(false);
}

TEST_F(EulaCarryOverTest, Generation5Agreed_WithLicenceFile_StaysAgreed) {
    ASSERT_TRUE(machine_.InstallGeneration(Generation::k5, EulaOnly(1, true)));
    CarryOver();
    ExpectAgreed(1);
    ExpectInstallerNote(true);
}

TEST_F(EulaCarryOverTest, LatestNotAgreed_WithLicenceFile_StaysNotAgreed) {
    ASSERT_TRUE(machine_.InstallGeneration(Generation::kLatest, EulaOnly(0, true)));
    CarryOver();
    ExpectAgreed(0);
    ExpectInstallerNote(true);
}

TEST_F(EulaCarryOverTest, EulaKeyWithoutValue_WithLicenceFile_IsNotAgreed) {
    ASSERT_TRUE(machine_.InstallGeneration(Generation::k5, EulaOnly(std::nullopt, true)));
    ASSERT_TRUE(machine_.CreateKey(HKEY_LOCAL_MACHINE, kGeneration5Eula, KEY_WOW64_64KEY));
    CarryOver();
    ExpectAgreed(0);
}

TEST_F(EulaCarryOverTest, NotAgreed_WithoutLicenceFile_EndsAgreed) {
    ASSERT_TRUE(machine_.InstallGeneration(Generation::k5, EulaOnly(0, false)));
    CarryOver();
    ExpectAgreed(1);
    ExpectInstallerNote(false);
}

TEST_F(EulaCarryOverTest, LicenceFileWithoutKey_LeavesOnlyTheNote) {
    ASSERT_TRUE(machine_.InstallGeneration(Generation::kLatest, EulaOnly(std::nullopt, true)));
    CarryOver();
    EXPECT_FALSE(Query(kCurrentEula).has_value());
    ExpectInstallerNote(true);
}

// Without a key the output is left alone.
TEST_F(EulaCarryOverTest, ReadEulaAgreement_EitherKeyHoldingOneCounts) {
    DWORD agreed = 7;
    EXPECT_FALSE(ReadEulaAgreement(&agreed));
    EXPECT_EQ(7u, agreed);
    ASSERT_TRUE(machine_.InstallGeneration(Generation::k5, EulaOnly(1, false)));
    ASSERT_TRUE(machine_.InstallGeneration(Generation::kLatest, EulaOnly(0, false)));
    EXPECT_TRUE(ReadEulaAgreement(&agreed));
    EXPECT_EQ(1u, agreed);

    ASSERT_TRUE(
        machine_.SetDword(HKEY_LOCAL_MACHINE, kGeneration5Eula, KEY_WOW64_64KEY, kAgreed, 2));
    EXPECT_TRUE(ReadEulaAgreement(&agreed));
    EXPECT_EQ(0u, agreed);
}

// The launcher is a 32-bit process: the client's keys are in the 64-bit view.
TEST_F(EulaCarryOverTest, KeysOf32BitView_AreNeitherReadNorWritten) {
    if (!test::RegistryViewsAreSeparate()) {
        GTEST_SKIP() << "a 32-bit Windows has one registry view";
    }
    ASSERT_TRUE(machine_.SetDword(HKEY_LOCAL_MACHINE, kCurrentEula, KEY_WOW64_32KEY, kAgreed, 1));
    DWORD agreed = 7;
    EXPECT_FALSE(ReadEulaAgreement(&agreed));

    WriteEulaAgreement(0);
    WriteInstallerEulaNote();
    EXPECT_EQ(1u, test::DwordValue(HKEY_LOCAL_MACHINE, kCurrentEula, KEY_WOW64_32KEY, kAgreed));
    EXPECT_FALSE(Query(kInstallerEula, KEY_WOW64_32KEY).has_value());
    ExpectAgreed(0);
    ExpectInstallerNote(true);
}

}  // namespace
}  // namespace zu
