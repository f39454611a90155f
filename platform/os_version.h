#pragma once

#include <windows.h>

namespace zu {

// The running Windows in coarse steps; callers compare by size.
enum OsVersionCode : int {
    kOsUnsupported = 0,  // the query failed, XP before SP2, 2000, 2003, server editions of 6.x
    kOsXpSp2 = 81,       // 5.1 with Service Pack 2 or later
    kOsVista = 96,
    kOsWindows7 = 97,
    kOsWindows8 = 98,  // 6.2 and later (8.1 reports 6.3 through the manifest), every major above 6
};

// Computed afresh on every call; 0 when GetVersionExW fails.
int GetOsVersionCode();

// The system's own processor architecture, also as seen by this 32-bit process
// on 64-bit Windows: PROCESSOR_ARCHITECTURE_INTEL (0), PROCESSOR_ARCHITECTURE_AMD64
// (9), or 0xFFFF for anything else.
WORD GetNativeArchitecture();

// The same mapping from an already filled version record; what the tests feed.
int OsVersionCodeFromVersionInfo(const OSVERSIONINFOEXW& info);

}  // namespace zu
