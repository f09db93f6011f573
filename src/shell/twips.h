#pragma once
// Window geometry is designed in twips (1/1440 inch). They map to pixels through the
// screen's logical DPI, so the windows keep their proportions on high-DPI screens.

#include <QRect>

class QWidget;

struct TwipsRect {
    double left = 0;
    double top = 0;
    double width = 0;
    double height = 0;
    bool operator==(const TwipsRect&) const = default;
};

class TwipsScale {
  public:
    // 15 twips per pixel: a 96-DPI screen.
    TwipsScale() = default;
    TwipsScale(double perPixelX, double perPixelY) : perPixelX_(perPixelX), perPixelY_(perPixelY) {}
    // The scale of the screen the widget is on (or will be on).
    static TwipsScale Of(const QWidget* widget);

    double perPixelX() const { return perPixelX_; }
    double perPixelY() const { return perPixelY_; }

    // To whole pixels, rounded to the nearest.
    int ToPixelsX(double twips) const;
    int ToPixelsY(double twips) const;
    QRect ToPixels(const TwipsRect& rect) const;
    QSize ToPixels(double widthTwips, double heightTwips) const;
    QRect ToPixels(double left, double top, double width, double height) const {
        return ToPixels(TwipsRect{left, top, width, height});
    }

    double ToTwipsX(double pixels) const { return pixels * perPixelX_; }
    double ToTwipsY(double pixels) const { return pixels * perPixelY_; }

  private:
    double perPixelX_ = 15;
    double perPixelY_ = 15;
};
