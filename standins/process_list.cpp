#include "standins/process_list.h"

#include <psapi.h>
#include <tlhelp32.h>

#include "platform/scoped_handle.h"

namespace zu::standin {
namespace {

using QueryFullProcessImageNameWFn = BOOL(WINAPI*)(HANDLE, DWORD, LPWSTR, PDWORD);

// Calls visit for each process entry until it returns false.
template <typename Visit>
void ForEachProcess(Visit visit) {
    UniqueFileHandle snapshot(::CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0));
    if (!snapshot) {
        return;
    }
    PROCESSENTRY32W entry = {};
    entry.dwSize = sizeof(entry);
    for (BOOL more = ::Process32FirstW(snapshot.Get(), &entry); more;
         more = ::Process32NextW(snapshot.Get(), &entry)) {
        if (!visit(entry)) {
            return;
        }
    }
}

}  // namespace

DWORD ParentProcessId(DWORD process_id) {
    DWORD parent = 0;
    ForEachProcess([&](const PROCESSENTRY32W& entry) {
        if (entry.th32ProcessID != process_id) {
            return true;
        }
        parent = entry.th32ParentProcessID;
        return false;
    });
    return parent;
}

std::wstring ProcessImagePath(DWORD process_id) {
    wchar_t path[MAX_PATH * 2] = {};
    // Windows XP lacks the full-name query, and the module query cannot read
    // a 64-bit process from this 32-bit one: use the first where it exists.
    const auto query = reinterpret_cast<QueryFullProcessImageNameWFn>(reinterpret_cast<void*>(
        ::GetProcAddress(::GetModuleHandleW(L"kernel32.dll"), "QueryFullProcessImageNameW")));
    if (query != nullptr) {
        UniqueHandle process(::OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, process_id));
        DWORD size = MAX_PATH * 2;
        if (process && query(process.Get(), 0, path, &size)) {
            return path;
        }
    }
    UniqueHandle process(
        ::OpenProcess(PROCESS_QUERY_INFORMATION | PROCESS_VM_READ, FALSE, process_id));
    if (process && ::GetModuleFileNameExW(process.Get(), nullptr, path, MAX_PATH * 2) > 0) {
        return path;
    }
    return std::wstring();
}

std::vector<DWORD> TerminateProcessesNamed(const wchar_t* executable_name, DWORD except_id) {
    std::vector<DWORD> matching;
    ForEachProcess([&](const PROCESSENTRY32W& entry) {
        if (entry.th32ProcessID != except_id &&
            ::lstrcmpiW(entry.szExeFile, executable_name) == 0) {
            matching.push_back(entry.th32ProcessID);
        }
        return true;
    });
    std::vector<DWORD> terminated;
    for (DWORD id : matching) {
        UniqueHandle process(::OpenProcess(PROCESS_TERMINATE, FALSE, id));
        if (process && ::TerminateProcess(process.Get(), 1)) {
            terminated.push_back(id);
        }
    }
    return terminated;
}

}  // namespace zu::standin
