#pragma once

#include <windows.h>

namespace zu {

// How many automatic installer runs in a row found the client's agent or the
// care application busy: "InstallerTaskCount" (REG_DWORD) in the key
// HKEY_LOCAL_MACHINE "Software\Koru Corporation\ZEMI Update Temp", 64-bit view.
// It outlives refused runs; a run that gets past the busy check, or gives up,
// deletes the key.

// True when the counter's key exists. count is set only from a REG_DWORD
// value; it stays untouched otherwise, and on false.
bool ReadInstallerTaskCount(DWORD* count);

// Adds one to the stored count (a missing or unreadable value counts as 0),
// creating the key when it is missing, and hands out the new count. False,
// count untouched, when the count could not be written.
bool IncrementInstallerTaskCount(DWORD* count);

// Deletes the counter's key (it holds no subkeys). Returns the Win32 status of
// opening its parent key when that fails, else of the deletion (2 when there
// was no counter).
LONG ResetInstallerTaskCount();

}  // namespace zu
