#include "platform/scheduled_task_removal.h"

#include <windows.h>

#include <string>

#include "platform/os_version.h"
#include "platform/product_names.h"
#include "platform/registry_key.h"
#include "platform/scoped_bstr.h"
#include "platform/scoped_com.h"
#include "platform/security_checks.h"
#include "platform/task_scheduler.h"

namespace zu {
namespace {

void DeleteTaskAndItsFolder(const wchar_t* maker_folder, const wchar_t* task_name) {
    // Declared first: every interface below is released before COM is undone.
    ScopedComApartment com;
    if (!com.IsUsable()) {
        return;
    }
    ComPtr<ITaskService> service;
    ComPtr<ITaskFolder> task_folder;
    ScopedBstr name(::SysAllocString(task_name));
    const std::wstring task_folder_path =
        std::wstring(maker_folder) + L"\\" + kProductTaskFolderName;
    if (!name || !ConnectTaskService(&service) ||
        !OpenTaskFolder(service.Get(), task_folder_path.c_str(), &task_folder) ||
        FAILED(task_folder->DeleteTask(name.Get(), 0))) {
        return;
    }
    // The Task Scheduler deletes only an empty folder: the folder goes with
    // the last task in it, and stays while others are left.
    ComPtr<ITaskFolder> maker;
    ScopedBstr folder_name(::SysAllocString(kProductTaskFolderName));
    if (folder_name && OpenTaskFolder(service.Get(), maker_folder, &maker)) {
        maker->DeleteFolder(folder_name.Get(), 0);
    }
}

// Windows XP: the earlier generations started the task's program from the Run
// key instead.
void DeleteRunValue(const wchar_t* task_name) {
    RegistryKey run;
    if (run.Open(HKEY_LOCAL_MACHINE, kAutostartRunKey, kRegWrite) == ERROR_SUCCESS) {
        run.DeleteValue(task_name);
    }
}

}  // namespace

void RemoveLegacyTask(const wchar_t* maker_folder, const wchar_t* task_name) {
    if (!IsAdministrator()) {
        return;
    }
    if (GetOsVersionCode() >= kOsVista) {
        DeleteTaskAndItsFolder(maker_folder, task_name);
    } else {
        DeleteRunValue(task_name);
    }
}

}  // namespace zu
