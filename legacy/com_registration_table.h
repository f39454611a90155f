#pragma once

#include <windows.h>

#include <vector>

// The registrations that earlier generations' COM servers (the agent, the
// internet wrapper, the proxy/stub and control DLLs) and their browser control
// left behind, as lists of keys to delete.

namespace zu {

// The key named name below parent; parent lies below a root that the list's
// user knows (HKEY_CLASSES_ROOT or HKEY_LOCAL_MACHINE).
struct RegistrationKey {
    const wchar_t* parent;
    const wchar_t* name;
};

// The 11 ProgIDs, subkeys of HKEY_CLASSES_ROOT itself.
std::vector<const wchar_t*> LegacyProgIds();

// The 30 AppID, CLSID, Interface and TypeLib keys below HKEY_CLASSES_ROOT, as
// the servers registered them in the 64-bit view (or the only view).
std::vector<RegistrationKey> LegacyComKeys();

// The 21 of those keys that the servers also registered in the 32-bit view of
// 64-bit Windows: classes B and the seven others, and interface B, were never
// registered there.
std::vector<RegistrationKey> LegacyComKeysDefaultView();

// The 2 browser policy entries of the control class below HKEY_LOCAL_MACHINE.
std::vector<RegistrationKey> LegacyBrowserPolicyKeys();

}  // namespace zu
