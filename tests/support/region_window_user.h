#pragma once

#include <windows.h>

#include <functional>

#include "platform/scoped_handle.h"
#include "tests/support/region_window_robot.h"

namespace zu::test {

// A user on a thread of their own who waits for the region window of a
// process, then acts on it (act runs on that thread). Whatever act does, the
// window is closed in the end, so that a run waiting for it never hangs: if
// it is still up after act, the user closes it with WM_CLOSE.
class RegionWindowUser {
  public:
    using Act = std::function<void(const RegionWindow&)>;

    RegionWindowUser(DWORD process_id, Act act);
    ~RegionWindowUser();  // waits for the user to finish
    RegionWindowUser(const RegionWindowUser&) = delete;
    RegionWindowUser& operator=(const RegionWindowUser&) = delete;

    // Waits for the user to finish; true when the window appeared.
    bool Finish();

  private:
    static DWORD WINAPI Run(void* parameter);

    DWORD processId_;
    Act act_;
    bool sawWindow_ = false;
    UniqueHandle thread_;
};

}  // namespace zu::test
