// Stand-in for the installation package "ZEMIUpdatePackage.exe". Like the
// real self-extracting package it runs the launcher from a copy of itself:
// started normally it copies itself to "%TEMP%\ZUPackageRun\" and runs the
// copy with `/run "<own folder>\ZUInstaller.exe" <own arguments>`; that copy
// runs the launcher. Each waits for its child and exits with the child's exit code.
#include <windows.h>

#include <string>

#include "platform/scoped_handle.h"
#include "standins/file_tree.h"
#include "standins/standin_common.h"

namespace zu::standin {
namespace {

constexpr wchar_t kRunSwitch[] = L"/run";
constexpr wchar_t kRunFolder[] = L"ZUPackageRun";
constexpr wchar_t kLauncherExe[] = L"\\ZUInstaller.exe";
constexpr int kNotStarted = 1;

// Starts command_line and waits for it; false when it could not be started.
bool RunAndWait(const Standin& standin, std::wstring command_line, DWORD* exit_code) {
    STARTUPINFOW startup = {};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION info = {};
    if (!::CreateProcessW(nullptr, command_line.data(), nullptr, nullptr, FALSE, 0, nullptr,
                          nullptr, &startup, &info)) {
        standin.Record(L"start failed", command_line + L" " + HexCode(::GetLastError()));
        return false;
    }
    UniqueHandle process(info.hProcess);
    UniqueHandle thread(info.hThread);
    standin.Record(L"started", std::to_wstring(info.dwProcessId) + L" " + command_line);
    ::WaitForSingleObject(process.Get(), INFINITE);
    return ::GetExitCodeProcess(process.Get(), exit_code) != FALSE;
}

// The command line without its first token: this process's own arguments,
// passed on unchanged.
std::wstring ArgumentsAfterToken(const wchar_t* line, int tokens) {
    const wchar_t* p = line;
    for (int i = 0; i < tokens; ++i) {
        while (*p == L' ' || *p == L'\t') {
            ++p;
        }
        bool quoted = false;
        while (*p != L'\0' && (quoted || (*p != L' ' && *p != L'\t'))) {
            quoted = (*p == L'"') ? !quoted : quoted;
            ++p;
        }
    }
    while (*p == L' ' || *p == L'\t') {
        ++p;
    }
    return p;
}

std::wstring TempFolder() {
    wchar_t temp[MAX_PATH] = {};
    const DWORD length = ::GetTempPathW(MAX_PATH, temp);
    std::wstring folder(temp, length > 0 && length < MAX_PATH ? length : 0);
    if (!folder.empty() && folder.back() == L'\\') {
        folder.pop_back();
    }
    return folder;
}

// The package in its own folder: copy, run the copy, clean up after it.
int RunFromCopy(const Standin& standin) {
    const std::wstring folder = TempFolder() + L"\\" + kRunFolder;
    const std::wstring copy = folder + L"\\" + FileNameOf(standin.OwnPath());
    CreateFolderChain(folder);
    // A package that runs already holds the copy open: run that same copy.
    if (!::CopyFileW(standin.OwnPath().c_str(), copy.c_str(), FALSE) && !PathExists(copy)) {
        standin.Record(L"copy failed", copy + L" " + HexCode(::GetLastError()));
        return kNotStarted;
    }
    const std::wstring line = L"\"" + copy + L"\" " + kRunSwitch + L" \"" + standin.OwnFolder() +
                              kLauncherExe + L"\" " + ArgumentsAfterToken(::GetCommandLineW(), 1);
    DWORD exit_code = kNotStarted;
    RunAndWait(standin, line, &exit_code);
    ::DeleteFileW(copy.c_str());
    ::RemoveDirectoryW(folder.c_str());
    return static_cast<int>(exit_code);
}

// The copy: "/run <launcher> <arguments>" runs the launcher with the arguments.
int RunLauncher(const Standin& standin) {
    DWORD exit_code = kNotStarted;
    RunAndWait(standin, ArgumentsAfterToken(::GetCommandLineW(), 2), &exit_code);
    return static_cast<int>(exit_code);
}

}  // namespace
}  // namespace zu::standin

int WINAPI wWinMain(HINSTANCE, HINSTANCE, wchar_t*, int) {
    using namespace zu::standin;
    const Standin standin;
    standin.WaitAsTold();
    const auto& arguments = standin.Arguments();
    const bool is_copy = !arguments.empty() && ::lstrcmpiW(arguments[0].c_str(), kRunSwitch) == 0;
    const int exit_code = is_copy ? RunLauncher(standin) : RunFromCopy(standin);
    return standin.ExitCode(exit_code);
}
