#include "platform/security_checks.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <vector>

#include "platform/scoped_handle.h"
#include "tests/platform/standard_user.h"
#include "tests/support/child_process.h"
#include "tests/support/test_paths.h"

namespace zu {
namespace {

constexpr DWORD kProbeTimeoutMs = 30000;
constexpr DWORD kProbeAdministrator = 1;
constexpr DWORD kProbeMember = 2;

// Runs the probe as a process of its own with that primary token; its exit
// code, or ~0u when it did not run to its end.
DWORD RunProbeWithToken(HANDLE token) {
    std::wstring line = test::Quote(test::TestBinDir() + L"\\security_probe.exe");
    std::vector<wchar_t> buffer(line.begin(), line.end());
    buffer.push_back(L'\0');
    STARTUPINFOW startup = {};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION info = {};
    if (!::CreateProcessAsUserW(token, nullptr, buffer.data(), nullptr, nullptr, FALSE, 0, nullptr,
                                nullptr, &startup, &info)) {
        return ~0u;
    }
    UniqueHandle process(info.hProcess);
    UniqueHandle thread(info.hThread);
    DWORD exit_code = ~0u;
    if (::WaitForSingleObject(process.Get(), kProbeTimeoutMs) != WAIT_OBJECT_0 ||
        !::GetExitCodeProcess(process.Get(), &exit_code)) {
        ::TerminateProcess(process.Get(), 1);
        return ~0u;
    }
    return exit_code;
}

// Wine runs every program as an elevated administrator, as an administrator
// on Windows XP or with User Account Control off would.
TEST(SecurityChecksTest, ElevatedAdministratorProcess_BothTrue) {
    EXPECT_TRUE(IsAdministrator());
    EXPECT_TRUE(IsAdministratorsGroupMember());
}

TEST(SecurityChecksTest, ProcessWithDenyOnlyAdministrators_MemberButNotAdministrator) {
    UniqueHandle token = test::DenyOnlyAdministratorsToken();
    ASSERT_TRUE(token);
    EXPECT_EQ(kProbeMember, RunProbeWithToken(token.Get()));
}

// IsAdministrator answers for the thread's impersonated user; the membership
// test keeps answering for the process.
TEST(SecurityChecksTest, ThreadImpersonatingLimitedToken_AdministratorFollowsTheThread) {
    bool administrator = true;
    bool member = false;
    {
        test::ScopedStandardUser user;
        ASSERT_TRUE(user.active());
        administrator = IsAdministrator();
        member = IsAdministratorsGroupMember();
    }

    EXPECT_FALSE(administrator);
    EXPECT_TRUE(member);
    EXPECT_TRUE(IsAdministrator());
}

TEST(SecurityChecksTest, ThreadImpersonatingItsOwnProcess_StillAdministrator) {
    ASSERT_TRUE(::ImpersonateSelf(SecurityImpersonation));
    const bool administrator = IsAdministrator();
    ::RevertToSelf();
    EXPECT_TRUE(administrator);
}

}  // namespace
}  // namespace zu
