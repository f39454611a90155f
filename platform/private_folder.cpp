#include "platform/private_folder.h"

#include <windows.h>
#include <aclapi.h>
#include <sddl.h>

#include "platform/file_operations.h"
#include "platform/security_checks.h"

namespace zu {

const wchar_t kPrivateFolderSddl[] = L"D:P(A;OICI;FA;;;SY)(A;OICI;FA;;;BA)(A;OICI;0x1200a9;;;BU)";

namespace {

// Removes whatever is at path: a file, a link or a folder tree. Attributes
// are left alone: a planted hard link shares them with another file, so a
// read-only file stays and the path is refused.
void RemoveExisting(const std::wstring& path, DWORD attributes) {
    if (attributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT)) {
        DeleteFolderTree(path);
    } else {
        ::DeleteFileW(path.c_str());
    }
}

bool IsWellKnownOwner(PSID owner, DWORD first_rid, DWORD second_rid, BYTE count) {
    SID_IDENTIFIER_AUTHORITY nt_authority = SECURITY_NT_AUTHORITY;
    PSID sid = nullptr;
    if (!::AllocateAndInitializeSid(&nt_authority, count, first_rid, second_rid, 0, 0, 0, 0, 0, 0,
                                    &sid)) {
        return false;
    }
    UniqueSid wanted(sid);
    return ::EqualSid(owner, wanted.Get()) != FALSE;
}

bool IsTrustedOwner(PSID owner) {
    return IsWellKnownOwner(owner, SECURITY_LOCAL_SYSTEM_RID, 0, 1) ||
           IsWellKnownOwner(owner, SECURITY_BUILTIN_DOMAIN_RID, DOMAIN_ALIAS_RID_ADMINS, 2) ||
           // A folder the launcher's own account owns was made by this
           // administrator, elevated or not, never by another user.
           IsProcessAccount(owner);
}

// What ProgramData gives standard users on what lies below it: reading, and
// creating files and folders. Anything else (deleting, changing permissions
// or owner, writing whatever) lets them change the launcher's folders there.
constexpr ACCESS_MASK kBeyondProgramData = DELETE | WRITE_DAC | WRITE_OWNER | FILE_DELETE_CHILD |
                                           FILE_WRITE_ATTRIBUTES | FILE_WRITE_EA | GENERIC_WRITE |
                                           GENERIC_ALL;

// Everyone, Authenticated Users, Interactive and BUILTIN\Users.
constexpr const wchar_t* kBroadGroups[] = {L"S-1-1-0", L"S-1-5-11", L"S-1-5-4", L"S-1-5-32-545"};

bool IsBroadGroup(PSID sid) {
    for (const wchar_t* group : kBroadGroups) {
        PSID known = nullptr;
        if (::ConvertStringSidToSidW(group, &known)) {
            const UniqueLocalMemory known_owner(known);
            if (::EqualSid(sid, known) != FALSE) {
                return true;
            }
        }
    }
    return false;
}

bool GrantsBroadGroupsMore(const ACL* dacl) {
    if (dacl == nullptr) {
        return true;  // no DACL: everyone has full control
    }
    for (DWORD index = 0; index < dacl->AceCount; ++index) {
        void* ace = nullptr;
        if (!::GetAce(const_cast<ACL*>(dacl), index, &ace)) {
            return true;
        }
        const auto* allowed = static_cast<const ACCESS_ALLOWED_ACE*>(ace);
        if (allowed->Header.AceType == ACCESS_ALLOWED_ACE_TYPE &&
            (allowed->Mask & kBeyondProgramData) != 0 &&
            IsBroadGroup(const_cast<DWORD*>(&allowed->SidStart))) {
            return true;
        }
    }
    return false;
}

bool IsRealDirectory(DWORD attributes) {
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) &&
           !(attributes & FILE_ATTRIBUTE_REPARSE_POINT);
}

}  // namespace

bool BuildPrivateFolderDescriptor(UniqueLocalMemory* descriptor) {
    PSECURITY_DESCRIPTOR built = nullptr;
    if (!::ConvertStringSecurityDescriptorToSecurityDescriptorW(kPrivateFolderSddl, SDDL_REVISION_1,
                                                                &built, nullptr)) {
        return false;
    }
    descriptor->Reset(built);
    return true;
}

bool CreatePrivateFolder(const std::wstring& folder) {
    UniqueLocalMemory descriptor;
    if (!BuildPrivateFolderDescriptor(&descriptor)) {
        return false;
    }
    const DWORD attributes = ::GetFileAttributesW(folder.c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES) {
        RemoveExisting(folder, attributes);
    }
    SECURITY_ATTRIBUTES security = {};
    security.nLength = sizeof(security);
    security.lpSecurityDescriptor = descriptor.Get();
    security.bInheritHandle = FALSE;
    // Fails when anything is still at the path: a folder that is there now is
    // not the one made here.
    return ::CreateDirectoryW(folder.c_str(), &security) != FALSE;
}

bool IsAdminOwnedFolder(const std::wstring& folder) {
    // By path too: Wine opens a link's target even when asked for the link.
    if (!IsRealDirectory(::GetFileAttributesW(folder.c_str()))) {
        return false;
    }
    // The link itself, not its target, and held open while it is examined.
    UniqueFileHandle handle(::CreateFileW(
        folder.c_str(), READ_CONTROL | FILE_READ_ATTRIBUTES,
        FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
        FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
    BY_HANDLE_FILE_INFORMATION information = {};
    if (!handle || !::GetFileInformationByHandle(handle.Get(), &information) ||
        !IsRealDirectory(information.dwFileAttributes)) {
        return false;
    }
    PSID owner = nullptr;
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    if (::GetSecurityInfo(handle.Get(), SE_FILE_OBJECT, OWNER_SECURITY_INFORMATION, &owner, nullptr,
                          nullptr, nullptr, &descriptor) != ERROR_SUCCESS) {
        return false;
    }
    UniqueLocalMemory descriptor_owner(descriptor);
    return owner != nullptr && IsTrustedOwner(owner);
}

bool IsGuardedFolder(const std::wstring& folder) {
    UniqueFileHandle handle(::CreateFileW(
        folder.c_str(), READ_CONTROL | FILE_READ_ATTRIBUTES,
        FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
        FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
    if (!handle) {
        return false;
    }
    PSID owner = nullptr;
    PACL dacl = nullptr;
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    if (::GetSecurityInfo(handle.Get(), SE_FILE_OBJECT,
                          OWNER_SECURITY_INFORMATION | DACL_SECURITY_INFORMATION, &owner, nullptr,
                          &dacl, nullptr, &descriptor) != ERROR_SUCCESS) {
        return false;
    }
    const UniqueLocalMemory descriptor_owner(descriptor);
    return owner != nullptr && IsTrustedOwner(owner) && !GrantsBroadGroupsMore(dacl);
}

}  // namespace zu
