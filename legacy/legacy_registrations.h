#pragma once

namespace zu {

// Removal of what earlier generations of the client left in the registry and
// the Task Scheduler once their own uninstall has run (COM registrations,
// files and shortcuts are removed elsewhere). Each operation is best effort
// and silent: every step opens its parent key afresh, and a parent that does
// not open (absent, access denied) only skips that step; missing keys, values
// and tasks are the normal case; nothing is reported, logged or shown.
//
// Generations 2 and 3 kept their machine-wide keys in the default view (the
// 32-bit view on 64-bit Windows), 4, 5 and the unnumbered latest one in the
// 64-bit view. The unnumbered product key is also the new generation's: it is
// removed here and written again by the new setup.

// The Windows Installer component keys (one by one, a component key with
// subkeys stays) and the product uninstall entries, under their packed and
// their braced codes, of the edition that matches the native architecture:
// the 64-bit edition on x64 Windows, the 32-bit one on any other. All in the
// 64-bit view.
void RemoveLegacyInstallerRegistrations();

// The App Paths entry "ZEMIUpdt.exe" with all below it, in the 64-bit view,
// then in the default view.
void RemoveLegacyAppPath();

// The product keys of all generations below "Software\Koru Corporation", each
// with its whole subtree in its generation's view, then each generation's
// child of the three shared-information keys, one by one (a child with
// subkeys stays). The maker's key and the shared-information keys stay.
void RemoveLegacyProductKeys();

// The six scheduled tasks of earlier generations (RemoveLegacyTask, so only
// with administrator rights), then for every user the autostart values named
// after the five generations, in the default view and in the 64-bit view.
void RemoveLegacyTasksAndRunEntries();

// The uninstall entries of the further earlier products, each with all below
// it, in the 64-bit view, then in the default view, on every architecture.
void RemoveLegacyUninstallEntries();

// The current user's product keys of all generations below
// "Software\Koru Corporation", each with its whole subtree.
void RemoveLegacyUserKeys();

}  // namespace zu
