#pragma once

#include <QSystemTrayIcon>
#include <QTimer>

#include "platform/tray.h"

// The tray message for one of Qt's activation reasons: a double-click is
// Tray::kLeftDoubleClick, the context request (the right button) Tray::kRightButtonUp, and
// every other reason 0, which the program ignores.
int TrayMessageFor(QSystemTrayIcon::ActivationReason reason);

// The tray icon on QSystemTrayIcon.
class QtTray : public Tray {
    Q_OBJECT
  public:
    explicit QtTray(QObject* parent = nullptr);
    void setToolTip(const QString& text) override { icon_.setToolTip(text); }
    void setIcon(const QIcon& icon) override { icon_.setIcon(icon); }
    void Place() override { icon_.show(); }
    void Remove() override { icon_.hide(); }
    bool isPlaced() const override { return icon_.isVisible(); }
    bool isAvailable() const override { return QSystemTrayIcon::isSystemTrayAvailable(); }
    void WatchForTray(bool on) override;

  private:
    QSystemTrayIcon icon_;
    // Qt tells nothing when a tray comes up, so it is asked every few seconds while wanted.
    QTimer trayWatch_;
};
