// Stands in for the agent running as the Windows service "DARiziz": it runs
// until the service manager passes it a stop request, and records that
// request in the stand-ins' journal (event "stop requested").
#include <windows.h>

#include "standins/standin_common.h"

namespace {

wchar_t service_name[] = L"DARiziz";
SERVICE_STATUS_HANDLE status_handle = nullptr;
HANDLE stop_requested = nullptr;

void Report(DWORD state) {
    SERVICE_STATUS status = {};
    status.dwServiceType = SERVICE_WIN32_OWN_PROCESS;
    status.dwCurrentState = state;
    status.dwControlsAccepted = state == SERVICE_RUNNING ? SERVICE_ACCEPT_STOP : 0;
    ::SetServiceStatus(status_handle, &status);
}

DWORD WINAPI Handler(DWORD control, DWORD, void*, void*) {
    if (control == SERVICE_CONTROL_STOP) {
        Report(SERVICE_STOP_PENDING);
        ::SetEvent(stop_requested);
    }
    return NO_ERROR;
}

void WINAPI ServiceMain(DWORD, wchar_t**) {
    const zu::standin::Standin service(service_name);
    status_handle = ::RegisterServiceCtrlHandlerExW(service_name, Handler, nullptr);
    if (status_handle == nullptr) {
        return;
    }
    Report(SERVICE_RUNNING);
    ::WaitForSingleObject(stop_requested, INFINITE);
    service.Record(L"stop requested", L"");
    Report(SERVICE_STOPPED);
}

}  // namespace

int wmain() {
    stop_requested = ::CreateEventW(nullptr, TRUE, FALSE, nullptr);
    SERVICE_TABLE_ENTRYW services[] = {{service_name, ServiceMain}, {nullptr, nullptr}};
    return ::StartServiceCtrlDispatcherW(services) ? 0 : 1;
}
