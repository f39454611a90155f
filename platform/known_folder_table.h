#pragma once

#include <windows.h>
#include <shlobj.h>

#include <cstddef>

namespace zu {

// One row of the XP fallback: a known folder and the CSIDL that names the same
// folder to SHGetFolderPathW.
struct FolderMapEntry {
    const KNOWNFOLDERID* folder;
    int csidl;
};

// The 44 known folders that have a CSIDL, in lookup order; the first row whose
// folder matches wins. Folders without a CSIDL (Downloads, Public, ...) are absent.
extern const FolderMapEntry kFolderMap[];
extern const std::size_t kFolderMapSize;

}  // namespace zu
