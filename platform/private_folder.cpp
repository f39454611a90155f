#include "platform/private_folder.h"

#include <windows.h>
#include <aclapi.h>
#include <sddl.h>

#include "platform/file_operations.h"

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

// The account the launcher runs as. A folder it owns was made by this
// administrator, elevated or not, never by another user.
bool IsOwnAccount(PSID owner) {
    HANDLE token = nullptr;
    if (!::OpenProcessToken(::GetCurrentProcess(), TOKEN_QUERY, &token)) {
        return false;
    }
    UniqueHandle token_owner(token);
    DWORD bytes = 0;
    ::GetTokenInformation(token, TokenUser, nullptr, 0, &bytes);
    UniqueLocalMemory user(bytes != 0 ? ::LocalAlloc(LPTR, bytes) : nullptr);
    if (!user || !::GetTokenInformation(token, TokenUser, user.Get(), bytes, &bytes)) {
        return false;
    }
    return ::EqualSid(owner, static_cast<TOKEN_USER*>(user.Get())->User.Sid) != FALSE;
}

bool IsTrustedOwner(PSID owner) {
    return IsWellKnownOwner(owner, SECURITY_LOCAL_SYSTEM_RID, 0, 1) ||
           IsWellKnownOwner(owner, SECURITY_BUILTIN_DOMAIN_RID, DOMAIN_ALIAS_RID_ADMINS, 2) ||
           IsOwnAccount(owner);
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

}  // namespace zu
