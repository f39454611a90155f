#pragma once

#include <windows.h>

namespace zu {

// Uninstalls the earlier generation that the installed version file names,
// with that generation's own cached InstallShield setup and a response file
// beside the launcher, after resetting the client's "LaunchInstaller" request
// and stopping the client, its agent and the agent's service. Then removes what
// the setup left for the next restart (pending renames and RunOnce entries).
// The setup is staged in a fresh private folder and started only while it is
// held with the bytes of the cached one. Best effort and silent: without a
// version file, for a version of no known generation, without a setup cache
// that can be staged, or with a staged setup that differs from the cache,
// nothing is uninstalled; the setup's own outcome is not examined.
void UninstallPreviousGeneration();

// Removes from "PendingFileRenameOperations" every pair whose source path
// contains "ZEMI Update" and writes the rest back. True when the value was
// rewritten; false, value untouched, when the key cannot be opened for
// writing or the value is missing, of another type or malformed.
bool CleanPendingRenames();

// Deletes the RunOnce values (HKLM, in the view of access) that run the cached
// setup of generation 5 or 4, at most one per generation; values whose name or
// data does not fit 260 characters or 520 bytes are left alone. True when the
// key opened and the 32-bit Program Files folder was found, whether or not a
// value was deleted; false, nothing deleted, otherwise.
bool CleanRunOnceEntries(REGSAM access);

// CleanRunOnceEntries in the default view and, on 64-bit Windows, in the
// 64-bit view. True only when every call returned true.
bool CleanRunOnceAllViews();

}  // namespace zu
