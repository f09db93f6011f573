#pragma once
// SIGTERM and SIGHUP, with which a desktop session or the system ends the program, turned
// into a Qt signal on the event loop: a signal handler itself may do no more than write a
// byte.

#include <QObject>

class QSocketNotifier;

class TerminationRequests : public QObject {
    Q_OBJECT
  public:
    // Installs the handlers; one instance per program.
    explicit TerminationRequests(QObject* parent = nullptr);

  signals:
    void Requested();

  private:
    QSocketNotifier* notifier_ = nullptr;
};
