#include "tests/support/host_program.h"

#include <windows.h>

#include <vector>

#include "platform/scoped_handle.h"

namespace zu::test {

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
    if (!::CreateProcessW(program, command.data(), nullptr, nullptr, FALSE, 0, nullptr,
                          folder.c_str(), &startup, &info)) {
        return false;
    }
    UniqueHandle process(info.hProcess);
    UniqueHandle thread(info.hThread);
    for (int i = 0; i < 100 && !done(watched); ++i) {
        ::Sleep(50);
    }
    return done(watched);
}

}  // namespace zu::test
