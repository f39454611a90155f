#pragma once

#include <string>
#include <vector>

namespace zu {

// Walks and builds folder trees below a root that other accounts may write
// into (ProgramData's), so that nothing the launcher copies or writes there
// as an administrator is reached through a link: no junction, symbolic link
// or other reparse point is entered or listed, and no file with more than one
// name (a hard link someone made to another file) is listed.

// True when path is a folder and no reparse point.
bool IsPlainFolder(const std::wstring& path);

// True when path is a file, no reparse point, with one name.
bool IsPlainFile(const std::wstring& path);

// The plain files below root as paths relative to it ("a\b.dat"), at any
// depth. Links, and files with more than one name, are left out and named in
// *skipped, relative too. False, both lists untouched, when root is not a
// plain folder or a folder below it cannot be listed.
bool ListPlainFiles(const std::wstring& root,
                    std::vector<std::wstring>* files,
                    std::vector<std::wstring>* skipped);

// Creates below root each folder of relative_path up to its last backslash
// ("a\b\c.dat" makes a and a\b). True when every level then is a plain
// folder; false when root is none, or a level is a link or a file, or cannot
// be created.
bool CreatePlainFolders(const std::wstring& root, const std::wstring& relative_path);

}  // namespace zu
