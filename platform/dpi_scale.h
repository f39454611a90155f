#pragma once

namespace zu {

// The screen's resolution, for scaling window layouts given in pixels at 96 DPI.
struct DpiScale {
    // 96 × 96 unless a screen device context can be had.
    DpiScale();
    DpiScale(int x, int y) : dpiX(x), dpiY(y) {}

    int ScaleX(int pixels) const;
    int ScaleY(int pixels) const;

    int dpiX = 96;
    int dpiY = 96;
};

}  // namespace zu
