#pragma once

#include <string>

// The client's shortcuts in the all-users Start menu and on the public
// desktop: found and removed before the previous generation goes, and the
// desktop one put back from the new generation's shortcut afterwards.
//
// Every operation is best effort and silent: a folder that cannot be resolved
// skips what needs it, a shortcut that cannot be read or deleted stays.

namespace zu {

// The client's shortcut on the public desktop, looked for on Windows 8 and
// later only. True, with its path in path, when that file exists; false, path
// untouched, on earlier Windows, when the desktop cannot be resolved or when
// there is no such file.
bool FindPublicDesktopShortcut(std::wstring* path);

// The client's shortcut at the top of the all-users Programs folder. True,
// with its path in path, when that file exists; false, path untouched,
// otherwise.
bool FindProgramsShortcut(std::wstring* path);

// Deletes every shortcut at the top of the all-users Programs folder and of
// the all-users Start menu that starts the client executable, whatever the
// shortcut is called; subfolders are not searched. A folder is skipped when it
// cannot be resolved or when COM or the shell's link object is unavailable.
void RemoveShortcutsToClient();

// Deletes the client shortcuts of earlier generations by name, and their
// Start-menu program groups with everything in them. False, deleting nothing,
// when the all-users Programs folder or Start menu cannot be resolved.
bool RemoveLegacyShortcuts();

// Copies the client shortcut that the new setup created in the all-users
// Programs folder to the public desktop, replacing a file of that name in one
// step (a flushed copy beside it moved over it), never through a link.
// Nothing happens when there is no such shortcut or a folder cannot be
// resolved.
void RestorePublicDesktopShortcut();

}  // namespace zu
