#include "checks/version_checks.h"

#include <windows.h>

#include "platform/durable_file.h"
#include "platform/file_operations.h"
#include "platform/known_folders.h"
#include "platform/product_names.h"
#include "platform/version_file.h"

namespace zu {
namespace {

constexpr wchar_t kVersionFileTail[] = L"\\Version.txt";
constexpr wchar_t kGeneration5FolderTail[] = L"\\Koru\\ZEMI Update 5";
constexpr wchar_t kGeneration4FolderTail[] = L"\\Koru\\ZEMI Update 4";
constexpr wchar_t kPackageVersionFile[] = L"Installer\\Version.txt";
constexpr size_t kLongestVersion = 64;

bool FileExists(const std::wstring& path) {
    return !path.empty() && PathExists(path);
}

// Native Program Files + folder tail + "\Version.txt"; empty when not built.
std::wstring NativeVersionFile(const wchar_t* folder_tail) {
    std::wstring path;
    GetNativeProgramFilesPath(folder_tail, &path);
    return path.empty() ? path : path + kVersionFileTail;
}

std::wstring InstalledVersionFile() {
    return NativeVersionFile(kProductFolderTail);
}

// The generation-4 folder under the Program Files that a 32-bit process sees.
std::wstring Generation4FolderIn32BitProgramFiles() {
    std::wstring program_files;
    if (FAILED(KnownFolderResolver().GetPath(FOLDERID_ProgramFiles, &program_files))) {
        return std::wstring();
    }
    return program_files + kGeneration4FolderTail;
}

void CopyInstalledVersionInto(const std::wstring& folder) {
    if (folder.empty()) {
        return;
    }
    // The uninstall may have taken "\Koru" with the generation-4 folder:
    // every missing level is made again, not only the last.
    if (!PathExists(folder)) {
        CreateDirectoryPath(folder + L"\\");
    }
    const std::wstring installed = InstalledVersionFile();
    if (FileExists(installed)) {
        ReplaceFileDurably(installed, folder + kVersionFileTail, nullptr);
    }
}

}  // namespace

bool IsNewerVersionInstalled() {
    std::wstring new_file;
    if (!PathBesideLauncher(kPackageVersionFile, &new_file)) {
        return false;
    }
    const std::wstring installed_file = InstalledVersionFile();
    if (!FileExists(new_file) || !FileExists(installed_file)) {
        return false;
    }
    const std::wstring new_version = ReadVersionFile(new_file);
    const std::wstring installed_version = ReadVersionFile(installed_file);
    return _wcsicmp(installed_version.c_str(), new_version.c_str()) > 0;
}

bool IsNewGenerationInstalled() {
    std::wstring new_file;
    if (!PathBesideLauncher(kPackageVersionFile, &new_file)) {
        return false;
    }
    const std::wstring new_version = ReadVersionFile(new_file);
    return !new_version.empty() &&
           _wcsicmp(ReadVersionFile(InstalledVersionFile()).c_str(), new_version.c_str()) == 0;
}

bool HasPackageVersion() {
    std::wstring file;
    if (!PathBesideLauncher(kPackageVersionFile, &file)) {
        return false;
    }
    const std::wstring version = ReadVersionFile(file);
    if (version.empty() || version.size() > kLongestVersion ||
        version.find_first_not_of(L' ') == std::wstring::npos) {
        return false;
    }
    for (const wchar_t c : version) {
        if (c < L' ' || c > L'~') {
            return false;
        }
    }
    return true;
}

bool IsCurrentGenerationInstalled() {
    return FileExists(InstalledVersionFile()) ||
           FileExists(NativeVersionFile(kGeneration5FolderTail));
}

void DetectGeneration4Folders(LauncherContext* context) {
    if (!context->launchInstaller) {
        return;
    }
    if (FileExists(NativeVersionFile(kGeneration4FolderTail))) {
        context->gen4VersionNative = true;
    }
    const std::wstring folder = Generation4FolderIn32BitProgramFiles();
    if (!folder.empty() && FileExists(folder + kVersionFileTail)) {
        context->gen4VersionProgramFiles = true;
    }
}

void CopyVersionFileToGeneration4(const LauncherContext& context) {
    if (context.gen4VersionNative) {
        std::wstring folder;
        GetNativeProgramFilesPath(kGeneration4FolderTail, &folder);
        CopyInstalledVersionInto(folder);
    } else if (context.gen4VersionProgramFiles) {
        CopyInstalledVersionInto(Generation4FolderIn32BitProgramFiles());
    }
}

}  // namespace zu
