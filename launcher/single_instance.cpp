#include "launcher/single_instance.h"

#include <windows.h>

#include "platform/scoped_handle.h"

namespace zu {
namespace {

constexpr wchar_t kMutexName[] = L"Global\\ZUInstaller Mutex";

// Everyone: all rights except changing the DACL or the owner. False, with
// nothing changed and the ACL freed, when any step fails.
bool BuildMutexSecurity(SECURITY_DESCRIPTOR* descriptor, UniqueLocalMemory* acl_memory) {
    SID_IDENTIFIER_AUTHORITY world = SECURITY_WORLD_SID_AUTHORITY;
    PSID raw_sid = nullptr;
    if (!::AllocateAndInitializeSid(&world, 1, SECURITY_WORLD_RID, 0, 0, 0, 0, 0, 0, 0, &raw_sid)) {
        return false;
    }
    UniqueSid everyone(raw_sid);
    const DWORD acl_size = 2 * ::GetLengthSid(everyone.Get()) + 32;
    UniqueLocalMemory memory(::LocalAlloc(LMEM_ZEROINIT, acl_size));
    PACL acl = static_cast<PACL>(memory.Get());
    SECURITY_DESCRIPTOR built = {};
    if (acl == nullptr || !::InitializeAcl(acl, acl_size, ACL_REVISION) ||
        !::AddAccessDeniedAce(acl, ACL_REVISION, WRITE_DAC | WRITE_OWNER, everyone.Get()) ||
        !::AddAccessAllowedAce(acl, ACL_REVISION, GENERIC_ALL, everyone.Get()) ||
        !::InitializeSecurityDescriptor(&built, SECURITY_DESCRIPTOR_REVISION) ||
        !::SetSecurityDescriptorDacl(&built, TRUE, acl, FALSE)) {
        return false;
    }
    *descriptor = built;
    *acl_memory = std::move(memory);
    return true;
}

}  // namespace

bool AcquireSingleInstance() {
    SECURITY_DESCRIPTOR descriptor = {};
    UniqueLocalMemory acl;
    // Without the descriptor the mutex still gets the default security: an
    // empty descriptor would make the creation fail and let a second launcher run.
    const bool secured = BuildMutexSecurity(&descriptor, &acl);

    SECURITY_ATTRIBUTES attributes = {sizeof(attributes), secured ? &descriptor : nullptr, FALSE};
    UniqueHandle mutex(::CreateMutexW(&attributes, TRUE, kMutexName));
    const DWORD error = ::GetLastError();
    if (error == ERROR_ALREADY_EXISTS || error == ERROR_ACCESS_DENIED) {
        return false;
    }
    // Deliberately never closed: the mutex marks this launcher until the process ends.
    mutex.Release();
    return true;
}

}  // namespace zu
