#include "standins/zusr_respawn.h"

#include <string>

#include "platform/scoped_handle.h"

namespace zu::standin {
namespace {

constexpr DWORD kPollMs = 200;

UniqueHandle StartPartner(const Standin& standin, DWORD lifetime_ms) {
    std::wstring line = L"\"" + standin.OwnPath() + L"\" " + kRespawnPartnerSwitch + L" " +
                        std::to_wstring(::GetCurrentProcessId()) + L" " +
                        std::to_wstring(lifetime_ms);
    STARTUPINFOW startup = {};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION info = {};
    if (!::CreateProcessW(standin.OwnPath().c_str(), line.data(), nullptr, nullptr, FALSE, 0,
                          nullptr, nullptr, &startup, &info)) {
        standin.Record(L"respawn failed", std::to_wstring(::GetLastError()));
        return UniqueHandle();
    }
    UniqueHandle thread(info.hThread);
    standin.Record(L"respawned", std::to_wstring(info.dwProcessId));
    return UniqueHandle(info.hProcess);
}

}  // namespace

void RunRespawnPair(const Standin& standin, DWORD partner_id, DWORD lifetime_ms) {
    const DWORD start = ::GetTickCount();
    UniqueHandle partner;
    if (partner_id != 0) {
        partner.Reset(::OpenProcess(SYNCHRONIZE, FALSE, partner_id));
    }
    for (;;) {
        const DWORD elapsed = ::GetTickCount() - start;
        if (elapsed >= lifetime_ms || !standin.Flag(L"respawn")) {
            return;
        }
        if (!partner) {
            partner = StartPartner(standin, lifetime_ms - elapsed);
        }
        if (!partner) {
            ::Sleep(kPollMs);
        } else if (::WaitForSingleObject(partner.Get(), kPollMs) == WAIT_OBJECT_0) {
            partner.Reset();
        }
    }
}

void RunAsRespawnPartner(const Standin& standin) {
    const auto& arguments = standin.Arguments();
    if (arguments.size() < 3) {
        return;
    }
    const DWORD starter = static_cast<DWORD>(wcstoul(arguments[1].c_str(), nullptr, 10));
    const DWORD lifetime_ms = static_cast<DWORD>(wcstoul(arguments[2].c_str(), nullptr, 10));
    RunRespawnPair(standin, starter, lifetime_ms);
}

}  // namespace zu::standin
