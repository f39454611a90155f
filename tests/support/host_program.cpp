#include "tests/support/host_program.h"

#include <windows.h>

#include <vector>

namespace zu::test {
namespace {

bool IsGone(const std::wstring& path) {
    return ::GetFileAttributesW(path.c_str()) == INVALID_FILE_ATTRIBUTES;
}

std::wstring Quoted(const wchar_t* text) {
    return L"\"" + std::wstring(text) + L"\"";
}

}  // namespace

bool RunHostProgram(const wchar_t* program,
                    const std::wstring& arguments,
                    const std::wstring& folder,
                    bool (*done)(const std::wstring&),
                    const std::wstring& watched) {
    std::wstring line = std::wstring(program) + L" " + arguments;
    std::vector<wchar_t> command(line.begin(), line.end());
    command.push_back(L'\0');
    STARTUPINFOW startup = {};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION info = {};
    // Wine starts a host program without a Windows process and fills info with
    // whatever its stack held: those are no handles of ours, and closing them
    // once closed this program's standard output. They are left alone.
    if (!::CreateProcessW(program, command.data(), nullptr, nullptr, FALSE, 0, nullptr,
                          folder.c_str(), &startup, &info)) {
        return false;
    }
    for (int i = 0; i < 100 && !done(watched); ++i) {
        ::Sleep(50);
    }
    return done(watched);
}

bool IsHostLink(const std::wstring& path) {
    const DWORD attributes = ::GetFileAttributesW(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_REPARSE_POINT);
}

bool MakeHostDirectoryLink(const std::wstring& folder, const wchar_t* target, const wchar_t* name) {
    return RunHostProgram(L"Z:\\bin\\ln", L"-s " + Quoted(target) + L" " + Quoted(name), folder,
                          IsHostLink, folder + L"\\" + name);
}

bool RemoveHostLink(const std::wstring& folder, const wchar_t* name) {
    return RunHostProgram(L"Z:\\bin\\rm", L"-f " + Quoted(name), folder, IsGone,
                          folder + L"\\" + name);
}

}  // namespace zu::test
