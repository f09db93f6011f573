#pragma once
// Notices project files changed on disk by someone else (a sync engine bringing another
// computer's save), a moment after the writing has settled.

#include <QFileSystemWatcher>
#include <QObject>
#include <QSet>
#include <QTimer>

#include <functional>

class DiskWatch : public QObject {
    Q_OBJECT
  public:
    // `changed` is called with each watched path whose file or folder changed, once the
    // changes have paused for `settleMs`.
    DiskWatch(std::function<void(const QString&)> changed, int settleMs = 700);

    // Watches the file and the folder it is in (a sync engine replaces a file by renaming
    // another over it, which ends a watch on the file itself).
    void Watch(const QString& path);
    // Calls `changed` for the path again after the pause: it could not be taken in now.
    void Later(const QString& path);

  private:
    void Noticed(const QString& changedPath);
    void Settled();

    std::function<void(const QString&)> changed_;
    QFileSystemWatcher watcher_;
    QTimer settle_;
    QSet<QString> watched_;
    QSet<QString> pending_;
};
