#pragma once

#include <string>
#include <vector>

#include "platform/durable_file.h"

// Keeps the client's data files across the replacement: they are copied from
// "<ProgramData>\Koru Corporation\ZEMI Update" into the temporary folder
// "<ProgramData>\Koru Corporation\ZEMI Update Temp" before the previous
// generation is uninstalled, and copied back after the new setup has run.
//
// Every copy is flushed to the disk and read back, and each saved file is
// listed with its size and checksum, so that nothing of the old generation is
// removed while a copy is missing, and a later run can tell a whole copy from
// one a power cut tore. A restore replaces each data file in one step, and
// only from a copy that matches its entry. Nothing below the data folder is
// read or written through a link: links, and files with more than one name,
// are skipped and logged. A missing source is nothing to keep. When
// ProgramData cannot be resolved a save has nothing to do (true) and a
// restore fails.

namespace zu {

// One saved file: its path below the temporary folder (and, but for the
// settings file, below the data folder), and what its copy holds.
struct SavedFile {
    std::wstring name;
    FileDigest digest;
};
using SavedFiles = std::vector<SavedFile>;

// Writes "DeleteZUSRFile" = "1" under the installer's scratch key's "ZUSR"
// subkey (HKLM, 64-bit view), creating the keys. Nothing on failure.
void MarkSelfRepairFile();

// Copies the data folder's "ZU.ini" into the temporary folder. It is never
// copied back: the new setup reads it there. Appends what it saved to *saved.
bool SaveSettingsFile(SavedFiles* saved);

// Copies the files of the "ZEMI Update Self Repair" folder of the data
// folder, at any depth, into the temporary folder. Appends what it saved.
bool SaveSelfRepairFolder(SavedFiles* saved);

// Copies the "*.xml" files, the patch-processing records and the display
// records into the temporary folder. Appends what it saved.
bool SaveDataFiles(SavedFiles* saved);

// Copies every saved file but the settings file back into the data folder
// (and the folders it lies in, created if missing), each replacing its
// original in one step, and only when the copy matches its entry. True when
// all of them went back.
bool RestoreSavedFiles(const SavedFiles& saved);

// The files that lie in the temporary folder, with what they hold now: the
// saved files of a run that recorded no list (an earlier launcher's). False,
// saved untouched, when the folder cannot be listed.
bool ListSavedCopies(SavedFiles* saved);

// What a run that finishes an interrupted one found of one saved file.
enum class SavedCopyState {
    kWhole,       // the copy matches its entry: it may be restored
    kSavedAgain,  // the copy did not; it was saved again from its original
    kNotNeeded,   // the copy did not, and the original stays as it is
    kNotSaved,    // the copy did not, and the original could not be saved again
    kLost,        // the copy did not, and the original is gone
};

// Checks file's copy against its entry before anything is restored. A copy
// that does not match is never restored: when the original still lies in the
// data folder it stays, and where save_again is set (the earlier generation is
// still to be removed) it is copied anew, file->digest then describing the new
// copy. Logs what it found.
SavedCopyState CheckSavedCopy(bool save_again, SavedFile* file);

// Makes the temporary folder afresh as a private folder before a run saves
// anything: whatever lay at its path goes first, without following a link.
// False when that could not be done; true when ProgramData cannot be resolved
// (there is then nothing to save).
bool PrepareTempFolder();

// True when something (a folder, file or link) lies at the temporary folder's
// path.
bool TempFolderExists();

// For a run that finishes an interrupted one: true when the temporary folder is
// the launcher's own (a folder, no link, owned by Administrators, SYSTEM or the
// launcher's account), so that the copy in it may be restored.
bool IsTempFolderTrusted();

// Deletes the temporary folder with everything in it, never following a link.
void RemoveTempFolder();

// For a run that ends before the replacement: RemoveTempFolder, then deletes
// the installer's scratch key with its subkeys (HKLM, 64-bit view).
void AbandonTempFolder();

}  // namespace zu
