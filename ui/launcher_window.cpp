#include "ui/launcher_window.h"

#include <string>

#include "platform/os_version.h"
#include "resources/resource_ids.h"
#include "ui/localized_strings.h"

namespace zu {

bool RegisterLauncherWindowClass(HINSTANCE instance,
                                 const wchar_t* class_name,
                                 WNDPROC window_procedure) {
    WNDCLASSEXW window_class = {};
    window_class.cbSize = sizeof(window_class);
    window_class.style = CS_HREDRAW | CS_VREDRAW;
    window_class.lpfnWndProc = window_procedure;
    window_class.hInstance = instance;
    window_class.hIcon = ::LoadIconW(instance, MAKEINTRESOURCEW(IDI_LAUNCHER));
    window_class.hCursor =
        static_cast<HCURSOR>(::LoadImageW(nullptr, IDC_ARROW, IMAGE_CURSOR, 0, 0, LR_SHARED));
    window_class.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_MENU + 1);
    window_class.lpszClassName = class_name;
    return ::RegisterClassExW(&window_class) != 0;
}

HWND CreateCentredWindow(const wchar_t* class_name,
                         int width,
                         int height,
                         const DpiScale& dpi,
                         HINSTANCE instance,
                         void* creation_data) {
    const int scaled_width = dpi.ScaleX(width);
    const int scaled_height = dpi.ScaleY(height);
    const int x = (::GetSystemMetrics(SM_CXSCREEN) - scaled_width) / 2;
    const int y = (::GetSystemMetrics(SM_CYSCREEN) - scaled_height) / 2;
    return ::CreateWindowExW(WS_EX_LEFT, class_name, L"ZEMI Update", WS_POPUPWINDOW | WS_CAPTION, x,
                             y, scaled_width, scaled_height, nullptr, nullptr, instance,
                             creation_data);
}

HWND CreateScaledChild(HWND parent,
                       const DpiScale& dpi,
                       const wchar_t* window_class,
                       const wchar_t* text,
                       DWORD style,
                       int id,
                       const RECT& layout) {
    const auto instance = reinterpret_cast<HINSTANCE>(::GetWindowLongPtrW(parent, GWLP_HINSTANCE));
    return ::CreateWindowExW(0, window_class, text, WS_CHILD | WS_VISIBLE | style,
                             dpi.ScaleX(layout.left), dpi.ScaleY(layout.top),
                             dpi.ScaleX(layout.right - layout.left),
                             dpi.ScaleY(layout.bottom - layout.top), parent,
                             reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), instance, nullptr);
}

HFONT CreateLocalizedFont(HWND window) {
    std::wstring face;
    const UINT face_id = GetOsVersionCode() == kOsXpSp2 ? IDS_FONT_FACE_XP : IDS_FONT_FACE;
    if (!LoadLocalizedString(&face, face_id)) {
        return nullptr;
    }
    HDC dc = ::GetDC(window);
    if (dc == nullptr) {
        return nullptr;
    }
    const int height = -::MulDiv(9, ::GetDeviceCaps(dc, LOGPIXELSY), 72);
    ::ReleaseDC(window, dc);
    return ::CreateFontW(height, 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, DEFAULT_CHARSET, 0, 0, 0,
                         0, face.c_str());
}

void PostFont(HFONT font, std::initializer_list<HWND> windows) {
    for (HWND window : windows) {
        ::PostMessageW(window, WM_SETFONT, reinterpret_cast<WPARAM>(font), TRUE);
    }
}

void StoreCreationData(HWND window, LPARAM create_struct) {
    const auto* create = reinterpret_cast<const CREATESTRUCTW*>(create_struct);
    ::SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(create->lpCreateParams));
}

LRESULT ColorStaticText(HWND window, WPARAM wparam, LPARAM lparam) {
    if (GetOsVersionCode() != kOsXpSp2 || IsHighContrastOn()) {
        return ::DefWindowProcW(window, WM_CTLCOLORSTATIC, wparam, lparam);
    }
    HDC dc = reinterpret_cast<HDC>(wparam);
    ::SetBkColor(dc, ::GetSysColor(COLOR_WINDOW));
    ::SetBkMode(dc, TRANSPARENT);
    return reinterpret_cast<LRESULT>(::GetStockObject(WHITE_BRUSH));
}

bool IsHighContrastOn() {
    HIGHCONTRASTW high_contrast = {};
    high_contrast.cbSize = sizeof(high_contrast);
    return ::SystemParametersInfoW(SPI_GETHIGHCONTRAST, 0, &high_contrast, 0) &&
           (high_contrast.dwFlags & HCF_HIGHCONTRASTON) != 0;
}

}  // namespace zu
