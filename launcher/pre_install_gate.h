#pragma once

#include "platform/launcher_context.h"

namespace zu {

// Decides, before anything on the machine changes, whether this run may go on:
// no newer client installed, Windows XP SP2 or later, Windows Update neither
// installing nor due within two minutes, the client idle in an automatic run,
// and a sales region known or chosen (and then staged for the install).
// The first four refusals explain themselves in a warning box unless the launch
// mode asks for quiet. A resuming run (one that finishes an interrupted one)
// keeps the region it staged then. On false the caller ends the run; the
// window is the caller's to release.
bool PassPreInstallGate(LauncherContext* context, bool resuming);

}  // namespace zu
