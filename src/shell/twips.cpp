#include "shell/twips.h"

#include <QWidget>

#include <cmath>

namespace {
constexpr double kTwipsPerInch = 1440;

// Nearest whole pixel, held within int so that no twips value can overflow it.
int Round(double value) {
    constexpr double kLimit = 1e9;
    if (!(value > -kLimit)) {
        return static_cast<int>(-kLimit);
    }
    return static_cast<int>(std::lround(value < kLimit ? value : kLimit));
}
}  // namespace

TwipsScale TwipsScale::Of(const QWidget* widget) {
    const int dpiX = widget->logicalDpiX();
    const int dpiY = widget->logicalDpiY();
    // A screen that reports no DPI at all gets the common 96.
    return {kTwipsPerInch / (dpiX > 0 ? dpiX : 96), kTwipsPerInch / (dpiY > 0 ? dpiY : 96)};
}

int TwipsScale::ToPixelsX(double twips) const {
    return Round(twips / perPixelX_);
}

int TwipsScale::ToPixelsY(double twips) const {
    return Round(twips / perPixelY_);
}

QRect TwipsScale::ToPixels(const TwipsRect& rect) const {
    return {ToPixelsX(rect.left), ToPixelsY(rect.top), ToPixelsX(rect.width),
            ToPixelsY(rect.height)};
}

QSize TwipsScale::ToPixels(double widthTwips, double heightTwips) const {
    return {ToPixelsX(widthTwips), ToPixelsY(heightTwips)};
}
