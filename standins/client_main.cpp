// Stand-in for the update client "ZEMIUpdt.exe". "/haltall" ends the client's
// other processes; every other start ("/ShowReboot", "/RunByInstaller", none)
// is only recorded.
#include <windows.h>

#include "standins/process_list.h"
#include "standins/standin_common.h"

namespace zu::standin {
namespace {

constexpr const wchar_t* kClientProcesses[] = {L"ZEMIUpdt.exe", L"DARiziz.exe",
                                               L"InternetWrapper.exe"};

void HaltAll(const Standin& standin) {
    for (const wchar_t* name : kClientProcesses) {
        for (DWORD id : TerminateProcessesNamed(name, ::GetCurrentProcessId())) {
            standin.Record(L"ended", std::wstring(name) + L" " + std::to_wstring(id));
        }
    }
}

}  // namespace
}  // namespace zu::standin

int WINAPI wWinMain(HINSTANCE, HINSTANCE, wchar_t*, int) {
    using namespace zu::standin;
    const Standin standin;
    standin.WaitAsTold();
    if (standin.HasSwitch(L"/haltall")) {
        HaltAll(standin);
    }
    return standin.ExitCode(0);
}
