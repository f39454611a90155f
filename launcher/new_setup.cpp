#include "launcher/new_setup.h"

#include <windows.h>

#include <string>
#include <vector>

#include "platform/scoped_handle.h"

namespace zu {
namespace {

std::wstring LauncherFolder() {
    wchar_t path[MAX_PATH] = {};
    ::GetModuleFileNameW(nullptr, path, MAX_PATH);
    std::wstring folder(path);
    const size_t last = folder.rfind(L'\\');
    return last == std::wstring::npos ? std::wstring() : folder.substr(0, last);
}

}  // namespace

void RunNewSetup(const wchar_t* relative_path) {
    const std::wstring program = LauncherFolder() + L"\\" + relative_path;
    // Quoted: an unquoted path with spaces would let a planted "C:\Program.exe"
    // run in the setup's place, with the launcher's rights.
    const std::wstring command = L"\"" + program + L"\" /s";
    const size_t last = program.rfind(L'\\');
    const std::wstring directory = program.substr(0, last + 1);

    std::vector<wchar_t> writable(command.begin(), command.end());
    writable.push_back(L'\0');
    STARTUPINFOW startup = {};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION info = {};
    if (!::CreateProcessW(nullptr, writable.data(), nullptr, nullptr, FALSE, 0, nullptr,
                          directory.c_str(), &startup, &info)) {
        return;
    }
    UniqueHandle process(info.hProcess);
    UniqueHandle thread(info.hThread);
    ::WaitForSingleObject(process.Get(), INFINITE);
}

}  // namespace zu
