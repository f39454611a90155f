#include "legacy/data_preservation.h"

#include <windows.h>
#include <shlobj.h>

#include <string>
#include <vector>

#include "components/product_keys.h"
#include "legacy/data_preservation_table.h"
#include "platform/file_compare.h"
#include "platform/file_operations.h"
#include "platform/known_folders.h"
#include "platform/private_folder.h"
#include "platform/product_names.h"
#include "platform/registry_key.h"
#include "platform/scoped_handle.h"

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

// Copies name from one folder into the other and reads the copy back. True
// when there is nothing to copy or the copy holds the same bytes.
bool CopyFileInto(const std::wstring& from, const std::wstring& to, const wchar_t* name) {
    const std::wstring source = Join(from, name);
    if (!IsFile(source)) {
        return true;
    }
    EnsureFolder(to);
    const std::wstring target = Join(to, name);
    return ::CopyFileW(source.c_str(), target.c_str(), FALSE) &&
           FilesHaveSameContent(source, target);
}

bool CopyFilesInto(const std::wstring& from, const std::wstring& to, const FileList& files) {
    bool all_copied = true;
    for (size_t i = 0; i < files.count; ++i) {
        all_copied = CopyFileInto(from, to, files.names[i]) && all_copied;
    }
    return all_copied;
}

// Every "*.xml" file directly in from (not the folders of that name).
bool CopyXmlFilesInto(const std::wstring& from, const std::wstring& to) {
    if (!IsFolder(from)) {
        return true;
    }
    std::vector<std::wstring> names;
    if (!ListMatchingFiles(from, &names)) {
        return false;
    }
    bool all_copied = true;
    for (const std::wstring& name : names) {
        all_copied = CopyFileInto(from, to, name.c_str()) && all_copied;
    }
    return all_copied;
}

// The shell nests a folder copied onto an existing folder of the same name, so
// the copy names the parent: the folder then lands as to\name, merged into one
// that is already there (its files overwritten by the copied ones).
bool CopyFolderInto(const std::wstring& from, const std::wstring& to, const wchar_t* name) {
    const std::wstring source = Join(from, name);
    if (!IsFolder(source)) {
        return true;
    }
    EnsureFolder(to);
    return ShellCopy(source, to) && IsTreeCopied(source, Join(to, name));
}

}  // namespace

void MarkSelfRepairFile() {
    RegistryKey key;
    if (key.CreateWritable(kInstallerSelfRepairKey) == ERROR_SUCCESS) {
        key.WriteString(kDeleteSelfRepairFileValue, L"1");
    }
}

bool SaveSettingsFile() {
    DataFolders folders;
    return !ResolveDataFolders(&folders) ||
           CopyFileInto(folders.data, folders.temp, kSettingsFileName);
}

bool SaveSelfRepairFolder() {
    DataFolders folders;
    return !ResolveDataFolders(&folders) ||
           CopyFolderInto(folders.data, folders.temp, kSelfRepairDataFolderName);
}

bool SaveDataFiles() {
    DataFolders folders;
    if (!ResolveDataFolders(&folders)) {
        return true;
    }
    const bool xml_copied = CopyXmlFilesInto(folders.data, folders.temp);
    return CopyFilesInto(folders.data, folders.temp, kDataRecordFiles) && xml_copied;
}

bool SaveDisplayFiles() {
    DataFolders folders;
    return !ResolveDataFolders(&folders) ||
           CopyFilesInto(folders.data, folders.temp, kDisplayRecordFiles);
}

bool RestoreDataFiles() {
    DataFolders folders;
    if (!ResolveDataFolders(&folders)) {
        return false;
    }
    const bool xml_copied = CopyXmlFilesInto(folders.temp, folders.data);
    const bool records_copied = CopyFilesInto(folders.temp, folders.data, kDataRecordFiles);
    return CopyFolderInto(folders.temp, folders.data, kSelfRepairDataFolderName) && xml_copied &&
           records_copied;
}

bool RestoreDisplayFiles() {
    DataFolders folders;
    return ResolveDataFolders(&folders) &&
           CopyFilesInto(folders.temp, folders.data, kDisplayRecordFiles);
}

bool PrepareTempFolder() {
    DataFolders folders;
    if (!ResolveDataFolders(&folders)) {
        return true;
    }
    const std::wstring parent = folders.temp.substr(0, folders.temp.rfind(L'\\') + 1);
    return CreateDirectoryPath(parent) && CreatePrivateFolder(folders.temp);
}

bool IsTempFolderTrusted() {
    DataFolders folders;
    return ResolveDataFolders(&folders) && IsAdminOwnedFolder(folders.temp);
}

void RemoveTempFolder() {
    DataFolders folders;
    if (ResolveDataFolders(&folders)) {
        DeleteFolderTree(folders.temp);
    }
}

void AbandonTempFolder() {
    DataFolders folders;
    if (!ResolveDataFolders(&folders)) {
        return;
    }
    DeleteFolderTree(folders.temp);
    RegistryKey maker;
    if (maker.Open(HKEY_LOCAL_MACHINE, kMakerKey, kRegWrite64) == ERROR_SUCCESS) {
        maker.DeleteTree(kInstallerScratchKeyName);
    }
}

}  // namespace zu
