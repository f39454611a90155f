#include "tests/support/region_window_user.h"

#include <utility>

namespace zu::test {
namespace {

constexpr DWORD kAppearTimeoutMs = 30000;
constexpr DWORD kCloseTimeoutMs = 5000;

void WaitUntilClosed(const RegionWindow& window) {
    const DWORD start = ::GetTickCount();
    while (::IsWindow(window.window) && ::GetTickCount() - start < kCloseTimeoutMs) {
        ::Sleep(20);
    }
    if (::IsWindow(window.window)) {
        ::PostMessageW(window.window, WM_CLOSE, 0, 0);
    }
}

}  // namespace

RegionWindowUser::RegionWindowUser(DWORD process_id, Act act)
    : processId_(process_id), act_(std::move(act)) {
    thread_.Reset(::CreateThread(nullptr, 0, Run, this, 0, nullptr));
}

RegionWindowUser::~RegionWindowUser() {
    Finish();
}

bool RegionWindowUser::Finish() {
    if (thread_) {
        ::WaitForSingleObject(thread_.Get(), INFINITE);
        thread_.Reset();
    }
    return sawWindow_;
}

DWORD WINAPI RegionWindowUser::Run(void* parameter) {
    auto* user = static_cast<RegionWindowUser*>(parameter);
    RegionWindow window;
    if (!WaitForRegionWindow(user->processId_, kAppearTimeoutMs, &window)) {
        return 0;
    }
    user->sawWindow_ = true;
    user->act_(window);
    WaitUntilClosed(window);
    return 0;
}

}  // namespace zu::test
