#pragma once

#include <windows.h>

#include <cstdint>
#include <string>

#include "platform/scoped_handle.h"

namespace zu::test {

// Runs dist\ZUInstaller.exe (or another launcher build) as another program
// would, and can hold its run in the middle: it starts the launcher under the
// debugging interface, suspends the worker thread the moment it is created
// (the first thread that starts in the launcher's own code), then detaches. The launcher's window
// stays live on its UI thread while the run is held.
class LauncherProcess {
  public:
    LauncherProcess() = default;
    ~LauncherProcess();
    LauncherProcess(const LauncherProcess&) = delete;
    LauncherProcess& operator=(const LauncherProcess&) = delete;

    // Starts the launcher at path with arguments. With hold_worker, waits until
    // the worker thread exists and is suspended (false if the launcher ended first).
    bool Start(const std::wstring& path, const std::wstring& arguments, bool hold_worker);

    // Lets a held run go on.
    void ReleaseWorker();

    // Waits for the launcher to end; true with its exit code.
    bool WaitForExit(DWORD timeout_ms, DWORD* exit_code);

    // The launcher's "ZUINSTALLER" window, or null.
    HWND MainWindow() const;

    DWORD ProcessId() const { return process_id_; }

  private:
    bool HoldWorkerThread(DWORD timeout_ms);
    void OnProcessCreated(const CREATE_PROCESS_DEBUG_INFO& info);
    bool OnThreadCreated(const CREATE_THREAD_DEBUG_INFO& info);

    UniqueHandle process_;
    UniqueHandle worker_;
    DWORD process_id_ = 0;
    uintptr_t image_begin_ = 0;
    uintptr_t image_end_ = 0;
    bool debugging_ = false;
};

// The launcher that the build put in the package folder.
std::wstring PackagedLauncherPath();

}  // namespace zu::test
