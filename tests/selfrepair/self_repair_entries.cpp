#include "tests/selfrepair/self_repair_entries.h"

#include "platform/scoped_handle.h"
#include "tests/support/registry_value_fixture.h"
#include "tests/support/scheduled_task_fixture.h"

namespace zu::test {

std::wstring MakerTaskFolderPath(const ScheduledTaskRecord& record) {
    return std::wstring(L"\\") + kMakerTaskFolder + L"\\" + record.folder;
}

void RemoveSelfRepairEntries() {
    for (const ScheduledTaskRecord* record : {&kGuardTask, &kRepairTask, &kUltimateRepairTask}) {
        DeleteTask(MakerTaskFolderPath(*record), record->name);
        DeleteTaskFolder(MakerTaskFolderPath(*record));
    }
    DeleteTaskFolder(std::wstring(L"\\") + kMakerTaskFolder);
    for (REGSAM view : {KEY_WOW64_64KEY, KEY_WOW64_32KEY}) {
        for (const wchar_t* name : {kGuardRunValue, kRepairRunValue, kUltimateRepairRunValue}) {
            PutValue(HKEY_LOCAL_MACHINE, kRunKey, view, name, std::nullopt);
        }
    }
}

void RemoveAdministratorsGroup(TOKEN_GROUPS* groups) {
    SID_IDENTIFIER_AUTHORITY nt_authority = SECURITY_NT_AUTHORITY;
    PSID sid = nullptr;
    ::AllocateAndInitializeSid(&nt_authority, 2, SECURITY_BUILTIN_DOMAIN_RID,
                               DOMAIN_ALIAS_RID_ADMINS, 0, 0, 0, 0, 0, 0, &sid);
    UniqueSid administrators(sid);
    DWORD kept = 0;
    for (DWORD i = 0; i < groups->GroupCount; ++i) {
        if (!::EqualSid(groups->Groups[i].Sid, administrators.Get())) {
            groups->Groups[kept++] = groups->Groups[i];
        }
    }
    groups->GroupCount = kept;
}

}  // namespace zu::test
