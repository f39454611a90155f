#include "legacy/data_preservation.h"

#include <windows.h>
#include <shlobj.h>

#include <string>
#include <vector>

#include "components/product_keys.h"
#include "legacy/data_preservation_table.h"
#include "platform/file_operations.h"
#include "platform/known_folders.h"
#include "platform/plain_tree.h"
#include "platform/private_folder.h"
#include "platform/product_names.h"
#include "platform/registry_key.h"
#include "platform/run_log.h"

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

std::wstring Join(const std::wstring& folder, const std::wstring& name) {
    return folder + L"\\" + name;
}

// Copies name (a path below the data folder) into the temporary folder and
// lists it. True when there is nothing to copy, when what lies there is a link
// or a file with another name too (skipped and logged), or when the copy on
// the disk is whole.
bool SaveFile(const DataFolders& folders, const std::wstring& name, SavedFiles* saved) {
    const std::wstring source = Join(folders.data, name);
    if (!PathExists(source)) {
        return true;
    }
    if (!IsPlainFile(source)) {
        LogRunLine(L"not saved, a link or a file with more than one name: " + name);
        return true;
    }
    FileDigest digest;
    if (!CreatePlainFolders(folders.temp, name) ||
        !CopyFileDurably(source, Join(folders.temp, name), &digest)) {
        LogRunLine(L"could not save " + name);
        return false;
    }
    saved->push_back({name, digest});
    return true;
}

bool SaveFiles(const DataFolders& folders,
               const std::vector<std::wstring>& names,
               SavedFiles* saved) {
    bool all_saved = true;
    for (const std::wstring& name : names) {
        all_saved = SaveFile(folders, name, saved) && all_saved;
    }
    return all_saved;
}

void AppendListed(const FileList& files, std::vector<std::wstring>* names) {
    for (size_t i = 0; i < files.count; ++i) {
        names->push_back(files.names[i]);
    }
}

// The "*.xml" files directly in the data folder and the records beside them.
bool ListDataFiles(const DataFolders& folders, std::vector<std::wstring>* names) {
    if (IsPlainFolder(folders.data) && !ListMatchingFiles(folders.data, names)) {
        return false;
    }
    AppendListed(kDataRecordFiles, names);
    AppendListed(kDisplayRecordFiles, names);
    return true;
}

// The data folder is made again first: the uninstall may have taken it.
bool RestoreFile(const DataFolders& folders, const SavedFile& file) {
    CreateDirectoryPath(folders.data + L"\\");
    const bool restored = CreatePlainFolders(folders.data, file.name) &&
                          ReplaceFileDurably(Join(folders.temp, file.name),
                                             Join(folders.data, file.name), &file.digest);
    if (!restored) {
        LogRunLine(L"could not restore " + file.name);
    }
    return restored;
}

}  // namespace

void MarkSelfRepairFile() {
    RegistryKey key;
    if (key.CreateWritable(kInstallerSelfRepairKey) == ERROR_SUCCESS) {
        key.WriteString(kDeleteSelfRepairFileValue, L"1");
    }
}

bool SaveSettingsFile(SavedFiles* saved) {
    DataFolders folders;
    return !ResolveDataFolders(&folders) || SaveFile(folders, kSettingsFileName, saved);
}

bool SaveSelfRepairFolder(SavedFiles* saved) {
    DataFolders folders;
    if (!ResolveDataFolders(&folders)) {
        return true;
    }
    const std::wstring folder = Join(folders.data, kSelfRepairDataFolderName);
    if (!PathExists(folder)) {
        return true;
    }
    std::vector<std::wstring> files;
    std::vector<std::wstring> skipped;
    if (!IsPlainFolder(folder)) {
        LogRunLine(std::wstring(L"not saved, a link: ") + kSelfRepairDataFolderName);
        return true;
    }
    if (!ListPlainFiles(folder, &files, &skipped)) {
        return false;
    }
    for (const std::wstring& name : skipped) {
        LogRunLine(L"not saved, a link or a file with more than one name: " + name);
    }
    for (std::wstring& name : files) {
        name = Join(kSelfRepairDataFolderName, name);
    }
    return SaveFiles(folders, files, saved);
}

bool SaveDataFiles(SavedFiles* saved) {
    DataFolders folders;
    if (!ResolveDataFolders(&folders)) {
        return true;
    }
    std::vector<std::wstring> names;
    return ListDataFiles(folders, &names) && SaveFiles(folders, names, saved);
}

bool RestoreSavedFiles(const SavedFiles& saved) {
    DataFolders folders;
    if (!ResolveDataFolders(&folders)) {
        return false;
    }
    bool all_restored = true;
    for (const SavedFile& file : saved) {
        if (_wcsicmp(file.name.c_str(), kSettingsFileName) != 0) {
            all_restored = RestoreFile(folders, file) && all_restored;
        }
    }
    return all_restored;
}

bool ListSavedCopies(SavedFiles* saved) {
    DataFolders folders;
    std::vector<std::wstring> names;
    std::vector<std::wstring> skipped;
    if (!ResolveDataFolders(&folders) || !ListPlainFiles(folders.temp, &names, &skipped)) {
        return false;
    }
    SavedFiles listed;
    for (const std::wstring& name : names) {
        SavedFile file = {name, {}};
        if (ReadFileDigest(Join(folders.temp, name), &file.digest)) {
            listed.push_back(file);
        }
    }
    *saved = std::move(listed);
    return true;
}

SavedCopyState CheckSavedCopy(bool save_again, SavedFile* file) {
    DataFolders folders;
    if (!ResolveDataFolders(&folders)) {
        return SavedCopyState::kLost;
    }
    // The settings file serves only the new setup, which has run when nothing
    // is to be saved again.
    if (!save_again && _wcsicmp(file->name.c_str(), kSettingsFileName) == 0) {
        return SavedCopyState::kNotNeeded;
    }
    FileDigest copy;
    if (ReadFileDigest(Join(folders.temp, file->name), &copy) && copy == file->digest) {
        return SavedCopyState::kWhole;
    }
    const std::wstring original = Join(folders.data, file->name);
    FileDigest held;
    if (!ReadFileDigest(original, &held)) {
        LogRunLine(L"saved copy does not match its record, and the original is gone: " +
                   file->name);
        return SavedCopyState::kLost;
    }
    if (!save_again) {
        LogRunLine(L"saved copy does not match its record; the original stays: " + file->name);
        return SavedCopyState::kNotNeeded;
    }
    if (!CreatePlainFolders(folders.temp, file->name) ||
        !CopyFileDurably(original, Join(folders.temp, file->name), &copy)) {
        LogRunLine(L"saved copy does not match its record and could not be made again: " +
                   file->name);
        return SavedCopyState::kNotSaved;
    }
    LogRunLine(L"saved copy does not match its record; saved again from the original: " +
               file->name);
    file->digest = copy;
    return SavedCopyState::kSavedAgain;
}

bool PrepareTempFolder() {
    DataFolders folders;
    if (!ResolveDataFolders(&folders)) {
        return true;
    }
    const std::wstring parent = folders.temp.substr(0, folders.temp.rfind(L'\\') + 1);
    if (!CreateDirectoryPath(parent)) {
        return false;
    }
    // A parent that standard users can change could let them move the private
    // folder aside: worth knowing when a run goes wrong.
    if (!IsGuardedFolder(parent.substr(0, parent.size() - 1))) {
        LogRunLine(
            L"the maker's folder is not an administrator's, or standard users may change it: " +
            parent);
    }
    return CreatePrivateFolder(folders.temp);
}

bool TempFolderExists() {
    DataFolders folders;
    return ResolveDataFolders(&folders) && PathExists(folders.temp);
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
