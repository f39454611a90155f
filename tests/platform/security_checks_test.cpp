#include "platform/security_checks.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <vector>

#include "platform/scoped_handle.h"
#include "tests/support/child_process.h"
#include "tests/support/test_paths.h"

namespace zu {
namespace {

constexpr DWORD kProbeTimeoutMs = 30000;
constexpr DWORD kProbeAdministrator = 1;
constexpr DWORD kProbeMember = 2;

UniqueSid AdministratorsSid() {
    SID_IDENTIFIER_AUTHORITY nt_authority = SECURITY_NT_AUTHORITY;
    PSID sid = nullptr;
    ::AllocateAndInitializeSid(&nt_authority, 2, SECURITY_BUILTIN_DOMAIN_RID,
                               DOMAIN_ALIAS_RID_ADMINS, 0, 0, 0, 0, 0, 0, &sid);
    return UniqueSid(sid);
}

// The process token with the Administrators group made deny-only, as in a
// process that User Account Control did not elevate: the group is still
// listed, but grants nothing.
UniqueHandle DenyOnlyAdministratorsToken() {
    HANDLE process_token = nullptr;
    if (!::OpenProcessToken(::GetCurrentProcess(), TOKEN_ALL_ACCESS, &process_token)) {
        return UniqueHandle();
    }
    UniqueHandle token(process_token);
    UniqueSid administrators = AdministratorsSid();
    SID_AND_ATTRIBUTES disabled = {administrators.Get(), 0};
    HANDLE restricted = nullptr;
    if (!::CreateRestrictedToken(token.Get(), 0, 1, &disabled, 0, nullptr, 0, nullptr,
                                 &restricted)) {
        return UniqueHandle();
    }
    return UniqueHandle(restricted);
}

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
    UniqueHandle token = DenyOnlyAdministratorsToken();
    ASSERT_TRUE(token);
    EXPECT_EQ(kProbeMember, RunProbeWithToken(token.Get()));
}

// IsAdministrator answers for the thread's impersonated user; the membership
// test keeps answering for the process.
TEST(SecurityChecksTest, ThreadImpersonatingLimitedToken_AdministratorFollowsTheThread) {
    UniqueHandle restricted = DenyOnlyAdministratorsToken();
    ASSERT_TRUE(restricted);
    HANDLE duplicate = nullptr;
    ASSERT_TRUE(::DuplicateToken(restricted.Get(), SecurityImpersonation, &duplicate));
    UniqueHandle impersonation(duplicate);
    ASSERT_TRUE(::SetThreadToken(nullptr, impersonation.Get()));
    const bool administrator = IsAdministrator();
    const bool member = IsAdministratorsGroupMember();
    ::RevertToSelf();

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
