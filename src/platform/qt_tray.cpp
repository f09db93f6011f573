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
}
