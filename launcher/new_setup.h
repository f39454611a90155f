#pragma once

#include <windows.h>

namespace zu {

// True when the new generation's setup (relative_path beside the launcher,
// e.g. "Installer\setup.exe") is there as a file. False also when the
// launcher's own path cannot be read.
bool NewSetupExists(const wchar_t* relative_path);

// Runs the new generation's setup with " /s", in its own folder, and waits for
// it without limit. True, with its exit code in *exit_code, when it ran; false,
// *exit_code untouched, when it could not be started (or the launcher's own
// path cannot be read, so that no setup from another folder ever runs).
bool RunNewSetup(const wchar_t* relative_path, DWORD* exit_code);

}  // namespace zu
