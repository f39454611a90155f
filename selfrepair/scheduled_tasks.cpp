#include "selfrepair/scheduled_tasks.h"

#include "platform/registry_key.h"
#include "platform/scoped_bstr.h"
#include "platform/scoped_com.h"
#include "platform/security_checks.h"

namespace zu {

namespace {

// Opens the record's task in its own apartment and answers use(task). False
// without asking when the process is not in the Administrators group, or when
// the task cannot be opened.
template <typename Use>
bool AskRegisteredTask(const ScheduledTaskRecord& record, Use use) {
    if (!IsAdministratorsGroupMember()) {
        return false;
    }
    ScopedComApartment com;
    if (!com.IsUsable()) {
        return false;
    }
    ComPtr<ITaskService> service;
    ComPtr<ITaskFolder> folder;
    ComPtr<IRegisteredTask> task;
    ScopedBstr name(::SysAllocString(record.name));
    if (!name || !ConnectTaskService(&service) ||
        !OpenMakerTaskFolder(service.Get(), record.folder, &folder) ||
        FAILED(folder->GetTask(name.Get(), task.Receive())) || !task) {
        return false;
    }
    return use(task.Get());
}

// A value of the Run key (64-bit view) that exists as a string.
bool IsRunStringPresent(const RegistryKey& run_key, const wchar_t* name) {
    DWORD type = REG_NONE;
    if (::RegQueryValueExW(run_key.Handle(), name, nullptr, &type, nullptr, nullptr) !=
        ERROR_SUCCESS) {
        return false;
    }
    return type == REG_SZ || type == REG_EXPAND_SZ;
}

}  // namespace

bool OpenMakerTaskFolder(ITaskService* service,
                         const wchar_t* folder_name,
                         ComPtr<ITaskFolder>* folder) {
    ComPtr<ITaskFolder> root;
    ComPtr<ITaskFolder> maker;
    return OpenTaskFolder(service, L"\\", &root) &&
           OpenChildTaskFolder(root.Get(), kMakerTaskFolder, &maker) &&
           OpenChildTaskFolder(maker.Get(), folder_name, folder);
}

bool TaskExists(const ScheduledTaskRecord& record) {
    return AskRegisteredTask(record, [](IRegisteredTask*) { return true; });
}

bool IsTaskEnabled(const ScheduledTaskRecord& record) {
    return AskRegisteredTask(record, [](IRegisteredTask* task) {
        TASK_STATE state = TASK_STATE_UNKNOWN;
        return SUCCEEDED(task->get_State(&state)) && state != TASK_STATE_DISABLED;
    });
}

bool IsGuardTaskActive() {
    return TaskExists(kGuardTask) && IsTaskEnabled(kGuardTask);
}

bool IsRepairTaskPresent() {
    return TaskExists(kRepairTask);
}

bool IsUltimateRepairTaskPresent() {
    return TaskExists(kUltimateRepairTask);
}

bool IsGuardRunEntryPresent() {
    RegistryKey run_key;
    if (run_key.Open(HKEY_LOCAL_MACHINE, kRunKey, kRegRead64) != ERROR_SUCCESS) {
        return false;
    }
    return IsRunStringPresent(run_key, kGuardRunValue);
}

bool IsRepairRunEntryPresent() {
    RegistryKey run_key;
    if (run_key.Open(HKEY_LOCAL_MACHINE, kRunKey, kRegRead64) != ERROR_SUCCESS) {
        return false;
    }
    return IsRunStringPresent(run_key, kRepairRunValue) ||
           IsRunStringPresent(run_key, kUltimateRepairRunValue);
}

}  // namespace zu
