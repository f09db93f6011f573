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
    trayWatch_.setInterval(3000);
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
