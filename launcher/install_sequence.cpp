#include "launcher/install_sequence.h"

#include "launcher/launch_mode.h"
#include "ui/progress_window.h"

namespace zu {

DWORD WINAPI InstallWorkerProc(void* parameter) {
    auto* context = static_cast<LauncherContext*>(parameter);
    if (context == nullptr) {
        return 0;
    }
    try {
        RunInstallSequence(context);
    } catch (...) {
        // Out of memory inside a step: end the run rather than leave the
        // window up with nobody to close it.
        ReleaseProgressWindow(context);
    }
    return 0;
}

void RunInstallSequence(LauncherContext* context) {
    // The client's one-shot requests are consumed once the run goes ahead.
    ClearLaunchRequests();

    ::ShowWindow(context->mainWindow, SW_HIDE);
    ReleaseProgressWindow(context);
}

}  // namespace zu
