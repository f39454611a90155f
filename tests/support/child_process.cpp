#include "tests/support/child_process.h"

#include <vector>

#include "platform/scoped_handle.h"

namespace zu::test {

std::wstring Quote(const std::wstring& path) {
    return L"\"" + path + L"\"";
}

bool RunProgram(const std::wstring& command_line, DWORD timeout_ms, DWORD* exit_code) {
    std::vector<wchar_t> line(command_line.begin(), command_line.end());
    line.push_back(L'\0');
    STARTUPINFOW startup = {};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION info = {};
    if (!::CreateProcessW(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                          &startup, &info)) {
        return false;
    }
    UniqueHandle process(info.hProcess);
    UniqueHandle thread(info.hThread);
    if (::WaitForSingleObject(process.Get(), timeout_ms) != WAIT_OBJECT_0) {
        ::TerminateProcess(process.Get(), 1);
        return false;
    }
    return ::GetExitCodeProcess(process.Get(), exit_code) != FALSE;
}

ScopedWineVersion::ScopedWineVersion(const std::wstring& exe_name, const wchar_t* version)
    : key_(L"Software\\Wine\\AppDefaults\\" + exe_name) {
    HKEY key = nullptr;
    if (::RegCreateKeyExW(HKEY_CURRENT_USER, key_.c_str(), 0, nullptr, 0, KEY_WRITE, nullptr, &key,
                          nullptr) == ERROR_SUCCESS) {
        const DWORD bytes = static_cast<DWORD>((wcslen(version) + 1) * sizeof(wchar_t));
        ::RegSetValueExW(key, L"Version", 0, REG_SZ, reinterpret_cast<const BYTE*>(version), bytes);
        ::RegCloseKey(key);
    }
}

ScopedWineVersion::~ScopedWineVersion() {
    ::RegDeleteKeyW(HKEY_CURRENT_USER, key_.c_str());
}

}  // namespace zu::test
