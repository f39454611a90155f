#include "checks/applications_idle.h"

#include "checks/agent_state.h"
#include "checks/care_application.h"
#include "checks/installer_task_counter.h"
#include "platform/install_log.h"
#include "platform/scheduled_task_removal.h"

namespace zu {
namespace {

// The client's scheduled task that starts the automatic installer runs.
constexpr wchar_t kInstallerTaskMakerFolder[] = L"Koru Corporation";
constexpr wchar_t kInstallerTaskName[] = L"Installer Task";

// Busy runs in a row after which the automatic installation is given up.
constexpr DWORD kBusyRunLimit = 30;

void GiveUpAutomaticInstallation() {
    RemoveLegacyTask(kInstallerTaskMakerFolder, kInstallerTaskName);
    ResetInstallerTaskCount();
    InstallLog::Write(
        L"ZEMI Update tried to perform an automatic update with an update program or software, "
        L"but the process failed.");
}

// count: the count read before this run.
void CountBusyRun(bool care_application_running, DWORD count) {
    IncrementInstallerTaskCount(&count);  // on failure the count read is logged
    InstallLog::Write(care_application_running ? L"ZC is running, install counter is :%d"
                                               : L"DARiziz busy, install counter is :%d",
                      static_cast<int>(count));
}

}  // namespace

bool CheckApplicationsIdle(const LauncherContext& context) {
    if (!context.zeuInstallSilent) {
        ResetInstallerTaskCount();
        return true;
    }
    // Both are asked, whatever the first answers.
    const bool care_application_running = IsCareApplicationRunning();
    const bool agent_busy = IsAgentBusy();
    if (!care_application_running && !agent_busy) {
        ResetInstallerTaskCount();
        return true;
    }
    DWORD count = 0;
    if (ReadInstallerTaskCount(&count) && count >= kBusyRunLimit) {
        GiveUpAutomaticInstallation();
    } else {
        CountBusyRun(care_application_running, count);
    }
    return false;
}

}  // namespace zu
