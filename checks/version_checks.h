#pragma once

#include <string>

#include "platform/launcher_context.h"
#include "platform/version_file.h"

namespace zu {

// Versions are compared as text without regard to case, never numerically
// ("5.10.0" is smaller than "5.9.0"): the product's own releases rely on it.

// True when the installed client's version is greater than the one in
// "Installer\Version.txt" beside the launcher. A missing file on either side
// gives false.
bool IsNewerVersionInstalled();

// True when the product folder's "Version.txt" holds the version of
// "Installer\Version.txt" beside the launcher, ignoring case: the new setup has
// done its work. False when either file is missing or empty.
bool IsNewGenerationInstalled();

// True when "Installer\Version.txt" beside the launcher gives a version: a
// first line of 1 to 64 printable ASCII characters, not only blanks. Without
// one the new generation could never count as installed.
bool HasPackageVersion();

// True when the current ("ZEMI Update") or the generation-5 version file exists.
bool IsCurrentGenerationInstalled();

// In launch mode 3 only: records in the context where generation 4's version
// files exist (native and 32-bit Program Files).
void DetectGeneration4Folders(LauncherContext* context);

// Copies the installed version file into the generation-4 folder recorded
// earlier (the native one when both were), recreating the folder first.
// Failures are not examined.
void CopyVersionFileToGeneration4(const LauncherContext& context);

}  // namespace zu
