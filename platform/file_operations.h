#pragma once

#include <windows.h>

#include <string>
#include <vector>

namespace zu {

// file_name in the launcher's own folder ("setup.inx" -> "<folder>\setup.inx").
// False, path untouched, when the launcher's module path cannot be read.
bool PathBesideLauncher(const wchar_t* file_name, std::wstring* path);

// True when a file or folder exists at path (its attributes can be read).
// False for an empty path and on any failure.
bool PathExists(const std::wstring& path);

// Silent shell copy of a file or folder (no dialogs of any kind). True when the
// shell reports success.
bool ShellCopy(const std::wstring& source, const std::wstring& destination);

// Creates every level of a drive-letter path up to its last backslash ("C:\a\b\"
// creates a and b; "C:\a\b" only a). False for a UNC or relative path, or when a
// level cannot be created because its parent is missing.
bool CreateDirectoryPath(const std::wstring& path);

// Deletes the folder with everything below it, best effort: what cannot be
// deleted stays. Each folder is held open without delete sharing while its
// entries are deleted, and each entry is checked through its own handle, so a
// junction or symbolic link (as the folder, inside it, or swapped in meanwhile)
// is never entered: the link itself is removed or left, its target untouched.
// A file or link at folder itself is removed the same way. Always true.
bool DeleteFolderTree(const std::wstring& folder);

// Renames the file that file holds (opened with DELETE access) to target,
// replacing what is there, through the handle: a rename by path could be led
// elsewhere meanwhile. False on failure.
bool RenameHeldFile(HANDLE file, const std::wstring& target);

// Deletes the "*.xml" files of folder (not below it). Always true.
bool DeleteMatchingFiles(const std::wstring& folder);

// The names of the "*.xml" files of folder (not of folders so named, nothing
// below it), in any letter case. False, names untouched, when the folder
// cannot be listed; true with no names when nothing matches.
bool ListMatchingFiles(const std::wstring& folder, std::vector<std::wstring>* names);

}  // namespace zu
