#include "launcher/install_sequence.h"

#include <string>
#include <utility>
#include <vector>

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
bool PrepareReplacement(LauncherContext* context, bool resuming, RunState* state) {
    DetectGeneration4Folders(context);
    MarkLauncherUninstall();
    MarkSelfRepairFile();
    if (resuming) {
        return true;
    }
    if (!Logged(L"make the temporary folder", PrepareTempFolder())) {
        return false;
    }
    const bool settings_saved = !IsCurrentGenerationInstalled() || SaveSettingsFile(&state->files);
    return Logged(L"save settings and self-repair data",
                  SaveSelfRepairFolder(&state->files) && settings_saved);
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
    if (!Logged(L"save data", SaveDataFiles(&state->files))) {
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
    state->filesListed = true;
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
bool RestoreClientData(const RunState& state) {
    return Logged(L"restore data", RestoreSavedFiles(state.files));
}

// Saved files that neither their copy nor their original holds any more.
RunOutcome FailForLostFiles(const std::vector<std::wstring>& lost) {
    std::wstring names;
    for (const std::wstring& name : lost) {
        names += (names.empty() ? L"" : L", ") + name;
    }
    return Fail((L"saved files lost (their copies do not match the record): " + names).c_str());
}

// Everything after the new setup: registrations, data, tool, licence,
// shortcut and settings, then the clean-up and the hand-over. A failed restore
// keeps the saved copy and the run state for the next run. The results reach
// the disk before the record goes, and the record before the copy goes.
RunOutcome CompleteAfterSetup(LauncherContext* context,
                              const RunState& state,
                              const std::vector<std::wstring>& lost) {
    ImportPackageRegistration();
    RegisterAgentService();
    const bool restored = RestoreClientData(state);
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
    RemoveRunState();
    RemoveTempFolder();
    if (context->gen4VersionNative || context->gen4VersionProgramFiles) {
        CopyVersionFileToGeneration4(*context);
    }
    if (!lost.empty()) {
        return FailForLostFiles(lost);
    }
    InstallLog::Remove();
    ::ShowWindow(context->mainWindow, SW_HIDE);
    LogRunLine(restart_pending ? L"restart pending" : L"no restart pending");
    return FinishInstallation(context, restart_pending) ? RunOutcome::kRestarting
                                                        : RunOutcome::kCompleted;
}

// Removes the old generation and installs the new one. Nothing is removed
// unless the data is saved and recorded (or was, by the run this one finishes).
RunOutcome ReplaceGeneration(LauncherContext* context,
                             RunState state,
                             bool resuming,
                             const std::vector<std::wstring>& lost) {
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
        RestoreClientData(state);
        return Fail(setup_ran ? L"the new setup did not install the new generation"
                              : L"the new setup could not be started");
    }
    Logged(L"record setup done", RecordSetupDone());
    return CompleteAfterSetup(context, state, lost);
}

// Holds the package's programs from here to the end of the run, each checked
// for the maker's signature: what was checked is what runs. False, with the
// failure in *stopped, when one is missing or not the maker's.
bool HoldSignedPrograms(PackagePrograms* programs, RunOutcome* stopped) {
    if (Logged(L"package programs signed by the maker",
               HoldPackagePrograms(kNewSetupPath, programs))) {
        return true;
    }
    *stopped = Fail(L"a program of the package is not signed by the maker");
    return false;
}

// Everything before the replacement proper: the setup's presence, the gate,
// the marks and saves, the guard. True when the run goes on; otherwise
// *stopped says how it ended.
bool PassChecksAndGuard(LauncherContext* context,
                        bool resuming,
                        RunState* state,
                        PackagePrograms* programs,
                        RunOutcome* stopped) {
    if (!Logged(L"new setup present", NewSetupExists(kNewSetupPath))) {
        *stopped = Fail(L"the new setup is missing");
        return false;
    }
    if (!HoldSignedPrograms(programs, stopped)) {
        return false;
    }
    // A version that cannot be read would never count as installed.
    if (!Logged(L"package version readable", HasPackageVersion())) {
        *stopped = Fail(L"the package's version file gives no version");
        return false;
    }
    if (!Logged(L"pre-install gate", PassPreInstallGate(context, resuming))) {
        *stopped = RunOutcome::kRefused;
        return false;
    }
    if (!PrepareReplacement(context, resuming, state)) {
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

// Checks every saved copy against the record before anything is restored:
// state->files keeps those that may be restored, the record follows what was
// saved again or is no longer needed, and *lost gets the names of files that
// neither a copy nor an original holds. False when a torn copy could not be
// made again from its original (which the removal would then take).
bool CheckSavedCopies(RunState* state, bool save_again, std::vector<std::wstring>* lost) {
    SavedFiles usable;
    bool all_kept = true;
    for (SavedFile& file : state->files) {
        switch (CheckSavedCopy(save_again, &file)) {
            case SavedCopyState::kWhole:
                usable.push_back(file);
                break;
            case SavedCopyState::kSavedAgain:
                all_kept = RecordSavedFile(file) && all_kept;
                usable.push_back(file);
                break;
            case SavedCopyState::kNotNeeded:
                ForgetSavedFile(file.name);
                break;
            case SavedCopyState::kNotSaved:
                all_kept = false;
                break;
            case SavedCopyState::kLost:
                lost->push_back(file.name);
                break;
        }
    }
    state->files = std::move(usable);
    return all_kept;
}

// The copy of an interrupted run, checked before it is used: a folder that is
// not the launcher's own is dropped; a missing one is made again, for the
// files to be saved again. False, with *stopped set, when the run must stop.
bool CheckInterruptedCopy(RunState* state,
                          bool installed,
                          std::vector<std::wstring>* lost,
                          RunOutcome* stopped) {
    if (TempFolderExists() && !IsTempFolderTrusted()) {
        // Someone else made or replaced the folder: nothing in it is restored,
        // and the record goes with it so that the next run starts afresh.
        AbandonTempFolder();
        *stopped = Fail(L"the saved copy of an interrupted run is not the launcher's own");
        return false;
    }
    if (!TempFolderExists() && !Logged(L"make the temporary folder again", PrepareTempFolder())) {
        *stopped = Fail(L"the temporary folder could not be made");
        return false;
    }
    // An earlier launcher listed nothing: its copies are taken as they lie.
    if (!state->filesListed && !ListSavedCopies(&state->files)) {
        *stopped = Fail(L"the saved copy of an interrupted run cannot be read");
        return false;
    }
    // Where the earlier generation is still to go, a torn copy is made again.
    if (!Logged(L"check saved copies", CheckSavedCopies(state, !installed, lost))) {
        *stopped = Fail(L"the user's data could not be saved again");
        return false;
    }
    return true;
}

// Finishes a run that an interruption left half-way, from the copy and the
// answers it recorded.
RunOutcome FinishInterruptedRun(LauncherContext* context, RunState state) {
    LogRunLine(L"finishing an interrupted run");
    // A version file alone may be what a cut setup left: the setup runs again.
    const bool installed = state.setupDone && IsNewGenerationInstalled();
    std::vector<std::wstring> lost;
    RunOutcome stopped = RunOutcome::kRefused;
    if (!CheckInterruptedCopy(&state, installed, &lost, &stopped)) {
        return stopped;
    }
    PackagePrograms programs;
    if (installed) {
        if (!HoldSignedPrograms(&programs, &stopped)) {
            RestoreClientData(state);
            return stopped;
        }
        EndClientProcesses();
        StoreStagedRegion();
        return CompleteAfterSetup(context, state, lost);
    }
    if (!PassChecksAndGuard(context, true, &state, &programs, &stopped)) {
        // The earlier generation may be gone: the user's data goes back where
        // the client keeps it; the copy and the record stay for the next run.
        RestoreClientData(state);
        return stopped;
    }
    return ReplaceGeneration(context, state, true, lost);
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
    PackagePrograms programs;
    if (!PassChecksAndGuard(context, false, &state, &programs, &stopped)) {
        return stopped;
    }
    return ReplaceGeneration(context, state, false, {});
}

}  // namespace zu
