#pragma once

#include "platform/launcher_context.h"

namespace zu {

// The busy check of the automatic installer run: true when the installation
// may go on. Only a run started as the client's automatic installer task
// (zeuInstallSilent) asks the care application and the client's agent; every
// other run, and an automatic run that finds both idle, deletes the installer
// task counter and gives true. When something is busy the counter goes up and
// the install log says what was busy, with the new count, and the answer is
// false; after 30 such runs in a row the run gives up for good instead: it
// removes the client's "Installer Task", deletes the counter and logs that the
// automatic update failed. Registry and task failures only change what is
// counted and logged.
bool CheckApplicationsIdle(const LauncherContext& context);

}  // namespace zu
