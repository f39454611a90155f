#include "ui/progress_window.h"

#include <commctrl.h>

#include <string>
#include <utility>

#include "platform/scoped_handle.h"
#include "resources/resource_ids.h"
#include "ui/launcher_window.h"
#include "ui/localized_strings.h"

namespace zu {
namespace {

// Layout at 96 DPI.
constexpr int kWindowWidth = 405;
constexpr int kWindowHeight = 118;
constexpr RECT kStatusLine = {22, 22, 22 + 350, 22 + 17};
constexpr RECT kProgressBar = {22, 53, 22 + 355, 53 + 15};
constexpr UINT kTimerPeriodMs = 600;
constexpr DWORD kWorkerGraceMs = 200;

bool IsSilentMode(const LauncherContext& context) {
    return context.launchInstallerSilent || context.zeuInstallSilent || context.ordinaryRunSilent;
}

bool CreateMainWindow(LauncherContext* context) {
    context->mainWindow = CreateCentredWindow(kProgressWindowClass, kWindowWidth, kWindowHeight,
                                              context->dpi, context->instance, context);
    return context->mainWindow != nullptr;
}

bool CreateProgressBar(LauncherContext* context) {
    INITCOMMONCONTROLSEX controls = {sizeof(controls), ICC_PROGRESS_CLASS};
    ::InitCommonControlsEx(&controls);
    context->progressBar = CreateScaledChild(context->mainWindow, context->dpi, PROGRESS_CLASSW,
                                             nullptr, PBS_SMOOTH, 0, kProgressBar);
    if (context->progressBar == nullptr) {
        return false;
    }
    ::SetTimer(context->mainWindow, kProgressTimerId, kTimerPeriodMs, nullptr);
    return true;
}

bool CreateStatusLine(LauncherContext* context) {
    std::wstring text;
    if (!LoadLocalizedString(&text, IDS_INSTALLING)) {
        return false;
    }
    context->statusText = CreateScaledChild(context->mainWindow, context->dpi, L"STATIC",
                                            text.c_str(), 0, 0, kStatusLine);
    return context->statusText != nullptr;
}

bool CreateWindowFont(LauncherContext* context) {
    context->font = CreateLocalizedFont(context->mainWindow);
    if (context->font == nullptr) {
        return false;
    }
    PostFont(context->font, {context->mainWindow, context->statusText});
    return true;
}

LauncherContext* ContextOf(HWND window) {
    return CreationDataOf<LauncherContext>(window);
}

LRESULT OnClose(HWND window, LauncherContext* context) {
    if (context == nullptr || context->closeBlocked) {
        return 0;
    }
    ReleaseWindowResources(context);
    return ::DefWindowProcW(window, WM_CLOSE, 0, 0);
}

}  // namespace

bool RegisterProgressWindowClass(HINSTANCE instance) {
    return RegisterLauncherWindowClass(instance, kProgressWindowClass, ProgressWndProc);
}

bool CreateProgressWindow(LauncherContext* context, HINSTANCE instance, int show_command) {
    context->instance = instance;
    if (!CreateMainWindow(context) || !CreateProgressBar(context) || !CreateStatusLine(context) ||
        !CreateWindowFont(context)) {
        return false;
    }
    ::ShowWindow(context->mainWindow, IsSilentMode(*context) ? SW_HIDE : show_command);
    ::EnableMenuItem(::GetSystemMenu(context->mainWindow, FALSE), SC_CLOSE,
                     MF_BYCOMMAND | MF_DISABLED);
    ::UpdateWindow(context->mainWindow);
    return true;
}

LRESULT CALLBACK ProgressWndProc(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
    switch (message) {
        case WM_NCCREATE:
            StoreCreationData(window, lparam);
            break;
        case WM_CLOSE:
            return OnClose(window, ContextOf(window));
        case WM_DESTROY:
            ::KillTimer(window, kProgressTimerId);
            ::PostQuitMessage(0);
            return 0;
        case WM_TIMER:
            if (LOWORD(wparam) == kProgressTimerId && ContextOf(window) != nullptr) {
                ::PostMessageW(ContextOf(window)->progressBar, PBM_STEPIT, 0, 0);
            }
            return 0;
        case WM_KEYDOWN:
        case WM_SYSKEYDOWN:
            // The keyboard, Alt+F4 included, has no effect on this window.
            return 0;
        case WM_CTLCOLORSTATIC:
            // The status line on XP's classic look.
            return ColorStaticText(window, wparam, lparam);
    }
    return ::DefWindowProcW(window, message, wparam, lparam);
}

void ReleaseWindowResources(LauncherContext* context) {
    if (context->font != nullptr) {
        ::DeleteObject(context->font);
        context->font = nullptr;
    }
    if (context->workerThread == nullptr) {
        return;
    }
    UniqueHandle worker(std::exchange(context->workerThread, nullptr));
    DWORD exit_code = 0;
    if (::GetExitCodeThread(worker.Get(), &exit_code) && exit_code == STILL_ACTIVE &&
        ::WaitForSingleObject(worker.Get(), kWorkerGraceMs) == WAIT_TIMEOUT) {
        // The worker posts WM_CLOSE as its last act; this only cuts short its return path.
        ::TerminateThread(worker.Get(), 0);
    }
}

void ReleaseProgressWindow(LauncherContext* context) {
    context->closeBlocked = false;
    ::PostMessageW(context->mainWindow, WM_CLOSE, 0, 0);
}

}  // namespace zu
