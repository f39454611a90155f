#include "launcher/pre_install_gate.h"

#include <string>

#include "checks/applications_idle.h"
#include "checks/version_checks.h"
#include "checks/windows_update.h"
#include "platform/os_version.h"
#include "region/region_discovery.h"
#include "region/region_store.h"
#include "resources/resource_ids.h"
#include "ui/localized_strings.h"

namespace zu {
namespace {

// The refusals that explain themselves, as the text to show; 0 lets the run on.
// Checked in this order, and the first that holds decides: later checks are
// not made.
UINT FindRefusalText() {
    if (IsNewerVersionInstalled()) {
        return IDS_NEWER_VERSION_INSTALLED;
    }
    if (GetOsVersionCode() < kOsXpSp2) {
        return IDS_REQUIRES_XP_SP2;
    }
    if (IsWindowsUpdateRunning()) {
        return IDS_WINDOWS_UPDATE_RUNNING;
    }
    if (IsWindowsUpdateScheduledSoon()) {
        return IDS_WINDOWS_UPDATE_SCHEDULED;
    }
    return 0;
}

// Runs nobody watches, and runs the client started for itself, stay quiet.
bool IsQuiet(const LauncherContext& context) {
    return context.ordinaryRunSilent || context.zeuInstallSilent || context.launchInstaller;
}

void ExplainRefusal(const LauncherContext& context, UINT text_id) {
    std::wstring caption;
    std::wstring text;
    LoadLocalizedString(&caption, IDS_CAPTION);
    LoadLocalizedString(&text, text_id);
    if (IsQuiet(context)) {
        return;
    }
    ::ShowWindow(context.mainWindow, SW_HIDE);
    if (!text.empty()) {
        ::MessageBoxW(context.mainWindow, text.c_str(), caption.c_str(), MB_OK | MB_ICONWARNING);
    }
}

}  // namespace

bool PassPreInstallGate(LauncherContext* context, bool resuming) {
    const UINT refusal = FindRefusalText();
    if (refusal != 0) {
        ExplainRefusal(*context, refusal);
        return false;
    }
    // A run that finishes an interrupted one has the region staged already:
    // the earlier installation it was read from may be gone by now.
    RegionId staged = kRegionNone;
    const bool region_staged =
        resuming && ReadRegionValues(kStagedRegionKey, &staged) && staged != kRegionNone;
    return CheckApplicationsIdle(*context) && (region_staged || SelectRegion(context));
}

}  // namespace zu
