#pragma once

#include <string>

#include "platform/launcher_context.h"

namespace zu {

// The last step of the install sequence, reached with the progress window
// hidden: tells the user (by launch mode) whether the machine must restart,
// hands over to the self-repair tool in the self-repair launch mode, starts the
// new client with the switch of the launch mode and may request a restart.
// restart_pending is IsRestartPending as read before the scratch key went.
// True when an attended ordinary run's restart was requested successfully:
// the window must then stay, the system's shutdown ends the process. Failures
// (missing client or tool, no restart privilege) are not reported.
bool FinishInstallation(LauncherContext* context, bool restart_pending);

// True when the machine must restart: "Reboot" is 1 in the installer's scratch
// key, or a pending file rename names the product. False when neither can be
// read.
bool IsRestartPending();

// True when an entry of the system's pending file renames contains
// product_name, compared in upper case (ASCII letters only). False when the
// value is missing, of another type, empty or malformed.
bool HasPendingRenameForProduct(const std::wstring& product_name);

// Starts executable_name from the product folder under the native Program
// Files folder, shown, with parameters (empty for none), without waiting. Does
// nothing when the folder cannot be resolved; a failed start is ignored.
void StartClient(const std::wstring& parameters, const std::wstring& executable_name);

// Enables the shutdown privilege and asks the system for a forced restart.
// True when the request was accepted; false when the privilege is not held or
// the request failed.
bool RestartComputer();

}  // namespace zu
