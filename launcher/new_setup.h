#pragma once

#include <windows.h>

#include "platform/scoped_handle.h"

namespace zu {

// The package's own programs that the launcher starts, each held from its
// check until the run ends (platform/held_file): nobody can write, rename or
// delete them in between, so what was checked is what runs.
struct PackagePrograms {
    UniqueFileHandle setup;               // "Installer\setup.exe"
    UniqueFileHandle registrationHelper;  // "ZULauncherFor64OS.exe", 64-bit Windows only
};

// True when the new generation's setup (relative_path beside the launcher,
// e.g. "Installer\setup.exe") is there as a file. False also when the
// launcher's own path cannot be read.
bool NewSetupExists(const wchar_t* relative_path);

// Holds the new setup (relative_path beside the launcher) and, on 64-bit
// Windows, the registration helper, and checks that the maker signed each
// (platform/file_trust). True with both held; false, logging the one that is
// missing or not trusted, otherwise (what was held stays held).
bool HoldPackagePrograms(const wchar_t* relative_path, PackagePrograms* programs);

// Runs the new generation's setup with " /s", in its own folder, and waits for
// it without limit. True, with its exit code in *exit_code, when it ran; false,
// *exit_code untouched, when it could not be started (or the launcher's own
// path cannot be read, so that no setup from another folder ever runs).
bool RunNewSetup(const wchar_t* relative_path, DWORD* exit_code);

}  // namespace zu
