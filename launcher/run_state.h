#pragma once

#include <windows.h>

#include <string>

#include "legacy/data_preservation.h"

// What a later run needs to finish a replacement that stopped half-way: kept in
// the installer's scratch key ("RunState" below it, HKLM, 64-bit view) from the
// moment the user's data is saved and verified until the final clean-up after
// everything was restored. While it is there, the temporary folder holds the
// only sure copy of the user's data.

namespace zu {

struct RunState {
    // The earlier licence agreement, as read before the uninstall.
    bool eulaKeyFound = false;
    DWORD eulaAgreed = 0;
    bool eulaFileFound = false;
    // The client's public desktop shortcut was there and goes with the uninstall.
    bool shortcutRemoved = false;
    // The task-manager settings wait in the scratch key.
    bool taskSettingsStashed = false;
    // Every saved file with what its copy holds ("Files" below the record,
    // one REG_BINARY value per file: its size and checksum, 8 bytes each).
    SavedFiles files;
    // False for a record of an earlier launcher, which listed no files.
    bool filesListed = false;
    // The new setup ran to its end and the new generation was found installed
    // ("SetupDone"): a setup cut short may have left its version file without
    // the rest, so only this lets a later run skip the setup.
    bool setupDone = false;
};

// True, with *state filled, when an earlier run recorded its state completely
// (its marker "DataSaved" = 1 is written last). False, *state untouched, when
// there is none or it is incomplete: the data folder was then never touched.
bool ReadRunState(RunState* state);

// Records state, flushed to the disk, and then the marker, flushed too. The
// saved copies must be on the disk before: the marker says the data folder
// may now go. False when any value could not be written or flushed (the
// marker is then not written either).
bool RecordRunState(const RunState& state);

// Records, flushed, that the new setup ran to its end and installed the new
// generation. False when it could not be written: a later run then runs the
// setup again.
bool RecordSetupDone();

// Updates the entry of one saved file (after it was saved again), flushed.
// False when it could not be written.
bool RecordSavedFile(const SavedFile& file);

// Deletes the entry of a saved file that is no longer needed, flushed.
// Nothing when there is none.
void ForgetSavedFile(const std::wstring& name);

// Flushes the product's key (licence, task-manager settings, region) and
// deletes the installer's scratch key with the record, flushed in turn: a run
// that ends must have its results on the disk before the record that would
// make the next run repeat them goes. Best effort.
void RemoveRunState();

}  // namespace zu
