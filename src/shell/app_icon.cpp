#include "shell/app_icon.h"

#include <QPainter>
#include <QPainterPath>
#include <QString>

namespace {

constexpr int kIconSizes[] = {16, 22, 24, 32, 48, 64, 128, 256};

}  // namespace

// The resource file lives in a static library; nothing else there refers to its
// registration code, so the linker would drop it unless it is called by name. Outside the
// namespace because Q_INIT_RESOURCE declares the function where it is used.
static void RegisterResources() {
    static const bool registered = [] {
        Q_INIT_RESOURCE(resources);
        return true;
    }();
    (void)registered;
}

QIcon AppIcon() {
    RegisterResources();
    QIcon icon;
    for (const int size : kIconSizes) {
        icon.addFile(QStringLiteral(":/icons/horavel-%1.png").arg(size), QSize(size, size));
    }
    return icon;
}

QIcon RunningAppIcon() {
    static const QIcon running = [] {
        const QIcon plain = AppIcon();
        QIcon badged;
        for (const int size : kIconSizes) {
            QPixmap pixmap = plain.pixmap(size, size);
            QPainter painter(&pixmap);
            painter.setRenderHint(QPainter::Antialiasing);
            // A play sign on a green disc over a quarter of the icon: seen even at 16 px.
            const double badge = size * 0.55;
            const QRectF disc(size - badge, size - badge, badge, badge);
            painter.setPen(QPen(Qt::white, std::max(1.0, size / 16.0)));
            painter.setBrush(QColor(0x1e, 0x9e, 0x3a));
            painter.drawEllipse(disc.adjusted(0.5, 0.5, -0.5, -0.5));
            QPainterPath play;
            const QPointF c = disc.center();
            const double r = badge * 0.24;
            play.moveTo(c.x() - r * 0.7, c.y() - r);
            play.lineTo(c.x() + r, c.y());
            play.lineTo(c.x() - r * 0.7, c.y() + r);
            play.closeSubpath();
            painter.setPen(Qt::NoPen);
            painter.setBrush(Qt::white);
            painter.drawPath(play);
            painter.end();
            badged.addPixmap(pixmap);
        }
        return badged;
    }();
    return running;
}
