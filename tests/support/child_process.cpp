#include "tests/support/child_process.h"

#include <tlhelp32.h>

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

DWORD FindProcessId(const wchar_t* executable_name) {
    UniqueFileHandle snapshot(::CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0));
    PROCESSENTRY32W entry = {};
    entry.dwSize = sizeof(entry);
    for (BOOL more = snapshot && ::Process32FirstW(snapshot.Get(), &entry); more;
         more = ::Process32NextW(snapshot.Get(), &entry)) {
        if (::lstrcmpiW(entry.szExeFile, executable_name) == 0) {
            return entry.th32ProcessID;
        }
    }
    return 0;
}

bool AllEndedWithin(const wchar_t* executable_name, DWORD timeout_ms) {
    const DWORD start = ::GetTickCount();
    for (DWORD id = FindProcessId(executable_name); id != 0; id = FindProcessId(executable_name)) {
        const DWORD spent = ::GetTickCount() - start;
        if (spent >= timeout_ms) {
            return false;
        }
        UniqueHandle process(::OpenProcess(SYNCHRONIZE, FALSE, id));
        if (process) {
            ::WaitForSingleObject(process.Get(), timeout_ms - spent);
        } else {
            ::Sleep(10);  // gone, or not ours to wait for: look again
        }
    }
    return true;
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
