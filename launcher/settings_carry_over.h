#pragma once

#include <windows.h>

#include <string>

// Settings of the client that must survive the uninstall of its product keys
// are parked in the installer's scratch key and copied back after the new
// setup; the scratch key goes at the end of the run. Every operation is best
// effort: a key that does not open or a failed write is skipped silently.

namespace zu {

// The client's task-manager settings, in transit.
struct TaskManagerSettings {
    std::wstring task;     // "Task"
    DWORD selfUpdate = 0;  // "SelfUpdate"
    DWORD updateType = 0;  // "UpdateType"
};

// Reads the settings of key_path (HKLM, 64-bit view) over *settings. When the
// key opens, both numbers are set (0 for a missing value) and the task text
// only when "Task" is a string. False, *settings untouched, when it does not.
bool ReadTaskManagerSettings(const wchar_t* key_path, TaskManagerSettings* settings);

// Writes the three values to key_path (HKLM, 64-bit view), creating the key.
// Nothing on failure.
void WriteTaskManagerSettings(const wchar_t* key_path, const TaskManagerSettings& settings);

// Before the uninstall: parks the task-manager settings of generation 5,
// overridden by those of the current client, in the scratch key; with neither
// present the stash holds an empty text and zeros.
void StashTaskManagerSettings();

// After the new setup: writes the parked settings to the current client's
// "TaskManager" key. Nothing when the stash cannot be read, so that a failed
// stash does not wipe what the new setup wrote.
void RestoreTaskManagerSettings();

// Leaves "LauncherUninstall" = "1" in the scratch key for the uninstall.
// Nothing on failure.
void MarkLauncherUninstall();

// Deletes an earlier generation's entry under the Windows uninstall key, in
// the default view. Nothing when it is missing.
void RemoveLegacyUninstallEntry();

}  // namespace zu
