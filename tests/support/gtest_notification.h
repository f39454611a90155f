// Included ahead of every test source (and GoogleTest's own): the toolchain's
// win32 thread model has no std::mutex, which GoogleTest's Notification needs,
// so it gets one made of a Win32 event.
#pragma once

#ifdef __cplusplus
#include <windows.h>

namespace testing {
namespace internal {

class Notification {
  public:
    Notification() : event_(::CreateEventW(nullptr, TRUE, FALSE, nullptr)) {}
    ~Notification() { ::CloseHandle(event_); }
    Notification(const Notification&) = delete;
    Notification& operator=(const Notification&) = delete;

    void Notify() { ::SetEvent(event_); }
    void WaitForNotification() { ::WaitForSingleObject(event_, INFINITE); }

  private:
    HANDLE event_;
};

}  // namespace internal
}  // namespace testing
#endif
