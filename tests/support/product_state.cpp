#include "tests/support/product_state.h"

#include <windows.h>

#include <string>

#include "tests/support/file_fixture.h"
#include "tests/support/journal.h"
#include "tests/support/machine_paths.h"
#include "tests/support/registry_fixture.h"
#include "tests/support/scheduled_task_fixture.h"

namespace zu::test {
namespace {

constexpr wchar_t kGuardFolder[] = L"\\Koru Corporation\\ZEMI Update Self Repair";
constexpr wchar_t kRepairFolder[] = L"\\Koru Corporation\\ZEMI Update";
constexpr wchar_t kRunKey[] = L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Run";
constexpr const wchar_t* kSelfRepairEntries[] = {L"ZEMI Update Self Repair Guard",
                                                 L"ZEMI Update Self Repair",
                                                 L"ZEMI Update Self Ultimate Repair"};

void RemoveSelfRepairTasks() {
    DeleteTask(kGuardFolder, kSelfRepairEntries[0]);
    DeleteTask(kRepairFolder, kSelfRepairEntries[1]);
    DeleteTask(kRepairFolder, kSelfRepairEntries[2]);
    DeleteTaskFolder(kGuardFolder);
    DeleteTaskFolder(kRepairFolder);
    DeleteTaskFolder(L"\\Koru Corporation");
}

void RemoveRunValues(REGSAM view) {
    HKEY run = nullptr;
    if (::RegOpenKeyExW(HKEY_LOCAL_MACHINE, kRunKey, 0, KEY_SET_VALUE | view, &run) !=
        ERROR_SUCCESS) {
        return;
    }
    for (const wchar_t* name : kSelfRepairEntries) {
        ::RegDeleteValueW(run, name);
    }
    ::RegCloseKey(run);
}

}  // namespace

void ResetProductState() {
    EndStandinProcesses();
    ClearBehaviour();
    ClearJournal();
    RemoveSelfRepairTasks();
    for (REGSAM view : {REGSAM(KEY_WOW64_64KEY), REGSAM(KEY_WOW64_32KEY)}) {
        RemoveRunValues(view);
        DeleteKeyTree(HKEY_LOCAL_MACHINE, L"SOFTWARE\\Koru Corporation", view);
    }
    DeletePath(NativeProgramFiles() + L"\\Koru");
    DeletePath(ProgramFiles32() + L"\\Koru");
    DeletePath(ProgramData() + L"\\Koru Corporation");
    DeletePath(CommonPrograms() + L"\\ZEMI Update.lnk");
}

}  // namespace zu::test

namespace zu::test {

void SetSharedRegion(DWORD location) {
    SetDwordValue(HKEY_LOCAL_MACHINE, L"SOFTWARE\\Koru Corporation\\Shared Info", KEY_WOW64_64KEY,
                  L"dwLocation", location);
}

}  // namespace zu::test
