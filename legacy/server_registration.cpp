#include "legacy/server_registration.h"

#include <windows.h>
#include <shlobj.h>

#include <string>
#include <vector>

#include "legacy/data_preservation.h"
#include "legacy/data_preservation_table.h"
#include "legacy/server_registration_table.h"
#include "platform/durable_file.h"
#include "platform/file_operations.h"
#include "platform/known_folders.h"
#include "platform/os_version.h"
#include "platform/process_control.h"
#include "platform/run_log.h"

namespace zu {
namespace {

// A server folder as found before the first server is run. A 32-bit folder is
// used only if it existed then; every folder only if it still exists when its
// turn comes.
struct ResolvedFolder {
    std::wstring path;
    bool usable = false;
};

bool FolderExists(const std::wstring& path) {
    return PathExists(path);
}

ResolvedFolder ResolveFolder(const LegacyServerFolder& folder,
                             const std::wstring& program_files_32,
                             bool program_files_32_known) {
    ResolvedFolder resolved;
    if (folder.view == ProgramFilesView::kNative) {
        resolved.usable = GetNativeProgramFilesPath(folder.tail, &resolved.path);
    } else if (program_files_32_known) {
        resolved.path = program_files_32 + folder.tail;
        resolved.usable = FolderExists(resolved.path);
    }
    return resolved;
}

std::vector<ResolvedFolder> ResolveLegacyServerFolders() {
    std::wstring program_files_32;
    const bool program_files_32_known =
        SUCCEEDED(KnownFolderResolver().GetPath(FOLDERID_ProgramFiles, &program_files_32));
    std::vector<ResolvedFolder> folders;
    for (const LegacyServerFolder& folder : kLegacyServerFolders) {
        folders.push_back(ResolveFolder(folder, program_files_32, program_files_32_known));
    }
    return folders;
}

// Servers run hidden, one at a time.
void RunAndWaitHidden(const std::wstring& program, const std::wstring& parameters) {
    ShellRun(program, parameters, true);
}

void UnregisterDll(const std::wstring& dll) {
    std::wstring system_folder;
    if (FAILED(KnownFolderResolver().GetPath(FOLDERID_System, &system_folder))) {
        return;
    }
    RunAndWaitHidden(system_folder + kRegsvr32, L"/s /u \"" + dll + L"\"");
}

void UnregisterFolderServers(const std::wstring& folder) {
    for (const LegacyServerFile& file : kLegacyServerFiles) {
        const std::wstring path = folder + file.name;
        if (!PathExists(path)) {
            continue;
        }
        if (file.kind == ServerKind::kExecutable) {
            RunAndWaitHidden(path, kUnregisterServerSwitch);
        } else {
            UnregisterDll(path);
        }
    }
}

}  // namespace

void UnregisterLegacyServers() {
    std::wstring agent_folder;
    const bool agent_folder_known = GetNativeProgramFilesPath(kAgentFolder.tail, &agent_folder);
    const std::vector<ResolvedFolder> folders = ResolveLegacyServerFolders();
    // Only the agent: the current product's other servers stay registered.
    if (agent_folder_known) {
        RunAndWaitHidden(agent_folder + kAgentFile, kUnregisterServerSwitch);
    }
    for (const ResolvedFolder& folder : folders) {
        if (folder.usable && FolderExists(folder.path)) {
            UnregisterFolderServers(folder.path);
        }
    }
}

void ImportPackageRegistration() {
    if (GetNativeArchitecture() != PROCESSOR_ARCHITECTURE_INTEL) {
        std::wstring launcher;
        if (PathBesideLauncher(kRegistrationLauncherFor64BitWindows, &launcher)) {
            RunAndWaitHidden(launcher, std::wstring());
        }
        return;
    }
    // regedit imports from the launcher's private temporary folder: nobody can
    // swap the file there between the copy and the import, and the copy goes
    // before that folder does.
    std::wstring registration;
    std::wstring program_data;
    std::wstring windows_folder;
    KnownFolderResolver resolver;
    FileDigest digest;
    if (!PathBesideLauncher(kRegistrationFileFor32BitWindows, &registration) ||
        !PathExists(registration) ||
        FAILED(resolver.GetPath(FOLDERID_ProgramData, &program_data)) ||
        FAILED(resolver.GetPath(FOLDERID_Windows, &windows_folder))) {
        return;
    }
    // A run that finishes an interrupted one may find the folder gone with its
    // restored copy: it is made afresh then, never taken as another made it.
    const bool own_folder = TempFolderExists() ? IsTempFolderTrusted() : PrepareTempFolder();
    const std::wstring copy = program_data + kTempFolderTail + kRegistrationFileCopyName;
    if (!own_folder || !CopyFileDurably(registration, copy, &digest)) {
        LogRunLine(L"registration file not imported: no private copy could be made");
        return;
    }
    RunAndWaitHidden(windows_folder + kRegedit, L"/s \"" + copy + L"\"");
    ::DeleteFileW(copy.c_str());
}

void RegisterAgentService() {
    std::wstring folder;
    if (GetNativeProgramFilesPath(kAgentFolder.tail, &folder)) {
        RunAndWaitHidden(folder + kAgentFile, kAgentServiceSwitch);
    }
}

}  // namespace zu
