#include "launcher/install_sequence.h"

#include "checks/version_checks.h"
#include "launcher/completion.h"
#include "launcher/launch_mode.h"
#include "launcher/new_setup.h"
#include "launcher/pre_install_gate.h"
#include "launcher/settings_carry_over.h"
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
#include "region/region_store.h"
#include "selfrepair/self_repair_guard.h"
#include "ui/progress_window.h"

namespace zu {
namespace {

constexpr wchar_t kNewSetupPath[] = L"Installer\\setup.exe";

// The earlier licence agreement in transit between the uninstall and the new setup.
struct EulaInTransit {
    bool keyFound = false;
    DWORD agreed = 0;
    bool fileFound = false;
};

// Marks and copies that must exist before anything of the old client goes.
void PrepareReplacement(LauncherContext* context) {
    DetectGeneration4Folders(context);
    MarkLauncherUninstall();
    MarkSelfRepairFile();
    if (IsCurrentGenerationInstalled()) {
        SaveSettingsFile();
    }
    SaveSelfRepairFolder();
}

// Stops the old client and puts its data and settings out of the uninstall's reach.
EulaInTransit SaveClientState(const LauncherContext& context) {
    TerminateProcessByName(kClientExe);
    TerminateProcessByName(kAgentExe);
    SaveDataFiles();
    SaveDisplayFiles();

    EulaInTransit eula;
    eula.keyFound = ReadEulaAgreement(&eula.agreed);
    eula.fileFound = FindEarlierEulaFile();
    if (eula.fileFound) {
        WriteInstallerEulaNote();
    }
    // The client's one-shot requests are consumed once the run goes ahead.
    ClearLaunchRequests();
    if (context.launchInstaller) {
        StashTaskManagerSettings();
    }
    return eula;
}

// The client's own shortcuts go before the uninstall; the public desktop one
// is remembered so that the new client gets it back.
void RemoveClientShortcuts(LauncherContext* context) {
    std::wstring shortcut;
    if (FindPublicDesktopShortcut(&shortcut)) {
        context->shortcutRemoved = true;
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
}

// The region that the gate staged survives the removal of the old product key
// in the installer's scratch key; the new product gets it back here.
void StoreStagedRegion() {
    RegionId id = kRegionNone;
    if (ReadRegionValues(kStagedRegionKey, &id)) {
        StoreProductRegion(id);
    }
}

void InstallNewGeneration(const EulaInTransit& eula) {
    StoreStagedRegion();
    RunNewSetup(kNewSetupPath);
    ImportPackageRegistration();
    RegisterAgentService();
    RestoreDataFiles();
    RestoreDisplayFiles();
    FinishSelfRepairDeployment();  // a failed deployment leaves the guard in charge

    if (eula.keyFound) {
        WriteEulaAgreement(eula.agreed);
    }
    if (!eula.fileFound) {
        WriteEulaAgreement(1);
    }
}

void CleanUpAndFinish(LauncherContext* context) {
    if (context->shortcutRemoved) {
        RestorePublicDesktopShortcut();
    }
    if (context->launchInstaller) {
        RestoreTaskManagerSettings();
    }
    RemoveInstallerScratchKey();
    RemoveTempFolder();
    InstallLog::Remove();
    ::ShowWindow(context->mainWindow, SW_HIDE);
    if (context->gen4VersionNative || context->gen4VersionProgramFiles) {
        CopyVersionFileToGeneration4(*context);
    }
    FinishInstallation(context);
}

}  // namespace

DWORD WINAPI InstallWorkerProc(void* parameter) {
    auto* context = static_cast<LauncherContext*>(parameter);
    if (context == nullptr) {
        return 0;
    }
    RunInstallSequence(context);
    return 0;
}

void RunInstallSequence(LauncherContext* context) {
    // A refusing gate has already told the user, where the mode allows, and
    // released the window.
    if (!PassPreInstallGate(context)) {
        return;
    }
    PrepareReplacement(context);
    // A refused guard has already abandoned the run and released the window.
    if (!RunSelfRepairGuard(context)) {
        return;
    }
    const EulaInTransit eula = SaveClientState(*context);
    RemoveClientShortcuts(context);
    RemoveEarlierGenerations();
    InstallNewGeneration(eula);
    CleanUpAndFinish(context);
}

}  // namespace zu
