#pragma once
// A window timer in the manner the program uses them: an interval, an enabled flag and a
// tag text, raising Tick while enabled. Tests drive the handlers directly.

#include <QObject>
#include <QString>
#include <QTimer>

class Timer : public QObject {
    Q_OBJECT
  public:
    explicit Timer(int intervalMs, QObject* parent = nullptr);

    bool enabled() const { return timer_.isActive(); }
    // Enabling a running timer leaves it running; its next tick still comes one interval on.
    void setEnabled(bool enabled);
    int interval() const { return timer_.interval(); }
    // A running timer's next tick comes one new interval from now.
    void setInterval(int intervalMs);

    QString Tag;

  signals:
    void Tick();

  private:
    QTimer timer_;
};
