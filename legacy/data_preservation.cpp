#include "legacy/data_preservation.h"

#include <windows.h>
#include <shlobj.h>

#include <string>

#include "components/product_keys.h"
#include "legacy/data_preservation_table.h"
#include "platform/file_operations.h"
#include "platform/known_folders.h"
#include "platform/product_names.h"
#include "platform/registry_key.h"

namespace zu {
namespace {

struct DataFolders {
    std::wstring data;  // the client's data folder
    std::wstring temp;  // where its files wait during the replacement
};

bool ResolveDataFolders(DataFolders* folders) {
    std::wstring program_data;
    if (FAILED(KnownFolderResolver().GetPath(FOLDERID_ProgramData, &program_data))) {
        return false;
    }
    folders->data = program_data + kProductDataFolderTail;
    folders->temp = program_data + kTempFolderTail;
    return true;
}

std::wstring Join(const std::wstring& folder, const wchar_t* name) {
    return folder + L"\\" + name;
}

bool IsFolder(const std::wstring& path) {
    const DWORD attributes = ::GetFileAttributesW(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

bool IsFile(const std::wstring& path) {
    const DWORD attributes = ::GetFileAttributesW(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
}

// Every copy creates its destination folder first: a copy into a folder that
// no earlier step happened to create would otherwise fail, and the file would
// be lost with the uninstall.
void EnsureFolder(const std::wstring& folder) {
    CreateDirectoryPath(folder + L"\\");
}

void CopyFileInto(const std::wstring& from, const std::wstring& to, const wchar_t* name) {
    const std::wstring source = Join(from, name);
    if (!IsFile(source)) {
        return;
    }
    EnsureFolder(to);
    ::CopyFileW(source.c_str(), Join(to, name).c_str(), FALSE);
}

void CopyFilesInto(const std::wstring& from, const std::wstring& to, const FileList& files) {
    for (size_t i = 0; i < files.count; ++i) {
        CopyFileInto(from, to, files.names[i]);
    }
}

void CopyXmlFilesInto(const std::wstring& from, const std::wstring& to) {
    if (!IsFolder(from)) {
        return;
    }
    EnsureFolder(to);
    CopyMatchingFiles(from, to);
}

// The shell nests a folder copied onto an existing folder of the same name, so
// the copy names the parent: the folder then lands as to\name, merged into one
// that is already there (its files overwritten by the copied ones).
void CopyFolderInto(const std::wstring& from, const std::wstring& to, const wchar_t* name) {
    const std::wstring source = Join(from, name);
    if (!IsFolder(source)) {
        return;
    }
    EnsureFolder(to);
    ShellCopy(source, to);
}

}  // namespace

void MarkSelfRepairFile() {
    RegistryKey key;
    if (key.CreateWritable(kInstallerSelfRepairKey) == ERROR_SUCCESS) {
        key.WriteString(kDeleteSelfRepairFileValue, L"1");
    }
}

void SaveSettingsFile() {
    DataFolders folders;
    if (ResolveDataFolders(&folders)) {
        CopyFileInto(folders.data, folders.temp, kSettingsFileName);
    }
}

void SaveSelfRepairFolder() {
    DataFolders folders;
    if (ResolveDataFolders(&folders)) {
        CopyFolderInto(folders.data, folders.temp, kSelfRepairDataFolderName);
    }
}

void SaveDataFiles() {
    DataFolders folders;
    if (ResolveDataFolders(&folders)) {
        CopyXmlFilesInto(folders.data, folders.temp);
        CopyFilesInto(folders.data, folders.temp, kDataRecordFiles);
    }
}

void SaveDisplayFiles() {
    DataFolders folders;
    if (ResolveDataFolders(&folders)) {
        CopyFilesInto(folders.data, folders.temp, kDisplayRecordFiles);
    }
}

void RestoreDataFiles() {
    DataFolders folders;
    if (ResolveDataFolders(&folders)) {
        CopyXmlFilesInto(folders.temp, folders.data);
        CopyFilesInto(folders.temp, folders.data, kDataRecordFiles);
        CopyFolderInto(folders.temp, folders.data, kSelfRepairDataFolderName);
    }
}

void RestoreDisplayFiles() {
    DataFolders folders;
    if (ResolveDataFolders(&folders)) {
        CopyFilesInto(folders.temp, folders.data, kDisplayRecordFiles);
    }
}

void RemoveTempFolder() {
    DataFolders folders;
    if (ResolveDataFolders(&folders)) {
        ShellDelete(folders.temp);
    }
}

void AbandonTempFolder() {
    DataFolders folders;
    if (!ResolveDataFolders(&folders)) {
        return;
    }
    ShellDelete(folders.temp);
    RegistryKey maker;
    if (maker.Open(HKEY_LOCAL_MACHINE, kMakerKey, kRegWrite64) == ERROR_SUCCESS) {
        maker.DeleteTree(kInstallerScratchKeyName);
    }
}

}  // namespace zu
