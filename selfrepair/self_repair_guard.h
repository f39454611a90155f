#pragma once

#include <string>

namespace zu {

// The client's self-repair tool around the replacement. Before the old
// generation goes, the launcher's own copy of the tool is put into the
// self-repair folder "<ProgramData>\Koru Corporation\ZEMI Update Self Repair"
// beside a copy of the installation package and started as a guard; the old
// generation's tool then uninstalls its repair tasks. After the new setup, the
// new tool goes into the product folder and the package into the installer
// folder.
//
// Every start of the tool first ends any running "ZUSR.exe", then runs the
// tool shown with the switch and waits for it without limit; a missing tool
// file is not started. The tool in the self-repair folder is started, and
// copied, only through a handle that keeps it unchanged and on which its
// signature was verified just before.

// Makes the self-repair folder afresh as a private folder (whatever was at its
// path goes), puts a trusted, current package copy and guard tool there,
// summons the guard, has the old generation's tool uninstall itself and checks
// that its repair entries are gone. True when the installation goes on. On
// false the guard, if it was summoned, has been dismissed and the self-repair
// folder is gone (unless it could not be made afresh); the saved data and the
// installer's scratch key are the caller's.
bool RunSelfRepairGuard();

// Dismisses the guard and deletes the self-repair folder: for a run that stops
// after the guard came up. Nothing when ProgramData cannot be resolved.
void DismissSelfRepairGuard();

// Puts the guard tool into the product folder and the package copy into the
// installer folder, installs the new tool and, when both copies succeeded,
// dismisses the guard and deletes the self-repair folder. False when a copy
// failed: the guard and the folder are then left for the tool to act on.
bool FinishSelfRepairDeployment();

// "<ProgramData>\Koru Corporation\ZEMI Update Self Repair". False, folder
// untouched, when ProgramData cannot be resolved.
bool GetSelfRepairFolder(std::wstring* folder);

// The package's file name: "id" of section "SoftwareID" in "Installer\ESD.ini"
// beside the launcher, followed by ".exe" (just ".exe" when the id is missing).
// False, name untouched, when the launcher's own path cannot be read or the id
// holds a path separator or drive colon (the name must stay in its folder).
bool GetPackageName(std::wstring* name);

// True when the package copy in the self-repair folder exists and its
// ProductVersion equals "Installer\Version.txt" beside the launcher, ignoring case.
bool IsPackageCurrent();

// True when the launcher's tool and the guard tool both exist and their
// ProductVersions are equal, ignoring case.
bool IsSelfRepairToolCurrent();

// Copies the launcher's tool for the native architecture ("ZUSRFeature\64" or
// "ZUSRFeature\32" beside the launcher) over the guard tool, creating the
// self-repair folder (one level, private) if it is missing. True when the copy
// succeeded.
bool CopySelfRepairToolFromLauncher();

// Copies the guard tool over "<native Program Files>\Koru\ZEMI Update\ZUSR.exe",
// held unchanged from its signature check to the end of the copy. True when
// the copy succeeded; false, nothing copied, when the tool is not the maker's.
bool CopyToolToProductFolder();

// Replaces "<ProgramData>\Koru Corporation\ZEMI Update Installer" by a fresh
// private folder that holds the package copy under the package name, held
// unchanged from its signature check to the end of the copy. True when the
// copy succeeded; false, folder untouched, when the package copy is not the
// maker's; false when the folder could not be made afresh.
bool CopyPackageToInstallerFolder();

}  // namespace zu
