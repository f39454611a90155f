#pragma once

#include <windows.h>

#include "platform/launcher_context.h"

namespace zu {

// How a run ended; the worker turns it into the exit code, the failure box and
// the release of the progress window.
enum class RunOutcome {
    kCompleted,   // the new generation is installed and the data is back
    kRefused,     // the gate or the guard stopped the run; nothing was changed
    kFailed,      // the new generation could not be installed, or the data not restored
    kRestarting,  // a restart was requested: the system's shutdown ends the process
};

// The worker thread's procedure; parameter is the LauncherContext. Runs the
// install sequence when the parameter is not null, logs the run, sets the exit
// code and releases the progress window unless a restart follows. Always
// returns 0.
DWORD WINAPI InstallWorkerProc(void* parameter);

// Runs the install steps in their fixed order, or finishes a run that an
// interruption left half-way, and says how it ended. It never releases the
// window itself.
RunOutcome RunInstallSequence(LauncherContext* context);

}  // namespace zu
