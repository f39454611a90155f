#include "legacy/previous_generation_uninstall.h"

#include <windows.h>
#include <shlobj.h>

#include <algorithm>
#include <string>
#include <string_view>
#include <vector>

#include "components/previous_generations.h"
#include "components/product_keys.h"
#include "legacy/data_preservation_table.h"
#include "legacy/generation_table.h"
#include "legacy/legacy_agent_service.h"
#include "platform/durable_file.h"
#include "platform/file_compare.h"
#include "platform/file_operations.h"
#include "platform/held_file.h"
#include "platform/known_folders.h"
#include "platform/os_version.h"
#include "platform/private_folder.h"
#include "platform/process_control.h"
#include "platform/product_names.h"
#include "platform/registry_key.h"
#include "platform/scoped_handle.h"
#include "platform/version_file.h"

namespace zu {
namespace {

constexpr wchar_t kHaltAllSwitch[] = L" /haltall";

constexpr wchar_t kSessionManagerKey[] = L"SYSTEM\\CurrentControlSet\\Control\\Session Manager";
constexpr wchar_t kPendingRenamesValue[] = L"PendingFileRenameOperations";
// A pending rename whose source path holds this belongs to the product.
constexpr std::wstring_view kProductPathMarker = L"ZEMI Update";

constexpr wchar_t kRunOnceKey[] = L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\RunOnce";
constexpr DWORD kRunOnceNameLength = 260;
constexpr DWORD kRunOnceDataBytes = 520;
constexpr DWORD kLongPathLength = 4096;

bool Is64BitWindows() {
    return GetNativeArchitecture() == PROCESSOR_ARCHITECTURE_AMD64;
}

std::wstring Lower(std::wstring text) {
    if (!text.empty()) {
        ::CharLowerBuffW(text.data(), static_cast<DWORD>(text.size()));
    }
    return text;
}

// "LaunchInstaller" is read as four bytes whatever its type, as at start-up.
bool IsInstallRequested(REGSAM access) {
    RegistryKey key;
    if (key.Open(HKEY_LOCAL_MACHINE, kProductKey, access) != ERROR_SUCCESS) {
        return false;
    }
    DWORD value = 0;
    DWORD bytes = sizeof(value);
    return ::RegQueryValueExW(key.Handle(), kLaunchInstallerValue, nullptr, nullptr,
                              reinterpret_cast<BYTE*>(&value), &bytes) == ERROR_SUCCESS &&
           value == 1;
}

void WithdrawInstallRequest(REGSAM access) {
    RegistryKey key;
    if (key.Open(HKEY_LOCAL_MACHINE, kProductKey, access) == ERROR_SUCCESS) {
        key.WriteDword(kLaunchInstallerValue, 0);
    }
}

// The request that started this run is consumed, in both views where the key
// exists, so that the new client does not start the launcher again.
void ResetInstallRequest() {
    const bool is_64_bit = Is64BitWindows();
    const bool requested_64 = is_64_bit && IsInstallRequested(kRegRead64);
    const bool requested = IsInstallRequested(kRegRead);
    if (!requested_64 && !requested) {
        return;
    }
    if (is_64_bit) {
        WithdrawInstallRequest(kRegWrite64);
    }
    WithdrawInstallRequest(kRegWrite);
}

// Every running part of the client must be gone before its setup removes it.
void StopClient() {
    std::wstring client;
    if (GetNativeProgramFilesPath((std::wstring(kProductFolderTail) + L"\\" + kClientExe).c_str(),
                                  &client)) {
        DWORD exit_code = 0;
        RunAndWait(L"\"" + client + L"\"" + kHaltAllSwitch, &exit_code);
    }
    TaskkillClient();
    TaskkillAgent();
    TerminateProcessByName(kClientExe);
    TerminateProcessByName(kAgentExe);
    StopLegacyAgentService();
}

std::wstring VersionFilePath(const VersionFileLocation& location) {
    std::wstring path;
    if (location.base == ProgramFilesKind::kNative) {
        GetNativeProgramFilesPath(location.tail, &path);
    } else if (SUCCEEDED(KnownFolderResolver().GetPath(FOLDERID_ProgramFiles, &path))) {
        path += location.tail;
    }
    return path;
}

// The first line of the first version file that exists; empty when there is none.
std::wstring ReadInstalledVersion() {
    for (const VersionFileLocation& location : kVersionFileLocations) {
        const std::wstring path = VersionFilePath(location);
        if (!path.empty() && PathExists(path)) {
            return ReadVersionFile(path);
        }
    }
    return std::wstring();
}

struct UninstallPlan {
    std::wstring cache;     // the generation's cached setup
    std::wstring staging;   // where the setup runs from, outside what it removes
    std::wstring packaged;  // the response file beside the launcher
    std::wstring response;  // its copy in the staging folder, which the setup reads
};

// False, plan untouched, when a folder cannot be resolved or the launcher's
// own path cannot be read.
bool PlanUninstall(const PreviousGeneration& generation, UninstallPlan* plan) {
    KnownFolderResolver resolver;
    std::wstring program_files;
    std::wstring program_data;
    UninstallPlan planned;
    if (FAILED(resolver.GetPath(FOLDERID_ProgramFiles, &program_files)) ||
        FAILED(resolver.GetPath(FOLDERID_ProgramData, &program_data)) ||
        !PathBesideLauncher(generation.responseFile, &planned.packaged)) {
        return false;
    }
    planned.cache = program_files + kSetupCacheFolderTail + generation.productCode;
    planned.staging = program_data + kTempFolderTail + L"\\" + generation.productCode;
    planned.response = planned.staging + L"\\" + generation.responseFile;
    *plan = std::move(planned);
    return true;
}

// The cache's content and the package's response file in a fresh private
// staging folder: nothing planted there, or left by an interrupted run, runs
// with the setup, and nobody can swap what it reads between the copy and the
// use. A missing response file is left to the setup to refuse.
bool StageSetup(const UninstallPlan& plan) {
    if (!PathExists(plan.cache)) {
        return false;
    }
    FileDigest digest;
    return CreateDirectoryPath(plan.staging) && CreatePrivateFolder(plan.staging) &&
           ShellCopy(plan.cache + L"\\*", plan.staging) &&
           (!PathExists(plan.packaged) || CopyFileDurably(plan.packaged, plan.response, &digest));
}

// The script of one release cannot uninstall it silently: the launcher carries
// a replacement, copied into the private staging folder (a link or a file with
// a second name beside the launcher is not taken).
void ReplaceSetupScript(const std::wstring& staging) {
    const std::wstring staged = staging + L"\\" + kSetupScriptFileName;
    if (PathExists(staged)) {
        ::DeleteFileW(staged.c_str());
    }
    std::wstring replacement;
    FileDigest digest;
    if (PathBesideLauncher(kSetupScriptFileName, &replacement)) {
        CopyFileDurably(replacement, staged, &digest);
    }
}

// Starts the staged setup only when it holds the bytes of the cached one, and
// keeps it from being changed from that check until it runs.
UniqueHandle StartStagedSetup(const UninstallPlan& plan) {
    const std::wstring setup = plan.staging + L"\\" + kLegacySetupFileName;
    UniqueFileHandle held;
    if (!OpenHeldFile(setup, &held) ||
        !HeldFileMatches(held, plan.cache + L"\\" + kLegacySetupFileName)) {
        return UniqueHandle();
    }
    return StartProgram(L"\"" + setup + L"\" /s /f1\"" + plan.response + L"\"",
                        plan.staging + L"\\");
}

// Runs the staged setup with the response file and waits for it, however
// long it takes: the next steps need the old generation gone.
void RunUninstallSetup(const UninstallPlan& plan) {
    const UniqueHandle process = StartStagedSetup(plan);
    if (process) {
        WaitForProgram(process, plan.staging + L"\\" + kLegacySetupFileName);
    }
}

size_t NullFrom(const std::vector<wchar_t>& list, size_t position) {
    return static_cast<size_t>(std::find(list.begin() + position, list.end(), L'\0') -
                               list.begin());
}

// list is a pending-rename list as ReadMultiString accepts it: its last
// character is a null, and so is the one before when there are two or more.
// So every source ends before the last character, and every target at the
// latest on it.
void RemoveProductRenames(std::vector<wchar_t>* list) {
    size_t position = 0;
    while (position + 1 < list->size()) {
        const size_t source_end = NullFrom(*list, position);
        const size_t target_end = NullFrom(*list, source_end + 1);
        const std::wstring_view source(list->data() + position, source_end - position);
        if (source.find(kProductPathMarker) == std::wstring_view::npos) {
            position = target_end + 1;
            continue;
        }
        // In a list with an odd number of strings the last source's target
        // null is the list's own end, which stays.
        const size_t end = std::min(target_end + 1, list->size() - 1);
        list->erase(list->begin() + position, list->begin() + end);
    }
}

// The text of a RunOnce command before its first "setup.exe", lower-cased,
// in its long form where the system can give one; empty without "setup.exe".
// data need not end in a null: the text ends at the first null or at the end
// of the bytes read.
std::wstring SetupFolderOfCommand(const wchar_t* data, DWORD bytes) {
    std::wstring command(data, bytes / sizeof(wchar_t));
    command.resize(std::min(command.find(L'\0'), command.size()));
    command = Lower(std::move(command));
    const size_t setup = command.find(kLegacySetupFileName);
    if (setup == std::wstring::npos) {
        return std::wstring();
    }
    command.resize(setup);
    if (command.empty()) {
        return command;
    }
    std::vector<wchar_t> long_path(kLongPathLength, L'\0');
    const DWORD length = ::GetLongPathNameW(command.c_str(), long_path.data(), kLongPathLength);
    if (length == 0 || length >= kLongPathLength) {
        return command;
    }
    return Lower(std::wstring(long_path.data(), length));
}

// The names of the values that run a candidate's cached setup: the first one
// enumerated for each candidate.
std::vector<std::wstring> FindSetupRunOnceValues(const RegistryKey& key,
                                                 const std::wstring& cache_prefix) {
    std::vector<std::wstring> candidates = {Lower(kProductCodeGen5), Lower(kProductCodeGen4)};
    std::vector<std::wstring> names;
    for (DWORD index = 0; !candidates.empty(); ++index) {
        wchar_t name[kRunOnceNameLength];
        DWORD name_length = kRunOnceNameLength;
        wchar_t data[kRunOnceDataBytes / sizeof(wchar_t)];
        DWORD bytes = sizeof(data);
        const LONG status = ::RegEnumValueW(key.Handle(), index, name, &name_length, nullptr,
                                            nullptr, reinterpret_cast<BYTE*>(data), &bytes);
        // A name or command too long for the buffers is skipped unread: the
        // old setups' entries are far shorter.
        if (status == ERROR_MORE_DATA) {
            continue;
        }
        if (status != ERROR_SUCCESS) {
            break;
        }
        const std::wstring folder =
            SetupFolderOfCommand(data, std::min(bytes, DWORD{sizeof(data)}));
        if (folder.empty()) {
            continue;
        }
        const auto matched =
            std::remove_if(candidates.begin(), candidates.end(), [&](const std::wstring& code) {
                return folder.find(cache_prefix + code) != std::wstring::npos;
            });
        if (matched != candidates.end()) {
            candidates.erase(matched, candidates.end());
            names.emplace_back(name, name_length);
        }
    }
    return names;
}

}  // namespace

void UninstallPreviousGeneration() {
    ResetInstallRequest();
    StopClient();
    PreviousGeneration generation;
    UninstallPlan plan;
    if (!FindPreviousGeneration(ReadInstalledVersion(), &generation) ||
        !PlanUninstall(generation, &plan) || !StageSetup(plan)) {
        return;
    }
    if (generation.replaceScript) {
        ReplaceSetupScript(plan.staging);
    }
    RunUninstallSetup(plan);
    DeleteFolderTree(plan.staging);
    CleanPendingRenames();
    CleanRunOnceAllViews();
}

bool CleanPendingRenames() {
    RegistryKey key;
    if (key.Open(HKEY_LOCAL_MACHINE, kSessionManagerKey, kRegReadWrite) != ERROR_SUCCESS) {
        return false;
    }
    DWORD type = REG_NONE;
    DWORD bytes = 0;
    if (::RegQueryValueExW(key.Handle(), kPendingRenamesValue, nullptr, &type, nullptr, &bytes) !=
            ERROR_SUCCESS ||
        type != REG_MULTI_SZ) {
        return false;
    }
    // Fewer than two characters hold no pair to remove.
    std::vector<wchar_t> list(bytes / sizeof(wchar_t));
    DWORD length = static_cast<DWORD>(list.size());
    if (list.size() < 2 ||
        key.ReadMultiString(kPendingRenamesValue, list.data(), &length) != ERROR_SUCCESS ||
        length == 0) {
        return false;
    }
    list.resize(length);
    RemoveProductRenames(&list);
    return key.WriteMultiString(kPendingRenamesValue, list.data(),
                                static_cast<DWORD>(list.size() * sizeof(wchar_t))) == ERROR_SUCCESS;
}

bool CleanRunOnceEntries(REGSAM access) {
    RegistryKey key;
    if (key.Open(HKEY_LOCAL_MACHINE, kRunOnceKey, access) != ERROR_SUCCESS) {
        return false;
    }
    wchar_t program_files[MAX_PATH] = {};
    if (!::SHGetSpecialFolderPathW(nullptr, program_files, CSIDL_PROGRAM_FILES, FALSE)) {
        return false;
    }
    const std::wstring cache_prefix = Lower(program_files + std::wstring(kSetupCacheFolderTail));
    for (const std::wstring& name : FindSetupRunOnceValues(key, cache_prefix)) {
        key.DeleteValue(name.c_str());
    }
    return true;
}

bool CleanRunOnceAllViews() {
    const bool default_view = CleanRunOnceEntries(kRegAllAccess);
    if (!Is64BitWindows()) {
        return default_view;
    }
    const bool view_64 = CleanRunOnceEntries(kRegAllAccess64);
    return default_view && view_64;
}

}  // namespace zu
