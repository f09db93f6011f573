#include "tree/tree_icons.h"

#include <QCoreApplication>
#include <QPainter>
#include <QPainterPath>
#include <QPixmap>

#include <array>
#include <cmath>
#include <numbers>

// Every picture is drawn on a 14 by 14 grid and scaled; lines that must be crisp sit on
// whole pixels of that grid at both sizes.
namespace {

constexpr double kGrid = 14;

void DrawDiamond(QPainter& painter, QColor light, QColor dark) {
    painter.setRenderHint(QPainter::Antialiasing);
    const QPolygonF diamond({{7, 0.5}, {13.5, 7}, {7, 13.5}, {0.5, 7}});
    QLinearGradient shade(QPointF(3, 3), QPointF(11, 11));
    shade.setColorAt(0, light);
    shade.setColorAt(1, dark);
    painter.setBrush(shade);
    painter.setPen(QPen(dark.darker(140), 1));
    painter.drawPolygon(diamond);
}

void DrawCheckBox(QPainter& painter, bool ticked) {
    painter.setPen(QPen(QColor(64, 64, 64), 1));
    painter.setBrush(Qt::white);
    painter.drawRect(QRectF(1.5, 1.5, 11, 11));
    if (!ticked) {
        return;
    }
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(QPen(QColor(0, 150, 0), 2, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    painter.setBrush(Qt::NoBrush);
    painter.drawPolyline(QPolygonF({{3.5, 7}, {6, 9.5}, {10.5, 4}}));
}

// A white face with a black rim, four hour marks and one hand, `eighths` of a turn
// clockwise from straight up.
void DrawClock(QPainter& painter, int eighths) {
    painter.setRenderHint(QPainter::Antialiasing);
    const QPointF centre(7, 7);
    painter.setPen(QPen(Qt::black, 1));
    painter.setBrush(Qt::white);
    // The rim on the outermost pixels, so it is crisp where it meets the edges.
    painter.drawEllipse(centre, 6.5, 6.5);
    painter.setBrush(Qt::black);
    painter.setPen(Qt::NoPen);
    for (const QRectF& mark :
         {QRectF(6, 1, 2, 1), QRectF(12, 6, 1, 2), QRectF(6, 12, 2, 1), QRectF(1, 6, 1, 2)}) {
        painter.drawRect(mark);
    }
    const double angle = eighths * std::numbers::pi / 4;
    const QPointF tip(centre.x() + 4.5 * std::sin(angle), centre.y() - 4.5 * std::cos(angle));
    painter.setPen(QPen(Qt::black, 2, Qt::SolidLine, Qt::RoundCap));
    painter.drawLine(centre, tip);
}

QPixmap Pixmap(TreeImage image, int pixels) {
    return QPixmap::fromImage(DrawTreeImage(image, pixels));
}

}  // namespace

QImage DrawTreeImage(TreeImage image, int pixels) {
    QImage picture(pixels, pixels, QImage::Format_ARGB32_Premultiplied);
    picture.fill(Qt::transparent);
    QPainter painter(&picture);
    painter.scale(pixels / kGrid, pixels / kGrid);
    const int number = int(image);
    if (image == TreeImage::ProjectUnmodified) {
        DrawDiamond(painter, QColor(120, 230, 120), QColor(0, 140, 0));
    } else if (image == TreeImage::ProjectModified) {
        DrawDiamond(painter, QColor(255, 130, 130), QColor(200, 0, 0));
    } else if (image == TreeImage::Task || image == TreeImage::TaskCompleted) {
        DrawCheckBox(painter, image == TreeImage::TaskCompleted);
    } else if (number >= int(TreeImage::Clock0) && number < int(TreeImage::Clock0) + 8) {
        DrawClock(painter, number - int(TreeImage::Clock0));
    }
    return picture;
}

QIcon TreeIcon(TreeImage image) {
    static std::array<QIcon, int(TreeImage::ProjectModified) + 1> icons;
    const int number = int(image);
    if (number <= 0 || number >= int(icons.size())) {
        return {};
    }
    QIcon& icon = icons[number];
    if (icon.isNull()) {
        static const bool released = [] {
            // Pixmaps belong to the application: let them go when it ends.
            qAddPostRoutine([] { icons.fill(QIcon()); });
            return true;
        }();
        (void)released;
        icon.addPixmap(Pixmap(image, 14));
        icon.addPixmap(Pixmap(image, 28));
    }
    return icon;
}
