#include "platform/process_control.h"

#include <shellapi.h>
#include <shlobj.h>
#include <tlhelp32.h>
// XP has the module functions only in psapi.dll, not as kernel32's K32 names.
#define PSAPI_VERSION 1
#include <psapi.h>

#include <cwctype>
#include <vector>

#include "platform/file_operations.h"
#include "platform/known_folders.h"
#include "platform/product_names.h"
#include "platform/run_log.h"
#include "platform/runtime_function.h"
#include "platform/scoped_handle.h"

namespace zu {

namespace {

// A hidden run is waited for this long; after that the launcher goes on and
// leaves the program running.
constexpr DWORD kHiddenRunTimeoutMs = 30000;

constexpr int kSelfRepairStopAttempts = 30;
constexpr DWORD kEndPollIntervalMs = 100;
constexpr DWORD kSelfRepairStopIntervalMs = 1000;

// Module paths longer than this are cut short.
constexpr DWORD kImagePathCharacters = 1024;

// psapi.dll comes from the system folder on first use and stays loaded; a DLL
// or function that cannot be loaded leaves its pointer null.
struct ModuleFunctions {
    decltype(&::EnumProcessModules) enum_modules;
    decltype(&::GetModuleFileNameExW) get_file_name;
};

ModuleFunctions LoadModuleFunctions() {
    static const SystemLibrary psapi(L"psapi.dll");
    ModuleFunctions functions;
    functions.enum_modules = psapi.Find<decltype(&::EnumProcessModules)>("EnumProcessModules");
    functions.get_file_name = psapi.Find<decltype(&::GetModuleFileNameExW)>("GetModuleFileNameExW");
    return functions;
}

const ModuleFunctions& Modules() {
    static const ModuleFunctions functions = LoadModuleFunctions();
    return functions;
}

// A parent or grandparent whose path holds this is the desktop shell: the
// launcher was not started by the package.
constexpr wchar_t kDesktopShellExe[] = L"explorer.exe";

// Shell-executes path with the "open" verb; the process handle, or none when
// the shell started nothing or hands out no process.
UniqueHandle ShellExecuteProcess(const std::wstring& path,
                                 const std::wstring& parameters,
                                 int show_command) {
    SHELLEXECUTEINFOW info = {};
    info.cbSize = sizeof(info);
    info.fMask = SEE_MASK_NOCLOSEPROCESS | SEE_MASK_NOASYNC | SEE_MASK_FLAG_NO_UI;
    info.lpVerb = L"open";
    info.lpFile = path.c_str();
    info.lpParameters = parameters.c_str();
    info.nShow = show_command;
    LogProgramStart(path, parameters);
    if (!::ShellExecuteExW(&info)) {
        LogProgramNotStarted(path, ::GetLastError());
        return UniqueHandle();
    }
    return UniqueHandle(info.hProcess);
}

// Creates the process of command_line in directory (the launcher's own when
// empty), logging its start or why it did not start. The process handle, or
// none.
UniqueHandle CreateLoggedProcess(const std::wstring& command_line,
                                 const std::wstring& directory,
                                 STARTUPINFOW* startup) {
    // CreateProcessW may write to the command line.
    std::vector<wchar_t> line(command_line.begin(), command_line.end());
    line.push_back(L'\0');
    PROCESS_INFORMATION created = {};
    LogProgramStart(command_line, std::wstring());
    if (!::CreateProcessW(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr,
                          directory.empty() ? nullptr : directory.c_str(), startup, &created)) {
        LogProgramNotStarted(command_line, ::GetLastError());
        return UniqueHandle();
    }
    UniqueHandle thread(created.hThread);
    return UniqueHandle(created.hProcess);
}

// Logs how a program ended; its exit code, STILL_ACTIVE when it still runs or
// the code cannot be read.
DWORD LogExitCode(const UniqueHandle& process, const std::wstring& program) {
    DWORD code = STILL_ACTIVE;
    if (!::GetExitCodeProcess(process.Get(), &code)) {
        code = STILL_ACTIVE;
    }
    LogProgramExit(program, code);
    return code;
}

// Waits for a hidden run at most kHiddenRunTimeoutMs and logs how it ended;
// its exit code, STILL_ACTIVE when it still runs.
DWORD WaitForHiddenRun(const UniqueHandle& process, const std::wstring& program) {
    ::WaitForSingleObject(process.Get(), kHiddenRunTimeoutMs);
    return LogExitCode(process, program);
}

UniqueFileHandle TakeProcessSnapshot() {
    return UniqueFileHandle(::CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0));
}

// The first entry of the snapshot for which matches() holds. False, found
// untouched, when there is none or the snapshot cannot be walked.
template <typename Predicate>
bool FindProcessEntry(const UniqueFileHandle& snapshot, Predicate matches, PROCESSENTRY32W* found) {
    PROCESSENTRY32W entry = {};
    entry.dwSize = sizeof(entry);
    for (BOOL more = ::Process32FirstW(snapshot.Get(), &entry); more;
         more = ::Process32NextW(snapshot.Get(), &entry)) {
        if (matches(entry)) {
            *found = entry;
            return true;
        }
    }
    return false;
}

// The first running process with that executable name, in any case.
bool FindProcessByName(const wchar_t* executable_name, PROCESSENTRY32W* found) {
    UniqueFileHandle snapshot = TakeProcessSnapshot();
    if (!snapshot) {
        return false;
    }
    return FindProcessEntry(
        snapshot,
        [executable_name](const PROCESSENTRY32W& entry) {
            return _wcsicmp(entry.szExeFile, executable_name) == 0;
        },
        found);
}

// Waited for as long as any hidden run: a taskkill still running when a later
// step starts a program of the same name (the agent, to unregister it) would
// end that program too.
void RunSystemTaskkill(const wchar_t* parameters) {
    std::wstring system_folder;
    if (FAILED(KnownFolderResolver().GetPath(FOLDERID_System, &system_folder))) {
        return;
    }
    const std::wstring program = system_folder + L"\\taskkill.exe";
    const UniqueHandle process = ShellExecuteProcess(program, parameters, SW_HIDE);
    if (process) {
        WaitForHiddenRun(process, program);
    }
}

bool IsDesktopShellPath(std::wstring path) {
    for (wchar_t& c : path) {
        c = static_cast<wchar_t>(std::towlower(c));
    }
    return path.find(kDesktopShellExe) != std::wstring::npos;
}

// Own id through GetProcessId, which XP SP2 has but is looked up so that the
// launcher never imports it; 0 when the lookup fails.
DWORD OwnProcessId() {
    using GetProcessIdFunction = DWORD(WINAPI*)(HANDLE);
    const auto get_process_id =
        FindLoadedFunctionAs<GetProcessIdFunction>(L"kernel32.dll", "GetProcessId");
    return get_process_id != nullptr ? get_process_id(::GetCurrentProcess()) : 0;
}

// One step up the process tree: the id and image path of the process that
// started process_id. False, outputs untouched, when process_id is not in the
// snapshot, its parent's image cannot be read, or the parent is the desktop
// shell.
bool FindStarter(const UniqueFileHandle& snapshot,
                 DWORD process_id,
                 DWORD* starter_id,
                 std::wstring* starter_path) {
    PROCESSENTRY32W entry = {};
    const bool found = FindProcessEntry(
        snapshot, [process_id](const PROCESSENTRY32W& e) { return e.th32ProcessID == process_id; },
        &entry);
    std::wstring path;
    if (!found || !GetProcessImagePath(entry.th32ParentProcessID, &path) ||
        IsDesktopShellPath(path)) {
        return false;
    }
    *starter_id = entry.th32ParentProcessID;
    *starter_path = path;
    return true;
}

// The image path of the launcher's grandparent: the package, which started
// the intermediate copy of itself that started the launcher.
bool FindInvokerImage(std::wstring* invoker_path) {
    const DWORD own_id = OwnProcessId();
    UniqueFileHandle snapshot = TakeProcessSnapshot();
    if (own_id == 0 || !snapshot) {
        return false;
    }
    DWORD parent_id = 0;
    std::wstring parent_path;
    DWORD grandparent_id = 0;
    return FindStarter(snapshot, own_id, &parent_id, &parent_path) &&
           FindStarter(snapshot, parent_id, &grandparent_id, invoker_path);
}

}  // namespace

void ShellRun(const std::wstring& path, const std::wstring& parameters, bool wait) {
    if (!PathExists(path)) {
        return;
    }
    UniqueHandle process = ShellExecuteProcess(path, parameters, SW_HIDE);
    if (wait && process) {
        WaitForProgram(process, path);
    }
}

void ShellRunShown(const std::wstring& parameters, const std::wstring& path) {
    if (!PathExists(path)) {
        return;
    }
    const UniqueHandle process = ShellExecuteProcess(path, parameters, SW_SHOWNORMAL);
    if (process) {
        WaitForProgram(process, path);
    }
}

UniqueHandle StartProgram(const std::wstring& command_line, const std::wstring& directory) {
    STARTUPINFOW startup = {};
    startup.cb = sizeof(startup);
    return CreateLoggedProcess(command_line, directory, &startup);
}

DWORD WaitForProgram(const UniqueHandle& process, const std::wstring& program) {
    ::WaitForSingleObject(process.Get(), INFINITE);
    return LogExitCode(process, program);
}

bool RunAndWait(const std::wstring& command_line, DWORD* exit_code) {
    STARTUPINFOW startup = {};
    startup.cb = sizeof(startup);
    startup.dwFlags = STARTF_USESHOWWINDOW;
    startup.wShowWindow = SW_HIDE;
    const UniqueHandle process = CreateLoggedProcess(command_line, std::wstring(), &startup);
    if (!process) {
        return false;
    }
    const DWORD code = WaitForHiddenRun(process, command_line);
    if (exit_code != nullptr) {
        *exit_code = code;
    }
    return true;
}

bool IsProcessRunning(const wchar_t* executable_name) {
    PROCESSENTRY32W entry = {};
    return FindProcessByName(executable_name, &entry);
}

void TerminateProcessByName(const wchar_t* executable_name) {
    PROCESSENTRY32W entry = {};
    if (!FindProcessByName(executable_name, &entry)) {
        return;
    }
    UniqueHandle process(
        ::OpenProcess(PROCESS_TERMINATE | PROCESS_QUERY_INFORMATION | PROCESS_VM_READ, FALSE,
                      entry.th32ProcessID));
    if (process) {
        ::TerminateProcess(process.Get(), 0);
    }
}

bool EndProcessesByName(const wchar_t* executable_name, DWORD timeout_ms) {
    const DWORD deadline = ::GetTickCount() + timeout_ms;
    PROCESSENTRY32W entry = {};
    while (FindProcessByName(executable_name, &entry)) {
        const DWORD now = ::GetTickCount();
        if (static_cast<LONG>(deadline - now) <= 0) {
            return false;
        }
        UniqueHandle process(
            ::OpenProcess(PROCESS_TERMINATE | SYNCHRONIZE, FALSE, entry.th32ProcessID));
        if (!process) {
            // Not ours to end (or gone already): look again after a moment.
            ::Sleep(kEndPollIntervalMs);
            continue;
        }
        ::TerminateProcess(process.Get(), 0);
        ::WaitForSingleObject(process.Get(), deadline - now);
    }
    return true;
}

bool StopSelfRepairTool() {
    for (int attempts_left = kSelfRepairStopAttempts; IsProcessRunning(kSelfRepairExe);
         --attempts_left) {
        if (attempts_left < 1) {
            return true;
        }
        TerminateProcessByName(kSelfRepairExe);
        ::Sleep(kSelfRepairStopIntervalMs);
    }
    return false;
}

void TaskkillAgent() {
    RunSystemTaskkill(L"/f /im DARiziz.exe");
}

void TaskkillClient() {
    RunSystemTaskkill(L"/f /im ZEMIUpdt.exe");
}

bool GetProcessImagePath(DWORD process_id, std::wstring* path) {
    const ModuleFunctions& modules = Modules();
    if (!modules.enum_modules || !modules.get_file_name) {
        return false;
    }
    UniqueHandle process(
        ::OpenProcess(PROCESS_QUERY_INFORMATION | PROCESS_VM_READ, FALSE, process_id));
    if (!process) {
        return false;
    }
    // The first module is the executable.
    HMODULE executable = nullptr;
    DWORD needed = 0;
    if (!modules.enum_modules(process.Get(), &executable, sizeof(executable), &needed) ||
        executable == nullptr) {
        return false;
    }
    wchar_t buffer[kImagePathCharacters] = {};
    const DWORD length =
        modules.get_file_name(process.Get(), executable, buffer, kImagePathCharacters);
    if (length == 0) {
        return false;
    }
    path->assign(buffer, length);
    return true;
}

bool CopyInvokerImage(const std::wstring& target_file_name) {
    std::wstring folder;
    if (FAILED(KnownFolderResolver().GetPath(FOLDERID_ProgramData, &folder))) {
        return false;
    }
    folder += kSelfRepairFolderTail;
    folder += L'\\';
    if (!CreateDirectoryPath(folder)) {
        return false;
    }
    std::wstring invoker;
    if (!FindInvokerImage(&invoker)) {
        return false;
    }
    return ::CopyFileW(invoker.c_str(), (folder + target_file_name).c_str(), FALSE) != FALSE;
}

}  // namespace zu
