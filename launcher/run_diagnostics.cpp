#include "launcher/run_diagnostics.h"

#include <string>

#include "platform/version_file.h"
#include "launcher/startup.h"
#include "platform/file_operations.h"
#include "platform/os_version.h"
#include "platform/run_log.h"
#include "resources/resource_ids.h"
#include "ui/localized_strings.h"
#include "ui/progress_window.h"

namespace zu {
namespace {

const wchar_t* LaunchModeName(const LauncherContext& context) {
    if (context.zeuInstallSilent) {
        return L"1 (automatic installer run)";
    }
    if (context.zusrInstall) {
        return L"2 (self-repair)";
    }
    if (context.launchInstaller) {
        return context.launchInstallerSilent ? L"3 silent (client request)" : L"3 (client request)";
    }
    return context.ordinaryRunSilent ? L"4 silent" : L"4";
}

const wchar_t* OutcomeName(RunOutcome outcome) {
    switch (outcome) {
        case RunOutcome::kCompleted:
            return L"completed";
        case RunOutcome::kRefused:
            return L"refused";
        case RunOutcome::kFailed:
            return L"failed";
        case RunOutcome::kRestarting:
            return L"restarting";
    }
    return L"unknown";
}

std::wstring PackageVersion() {
    std::wstring file;
    return PathBesideLauncher(L"Installer\\Version.txt", &file) ? ReadVersionFile(file)
                                                                : std::wstring();
}

std::wstring UiLanguages() {
    std::wstring list;
    return GetUserUiLanguageList(&list) ? list : std::wstring();
}

// The modes in which somebody watches and boxes are shown.
bool ShowsBoxes(const LauncherContext& context) {
    return (context.ordinaryRun && !context.ordinaryRunSilent) || context.zusrInstall;
}

void TellFailure(const LauncherContext& context) {
    std::wstring caption;
    std::wstring text;
    LoadLocalizedString(&caption, IDS_CAPTION);
    if (!ShowsBoxes(context) || !LoadLocalizedString(&text, IDS_INSTALL_FAILED)) {
        return;
    }
    ::ShowWindow(context.mainWindow, SW_HIDE);
    ::MessageBoxW(context.mainWindow, text.c_str(), caption.c_str(), MB_OK | MB_ICONWARNING);
}

}  // namespace

void LogRunStart(const LauncherContext& context) {
    LogRunLine(L"ZUInstaller " + PackageVersion() + L" started; command line \"" +
               context.commandLine + L"\"; launch mode " + LaunchModeName(context) +
               L"; Windows code " + DecimalText(static_cast<DWORD>(GetOsVersionCode())) +
               L", architecture " + DecimalText(GetNativeArchitecture()) + L"; UI languages " +
               UiLanguages());
}

void EndRun(LauncherContext* context, RunOutcome outcome) {
    if (outcome == RunOutcome::kFailed) {
        context->exitCode = kInstallFailedExitCode;
        TellFailure(*context);
    }
    LogRunLine(std::wstring(L"run ") + OutcomeName(outcome) + L", exit code " +
               DecimalText(static_cast<DWORD>(context->exitCode)));
    if (outcome != RunOutcome::kRestarting) {
        ReleaseProgressWindow(context);
    }
}

}  // namespace zu
