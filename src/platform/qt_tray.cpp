#include "platform/qt_tray.h"

QtTray::QtTray(QObject* parent) : Tray(parent) {
    connect(&icon_, &QSystemTrayIcon::activated, this,
            [this](QSystemTrayIcon::ActivationReason reason) {
                if (reason == QSystemTrayIcon::DoubleClick) {
                    emit MouseEvent(kLeftDoubleClick);
                } else if (reason == QSystemTrayIcon::Context) {
                    emit MouseEvent(kRightButtonUp);
                }
            });
}
