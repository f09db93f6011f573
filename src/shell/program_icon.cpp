#include "shell/program_icon.h"

#include <QPainter>
#include <QPixmap>

namespace {

// A clock face with its hands at ten past ten, drawn at one size.
QPixmap ClockFace(int size) {
    QPixmap pixmap(size, size);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    const double unit = size / 32.0;
    painter.translate(size / 2.0, size / 2.0);
    painter.scale(unit, unit);
    painter.setPen(QPen(QColor(0x1f, 0x4e, 0x79), 2.5));
    painter.setBrush(QColor(0xf4, 0xf8, 0xfc));
    painter.drawEllipse(QPointF(0, 0), 14, 14);
    painter.setPen(QPen(QColor(0x1f, 0x4e, 0x79), 1.5));
    for (int hour = 0; hour < 12; hour += 3) {
        painter.save();
        painter.rotate(hour * 30);
        painter.drawLine(QPointF(0, -12), QPointF(0, -10));
        painter.restore();
    }
    painter.setPen(QPen(QColor(0x20, 0x20, 0x20), 2.5, Qt::SolidLine, Qt::RoundCap));
    painter.drawLine(QPointF(0, 0), QPointF(-5.2, -3));  // hour hand at ten
    painter.setPen(QPen(QColor(0xc0, 0x39, 0x2b), 2, Qt::SolidLine, Qt::RoundCap));
    painter.drawLine(QPointF(0, 0), QPointF(7.8, -4.5));  // minute hand at two
    return pixmap;
}

}  // namespace

// Drawn afresh on each call rather than kept: pixmaps must not outlive the application.
QIcon ProgramIcon() {
    QIcon drawn;
    for (int size : {16, 22, 24, 32, 48, 64, 128}) {
        drawn.addPixmap(ClockFace(size));
    }
    return QIcon::fromTheme(QStringLiteral("horavel"), drawn);
}
