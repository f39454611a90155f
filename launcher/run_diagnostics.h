#pragma once

#include "launcher/install_sequence.h"
#include "platform/launcher_context.h"

namespace zu {

// Logs how the run starts: version, command line, launch mode, Windows, UI
// language. Never fails the run.
void LogRunStart(const LauncherContext& context);

// Ends the run by its outcome: a failure sets exit code 2 and, in the launch
// modes that show boxes, tells the user; the outcome is logged; the progress
// window is released unless a restart was requested.
void EndRun(LauncherContext* context, RunOutcome outcome);

}  // namespace zu
