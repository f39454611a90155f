#include "platform/os_version.h"

namespace zu {

int OsVersionCodeFromVersionInfo(const OSVERSIONINFOEXW& info) {
    if (info.dwMajorVersion == 5) {
        return (info.dwMinorVersion == 1 && info.wServicePackMajor >= 2) ? kOsXpSp2
                                                                         : kOsUnsupported;
    }
    if (info.dwMajorVersion == 6) {
        if (info.wProductType != VER_NT_WORKSTATION) {
            return kOsUnsupported;
        }
        switch (info.dwMinorVersion) {
            case 0:
                return kOsVista;
            case 1:
                return kOsWindows7;
            default:
                return kOsWindows8;
        }
    }
    return info.dwMajorVersion > 6 ? kOsWindows8 : kOsUnsupported;
}

int GetOsVersionCode() {
    OSVERSIONINFOEXW info = {};
    info.dwOSVersionInfoSize = sizeof(info);
    if (!::GetVersionExW(reinterpret_cast<OSVERSIONINFOW*>(&info))) {
        return kOsUnsupported;
    }
    return OsVersionCodeFromVersionInfo(info);
}

WORD GetNativeArchitecture() {
    SYSTEM_INFO info = {};
    info.wProcessorArchitecture = 0xFFFF;
    ::GetNativeSystemInfo(&info);
    switch (info.wProcessorArchitecture) {
        case PROCESSOR_ARCHITECTURE_INTEL:
        case PROCESSOR_ARCHITECTURE_AMD64:
            return info.wProcessorArchitecture;
        default:
            return 0xFFFF;
    }
}

}  // namespace zu
