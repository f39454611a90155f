#pragma once

// The client's COM servers across the replacement: the earlier generations'
// servers unregister themselves before their files go, and the new package's
// servers and agent service are registered after the new setup has run. All
// of it is best effort and silent: a missing folder or file is skipped, exit
// codes are not read, nothing is reported.

namespace zu {

// Asks every earlier generation's server that is still on disk to unregister
// itself: the agent in the current product's folder, then the whole set of
// servers in each earlier generation's folder. Runs one program at a time and
// waits for each without a time limit.
void UnregisterLegacyServers();

// Registers the new package: on 32-bit (x86) Windows copies
// "RegInfo\32\Reg32.reg" from beside the launcher into the temporary folder
// (private, see data_preservation) and imports the copy with regedit, waiting
// for it (the copy goes afterwards); on any other Windows runs
// "ZULauncherFor64OS.exe" from beside the launcher and waits for it (the
// caller holds it, checked, meanwhile). Nothing when the file is missing.
void ImportPackageRegistration();

// Has the newly installed agent register itself as a Windows service, and
// waits for it. Nothing when the agent is missing.
void RegisterAgentService();

}  // namespace zu
