// MinGW-w64 has no import library with the Windows Update Agent's class and
// interface identifiers (CLSID_UpdateInstaller, IID_IUpdateInstaller,
// CLSID_AutomaticUpdates, ...): this file defines them, as selectany data, so
// a second definition elsewhere in a program does not clash.
#include <initguid.h>

#include <wuapi.h>
