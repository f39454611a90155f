#pragma once

// Keeps the client's data files across the replacement: they are copied from
// "<ProgramData>\Koru Corporation\ZEMI Update" into the temporary folder
// "<ProgramData>\Koru Corporation\ZEMI Update Temp" before the previous
// generation is uninstalled, and copied back after the new setup has run.
//
// Every operation is best effort and reports nothing: when ProgramData cannot
// be resolved it does nothing, a missing source is skipped, a failed copy is
// ignored.

namespace zu {

// Writes "DeleteZUSRFile" = "1" under the installer's scratch key's "ZUSR"
// subkey (HKLM, 64-bit view), creating the keys. Nothing on failure.
void MarkSelfRepairFile();

// Copies the data folder's "ZU.ini" into the temporary folder, creating the
// temporary folder. It is never copied back: the new setup reads it there.
void SaveSettingsFile();

// Copies the "ZEMI Update Self Repair" folder of the data folder into the
// temporary folder.
void SaveSelfRepairFolder();

// Copies the "*.xml" files and the patch-processing records into the
// temporary folder, creating it if an earlier save has not.
void SaveDataFiles();

// Copies the display records into the temporary folder, creating it if an
// earlier save has not.
void SaveDisplayFiles();

// Copies the saved "*.xml" files, patch-processing records and self-repair
// folder back into the data folder (created if missing), overwriting.
void RestoreDataFiles();

// Copies the saved display records back into the data folder (created if
// missing), overwriting.
void RestoreDisplayFiles();

// Deletes the temporary folder with everything in it.
void RemoveTempFolder();

// For a run that ends before the replacement: RemoveTempFolder, then deletes
// the installer's scratch key with its subkeys (HKLM, 64-bit view).
void AbandonTempFolder();

}  // namespace zu
