#pragma once

#include <string>

#include "platform/scoped_handle.h"

namespace zu {

// The launcher's working folders under ProgramData, where standard users may
// create folders and own what they create. A private folder is made by the
// launcher itself with an explicit protected DACL, so that nothing a user
// planted at its path, and no permission inherited from ProgramData, lets
// another account change what the launcher puts there.

// The DACL of every private folder as SDDL: SYSTEM and Administrators full
// control, Users read and execute, inherited by everything inside, nothing
// inherited from the parent.
extern const wchar_t kPrivateFolderSddl[];

// The self-relative security descriptor built from kPrivateFolderSddl. False,
// descriptor untouched, when it cannot be built.
bool BuildPrivateFolderDescriptor(UniqueLocalMemory* descriptor);

// Makes folder anew: whatever is at that path (a folder with content, a file,
// a junction or symbolic link) is removed first without following any link,
// then the folder is created with the private descriptor. The parent must
// exist. False when what was there could not be removed or the folder could
// not be created; the caller must then not use the path.
bool CreatePrivateFolder(const std::wstring& folder);

// True when folder is a directory and no reparse point, and its owner is
// Administrators, SYSTEM or the account the launcher runs as: a folder no
// other user made. False on any failure.
bool IsAdminOwnedFolder(const std::wstring& folder);

// For the folders above the private ones (the maker's folder in ProgramData):
// true when folder is owned by Administrators, SYSTEM or the launcher's
// account and gives Everyone, Authenticated Users, Interactive and Users no
// more than ProgramData does (reading, creating files and folders): no
// deleting, renaming, writing attributes, or changing permissions or owner.
// False otherwise and on any failure.
bool IsGuardedFolder(const std::wstring& folder);

}  // namespace zu
