#include "launcher/startup.h"

#include "launcher/install_sequence.h"
#include "launcher/launch_mode.h"
#include "launcher/single_instance.h"
#include "ui/progress_window.h"
#include "ui/region_window.h"

namespace zu {

LauncherContext& TheLauncherContext() {
    static LauncherContext context;
    return context;
}

bool StartLauncher(LauncherContext* context,
                   const wchar_t* command_line,
                   HINSTANCE instance,
                   int show_command) {
    context->commandLine = command_line != nullptr ? command_line : L"";
    context->chooseCountry = RunRegionDialog;
    ParseCommandLine(context);
    ReadLaunchMode(context);
    if (!RegisterProgressWindowClass(instance) ||
        !CreateProgressWindow(context, instance, show_command)) {
        return false;
    }
    context->workerThread = ::CreateThread(nullptr, 0, InstallWorkerProc, context, 0, nullptr);
    return context->workerThread != nullptr;
}

int RunLauncher(HINSTANCE instance, const wchar_t* command_line, int show_command) {
    if (!AcquireSingleInstance()) {
        return kAlreadyRunningExitCode;
    }
    // Without a window or a worker nothing would ever end the message loop.
    if (!StartLauncher(&TheLauncherContext(), command_line, instance, show_command)) {
        return kStartupFailedExitCode;
    }
    // The window's end posts the quit message; the run's outcome is the worker's.
    MSG message = {};
    while (::GetMessageW(&message, nullptr, 0, 0) > 0) {
        ::TranslateMessage(&message);
        ::DispatchMessageW(&message);
    }
    return TheLauncherContext().exitCode;
}

}  // namespace zu
