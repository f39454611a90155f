#include "launcher/new_setup.h"

#include <string>

#include "platform/file_operations.h"
#include "platform/process_control.h"
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
    const UniqueHandle process =
        StartProgram(L"\"" + program + L"\" /s", program.substr(0, program.rfind(L'\\') + 1));
    if (!process) {
        return false;
    }
    *exit_code = WaitForProgram(process, program);
    return true;
}

}  // namespace zu
