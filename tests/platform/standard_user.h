#pragma once

#include <windows.h>

#include "platform/scoped_handle.h"

namespace zu::test {

// The process token with the Administrators group made deny-only, as in a
// process that User Account Control did not elevate: the group is still
// listed, but grants nothing. Invalid when it cannot be made.
inline UniqueHandle DenyOnlyAdministratorsToken() {
    HANDLE process_token = nullptr;
    if (!::OpenProcessToken(::GetCurrentProcess(), TOKEN_ALL_ACCESS, &process_token)) {
        return UniqueHandle();
    }
    UniqueHandle token(process_token);
    SID_IDENTIFIER_AUTHORITY nt_authority = SECURITY_NT_AUTHORITY;
    PSID sid = nullptr;
    if (!::AllocateAndInitializeSid(&nt_authority, 2, SECURITY_BUILTIN_DOMAIN_RID,
                                    DOMAIN_ALIAS_RID_ADMINS, 0, 0, 0, 0, 0, 0, &sid)) {
        return UniqueHandle();
    }
    UniqueSid administrators(sid);
    SID_AND_ATTRIBUTES deny_only = {administrators.Get(), 0};
    HANDLE restricted = nullptr;
    if (!::CreateRestrictedToken(token.Get(), 0, 1, &deny_only, 0, nullptr, 0, nullptr,
                                 &restricted)) {
        return UniqueHandle();
    }
    return UniqueHandle(restricted);
}

// While it lives, the calling thread runs with that token: a standard user,
// or an administrator whom User Account Control did not elevate.
class ScopedStandardUser {
  public:
    ScopedStandardUser() {
        UniqueHandle restricted = DenyOnlyAdministratorsToken();
        HANDLE impersonation = nullptr;
        if (!restricted ||
            !::DuplicateToken(restricted.Get(), SecurityImpersonation, &impersonation)) {
            return;
        }
        UniqueHandle impersonation_token(impersonation);
        active_ = ::SetThreadToken(nullptr, impersonation) != FALSE;
    }
    ~ScopedStandardUser() {
        if (active_) {
            ::RevertToSelf();
        }
    }
    ScopedStandardUser(const ScopedStandardUser&) = delete;
    ScopedStandardUser& operator=(const ScopedStandardUser&) = delete;

    bool active() const { return active_; }

  private:
    bool active_ = false;
};

}  // namespace zu::test
