#include "selfrepair/self_repair_guard.h"

#include <windows.h>
#include <shlobj.h>

#include "platform/version_file.h"
#include "platform/file_operations.h"
#include "platform/known_folders.h"
#include "platform/os_version.h"
#include "platform/private_folder.h"
#include "platform/process_control.h"
#include "platform/product_names.h"
#include "platform/file_trust.h"
#include "selfrepair/product_version.h"
#include "selfrepair/scheduled_tasks.h"

namespace zu {

namespace {

// Beside the launcher.
constexpr wchar_t kPackageSettings[] = L"Installer\\ESD.ini";
constexpr wchar_t kNewVersionFile[] = L"Installer\\Version.txt";
constexpr wchar_t kLauncherTool64[] = L"ZUSRFeature\\64\\ZUSR.exe";
constexpr wchar_t kLauncherTool32[] = L"ZUSRFeature\\32\\ZUSR.exe";

// The package's name in its settings; longer ids are cut short.
constexpr wchar_t kSoftwareIdSection[] = L"SoftwareID";
constexpr wchar_t kSoftwareIdKey[] = L"id";
constexpr DWORD kSoftwareIdCharacters = 260;

// Below ProgramData: where the package waits for the next run of the client.
constexpr wchar_t kInstallerFolderTail[] = L"\\Koru Corporation\\ZEMI Update Installer";

// The tool's switches, each passed as the whole parameter string.
constexpr wchar_t kSummonGuard[] = L"/SummonGuard";
constexpr wchar_t kDismissGuard[] = L"/DismissGuard";
constexpr wchar_t kUninstallTool[] = L"/ZUSRUninstall";
constexpr wchar_t kInstallTool[] = L"/ZUSRInstall";

bool Exists(const std::wstring& path) {
    return PathExists(path);
}

bool CopyOver(const std::wstring& source, const std::wstring& target) {
    return ::CopyFileW(source.c_str(), target.c_str(), FALSE) != FALSE;
}

// Ends any running "ZUSR.exe", then runs tool shown with tool_switch and waits
// for it. A missing tool file is not started.
void StartTool(const std::wstring& tool, const wchar_t* tool_switch) {
    StopSelfRepairTool();
    ShellRunShown(tool_switch, tool);
}

// StartTool for the tool in the self-repair folder, which runs only while it
// is held unchanged and only when the held file is the maker's.
void StartGuardTool(const std::wstring& guard_tool, const wchar_t* tool_switch) {
    StopSelfRepairTool();
    UniqueFileHandle held;
    if (HoldTrustedFile(guard_tool, &held)) {
        ShellRunShown(tool_switch, guard_tool);
    }
}

// The self-repair folder made afresh: nothing planted at its path, and nothing
// an earlier run left there, is used. A tool still running from the old
// folder would keep it.
bool MakeSelfRepairFolder(const std::wstring& folder) {
    StopSelfRepairTool();
    return CreateDirectoryPath(folder) && CreatePrivateFolder(folder);
}

bool GetGuardToolPath(std::wstring* path) {
    std::wstring folder;
    if (!GetSelfRepairFolder(&folder)) {
        return false;
    }
    *path = folder + L"\\" + kSelfRepairExe;
    return true;
}

bool GetPackageCopyPath(std::wstring* path) {
    std::wstring folder;
    std::wstring name;
    if (!GetSelfRepairFolder(&folder) || !GetPackageName(&name)) {
        return false;
    }
    *path = folder + L"\\" + name;
    return true;
}

// The build of the tool beside the launcher that fits the system.
bool GetLauncherToolPath(std::wstring* path) {
    const bool x86 = GetNativeArchitecture() == PROCESSOR_ARCHITECTURE_INTEL;
    return PathBesideLauncher(x86 ? kLauncherTool32 : kLauncherTool64, path);
}

// The old generation's tool before the new setup, the new one after it.
bool GetProductToolPath(std::wstring* path) {
    return GetNativeProgramFilesPath(
        (std::wstring(kProductFolderTail) + L"\\" + kSelfRepairExe).c_str(), path);
}

bool GetInstallerFolder(std::wstring* folder) {
    std::wstring program_data;
    if (FAILED(KnownFolderResolver().GetPath(FOLDERID_ProgramData, &program_data))) {
        return false;
    }
    *folder = program_data + kInstallerFolderTail;
    return true;
}

// Ends a guard that cannot protect the run: the self-repair folder (when
// known) goes.
void Abandon(const std::wstring& self_repair_folder) {
    if (!self_repair_folder.empty()) {
        DeleteFolderTree(self_repair_folder);
    }
}

// A trusted, current package copy in the self-repair folder, copied afresh
// from the package that started the launcher when needed.
bool PrepareTrustedPackage(const std::wstring& package_copy, const std::wstring& package_name) {
    if (!IsTrustedFile(package_copy) || !IsPackageCurrent()) {
        ::DeleteFileW(package_copy.c_str());
        CopyInvokerImage(package_name);
    }
    return IsTrustedFile(package_copy);
}

// A trusted guard tool of the launcher's version, copied afresh from beside
// the launcher when needed.
bool PrepareTrustedGuardTool(const std::wstring& guard_tool) {
    if (!Exists(guard_tool) || !IsTrustedFile(guard_tool) || !IsSelfRepairToolCurrent()) {
        ::DeleteFileW(guard_tool.c_str());
        CopySelfRepairToolFromLauncher();
    }
    return IsTrustedFile(guard_tool);
}

// Windows XP (and a system the launcher does not recognise) has Run values
// instead of scheduled tasks.
bool UsesRunValues(int os_version) {
    return os_version <= kOsXpSp2;
}

bool IsGuardUp(int os_version) {
    return UsesRunValues(os_version) ? IsGuardRunEntryPresent() : IsGuardTaskActive();
}

bool AreOldRepairEntriesPresent(int os_version) {
    if (UsesRunValues(os_version)) {
        return IsRepairRunEntryPresent();
    }
    return IsRepairTaskPresent() || IsUltimateRepairTaskPresent();
}

// Has the old generation's tool remove its repair entries; on XP the guard
// tool is asked too.
void UninstallOldTool(int os_version, const std::wstring& guard_tool) {
    std::wstring product_tool;
    if (GetProductToolPath(&product_tool)) {
        StartTool(product_tool, kUninstallTool);
    }
    if (os_version == kOsXpSp2) {
        StartGuardTool(guard_tool, kUninstallTool);
    }
}

}  // namespace

bool RunSelfRepairGuard() {
    std::wstring folder;
    std::wstring package_name;
    if (!GetSelfRepairFolder(&folder) || !GetPackageName(&package_name)) {
        // Nothing can be trusted without these paths, and a path built from
        // the name alone would point into the root of the current drive.
        Abandon(std::wstring());
        return false;
    }
    if (!MakeSelfRepairFolder(folder)) {
        Abandon(std::wstring());
        return false;
    }
    const std::wstring guard_tool = folder + L"\\" + kSelfRepairExe;
    if (!PrepareTrustedPackage(folder + L"\\" + package_name, package_name) ||
        !PrepareTrustedGuardTool(guard_tool)) {
        Abandon(folder);
        return false;
    }
    StartGuardTool(guard_tool, kSummonGuard);
    const int os_version = GetOsVersionCode();
    if (IsGuardUp(os_version)) {
        UninstallOldTool(os_version, guard_tool);
        if (!AreOldRepairEntriesPresent(os_version)) {
            return true;
        }
    }
    DismissSelfRepairGuard();
    return false;
}

void DismissSelfRepairGuard() {
    std::wstring folder;
    if (!GetSelfRepairFolder(&folder)) {
        return;
    }
    StartGuardTool(folder + L"\\" + kSelfRepairExe, kDismissGuard);
    Abandon(folder);
}

bool FinishSelfRepairDeployment() {
    const bool tool_copied = CopyToolToProductFolder();
    const bool package_copied = CopyPackageToInstallerFolder();
    std::wstring product_tool;
    if (GetProductToolPath(&product_tool)) {
        StartTool(product_tool, kInstallTool);
    }
    std::wstring folder;
    if (!tool_copied || !package_copied || !GetSelfRepairFolder(&folder)) {
        return false;
    }
    StartGuardTool(folder + L"\\" + kSelfRepairExe, kDismissGuard);
    DeleteFolderTree(folder);
    return true;
}

bool GetSelfRepairFolder(std::wstring* folder) {
    std::wstring program_data;
    if (FAILED(KnownFolderResolver().GetPath(FOLDERID_ProgramData, &program_data))) {
        return false;
    }
    *folder = program_data + kSelfRepairFolderTail;
    return true;
}

bool GetPackageName(std::wstring* name) {
    std::wstring settings;
    if (!PathBesideLauncher(kPackageSettings, &settings)) {
        return false;
    }
    wchar_t id[kSoftwareIdCharacters] = {};
    ::GetPrivateProfileStringW(kSoftwareIdSection, kSoftwareIdKey, L"", id, kSoftwareIdCharacters,
                               settings.c_str());
    // The name is joined to the launcher's folders: a path in it ("..\")
    // would put the package elsewhere.
    const std::wstring package = std::wstring(id) + L".exe";
    if (package.find_first_of(L"\\/:") != std::wstring::npos) {
        return false;
    }
    *name = package;
    return true;
}

bool IsPackageCurrent() {
    std::wstring package_copy;
    std::wstring version_file;
    if (!GetPackageCopyPath(&package_copy) || !PathBesideLauncher(kNewVersionFile, &version_file) ||
        !Exists(package_copy)) {
        return false;
    }
    return _wcsicmp(GetProductVersion(package_copy).c_str(),
                    ReadVersionFile(version_file).c_str()) == 0;
}

bool IsSelfRepairToolCurrent() {
    std::wstring launcher_tool;
    std::wstring guard_tool;
    if (!GetLauncherToolPath(&launcher_tool) || !GetGuardToolPath(&guard_tool) ||
        !Exists(launcher_tool) || !Exists(guard_tool)) {
        return false;
    }
    return _wcsicmp(GetProductVersion(launcher_tool).c_str(),
                    GetProductVersion(guard_tool).c_str()) == 0;
}

bool CopySelfRepairToolFromLauncher() {
    std::wstring folder;
    std::wstring launcher_tool;
    if (!GetSelfRepairFolder(&folder) || !GetLauncherToolPath(&launcher_tool)) {
        return false;
    }
    if (!Exists(folder) && !CreatePrivateFolder(folder)) {
        return false;
    }
    return CopyOver(launcher_tool, folder + L"\\" + kSelfRepairExe);
}

bool CopyToolToProductFolder() {
    std::wstring guard_tool;
    std::wstring product_tool;
    UniqueFileHandle held;
    if (!GetGuardToolPath(&guard_tool) || !GetProductToolPath(&product_tool) ||
        !HoldTrustedFile(guard_tool, &held)) {
        return false;
    }
    return CopyOver(guard_tool, product_tool) && Exists(product_tool);
}

bool CopyPackageToInstallerFolder() {
    std::wstring installer_folder;
    std::wstring package_copy;
    std::wstring package_name;
    UniqueFileHandle held;
    if (!GetInstallerFolder(&installer_folder) || !GetPackageCopyPath(&package_copy) ||
        !GetPackageName(&package_name) || !HoldTrustedFile(package_copy, &held) ||
        !CreatePrivateFolder(installer_folder)) {
        return false;
    }
    const std::wstring target = installer_folder + L"\\" + package_name;
    return CopyOver(package_copy, target) && Exists(target);
}

}  // namespace zu
