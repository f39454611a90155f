#pragma once

namespace zu {

// The current product's key under HKEY_LOCAL_MACHINE, 64-bit view: the client
// leaves its launch requests here.
inline constexpr wchar_t kProductKey[] = L"SOFTWARE\\Koru Corporation\\ZEMI Update";

// Launch requests that the client writes for the launcher.
inline constexpr wchar_t kZeuInstallValue[] = L"ZEUInstall";
inline constexpr wchar_t kZusrInstallValue[] = L"ZUSRInstall";
inline constexpr wchar_t kLaunchInstallerValue[] = L"LaunchInstaller";

}  // namespace zu
