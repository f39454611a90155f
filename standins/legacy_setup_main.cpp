// Stand-in for an earlier generation's InstallShield setup, run from a copy of
// its cache as `"<folder>\setup.exe" /s /f1"<response file>"`. It knows its
// generation by the product code that names its folder, and uninstalls it:
// program folders and product keys (unless told to leave them), uninstall
// entry in both registry views, and the setup cache itself.
#include <windows.h>

#include "platform/scoped_handle.h"
#include "standins/file_tree.h"
#include "standins/legacy_generation_table.h"
#include "standins/machine_paths.h"
#include "standins/registry_edit.h"
#include "standins/standin_common.h"
#include "standins/standin_contract.h"

namespace zu::standin {
namespace {

constexpr wchar_t kMakerKey[] = L"SOFTWARE\\Koru Corporation\\";
constexpr wchar_t kUninstallKey[] = L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\";
constexpr wchar_t kRunOnceKey[] = L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\RunOnce";
constexpr wchar_t kCacheFolder[] = L"\\InstallShield Installation Information\\";
constexpr int kFailed = 1;
constexpr int kRefused = 2;

// The path after "/f1" (the quotes are gone once the command line is split).
std::wstring ResponseFile(const Standin& standin) {
    for (const std::wstring& argument : standin.Arguments()) {
        if (argument.size() > 3 && Lower(argument.substr(0, 3)) == L"/f1") {
            return argument.substr(3);
        }
    }
    return std::wstring();
}

// A recorded response file names the product whose dialogs it answers: one
// made for another generation would make the real setup fail.
bool AnswersFor(const std::wstring& response_file, const wchar_t* product_code) {
    UniqueFileHandle file(::CreateFileW(response_file.c_str(), GENERIC_READ, FILE_SHARE_READ,
                                        nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) {
        return false;
    }
    char bytes[4096] = {};
    DWORD read = 0;
    ::ReadFile(file.Get(), bytes, sizeof(bytes) - 1, &read, nullptr);
    std::wstring text;
    for (DWORD i = 0; i < read; ++i) {
        text += static_cast<wchar_t>(static_cast<unsigned char>(bytes[i]));
    }
    return Lower(text).find(Lower(product_code)) != std::wstring::npos;
}

void RemoveFoldersAndKeys(const Standin& standin, const LegacyGeneration& generation) {
    const std::wstring native = NativeProgramFiles() + L"\\Koru\\" + generation.name;
    standin.Record(DeleteFolderTree(native) ? L"removed" : L"remove failed", native);
    if (generation.also_in_program_files_32) {
        const std::wstring folder32 = ProgramFiles32() + L"\\Koru\\" + generation.name;
        standin.Record(DeleteFolderTree(folder32) ? L"removed" : L"remove failed", folder32);
    }
    for (REGSAM view : {KEY_WOW64_64KEY, KEY_WOW64_32KEY}) {
        DeleteKeyTree(HKEY_LOCAL_MACHINE, kMakerKey + std::wstring(generation.name), view);
    }
    standin.Record(L"removed", std::wstring(kMakerKey) + generation.name);
}

// An uninstall that stops half-way (behaviour "leave_folders_and_keys") leaves
// the program folders and product keys, which the launcher then removes.
void Uninstall(const Standin& standin, const LegacyGeneration& generation) {
    if (!standin.Flag(L"leave_folders_and_keys")) {
        RemoveFoldersAndKeys(standin, generation);
    }
    for (REGSAM view : {KEY_WOW64_64KEY, KEY_WOW64_32KEY}) {
        DeleteKeyTree(HKEY_LOCAL_MACHINE, kUninstallKey + std::wstring(generation.product_code),
                      view);
    }
    // Running from the staged copy, the cache can go, as the real uninstall does.
    const std::wstring cache = ProgramFiles32() + kCacheFolder + generation.product_code;
    if (Lower(cache) != Lower(standin.OwnFolder())) {
        standin.Record(DeleteFolderTree(cache) ? L"removed" : L"remove failed", cache);
    }
}

// What a real uninstall leaves for the next restart.
void LeaveRestartWork(const Standin& standin, const LegacyGeneration& generation) {
    if (standin.Flag(L"leave_pending_rename")) {
        const std::wstring source =
            L"\\??\\" + NativeProgramFiles() + L"\\Koru\\" + generation.name + L"\\DARiziz.exe";
        standin.Record(AddPendingDelete(source) ? L"pending rename" : L"pending rename failed",
                       source);
    }
    if (standin.Flag(L"leave_runonce")) {
        const std::wstring command = L"\"" + ProgramFiles32() + kCacheFolder +
                                     generation.product_code +
                                     L"\\setup.exe\" -runfromtemp -l0x0409 -removeonly";
        const bool set =
            SetStringValue(HKEY_LOCAL_MACHINE, kRunOnceKey, 0, generation.product_code, command);
        standin.Record(set ? L"runonce" : L"runonce failed", command);
    }
}

int Run(const Standin& standin) {
    if (standin.Flag(L"fail")) {
        standin.Record(L"failed", L"as told");
        return kFailed;
    }
    // Without "/s" the real setup would show its maintenance dialogs.
    if (!standin.HasSwitch(L"/s")) {
        standin.Record(L"refused", L"no /s");
        return kRefused;
    }
    const std::wstring code = FileNameOf(standin.OwnFolder());
    const LegacyGeneration* generation = FindLegacyGeneration(code.c_str());
    if (generation == nullptr) {
        standin.Record(L"refused", L"unknown product " + code);
        return kRefused;
    }
    const std::wstring response = ResponseFile(standin);
    if (!AnswersFor(response, generation->product_code)) {
        standin.Record(L"refused", L"response file " + response);
        return kRefused;
    }
    const std::wstring script = standin.OwnFolder() + L"\\setup.inx";
    standin.Record(L"script", PathExists(script) ? FirstLineOf(script, 80) : L"(none)");
    Uninstall(standin, *generation);
    LeaveRestartWork(standin, *generation);
    return standin.ExitCode(0);
}

}  // namespace
}  // namespace zu::standin

int WINAPI wWinMain(HINSTANCE, HINSTANCE, wchar_t*, int) {
    using namespace zu::standin;
    const Standin standin(kLegacySetupSection);
    standin.WaitAsTold();
    return Run(standin);
}
