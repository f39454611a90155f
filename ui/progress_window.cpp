#include "ui/progress_window.h"

#include <commctrl.h>

#include <string>
#include <utility>

#include "platform/os_version.h"
#include "platform/scoped_handle.h"
#include "resources/resource_ids.h"
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

HWND CreateChild(const LauncherContext& context,
                 const wchar_t* window_class,
                 const wchar_t* text,
                 DWORD style,
                 const RECT& layout) {
    const DpiScale& dpi = context.dpi;
    return ::CreateWindowExW(0, window_class, text, WS_CHILD | WS_VISIBLE | style,
                             dpi.ScaleX(layout.left), dpi.ScaleY(layout.top),
                             dpi.ScaleX(layout.right - layout.left),
                             dpi.ScaleY(layout.bottom - layout.top), context.mainWindow, nullptr,
                             context.instance, nullptr);
}

bool CreateMainWindow(LauncherContext* context) {
    const int width = context->dpi.ScaleX(kWindowWidth);
    const int height = context->dpi.ScaleY(kWindowHeight);
    const int x = (::GetSystemMetrics(SM_CXSCREEN) - width) / 2;
    const int y = (::GetSystemMetrics(SM_CYSCREEN) - height) / 2;
    context->mainWindow = ::CreateWindowExW(WS_EX_LEFT, kProgressWindowClass, L"ZEMI Update",
                                            WS_POPUPWINDOW | WS_CAPTION, x, y, width, height,
                                            nullptr, nullptr, context->instance, context);
    return context->mainWindow != nullptr;
}

bool CreateProgressBar(LauncherContext* context) {
    INITCOMMONCONTROLSEX controls = {sizeof(controls), ICC_PROGRESS_CLASS};
    ::InitCommonControlsEx(&controls);
    context->progressBar =
        CreateChild(*context, PROGRESS_CLASSW, nullptr, PBS_SMOOTH, kProgressBar);
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
    context->statusText = CreateChild(*context, L"STATIC", text.c_str(), 0, kStatusLine);
    return context->statusText != nullptr;
}

// Nine points of the face that the UI language's table names for this Windows.
bool CreateWindowFont(LauncherContext* context) {
    std::wstring face;
    const UINT face_id = GetOsVersionCode() == kOsXpSp2 ? IDS_FONT_FACE_XP : IDS_FONT_FACE;
    if (!LoadLocalizedString(&face, face_id)) {
        return false;
    }
    HDC dc = ::GetDC(context->mainWindow);
    if (dc == nullptr) {
        return false;
    }
    const int height = -::MulDiv(9, ::GetDeviceCaps(dc, LOGPIXELSY), 72);
    ::ReleaseDC(context->mainWindow, dc);
    context->font = ::CreateFontW(height, 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, DEFAULT_CHARSET,
                                  0, 0, 0, 0, face.c_str());
    if (context->font == nullptr) {
        return false;
    }
    const WPARAM font = reinterpret_cast<WPARAM>(context->font);
    ::PostMessageW(context->mainWindow, WM_SETFONT, font, TRUE);
    ::PostMessageW(context->statusText, WM_SETFONT, font, TRUE);
    return true;
}

LauncherContext* ContextOf(HWND window) {
    return reinterpret_cast<LauncherContext*>(::GetWindowLongPtrW(window, GWLP_USERDATA));
}

// On XP's classic look the status line sits on white, unless high contrast
// asks for the system's own colours.
LRESULT ColorStatusLine(HWND window, WPARAM wparam, LPARAM lparam) {
    if (GetOsVersionCode() != kOsXpSp2 || IsHighContrastOn()) {
        return ::DefWindowProcW(window, WM_CTLCOLORSTATIC, wparam, lparam);
    }
    HDC dc = reinterpret_cast<HDC>(wparam);
    ::SetBkColor(dc, ::GetSysColor(COLOR_WINDOW));
    ::SetBkMode(dc, TRANSPARENT);
    return reinterpret_cast<LRESULT>(::GetStockObject(WHITE_BRUSH));
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
    WNDCLASSEXW window_class = {};
    window_class.cbSize = sizeof(window_class);
    window_class.style = CS_HREDRAW | CS_VREDRAW;
    window_class.lpfnWndProc = ProgressWndProc;
    window_class.hInstance = instance;
    window_class.hIcon = ::LoadIconW(instance, MAKEINTRESOURCEW(IDI_LAUNCHER));
    window_class.hCursor =
        static_cast<HCURSOR>(::LoadImageW(nullptr, IDC_ARROW, IMAGE_CURSOR, 0, 0, LR_SHARED));
    window_class.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_MENU + 1);
    window_class.lpszClassName = kProgressWindowClass;
    return ::RegisterClassExW(&window_class) != 0;
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
        case WM_NCCREATE: {
            const auto* create = reinterpret_cast<const CREATESTRUCTW*>(lparam);
            ::SetWindowLongPtrW(window, GWLP_USERDATA,
                                reinterpret_cast<LONG_PTR>(create->lpCreateParams));
            break;
        }
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
            return ColorStatusLine(window, wparam, lparam);
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

bool IsHighContrastOn() {
    HIGHCONTRASTW high_contrast = {};
    high_contrast.cbSize = sizeof(high_contrast);
    return ::SystemParametersInfoW(SPI_GETHIGHCONTRAST, 0, &high_contrast, 0) &&
           (high_contrast.dwFlags & HCF_HIGHCONTRASTON) != 0;
}

}  // namespace zu
