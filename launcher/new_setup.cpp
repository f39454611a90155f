#include "launcher/new_setup.h"

#include <string>
#include <vector>

#include "platform/file_operations.h"
#include "platform/run_log.h"
#include "platform/scoped_handle.h"

namespace zu {

bool NewSetupExists(const wchar_t* relative_path) {
    std::wstring program;
    if (!PathBesideLauncher(relative_path, &program)) {
        return false;
    }
    const DWORD attributes = ::GetFileAttributesW(program.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
}

bool RunNewSetup(const wchar_t* relative_path, DWORD* exit_code) {
    std::wstring program;
    if (!PathBesideLauncher(relative_path, &program)) {
        return false;
    }
    // Quoted: an unquoted path with spaces would let a planted "C:\Program.exe"
    // run in the setup's place, with the launcher's rights.
    const std::wstring command = L"\"" + program + L"\" /s";
    const std::wstring directory = program.substr(0, program.rfind(L'\\') + 1);

    std::vector<wchar_t> writable(command.begin(), command.end());
    writable.push_back(L'\0');
    STARTUPINFOW startup = {};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION info = {};
    LogProgramStart(program, L"/s");
    if (!::CreateProcessW(nullptr, writable.data(), nullptr, nullptr, FALSE, 0, nullptr,
                          directory.c_str(), &startup, &info)) {
        LogProgramNotStarted(program, ::GetLastError());
        return false;
    }
    UniqueHandle process(info.hProcess);
    UniqueHandle thread(info.hThread);
    ::WaitForSingleObject(process.Get(), INFINITE);
    DWORD code = 0;
    if (!::GetExitCodeProcess(process.Get(), &code)) {
        code = STILL_ACTIVE;
    }
    LogProgramExit(program, code);
    *exit_code = code;
    return true;
}

}  // namespace zu
