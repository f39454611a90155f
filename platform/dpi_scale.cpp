#include "platform/dpi_scale.h"

#include <windows.h>

namespace zu {

DpiScale::DpiScale() {
    HDC screen = ::GetDC(nullptr);
    if (screen != nullptr) {
        dpiX = ::GetDeviceCaps(screen, LOGPIXELSX);
        dpiY = ::GetDeviceCaps(screen, LOGPIXELSY);
        ::ReleaseDC(nullptr, screen);
    }
}

int DpiScale::ScaleX(int pixels) const {
    return ::MulDiv(pixels, dpiX, 96);
}

int DpiScale::ScaleY(int pixels) const {
    return ::MulDiv(pixels, dpiY, 96);
}

}  // namespace zu
