#include "launcher/completion.h"

#include <shellapi.h>

#include <vector>

#include "components/product_keys.h"
#include "platform/known_folders.h"
#include "platform/process_control.h"
#include "platform/product_names.h"
#include "platform/registry_key.h"
#include "platform/run_log.h"
#include "platform/scoped_handle.h"
#include "resources/resource_ids.h"
#include "ui/localized_strings.h"

namespace zu {

namespace {

// The caption is the product's name in every language, so it is no table entry.
constexpr wchar_t kMessageCaption[] = L"ZEMI Update";

// A pending rename whose path holds this folder name touches the product.
constexpr wchar_t kProductName[] = L"ZEMI Update";

constexpr wchar_t kSessionManagerKey[] = L"SYSTEM\\CurrentControlSet\\Control\\Session Manager";
constexpr wchar_t kPendingRenamesValue[] = L"PendingFileRenameOperations";

// Given to the self-repair tool when the client asked for the installation.
constexpr wchar_t kUltimateRepairSucceedSwitch[] = L"/UltimateRepairSucceed";
// Given to the client: it tells the user about the restart itself.
constexpr wchar_t kShowRebootSwitch[] = L"/ShowReboot";
// Given to the client that asked for the installation.
constexpr wchar_t kRunByInstallerSwitch[] = L"/RunByInstaller";
constexpr wchar_t kNoParameters[] = L"";

// Only the letters a to z: the comparison must not depend on the user's locale.
std::wstring ToUpperAscii(std::wstring text) {
    for (wchar_t& c : text) {
        if (c >= L'a' && c <= L'z') {
            c = static_cast<wchar_t>(c - L'a' + L'A');
        }
    }
    return text;
}

// Index of the null that ends the string starting at start, or count when the
// string runs to the end of the data.
size_t StringEnd(const wchar_t* data, size_t count, size_t start) {
    size_t end = start;
    while (end < count && data[end] != L'\0') {
        ++end;
    }
    return end;
}

// The value is a list of (source, target) pairs of strings, each ending in a
// null; a deletion has an empty target, and an empty source ends the list.
// Every string of the list is looked at in full, and nothing past count is read,
// whatever the data holds.
bool PendingRenamesContain(const wchar_t* data, size_t count, const std::wstring& upper_name) {
    size_t position = 0;
    while (position < count && data[position] != L'\0') {
        for (int half = 0; half < 2 && position < count; ++half) {
            const size_t end = StringEnd(data, count, position);
            const std::wstring entry(data + position, end - position);
            if (ToUpperAscii(entry).find(upper_name) != std::wstring::npos) {
                return true;
            }
            position = end + 1;
        }
    }
    return false;
}

// The installer's scratch key holds "Reboot" = 1 (read as four bytes whatever
// its type). False when the key or value is missing or longer than four bytes.
bool IsRebootRequested() {
    RegistryKey key;
    if (key.Open(HKEY_LOCAL_MACHINE, kInstallerScratchKey, kRegRead64) != ERROR_SUCCESS) {
        return false;
    }
    DWORD value = 0;
    DWORD bytes = sizeof(value);
    if (::RegQueryValueExW(key.Handle(), kRebootValue, nullptr, nullptr,
                           reinterpret_cast<BYTE*>(&value), &bytes) != ERROR_SUCCESS) {
        return false;
    }
    return value == 1;
}

// Shows text_id in a box with a single OK button owned by the progress window
// and returns the answer; a text that cannot be loaded shows no box and
// returns 0, which is not IDOK.
int ShowMessage(const LauncherContext* context, UINT text_id, UINT icon) {
    std::wstring text;
    if (!LoadLocalizedString(&text, text_id)) {
        return 0;
    }
    return ::MessageBoxW(context->mainWindow, text.c_str(), kMessageCaption, MB_OK | icon);
}

// True when the user was asked to restart, answered and the system accepted
// the restart request. The box has only OK, so closing it is the same answer:
// Windows reports IDOK for that, Wine IDCANCEL.
bool AskAndRestart(const LauncherContext* context) {
    const int answer = ShowMessage(context, IDS_RESTART_REQUIRED, MB_ICONWARNING);
    return (answer == IDOK || answer == IDCANCEL) && RestartComputer();
}

// Ordinary attended run. True when a restart was asked for and granted: the
// system's shutdown then ends the process.
bool FinishOrdinaryRun(LauncherContext* context, bool restart_pending) {
    if (restart_pending) {
        return AskAndRestart(context);
    }
    ShowMessage(context, IDS_INSTALL_COMPLETE, MB_ICONINFORMATION);
    StartClient(kNoParameters, kClientExe);
    return false;
}

// The self-repair tool asked for the installation: tell it that the repair
// succeeded before the user sees the outcome.
void FinishSelfRepairRun(LauncherContext* context, bool restart_pending) {
    std::wstring tool_path;
    // An unresolved folder leaves the path empty, which ShellRunShown skips.
    GetNativeProgramFilesPath((std::wstring(kProductFolderTail) + L"\\" + kSelfRepairExe).c_str(),
                              &tool_path);
    StopSelfRepairTool();
    ShellRunShown(kUltimateRepairSucceedSwitch, tool_path);
    if (restart_pending) {
        AskAndRestart(context);
    } else {
        ShowMessage(context, IDS_INSTALL_COMPLETE, MB_ICONINFORMATION);
    }
    StartClient(kNoParameters, kClientExe);
}

}  // namespace

bool FinishInstallation(LauncherContext* context, bool restart_pending) {
    if (context->ordinaryRun && !context->ordinaryRunSilent) {
        return FinishOrdinaryRun(context, restart_pending);
    }
    if (context->zusrInstall) {
        FinishSelfRepairRun(context, restart_pending);
    } else if (context->zeuInstallSilent) {
        if (restart_pending) {
            StartClient(kShowRebootSwitch, kClientExe);
        }
    } else if (context->launchInstaller) {
        StartClient(kRunByInstallerSwitch, kClientExe);
    }
    return false;
}

bool IsRestartPending() {
    return IsRebootRequested() || HasPendingRenameForProduct(kProductName);
}

bool HasPendingRenameForProduct(const std::wstring& product_name) {
    RegistryKey key;
    if (key.Open(HKEY_LOCAL_MACHINE, kSessionManagerKey, kRegRead) != ERROR_SUCCESS) {
        return false;
    }
    DWORD type = REG_NONE;
    DWORD bytes = 0;
    if (::RegQueryValueExW(key.Handle(), kPendingRenamesValue, nullptr, &type, nullptr, &bytes) !=
            ERROR_SUCCESS ||
        type != REG_MULTI_SZ) {
        return false;
    }
    // Room for an odd byte count too, so that such data is refused as malformed
    // rather than cut short; at least the two characters the reader demands.
    std::vector<wchar_t> buffer(bytes / sizeof(wchar_t) + 2, L'\0');
    DWORD length = static_cast<DWORD>(buffer.size());
    if (key.ReadMultiString(kPendingRenamesValue, buffer.data(), &length) != ERROR_SUCCESS ||
        length == 0) {
        return false;
    }
    return PendingRenamesContain(buffer.data(), length, ToUpperAscii(product_name));
}

void StartClient(const std::wstring& parameters, const std::wstring& executable_name) {
    std::wstring folder;
    if (!GetNativeProgramFilesPath(kProductFolderTail, &folder)) {
        return;
    }
    const std::wstring path = folder + L"\\" + executable_name;
    SHELLEXECUTEINFOW info = {};
    info.cbSize = sizeof(info);
    info.fMask = SEE_MASK_NOASYNC | SEE_MASK_FLAG_NO_UI;
    info.lpVerb = L"open";
    info.lpFile = path.c_str();
    info.lpParameters = parameters.c_str();
    info.nShow = SW_SHOWNORMAL;
    // Nobody is told when the client does not start; the run ends all the same.
    LogProgramStart(path, parameters);
    if (!::ShellExecuteExW(&info)) {
        LogProgramNotStarted(path, ::GetLastError());
    }
}

bool RestartComputer() {
    HANDLE token_handle = nullptr;
    if (!::OpenProcessToken(::GetCurrentProcess(), TOKEN_ADJUST_PRIVILEGES | TOKEN_QUERY,
                            &token_handle)) {
        return false;
    }
    UniqueHandle token(token_handle);
    TOKEN_PRIVILEGES privileges = {};
    privileges.PrivilegeCount = 1;
    privileges.Privileges[0].Attributes = SE_PRIVILEGE_ENABLED;
    if (!::LookupPrivilegeValueW(nullptr, SE_SHUTDOWN_NAME, &privileges.Privileges[0].Luid)) {
        return false;
    }
    // AdjustTokenPrivileges succeeds also when the token lacks the privilege;
    // only the last error (ERROR_NOT_ALL_ASSIGNED) tells.
    ::SetLastError(ERROR_SUCCESS);
    if (!::AdjustTokenPrivileges(token.Get(), FALSE, &privileges, 0, nullptr, nullptr) ||
        ::GetLastError() != ERROR_SUCCESS) {
        return false;
    }
    return ::ExitWindowsEx(EWX_REBOOT | EWX_FORCE, 0) != FALSE;
}

}  // namespace zu
