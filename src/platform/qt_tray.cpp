#include "platform/qt_tray.h"

int TrayMessageFor(QSystemTrayIcon::ActivationReason reason) {
    switch (reason) {
        case QSystemTrayIcon::DoubleClick:
            return Tray::kLeftDoubleClick;
        case QSystemTrayIcon::Context:
            return Tray::kRightButtonUp;
        default:
            return 0;
    }
}

QtTray::QtTray(QObject* parent) : Tray(parent) {
    connect(&icon_, &QSystemTrayIcon::activated, this,
            [this](QSystemTrayIcon::ActivationReason reason) {
                if (const int message = TrayMessageFor(reason)) {
                    emit MouseEvent(message);
                }
            });
    // Each look is a round trip to the display server: often enough that a panel started
    // later gets the icon soon, rarely enough to cost nothing while the timer runs unseen.
    trayWatch_.setInterval(10000);
    connect(&trayWatch_, &QTimer::timeout, this, [this] {
        if (isAvailable()) {
            trayWatch_.stop();
            emit Appeared();
        }
    });
}

void QtTray::WatchForTray(bool on) {
    if (!on) {
        trayWatch_.stop();
    } else if (!trayWatch_.isActive()) {
        trayWatch_.start();
    }
}
