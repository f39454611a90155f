#pragma once

// Keeps the client's data files across the replacement: they are copied from
// "<ProgramData>\Koru Corporation\ZEMI Update" into the temporary folder
// "<ProgramData>\Koru Corporation\ZEMI Update Temp" before the previous
// generation is uninstalled, and copied back after the new setup has run.
//
// Every copy is read back: a save reports whether everything there was to keep
// now lies in the temporary folder byte for byte, and a restore whether it all
// went back, so that nothing of the old generation is removed, and no saved copy
// deleted, while a copy is missing. A missing source is nothing to keep. When
// ProgramData cannot be resolved a save has nothing to do (true) and a restore
// fails.

namespace zu {

// Writes "DeleteZUSRFile" = "1" under the installer's scratch key's "ZUSR"
// subkey (HKLM, 64-bit view), creating the keys. Nothing on failure.
void MarkSelfRepairFile();

// Copies the data folder's "ZU.ini" into the temporary folder, creating the
// temporary folder. It is never copied back: the new setup reads it there.
bool SaveSettingsFile();

// Copies the "ZEMI Update Self Repair" folder of the data folder into the
// temporary folder.
bool SaveSelfRepairFolder();

// Copies the "*.xml" files and the patch-processing records into the
// temporary folder, creating it if an earlier save has not.
bool SaveDataFiles();

// Copies the display records into the temporary folder, creating it if an
// earlier save has not.
bool SaveDisplayFiles();

// Copies the saved "*.xml" files, patch-processing records and self-repair
// folder back into the data folder (created if missing), overwriting.
bool RestoreDataFiles();

// Copies the saved display records back into the data folder (created if
// missing), overwriting.
bool RestoreDisplayFiles();

// Makes the temporary folder afresh as a private folder before a run saves
// anything: whatever lay at its path goes first, without following a link.
// False when that could not be done; true when ProgramData cannot be resolved
// (there is then nothing to save).
bool PrepareTempFolder();

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
