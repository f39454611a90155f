#include "launcher/launch_mode.h"

#include <gtest/gtest.h>

#include "tests/support/machine_paths.h"
#include "tests/support/registry_fixture.h"

namespace zu {
namespace {

constexpr wchar_t kProduct[] = L"SOFTWARE\\Koru Corporation\\ZEMI Update";

bool SilentFor(const wchar_t* command_line) {
    LauncherContext context;
    context.commandLine = command_line;
    ParseCommandLine(&context);
    return context.silent;
}

TEST(ParseCommandLine, SilentSwitchForms_AreRecognisedAnywhere) {
    EXPECT_TRUE(SilentFor(L"/s"));
    EXPECT_TRUE(SilentFor(L"-s"));
    EXPECT_TRUE(SilentFor(L"/S"));
    EXPECT_TRUE(SilentFor(L"-S"));
    EXPECT_TRUE(SilentFor(L"   /s   "));
    EXPECT_TRUE(SilentFor(L"foo bar /s"));
    EXPECT_TRUE(SilentFor(L"\t/s"));  // white space around a token is trimmed
}

TEST(ParseCommandLine, OtherTokens_AreNotTheSilentSwitch) {
    EXPECT_FALSE(SilentFor(L""));
    EXPECT_FALSE(SilentFor(L"   "));
    EXPECT_FALSE(SilentFor(L"/silent"));
    EXPECT_FALSE(SilentFor(L"/s1"));
    EXPECT_FALSE(SilentFor(L"/s\tfoo"));  // a tab does not split tokens
    EXPECT_FALSE(SilentFor(L"s"));
    EXPECT_FALSE(SilentFor(L"\"/s\""));
}

enum class Mode { kZeuInstallSilent, kZusrInstall, kLaunchInstaller, kOrdinary };

class LaunchModeTest : public testing::Test {
  protected:
    void SetUp() override { Clean(); }
    void TearDown() override { Clean(); }
    static void Clean() {
        test::DeleteKeyTree(HKEY_LOCAL_MACHINE, kProduct, KEY_WOW64_64KEY);
        test::DeleteKeyTree(HKEY_LOCAL_MACHINE, kProduct, KEY_WOW64_32KEY);
    }

    // Reads the launch mode and checks that exactly one mode (with its silent
    // variant where one exists) is set.
    static LauncherContext Read(bool silent) {
        LauncherContext context;
        context.silent = silent;
        ReadLaunchMode(&context);
        const int modes = context.zeuInstallSilent + context.zusrInstall + context.launchInstaller +
                          context.ordinaryRun;
        EXPECT_EQ(1, modes);
        EXPECT_EQ(context.launchInstallerSilent, context.launchInstaller && silent);
        EXPECT_EQ(context.ordinaryRunSilent, context.ordinaryRun && silent);
        return context;
    }

    static Mode ModeOf(const LauncherContext& c) {
        if (c.zeuInstallSilent)
            return Mode::kZeuInstallSilent;
        if (c.zusrInstall)
            return Mode::kZusrInstall;
        if (c.launchInstaller)
            return Mode::kLaunchInstaller;
        return Mode::kOrdinary;
    }

    static void SetString(const wchar_t* name, const wchar_t* text, DWORD type = REG_SZ) {
        test::SetStringValue(HKEY_LOCAL_MACHINE, kProduct, KEY_WOW64_64KEY, name, text, type);
    }
    static void SetDword(const wchar_t* name, DWORD value) {
        test::SetDwordValue(HKEY_LOCAL_MACHINE, kProduct, KEY_WOW64_64KEY, name, value);
    }
};

TEST_F(LaunchModeTest, NoProductKey_IsOrdinaryRun) {
    EXPECT_EQ(Mode::kOrdinary, ModeOf(Read(false)));
    EXPECT_TRUE(Read(true).ordinaryRunSilent);
}

TEST_F(LaunchModeTest, ZeuInstallRequest_CountsOnlyWithSilentSwitch) {
    SetString(L"ZEUInstall", L"1");
    EXPECT_EQ(Mode::kZeuInstallSilent, ModeOf(Read(true)));
    EXPECT_EQ(Mode::kOrdinary, ModeOf(Read(false)));
}

TEST_F(LaunchModeTest, BothRequests_SilentGivesZeuInstallElseZusrInstall) {
    SetString(L"ZEUInstall", L"1");
    SetString(L"ZUSRInstall", L"1");
    EXPECT_EQ(Mode::kZeuInstallSilent, ModeOf(Read(true)));
    EXPECT_EQ(Mode::kZusrInstall, ModeOf(Read(false)));
}

TEST_F(LaunchModeTest, ZusrInstallRequest_WinsOverLaunchInstaller) {
    SetString(L"ZUSRInstall", L"1");
    SetDword(L"LaunchInstaller", 1);
    EXPECT_EQ(Mode::kZusrInstall, ModeOf(Read(true)));
}

TEST_F(LaunchModeTest, LaunchInstallerDword1_IsLaunchInstallerWithSilentVariant) {
    SetDword(L"LaunchInstaller", 1);
    EXPECT_EQ(Mode::kLaunchInstaller, ModeOf(Read(false)));
    EXPECT_TRUE(Read(true).launchInstallerSilent);
}

TEST_F(LaunchModeTest, RequestValuesOfWrongTypeOrText_FallThrough) {
    SetString(L"ZEUInstall", L"0");
    SetDword(L"ZUSRInstall", 1);          // a number is not a request
    SetString(L"LaunchInstaller", L"1");  // its four bytes are not the number 1
    EXPECT_EQ(Mode::kOrdinary, ModeOf(Read(true)));
    SetDword(L"ZEUInstall", 1);
    SetDword(L"LaunchInstaller", 2);
    EXPECT_EQ(Mode::kOrdinary, ModeOf(Read(true)));
}

TEST_F(LaunchModeTest, ExpandableStringOne_CountsAsRequest) {
    SetString(L"ZUSRInstall", L"1", REG_EXPAND_SZ);
    EXPECT_EQ(Mode::kZusrInstall, ModeOf(Read(false)));
}

TEST_F(LaunchModeTest, RequestsIn32BitViewOnly_AreIgnored) {
    test::SetStringValue(HKEY_LOCAL_MACHINE, kProduct, KEY_WOW64_32KEY, L"ZUSRInstall", L"1");
    test::SetDwordValue(HKEY_LOCAL_MACHINE, kProduct, KEY_WOW64_32KEY, L"LaunchInstaller", 1);
    if (!test::RegistryViewsAreSeparate()) {
        GTEST_SKIP() << "one registry view on 32-bit Windows";
    }
    EXPECT_EQ(Mode::kOrdinary, ModeOf(Read(false)));
}

TEST_F(LaunchModeTest, ClearLaunchRequests_RemovesRequestsButKeepsLaunchInstaller) {
    EXPECT_FALSE(ClearLaunchRequests());  // no product key yet
    SetString(L"ZEUInstall", L"1");
    SetString(L"ZUSRInstall", L"1");
    SetDword(L"LaunchInstaller", 1);
    EXPECT_TRUE(ClearLaunchRequests());
    EXPECT_FALSE(test::ValueExists(HKEY_LOCAL_MACHINE, kProduct, KEY_WOW64_64KEY, L"ZEUInstall"));
    EXPECT_FALSE(test::ValueExists(HKEY_LOCAL_MACHINE, kProduct, KEY_WOW64_64KEY, L"ZUSRInstall"));
    EXPECT_TRUE(
        test::ValueExists(HKEY_LOCAL_MACHINE, kProduct, KEY_WOW64_64KEY, L"LaunchInstaller"));
    EXPECT_TRUE(ClearLaunchRequests());  // nothing left to clear is fine
}

}  // namespace
}  // namespace zu
