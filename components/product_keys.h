#pragma once

namespace zu {

// The current product's key under HKEY_LOCAL_MACHINE, 64-bit view: the client
// leaves its launch requests here.
inline constexpr wchar_t kProductKey[] = L"SOFTWARE\\Koru Corporation\\ZEMI Update";

// Launch requests that the client writes for the launcher.
inline constexpr wchar_t kZeuInstallValue[] = L"ZEUInstall";
inline constexpr wchar_t kZusrInstallValue[] = L"ZUSRInstall";
inline constexpr wchar_t kLaunchInstallerValue[] = L"LaunchInstaller";

// The installer's scratch key under HKEY_LOCAL_MACHINE, 64-bit view: values the
// run carries across the uninstall, removed near the end of a completed run.
inline constexpr wchar_t kInstallerScratchKey[] =
    L"Software\\Koru Corporation\\ZEMI Update Installer";
// 32-bit, 1 when the client asks for a restart after the installation.
inline constexpr wchar_t kRebootValue[] = L"Reboot";

// The maker's key under HKEY_LOCAL_MACHINE, 64-bit view, and the name of the
// scratch key below it (deleted as a whole through its parent).
inline constexpr wchar_t kMakerKey[] = L"SOFTWARE\\Koru Corporation";
inline constexpr wchar_t kInstallerScratchKeyName[] = L"ZEMI Update Installer";

// Subkeys of the scratch key and what the run parks there.
inline constexpr wchar_t kInstallerSelfRepairKey[] =
    L"SOFTWARE\\Koru Corporation\\ZEMI Update Installer\\ZUSR";
inline constexpr wchar_t kDeleteSelfRepairFileValue[] = L"DeleteZUSRFile";
inline constexpr wchar_t kInstallerUninstallKey[] =
    L"SOFTWARE\\Koru Corporation\\ZEMI Update Installer\\Uninstall";
inline constexpr wchar_t kLauncherUninstallValue[] = L"LauncherUninstall";
inline constexpr wchar_t kInstallerEulaKey[] =
    L"SOFTWARE\\Koru Corporation\\ZEMI Update Installer\\EULA";
inline constexpr wchar_t kInstallerTaskManagerKey[] =
    L"SOFTWARE\\Koru Corporation\\ZEMI Update Installer\\TaskManager";

// The current client's licence agreement: "EULAAgreed", REG_DWORD, 1 = agreed
// (in the scratch key's note a REG_SZ "1").
inline constexpr wchar_t kProductEulaKey[] = L"SOFTWARE\\Koru Corporation\\ZEMI Update\\EULA";
inline constexpr wchar_t kEulaAgreedValue[] = L"EULAAgreed";

// The current client's task-manager settings: "Task" (REG_SZ), "SelfUpdate"
// and "UpdateType" (REG_DWORD).
inline constexpr wchar_t kProductTaskManagerKey[] =
    L"SOFTWARE\\Koru Corporation\\ZEMI Update\\TaskManager";
inline constexpr wchar_t kTaskValue[] = L"Task";
inline constexpr wchar_t kSelfUpdateValue[] = L"SelfUpdate";
inline constexpr wchar_t kUpdateTypeValue[] = L"UpdateType";

}  // namespace zu
