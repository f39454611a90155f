// Stand-in for the self-repair tool "ZUSR.exe": creates and removes its
// guard and repair entries (scheduled tasks, or Run values on Windows XP).
#include <windows.h>

#include "standins/machine_paths.h"
#include "standins/standin_common.h"
#include "standins/zusr_entries.h"
#include "standins/zusr_respawn.h"

namespace zu::standin {
namespace {

constexpr wchar_t kProductTool[] = L"\\Koru\\ZEMI Update\\ZUSR.exe";

void Add(const Standin& standin,
         const RepairEntry& entry,
         const std::wstring& program,
         bool enabled) {
    const HRESULT hr = AddRepairEntry(entry, program, enabled);
    if (SUCCEEDED(hr)) {
        // A Run value (Windows XP) has no disabled state.
        const bool disabled = !enabled && !IsWindowsXp();
        standin.Record(disabled ? L"entry added disabled" : L"entry added", EntryPath(entry));
    } else {
        standin.Record(L"entry add failed", EntryPath(entry) + L" " + HexCode(hr));
    }
}

void Remove(const Standin& standin, const RepairEntry& entry) {
    const HRESULT hr = RemoveRepairEntry(entry);
    standin.Record(SUCCEEDED(hr) ? L"entry removed" : L"entry remove failed",
                   SUCCEEDED(hr) ? EntryPath(entry) : EntryPath(entry) + L" " + HexCode(hr));
}

void SummonGuard(const Standin& standin) {
    if (standin.Flag(L"no_guard")) {
        standin.Record(L"guard withheld", L"");
        return;
    }
    Add(standin, kGuardEntry, standin.OwnPath(), !standin.Flag(L"disabled_guard"));
}

void UninstallRepair(const Standin& standin) {
    if (standin.Flag(L"keep_repair")) {
        standin.Record(L"repair kept", L"");
        return;
    }
    Remove(standin, kRepairEntry);
    Remove(standin, kUltimateRepairEntry);
}

void InstallRepair(const Standin& standin) {
    const std::wstring tool = NativeProgramFiles() + kProductTool;
    Add(standin, kRepairEntry, tool, true);
    Add(standin, kUltimateRepairEntry, tool, true);
}

// "/Guard", "/Ultimate" (the entries' own runs) and "/UltimateRepairSucceed"
// are only recorded.
void Act(const Standin& standin) {
    if (standin.HasSwitch(L"/SummonGuard")) {
        SummonGuard(standin);
    } else if (standin.HasSwitch(L"/DismissGuard")) {
        Remove(standin, kGuardEntry);
    } else if (standin.HasSwitch(L"/ZUSRUninstall")) {
        UninstallRepair(standin);
    } else if (standin.HasSwitch(L"/ZUSRInstall")) {
        InstallRepair(standin);
    }
}

}  // namespace
}  // namespace zu::standin

int WINAPI wWinMain(HINSTANCE, HINSTANCE, wchar_t*, int) {
    using namespace zu::standin;
    const Standin standin;
    if (standin.HasSwitch(kRespawnPartnerSwitch)) {
        RunAsRespawnPartner(standin);
        return 0;
    }
    standin.WaitAsTold();
    Act(standin);
    if (standin.Flag(L"respawn")) {
        RunRespawnPair(standin, 0, static_cast<DWORD>(standin.Behaviour(L"respawn_ms", 60000)));
    }
    return standin.ExitCode(0);
}
