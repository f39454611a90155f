// Stands in for the launcher around the self-repair operations: "beside the
// launcher" is then the package folder that a test lays out around this
// program, copied there as "ZUInstaller.exe". One command per start:
//   guard           RunSelfRepairGuard's result (1 or 0)
//   finish          FinishSelfRepairDeployment's result (1 or 0)
//   package-current IsPackageCurrent (1 or 0)
//   package-name    writes GetPackageName's name, UTF-8, to "name.txt" beside
//                   this program; exit code = the result
// Any other command exits with kUnknownCommand.
#include <windows.h>

#include <cstdio>
#include <string>

#include "platform/file_operations.h"
#include "selfrepair/self_repair_guard.h"

namespace {

constexpr int kUnknownCommand = 100;
constexpr int kGuardWent = 1;

int RunGuard() {
    return zu::RunSelfRepairGuard() ? kGuardWent : 0;
}

int WritePackageName() {
    std::wstring name;
    const bool built = zu::GetPackageName(&name);
    std::wstring output;
    if (!zu::PathBesideLauncher(L"name.txt", &output)) {
        return kUnknownCommand + 1;
    }
    std::FILE* file = _wfopen(output.c_str(), L"wb");
    if (file == nullptr) {
        return kUnknownCommand + 1;
    }
    const int bytes = ::WideCharToMultiByte(CP_UTF8, 0, name.c_str(), static_cast<int>(name.size()),
                                            nullptr, 0, nullptr, nullptr);
    std::string utf8(static_cast<size_t>(bytes), '\0');
    ::WideCharToMultiByte(CP_UTF8, 0, name.c_str(), static_cast<int>(name.size()), utf8.data(),
                          bytes, nullptr, nullptr);
    std::fwrite(utf8.data(), 1, utf8.size(), file);
    std::fclose(file);
    return built ? 1 : 0;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    const std::wstring command = argc > 1 ? argv[1] : L"";
    if (command == L"guard") {
        return RunGuard();
    }
    if (command == L"finish") {
        return zu::FinishSelfRepairDeployment() ? 1 : 0;
    }
    if (command == L"package-current") {
        return zu::IsPackageCurrent() ? 1 : 0;
    }
    if (command == L"package-name") {
        return WritePackageName();
    }
    return kUnknownCommand;
}
