#include "platform/security_checks.h"

#include <windows.h>

#include <utility>

#include "platform/scoped_handle.h"

namespace zu {

namespace {

// Rights that exist only for the access check in IsAdministrator: the
// descriptor grants them to the Administrators group and to nobody else.
constexpr DWORD kAccessRead = 1;
constexpr DWORD kAccessWrite = 2;

struct GlobalMemoryTraits {
    using Handle = HGLOBAL;
    static Handle Invalid() { return nullptr; }
    static void Close(Handle h) { ::GlobalFree(h); }
};
using UniqueGlobalMemory = ScopedHandle<GlobalMemoryTraits>;

// BUILTIN\Administrators; empty on failure.
UniqueSid CreateAdministratorsSid() {
    SID_IDENTIFIER_AUTHORITY nt_authority = SECURITY_NT_AUTHORITY;
    PSID sid = nullptr;
    if (!::AllocateAndInitializeSid(&nt_authority, 2, SECURITY_BUILTIN_DOMAIN_RID,
                                    DOMAIN_ALIAS_RID_ADMINS, 0, 0, 0, 0, 0, 0, &sid)) {
        return UniqueSid();
    }
    return UniqueSid(sid);
}

// The token that decides the caller's access: the thread's while it
// impersonates, else the process's. Empty on any other failure.
UniqueHandle OpenEffectiveToken() {
    constexpr DWORD kRights = TOKEN_DUPLICATE | TOKEN_QUERY;
    HANDLE token = nullptr;
    if (::OpenThreadToken(::GetCurrentThread(), kRights, TRUE, &token)) {
        return UniqueHandle(token);
    }
    if (::GetLastError() != ERROR_NO_TOKEN) {
        return UniqueHandle();
    }
    if (::OpenProcessToken(::GetCurrentProcess(), kRights, &token)) {
        return UniqueHandle(token);
    }
    return UniqueHandle();
}

// An absolute security descriptor that grants read and write to the
// Administrators group only, which also owns it. It points into its ACL and
// into the SID it was built from: both must outlive it.
struct AdministratorsOnlyDescriptor {
    UniqueLocalMemory descriptor;
    UniqueLocalMemory acl;
};

// False, out untouched, when any part cannot be made or the result is invalid.
bool BuildAdministratorsOnlyDescriptor(PSID administrators, AdministratorsOnlyDescriptor* out) {
    const DWORD acl_bytes = static_cast<DWORD>(sizeof(ACL) + sizeof(ACCESS_ALLOWED_ACE) -
                                               sizeof(DWORD) + ::GetLengthSid(administrators));
    UniqueLocalMemory descriptor(::LocalAlloc(LPTR, SECURITY_DESCRIPTOR_MIN_LENGTH));
    UniqueLocalMemory acl(::LocalAlloc(LPTR, acl_bytes));
    if (!descriptor || !acl) {
        return false;
    }
    auto* sd = static_cast<PSECURITY_DESCRIPTOR>(descriptor.Get());
    auto* dacl = static_cast<PACL>(acl.Get());
    if (!::InitializeSecurityDescriptor(sd, SECURITY_DESCRIPTOR_REVISION) ||
        !::InitializeAcl(dacl, acl_bytes, ACL_REVISION2) ||
        !::AddAccessAllowedAce(dacl, ACL_REVISION2, kAccessRead | kAccessWrite, administrators) ||
        !::SetSecurityDescriptorDacl(sd, TRUE, dacl, FALSE) ||
        !::SetSecurityDescriptorGroup(sd, administrators, FALSE) ||
        !::SetSecurityDescriptorOwner(sd, administrators, FALSE) ||
        !::IsValidSecurityDescriptor(sd)) {
        return false;
    }
    out->descriptor = std::move(descriptor);
    out->acl = std::move(acl);
    return true;
}

}  // namespace

bool IsAdministrator() {
    UniqueHandle token = OpenEffectiveToken();
    HANDLE duplicate = nullptr;
    if (!token || !::DuplicateToken(token.Get(), SecurityImpersonation, &duplicate)) {
        return false;
    }
    UniqueHandle impersonation(duplicate);
    UniqueSid administrators = CreateAdministratorsSid();
    AdministratorsOnlyDescriptor descriptor;
    if (!administrators || !BuildAdministratorsOnlyDescriptor(administrators.Get(), &descriptor)) {
        return false;
    }
    GENERIC_MAPPING mapping = {kAccessRead, kAccessWrite, 0, kAccessRead | kAccessWrite};
    PRIVILEGE_SET privileges = {};
    DWORD privileges_bytes = sizeof(privileges);
    DWORD granted = 0;
    BOOL access = FALSE;
    if (!::AccessCheck(descriptor.descriptor.Get(), impersonation.Get(), kAccessRead, &mapping,
                       &privileges, &privileges_bytes, &granted, &access)) {
        return false;
    }
    return access != FALSE;
}

bool IsAdministratorsGroupMember() {
    HANDLE process_token = nullptr;
    if (!::OpenProcessToken(::GetCurrentProcess(), TOKEN_QUERY, &process_token)) {
        return false;
    }
    UniqueHandle token(process_token);
    DWORD bytes = 0;
    if (::GetTokenInformation(token.Get(), TokenGroups, nullptr, 0, &bytes) ||
        ::GetLastError() != ERROR_INSUFFICIENT_BUFFER) {
        return false;
    }
    UniqueGlobalMemory buffer(::GlobalAlloc(GPTR, bytes));
    if (!buffer || !::GetTokenInformation(token.Get(), TokenGroups, buffer.Get(), bytes, &bytes)) {
        return false;
    }
    UniqueSid administrators = CreateAdministratorsSid();
    if (!administrators) {
        return false;
    }
    const auto* groups = static_cast<const TOKEN_GROUPS*>(buffer.Get());
    for (DWORD i = 0; i < groups->GroupCount; ++i) {
        if (::EqualSid(groups->Groups[i].Sid, administrators.Get())) {
            return true;
        }
    }
    return false;
}

bool IsProcessAccount(void* sid) {
    HANDLE token = nullptr;
    if (sid == nullptr || !::OpenProcessToken(::GetCurrentProcess(), TOKEN_QUERY, &token)) {
        return false;
    }
    const UniqueHandle token_owner(token);
    DWORD bytes = 0;
    ::GetTokenInformation(token, TokenUser, nullptr, 0, &bytes);
    UniqueLocalMemory user(bytes != 0 ? ::LocalAlloc(LPTR, bytes) : nullptr);
    if (!user || !::GetTokenInformation(token, TokenUser, user.Get(), bytes, &bytes)) {
        return false;
    }
    return ::EqualSid(sid, static_cast<TOKEN_USER*>(user.Get())->User.Sid) != FALSE;
}

bool IsLocalSystem() {
    SID_IDENTIFIER_AUTHORITY nt_authority = SECURITY_NT_AUTHORITY;
    PSID system = nullptr;
    if (!::AllocateAndInitializeSid(&nt_authority, 1, SECURITY_LOCAL_SYSTEM_RID, 0, 0, 0, 0, 0, 0,
                                    0, &system)) {
        return false;
    }
    const UniqueSid system_owner(system);
    return IsProcessAccount(system);
}

}  // namespace zu
