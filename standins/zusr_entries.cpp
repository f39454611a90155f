#include "standins/zusr_entries.h"

// The Task Scheduler identifiers have no import library in MinGW-w64: this is
// the one file that defines them.
#include <initguid.h>
#include <taskschd.h>

#include "platform/com_ptr.h"
#include "platform/scoped_bstr.h"
#include "platform/scoped_com.h"
#include "standins/machine_paths.h"
#include "standins/registry_edit.h"

namespace zu::standin {

const RepairEntry kGuardEntry = {L"ZEMI Update Self Repair", L"ZEMI Update Self Repair Guard",
                                 L"/Guard", L"PT5M", L"PT24H"};
const RepairEntry kRepairEntry = {L"ZEMI Update", L"ZEMI Update Self Repair", L"", L"PT5M",
                                  L"PT24H"};
const RepairEntry kUltimateRepairEntry = {L"ZEMI Update", L"ZEMI Update Self Ultimate Repair",
                                          L"/Ultimate", L"PT2M", L""};

namespace {

ScopedBstr Bstr(const std::wstring& text) {
    return ScopedBstr(::SysAllocString(text.c_str()));
}

constexpr wchar_t kMakerFolder[] = L"Koru Corporation";
constexpr wchar_t kRunKey[] = L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Run";
constexpr HRESULT kTaskMissing = HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND);

std::wstring XmlEscaped(const std::wstring& text) {
    std::wstring escaped;
    for (wchar_t c : text) {
        switch (c) {
            case L'&':
                escaped += L"&amp;";
                break;
            case L'<':
                escaped += L"&lt;";
                break;
            case L'>':
                escaped += L"&gt;";
                break;
            case L'"':
                escaped += L"&quot;";
                break;
            default:
                escaped += c;
        }
    }
    return escaped;
}

// The whole definition goes in as XML: it is the one way to register a
// disabled task that every Task Scheduler (Wine's included) keeps.
std::wstring TaskXml(const RepairEntry& entry, const std::wstring& program, bool enabled) {
    const std::wstring duration =
        *entry.duration != L'\0' ? L"<Duration>" + std::wstring(entry.duration) + L"</Duration>"
                                 : std::wstring();
    const std::wstring arguments =
        *entry.arguments != L'\0' ? L"<Arguments>" + XmlEscaped(entry.arguments) + L"</Arguments>"
                                  : std::wstring();
    return L"<?xml version=\"1.0\" encoding=\"UTF-16\"?>"
           L"<Task version=\"1.2\" "
           L"xmlns=\"http://schemas.microsoft.com/windows/2004/02/mit/task\">"
           L"<RegistrationInfo><Author>Koru Corporation</Author></RegistrationInfo>"
           L"<Triggers><TimeTrigger><Repetition><Interval>" +
           std::wstring(entry.interval) + L"</Interval>" + duration +
           L"</Repetition><StartBoundary>2020-01-01T00:00:00</StartBoundary>"
           L"<Enabled>true</Enabled></TimeTrigger></Triggers>"
           L"<Principals><Principal id=\"Author\"><UserId>S-1-5-18</UserId>"
           L"<RunLevel>HighestAvailable</RunLevel></Principal></Principals>"
           L"<Settings><Enabled>" +
           (enabled ? L"true" : L"false") +
           L"</Enabled><MultipleInstancesPolicy>IgnoreNew</MultipleInstancesPolicy>"
           L"</Settings>"
           L"<Actions Context=\"Author\"><Exec><Command>" +
           XmlEscaped(program) + L"</Command>" + arguments + L"</Exec></Actions></Task>";
}

HRESULT ConnectTaskService(ComPtr<ITaskService>* service) {
    HRESULT hr = ::CoCreateInstance(CLSID_TaskScheduler, nullptr, CLSCTX_INPROC_SERVER,
                                    IID_ITaskService, service->ReceiveVoid());
    if (FAILED(hr)) {
        return hr;
    }
    VARIANT empty = {};
    ::VariantInit(&empty);
    hr = (*service)->Connect(empty, empty, empty, empty);
    if (FAILED(hr)) {
        service->Reset();
    }
    return hr;
}

// Opens "\Koru Corporation\<name>"; with create, makes the missing levels,
// one at a time (some Task Schedulers take a longer path as relative).
HRESULT OpenEntryFolder(ITaskService* service,
                        const wchar_t* name,
                        bool create,
                        ComPtr<ITaskFolder>* folder) {
    ComPtr<ITaskFolder> current;
    HRESULT hr = service->GetFolder(Bstr(L"\\").Get(), current.Receive());
    for (const wchar_t* level : {kMakerFolder, name}) {
        if (FAILED(hr)) {
            return hr;
        }
        ComPtr<ITaskFolder> next;
        hr = current->GetFolder(Bstr(level).Get(), next.Receive());
        if (FAILED(hr) && create) {
            VARIANT no_sddl = {};
            ::VariantInit(&no_sddl);
            hr = current->CreateFolder(Bstr(level).Get(), no_sddl, next.Receive());
        }
        current = std::move(next);
    }
    if (SUCCEEDED(hr)) {
        *folder = std::move(current);
    }
    return hr;
}

HRESULT AddTask(const RepairEntry& entry, const std::wstring& program, bool enabled) {
    ScopedComApartment com;
    ComPtr<ITaskService> service;
    HRESULT hr = ConnectTaskService(&service);
    ComPtr<ITaskFolder> folder;
    if (SUCCEEDED(hr)) {
        hr = OpenEntryFolder(service.Get(), entry.folder, true, &folder);
    }
    if (FAILED(hr)) {
        return hr;
    }
    VARIANT empty = {};
    ::VariantInit(&empty);
    ComPtr<IRegisteredTask> task;
    return folder->RegisterTask(Bstr(entry.name).Get(),
                                Bstr(TaskXml(entry, program, enabled)).Get(), TASK_CREATE_OR_UPDATE,
                                empty, empty, TASK_LOGON_SERVICE_ACCOUNT, empty, task.Receive());
}

HRESULT RemoveTask(const RepairEntry& entry) {
    ScopedComApartment com;
    ComPtr<ITaskService> service;
    HRESULT hr = ConnectTaskService(&service);
    ComPtr<ITaskFolder> folder;
    if (SUCCEEDED(hr)) {
        hr = OpenEntryFolder(service.Get(), entry.folder, false, &folder);
    }
    if (SUCCEEDED(hr)) {
        hr = folder->DeleteTask(Bstr(entry.name).Get(), 0);
    }
    return hr == kTaskMissing ? S_OK : hr;
}

std::wstring RunValueData(const RepairEntry& entry, const std::wstring& program) {
    std::wstring data = L"\"" + program + L"\"";
    if (*entry.arguments != L'\0') {
        data += L" " + std::wstring(entry.arguments);
    }
    return data;
}

}  // namespace

std::wstring EntryPath(const RepairEntry& entry) {
    return L"\\" + std::wstring(kMakerFolder) + L"\\" + entry.folder + L"\\" + entry.name;
}

HRESULT AddRepairEntry(const RepairEntry& entry, const std::wstring& program, bool enabled) {
    if (!IsWindowsXp()) {
        return AddTask(entry, program, enabled);
    }
    return SetStringValue(HKEY_LOCAL_MACHINE, kRunKey, KEY_WOW64_64KEY, entry.name,
                          RunValueData(entry, program))
               ? S_OK
               : E_FAIL;
}

HRESULT RemoveRepairEntry(const RepairEntry& entry) {
    if (!IsWindowsXp()) {
        return RemoveTask(entry);
    }
    return DeleteValue(HKEY_LOCAL_MACHINE, kRunKey, KEY_WOW64_64KEY, entry.name) ? S_OK : E_FAIL;
}

}  // namespace zu::standin
