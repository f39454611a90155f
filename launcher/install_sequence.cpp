#include "launcher/install_sequence.h"

#include <string>

#include "checks/version_checks.h"
#include "launcher/completion.h"
#include "launcher/launch_mode.h"
#include "launcher/new_setup.h"
#include "launcher/pre_install_gate.h"
#include "launcher/run_diagnostics.h"
#include "launcher/run_state.h"
#include "launcher/settings_carry_over.h"
#include "launcher/startup.h"
#include "legacy/com_registrations.h"
#include "legacy/data_preservation.h"
#include "legacy/eula_carry_over.h"
#include "legacy/legacy_folders.h"
#include "legacy/legacy_registrations.h"
#include "legacy/legacy_shortcuts.h"
#include "legacy/previous_generation_uninstall.h"
#include "legacy/server_registration.h"
#include "platform/install_log.h"
#include "platform/process_control.h"
#include "platform/product_names.h"
#include "platform/run_log.h"
#include "region/region_store.h"
#include "selfrepair/self_repair_guard.h"
#include "ui/progress_window.h"

namespace zu {
namespace {

constexpr wchar_t kNewSetupPath[] = L"Installer\\setup.exe";

// How long the client and its agent get to end before their files are copied.
constexpr DWORD kClientEndTimeoutMs = 15000;

// Logs a step with its result and passes the result on.
bool Logged(const wchar_t* step, bool result) {
    LogRunLine(std::wstring(step) + (result ? L": done" : L": failed"));
    return result;
}

// A failure the user must know of: logged in both logs.
RunOutcome Fail(const wchar_t* why) {
    LogRunLine(std::wstring(L"run failed: ") + why);
    InstallLog::Write(L"ZEMI Update could not be installed: %ls", why);
    return RunOutcome::kFailed;
}

// Marks and copies that must exist before the guard comes up. False when a copy
// failed; a resuming run keeps its earlier copies as they are.
bool PrepareReplacement(LauncherContext* context, bool resuming) {
    DetectGeneration4Folders(context);
    MarkLauncherUninstall();
    MarkSelfRepairFile();
    if (resuming) {
        return true;
    }
    if (!Logged(L"make the temporary folder", PrepareTempFolder())) {
        return false;
    }
    const bool settings_saved = !IsCurrentGenerationInstalled() || SaveSettingsFile();
    return Logged(L"save settings and self-repair data", SaveSelfRepairFolder() && settings_saved);
}

// The client and its agent must not write while their files are copied.
void EndClientProcesses() {
    Logged(L"end client", EndProcessesByName(kClientExe, kClientEndTimeoutMs));
    Logged(L"end agent", EndProcessesByName(kAgentExe, kClientEndTimeoutMs));
}

// Saves the data and what the uninstall would take, then records it all: from
// here on the temporary folder holds the only sure copy. False, with nothing of
// the old client touched, when a save or the record failed.
bool SaveClientState(const LauncherContext& context, RunState* state) {
    const bool data_saved = SaveDataFiles();
    if (!Logged(L"save data", SaveDisplayFiles() && data_saved)) {
        return false;
    }
    state->eulaKeyFound = ReadEulaAgreement(&state->eulaAgreed);
    state->eulaFileFound = FindEarlierEulaFile();
    if (state->eulaFileFound) {
        WriteInstallerEulaNote();
    }
    if (context.launchInstaller) {
        StashTaskManagerSettings();
        state->taskSettingsStashed = true;
    }
    std::wstring shortcut;
    state->shortcutRemoved = FindPublicDesktopShortcut(&shortcut);
    return Logged(L"record run state", RecordRunState(*state));
}

// The client's own shortcuts go before the uninstall; the public desktop one
// comes back after the new setup when the recorded state says it was there.
void RemoveClientShortcuts() {
    std::wstring shortcut;
    if (FindPublicDesktopShortcut(&shortcut)) {
        ::DeleteFileW(shortcut.c_str());
    }
    if (FindProgramsShortcut(&shortcut)) {
        ::DeleteFileW(shortcut.c_str());
    }
}

// Uninstalls the previous generation, then removes what every earlier one left.
void RemoveEarlierGenerations() {
    UninstallPreviousGeneration();
    RemoveLegacyUninstallEntry();
    RemoveLegacyInstallerRegistrations();
    RemoveShortcutsToClient();
    RemoveLegacyShortcuts();
    RemoveLegacyAppPath();
    RemoveLegacyProductKeys();
    UnregisterLegacyServers();
    RemoveLegacyProgramFolders();
    RemoveLegacyTasksAndRunEntries();
    RemoveLegacyUninstallEntries();
    RemoveLegacyUserKeys();
    RemoveLegacyComRegistrations();
    LogRunLine(L"earlier generations removed");
}

// The region that the gate staged survives the removal of the old product key
// in the installer's scratch key; the new product gets it back here.
void StoreStagedRegion() {
    RegionId id = kRegionNone;
    if (ReadRegionValues(kStagedRegionKey, &id)) {
        StoreProductRegion(id);
    }
}

void WriteEulaFromState(const RunState& state) {
    if (state.eulaKeyFound) {
        WriteEulaAgreement(state.eulaAgreed);
    }
    if (!state.eulaFileFound) {
        WriteEulaAgreement(1);
    }
}

// The user's data goes back whatever else failed; true when all of it did.
bool RestoreClientData() {
    const bool data_restored = RestoreDataFiles();
    return Logged(L"restore data", RestoreDisplayFiles() && data_restored);
}

// Everything after the new setup: registrations, data, tool, licence,
// shortcut and settings, then the clean-up and the hand-over. A failed restore
// keeps the saved copy and the run state for the next run.
RunOutcome CompleteAfterSetup(LauncherContext* context, const RunState& state) {
    ImportPackageRegistration();
    RegisterAgentService();
    const bool restored = RestoreClientData();
    Logged(L"self-repair deployment", FinishSelfRepairDeployment());
    WriteEulaFromState(state);
    if (state.shortcutRemoved) {
        RestorePublicDesktopShortcut();
    }
    if (state.taskSettingsStashed) {
        RestoreTaskManagerSettings();
    }
    if (!restored) {
        return Fail(L"the user's data could not be restored");
    }
    // The client's restart request lives in the scratch key: read it first.
    const bool restart_pending = IsRestartPending();
    RemoveInstallerScratchKey();
    RemoveTempFolder();
    InstallLog::Remove();
    ::ShowWindow(context->mainWindow, SW_HIDE);
    if (context->gen4VersionNative || context->gen4VersionProgramFiles) {
        CopyVersionFileToGeneration4(*context);
    }
    LogRunLine(restart_pending ? L"restart pending" : L"no restart pending");
    return FinishInstallation(context, restart_pending) ? RunOutcome::kRestarting
                                                        : RunOutcome::kCompleted;
}

// Removes the old generation and installs the new one. Nothing is removed
// unless the data is saved and recorded (or was, by the run this one finishes).
RunOutcome ReplaceGeneration(LauncherContext* context, RunState state, bool resuming) {
    EndClientProcesses();
    if (!resuming && !SaveClientState(*context, &state)) {
        DismissSelfRepairGuard();
        AbandonTempFolder();
        return Fail(L"the user's data could not be saved");
    }
    // The client's one-shot requests are consumed once the run goes ahead.
    ClearLaunchRequests();
    RemoveClientShortcuts();
    RemoveEarlierGenerations();
    StoreStagedRegion();
    DWORD setup_exit_code = 0;
    const bool setup_ran = RunNewSetup(kNewSetupPath, &setup_exit_code);
    if (!Logged(L"new generation installed", IsNewGenerationInstalled())) {
        RestoreClientData();
        return Fail(setup_ran ? L"the new setup did not install the new generation"
                              : L"the new setup could not be started");
    }
    return CompleteAfterSetup(context, state);
}

// Everything before the replacement proper: the setup's presence, the gate,
// the marks and saves, the guard. True when the run goes on; otherwise
// *stopped says how it ended.
bool PassChecksAndGuard(LauncherContext* context, bool resuming, RunOutcome* stopped) {
    if (!Logged(L"new setup present", NewSetupExists(kNewSetupPath))) {
        *stopped = Fail(L"the new setup is missing");
        return false;
    }
    if (!Logged(L"pre-install gate", PassPreInstallGate(context, resuming))) {
        *stopped = RunOutcome::kRefused;
        return false;
    }
    if (!PrepareReplacement(context, resuming)) {
        AbandonTempFolder();
        *stopped = Fail(L"the user's data could not be saved");
        return false;
    }
    if (!Logged(L"self-repair guard", RunSelfRepairGuard())) {
        // The run being finished may have removed the earlier generation: then
        // nothing is installed, and the user must hear of it.
        if (resuming) {
            *stopped = Fail(L"the self-repair guard refused to finish an interrupted run");
            return false;
        }
        AbandonTempFolder();
        *stopped = RunOutcome::kRefused;
        return false;
    }
    return true;
}

// Finishes a run that an interruption left half-way, from the copy and the
// answers it recorded.
RunOutcome FinishInterruptedRun(LauncherContext* context, const RunState& state) {
    if (!IsTempFolderTrusted()) {
        // Someone else made or replaced the folder: nothing in it is restored,
        // and the record goes with it so that the next run starts afresh.
        AbandonTempFolder();
        return Fail(L"the saved copy of an interrupted run is not the launcher's own");
    }
    LogRunLine(L"finishing an interrupted run");
    if (IsNewGenerationInstalled()) {
        EndClientProcesses();
        StoreStagedRegion();
        return CompleteAfterSetup(context, state);
    }
    RunOutcome stopped = RunOutcome::kRefused;
    if (!PassChecksAndGuard(context, true, &stopped)) {
        // The earlier generation may be gone: the user's data goes back where
        // the client keeps it; the copy and the record stay for the next run.
        RestoreClientData();
        return stopped;
    }
    return ReplaceGeneration(context, state, true);
}

}  // namespace

DWORD WINAPI InstallWorkerProc(void* parameter) {
    auto* context = static_cast<LauncherContext*>(parameter);
    if (context == nullptr) {
        return 0;
    }
    LogRunStart(*context);
    const RunOutcome outcome = RunInstallSequence(context);
    EndRun(context, outcome);
    return 0;
}

RunOutcome RunInstallSequence(LauncherContext* context) {
    RunState state;
    if (ReadRunState(&state)) {
        return FinishInterruptedRun(context, state);
    }
    RunOutcome stopped = RunOutcome::kRefused;
    if (!PassChecksAndGuard(context, false, &stopped)) {
        return stopped;
    }
    return ReplaceGeneration(context, state, false);
}

}  // namespace zu
