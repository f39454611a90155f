#include "launcher/new_setup.h"

#include <string>

#include "legacy/server_registration_table.h"
#include "platform/file_operations.h"
#include "platform/file_trust.h"
#include "platform/os_version.h"
#include "platform/process_control.h"
#include "platform/run_log.h"
#include "platform/scoped_handle.h"

namespace zu {
namespace {

bool HoldPackageProgram(const wchar_t* relative_path, UniqueFileHandle* held) {
    std::wstring program;
    if (!PathBesideLauncher(relative_path, &program) || !HoldTrustedFile(program, held)) {
        LogRunLine(std::wstring(L"not signed by the maker: ") + relative_path);
        return false;
    }
    return true;
}

}  // namespace

bool NewSetupExists(const wchar_t* relative_path) {
    std::wstring program;
    if (!PathBesideLauncher(relative_path, &program)) {
        return false;
    }
    const DWORD attributes = ::GetFileAttributesW(program.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
}

bool HoldPackagePrograms(const wchar_t* relative_path, PackagePrograms* programs) {
    if (!HoldPackageProgram(relative_path, &programs->setup)) {
        return false;
    }
    return GetNativeArchitecture() == PROCESSOR_ARCHITECTURE_INTEL ||
           HoldPackageProgram(kRegistrationLauncherFor64BitWindows, &programs->registrationHelper);
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
