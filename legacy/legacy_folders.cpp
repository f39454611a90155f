#include "legacy/legacy_folders.h"

#include <windows.h>
#include <shlobj.h>

#include <string>

#include "legacy/legacy_folders_table.h"
#include "platform/file_operations.h"
#include "platform/known_folders.h"
#include "platform/product_names.h"

namespace zu {
namespace {

void DeleteNativeProgramFolder(const wchar_t* tail) {
    std::wstring folder;
    if (GetNativeProgramFilesPath(tail, &folder)) {
        DeleteFolderTree(folder);
    }
}

void DeleteProgramFiles32Folders() {
    std::wstring program_files;
    if (FAILED(KnownFolderResolver().GetPath(FOLDERID_ProgramFiles, &program_files)) ||
        program_files.empty()) {
        return;
    }
    for (const wchar_t* tail : kLegacyProgramFiles32FolderTails) {
        DeleteFolderTree(program_files + tail);
    }
}

bool IsLink(const std::wstring& path) {
    const DWORD attributes = ::GetFileAttributesW(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_REPARSE_POINT);
}

// True when a folder on the way from base down to base + tail, that one
// included, is a junction or symbolic link.
bool PassesThroughLink(const std::wstring& base, const std::wstring& tail) {
    for (std::size_t end = tail.find(L'\\', 1);; end = tail.find(L'\\', end + 1)) {
        if (IsLink(base + tail.substr(0, end))) {
            return true;
        }
        if (end == std::wstring::npos) {
            return false;
        }
    }
}

// Users may create folders below ProgramData, so the data folder, or a folder
// on the way to it, may be a link planted by someone who cannot delete what it
// points to; this process can. Such a data folder is left alone, and the
// subfolders are deleted without following links (a shell delete would go
// through one and empty its target).
void RemoveLegacyDataFiles() {
    std::wstring program_data;
    if (FAILED(KnownFolderResolver().GetPath(FOLDERID_ProgramData, &program_data)) ||
        program_data.empty() || PassesThroughLink(program_data, kProductDataFolderTail)) {
        return;
    }
    const std::wstring data = program_data + kProductDataFolderTail;
    for (const wchar_t* name : kLegacyDataFileNames) {
        ::DeleteFileW((data + name).c_str());
    }
    DeleteMatchingFiles(data);
    for (const wchar_t* name : kLegacyDataFolderNames) {
        DeleteFolderTree(data + name);
    }
}

}  // namespace

void RemoveLegacyProgramFolders() {
    DeleteNativeProgramFolder(kProductFolderTail);
    RemoveLegacyDataFiles();
    for (const wchar_t* tail : kLegacyNativeProgramFolderTails) {
        DeleteNativeProgramFolder(tail);
    }
    DeleteProgramFiles32Folders();
}

}  // namespace zu
