// MinGW-w64 has no import library with the Task Scheduler identifiers: they are
// defined here as selectany data, so the launcher's own definitions do not clash.
#include <initguid.h>

#include "tests/support/scheduled_task_fixture.h"

#include <taskschd.h>

#include "platform/com_ptr.h"
#include "platform/scoped_bstr.h"
#include "platform/scoped_com.h"

namespace zu::test {
namespace {

ScopedBstr Bstr(const std::wstring& text) {
    return ScopedBstr(::SysAllocString(text.c_str()));
}

HRESULT Connect(ComPtr<ITaskService>* service) {
    HRESULT result = ::CoCreateInstance(CLSID_TaskScheduler, nullptr, CLSCTX_INPROC_SERVER,
                                        IID_ITaskService, service->ReceiveVoid());
    if (FAILED(result)) {
        return result;
    }
    VARIANT empty;
    ::VariantInit(&empty);
    return (*service)->Connect(empty, empty, empty, empty);
}

HRESULT OpenFolder(const std::wstring& path, ComPtr<ITaskFolder>* folder) {
    ComPtr<ITaskService> service;
    const HRESULT result = Connect(&service);
    if (FAILED(result)) {
        return result;
    }
    return service->GetFolder(Bstr(path).Get(), folder->Receive());
}

HRESULT OpenTask(const std::wstring& folder,
                 const std::wstring& name,
                 ComPtr<IRegisteredTask>* task) {
    ComPtr<ITaskFolder> parent;
    const HRESULT result = OpenFolder(folder, &parent);
    if (FAILED(result)) {
        return result;
    }
    return parent->GetTask(Bstr(name).Get(), task->Receive());
}

// Walks down from the root folder, creating each missing level.
HRESULT OpenOrCreateFolder(const std::wstring& path,
                           ComPtr<ITaskFolder>* folder,
                           std::vector<std::wstring>* created) {
    HRESULT result = OpenFolder(L"\\", folder);
    std::wstring walked;
    size_t start = 1;
    while (SUCCEEDED(result) && start < path.size()) {
        size_t end = path.find(L'\\', start);
        if (end == std::wstring::npos) {
            end = path.size();
        }
        const std::wstring level = path.substr(start, end - start);
        walked += L"\\" + level;
        start = end + 1;
        ComPtr<ITaskFolder> next;
        if (FAILED((*folder)->GetFolder(Bstr(level).Get(), next.Receive()))) {
            VARIANT no_security;
            ::VariantInit(&no_security);
            result = (*folder)->CreateFolder(Bstr(level).Get(), no_security, next.Receive());
            if (SUCCEEDED(result)) {
                created->push_back(walked);
            }
        }
        *folder = std::move(next);
    }
    return result;
}

std::wstring TaskXml(const TaskSpec& task) {
    return L"<?xml version=\"1.0\" encoding=\"UTF-16\"?>"
           L"<Task version=\"1.2\" "
           L"xmlns=\"http://schemas.microsoft.com/windows/2004/02/mit/task\">"
           L"<RegistrationInfo><Author>Koru Corporation</Author></RegistrationInfo>"
           L"<Triggers><TimeTrigger><StartBoundary>2020-01-01T00:00:00</StartBoundary>"
           L"</TimeTrigger></Triggers>"
           L"<Settings><Enabled>" +
           std::wstring(task.enabled ? L"true" : L"false") +
           L"</Enabled></Settings>"
           L"<Actions><Exec><Command>" +
           task.program + L"</Command><Arguments>" + task.arguments +
           L"</Arguments></Exec></Actions></Task>";
}

}  // namespace

HRESULT RegisterTask(const TaskSpec& task, std::vector<std::wstring>* created_folders) {
    ScopedComApartment com;
    ComPtr<ITaskFolder> folder;
    const HRESULT result = OpenOrCreateFolder(task.folder, &folder, created_folders);
    if (FAILED(result)) {
        return result;
    }
    VARIANT empty;
    ::VariantInit(&empty);
    ComPtr<IRegisteredTask> registered;
    return folder->RegisterTask(Bstr(task.name).Get(), Bstr(TaskXml(task)).Get(),
                                TASK_CREATE_OR_UPDATE, empty, empty, TASK_LOGON_INTERACTIVE_TOKEN,
                                empty, registered.Receive());
}

bool TaskExists(const std::wstring& folder, const std::wstring& name) {
    ScopedComApartment com;
    ComPtr<IRegisteredTask> task;
    return SUCCEEDED(OpenTask(folder, name, &task));
}

bool TaskFolderExists(const std::wstring& folder) {
    ScopedComApartment com;
    ComPtr<ITaskFolder> opened;
    return SUCCEEDED(OpenFolder(folder, &opened));
}

std::optional<bool> IsTaskEnabled(const std::wstring& folder, const std::wstring& name) {
    ScopedComApartment com;
    ComPtr<IRegisteredTask> task;
    TASK_STATE state = TASK_STATE_UNKNOWN;
    if (FAILED(OpenTask(folder, name, &task)) || FAILED(task->get_State(&state))) {
        return std::nullopt;
    }
    return state != TASK_STATE_DISABLED;
}

HRESULT DeleteTask(const std::wstring& folder, const std::wstring& name) {
    ScopedComApartment com;
    ComPtr<ITaskFolder> parent;
    const HRESULT result = OpenFolder(folder, &parent);
    return FAILED(result) ? result : parent->DeleteTask(Bstr(name).Get(), 0);
}

HRESULT DeleteTaskFolder(const std::wstring& folder) {
    const size_t split = folder.rfind(L'\\');
    const std::wstring parent_path = split == 0 ? L"\\" : folder.substr(0, split);
    ScopedComApartment com;
    ComPtr<ITaskFolder> parent;
    const HRESULT result = OpenFolder(parent_path, &parent);
    return FAILED(result) ? result : parent->DeleteFolder(Bstr(folder.substr(split + 1)).Get(), 0);
}

}  // namespace zu::test
