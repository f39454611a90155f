#pragma once

#include <string>

namespace zu {

// file_name in the launcher's own folder ("setup.inx" -> "<folder>\setup.inx").
// False, path untouched, when the launcher's module path cannot be read.
bool PathBesideLauncher(const wchar_t* file_name, std::wstring* path);

// Silent shell copy of a file or folder (no dialogs of any kind). True when the
// shell reports success.
bool ShellCopy(const std::wstring& source, const std::wstring& destination);

// Silent, permanent shell delete. False for a path that does not exist.
bool ShellDelete(const std::wstring& path);

// Creates every level of a drive-letter path up to its last backslash ("C:\a\b\"
// creates a and b; "C:\a\b" only a). False for a UNC or relative path, or when a
// level cannot be created because its parent is missing.
bool CreateDirectoryPath(const std::wstring& path);

// Deletes the folder with everything below it, best effort. Never follows a
// junction or symbolic link inside it: the link itself is removed, its target
// is left alone. Always true.
bool DeleteFolderTree(const std::wstring& folder);

// Deletes the "*.xml" files of folder (not below it). Always true.
bool DeleteMatchingFiles(const std::wstring& folder);

// Copies the "*.xml" files of source into the existing folder destination,
// overwriting. Always true.
bool CopyMatchingFiles(const std::wstring& source, const std::wstring& destination);

}  // namespace zu
