#include "tests/support/launcher_process.h"

#include <vector>

#include "tests/support/test_paths.h"

namespace zu::test {
namespace {

HWND FindWindowOfProcess(DWORD process_id) {
    HWND window = nullptr;
    while ((window = ::FindWindowExW(nullptr, window, L"ZUINSTALLER", nullptr)) != nullptr) {
        DWORD owner = 0;
        ::GetWindowThreadProcessId(window, &owner);
        if (owner == process_id) {
            return window;
        }
    }
    return nullptr;
}

}  // namespace

LauncherProcess::~LauncherProcess() {
    if (debugging_) {
        ::DebugActiveProcessStop(process_id_);
    }
    if (process_ && ::WaitForSingleObject(process_.Get(), 0) == WAIT_TIMEOUT) {
        ::TerminateProcess(process_.Get(), 1);
    }
}

bool LauncherProcess::Start(const std::wstring& path,
                            const std::wstring& arguments,
                            bool hold_worker) {
    std::wstring line = L"\"" + path + L"\"" + (arguments.empty() ? L"" : L" " + arguments);
    std::vector<wchar_t> buffer(line.begin(), line.end());
    buffer.push_back(L'\0');
    STARTUPINFOW startup = {};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION info = {};
    const DWORD flags = hold_worker ? DEBUG_ONLY_THIS_PROCESS : 0;
    if (!::CreateProcessW(nullptr, buffer.data(), nullptr, nullptr, FALSE, flags, nullptr, nullptr,
                          &startup, &info)) {
        return false;
    }
    process_.Reset(info.hProcess);
    UniqueHandle main_thread(info.hThread);
    process_id_ = info.dwProcessId;
    debugging_ = hold_worker;
    return !hold_worker || HoldWorkerThread(30000);
}

void LauncherProcess::OnProcessCreated(const CREATE_PROCESS_DEBUG_INFO& info) {
    image_begin_ = reinterpret_cast<uintptr_t>(info.lpBaseOfImage);
    IMAGE_DOS_HEADER dos = {};
    IMAGE_NT_HEADERS32 nt = {};
    SIZE_T read = 0;
    if (::ReadProcessMemory(process_.Get(), info.lpBaseOfImage, &dos, sizeof(dos), &read) &&
        ::ReadProcessMemory(process_.Get(),
                            static_cast<const BYTE*>(info.lpBaseOfImage) + dos.e_lfanew, &nt,
                            sizeof(nt), &read)) {
        image_end_ = image_begin_ + nt.OptionalHeader.SizeOfImage;
    }
}

bool LauncherProcess::OnThreadCreated(const CREATE_THREAD_DEBUG_INFO& info) {
    // The worker starts in the launcher's own code; threads that the system
    // makes for itself start in system DLLs.
    const auto start = reinterpret_cast<uintptr_t>(info.lpStartAddress);
    if (start < image_begin_ || start >= image_end_) {
        return false;
    }
    HANDLE copy = nullptr;
    ::DuplicateHandle(::GetCurrentProcess(), info.hThread, ::GetCurrentProcess(), &copy, 0, FALSE,
                      DUPLICATE_SAME_ACCESS);
    worker_.Reset(copy);
    ::SuspendThread(worker_.Get());
    return true;
}

bool LauncherProcess::HoldWorkerThread(DWORD timeout_ms) {
    ::DebugSetProcessKillOnExit(FALSE);
    const DWORD start = ::GetTickCount();
    bool held = false;
    bool ended = false;
    while (!held && !ended && ::GetTickCount() - start < timeout_ms) {
        DEBUG_EVENT event = {};
        if (!::WaitForDebugEvent(&event, 100)) {
            continue;
        }
        DWORD status = DBG_CONTINUE;
        switch (event.dwDebugEventCode) {
            case CREATE_PROCESS_DEBUG_EVENT:
                OnProcessCreated(event.u.CreateProcessInfo);
                if (event.u.CreateProcessInfo.hFile != nullptr) {
                    ::CloseHandle(event.u.CreateProcessInfo.hFile);
                }
                break;
            case LOAD_DLL_DEBUG_EVENT:
                if (event.u.LoadDll.hFile != nullptr) {
                    ::CloseHandle(event.u.LoadDll.hFile);
                }
                break;
            case CREATE_THREAD_DEBUG_EVENT:
                held = OnThreadCreated(event.u.CreateThread);
                break;
            case EXCEPTION_DEBUG_EVENT:
                if (event.u.Exception.ExceptionRecord.ExceptionCode != EXCEPTION_BREAKPOINT) {
                    status = DBG_EXCEPTION_NOT_HANDLED;
                }
                break;
            case EXIT_PROCESS_DEBUG_EVENT:
                ended = true;
                break;
        }
        ::ContinueDebugEvent(event.dwProcessId, event.dwThreadId, status);
    }
    ::DebugActiveProcessStop(process_id_);
    debugging_ = false;
    return held;
}

void LauncherProcess::ReleaseWorker() {
    if (worker_) {
        ::ResumeThread(worker_.Get());
        worker_.Reset();
    }
}

bool LauncherProcess::WaitForExit(DWORD timeout_ms, DWORD* exit_code) {
    if (!process_ || ::WaitForSingleObject(process_.Get(), timeout_ms) != WAIT_OBJECT_0) {
        return false;
    }
    return ::GetExitCodeProcess(process_.Get(), exit_code) != FALSE;
}

HWND LauncherProcess::MainWindow() const {
    return FindWindowOfProcess(process_id_);
}

std::wstring PackagedLauncherPath() {
    return DistDir() + L"\\ZUInstaller.exe";
}

}  // namespace zu::test
