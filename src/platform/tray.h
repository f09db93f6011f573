#pragma once
// The icon in the system tray.

#include <QIcon>
#include <QObject>
#include <QString>

class Tray : public QObject {
    Q_OBJECT
  public:
    // The mouse messages the tray reports, as numbers.
    static constexpr int kLeftDoubleClick = 515;
    static constexpr int kRightButtonUp = 517;

    using QObject::QObject;
    virtual void setToolTip(const QString& text) = 0;
    virtual void setIcon(const QIcon& icon) = 0;
    // Both are harmless when repeated.
    virtual void Place() = 0;
    virtual void Remove() = 0;
    virtual bool isPlaced() const = 0;
    // Whether the desktop has a tray that can show the icon at all.
    virtual bool isAvailable() const = 0;
    // While on, Appeared is sent once a tray comes up where there was none.
    virtual void WatchForTray(bool on) = 0;

  signals:
    // A mouse message on the icon: kLeftDoubleClick or kRightButtonUp.
    void MouseEvent(int message);
    void Appeared();
};
