#pragma once

#include <windows.h>

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
};

// True, with *state filled, when an earlier run recorded its state completely
// (its marker "DataSaved" = 1 is written last). False, *state untouched, when
// there is none or it is incomplete: the data folder was then never touched.
bool ReadRunState(RunState* state);

// Records state and then the marker. False when any value could not be
// written (the marker is then not written either).
bool RecordRunState(const RunState& state);

}  // namespace zu
