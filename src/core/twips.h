#pragma once

// Window geometry is kept in twips (1440 per inch) and converted to screen
// pixels with the screen's own twips-per-pixel factors.

#include <cmath>

namespace kiebitz::core {

struct TwipsPerPixel {
    double x = 15.0;  // 96 dpi
    double y = 15.0;

    static TwipsPerPixel fromDpi(double dpiX, double dpiY)
    {
        return {dpiX > 0 ? 1440.0 / dpiX : 15.0, dpiY > 0 ? 1440.0 / dpiY : 15.0};
    }
    int toPixelsX(double twips) const { return int(std::lround(twips / x)); }
    int toPixelsY(double twips) const { return int(std::lround(twips / y)); }
    double toTwipsX(double pixels) const { return pixels * x; }
    double toTwipsY(double pixels) const { return pixels * y; }
};

}  // namespace kiebitz::core
