#include "files/disk_watch.h"

#include <QFileInfo>

#include <utility>

DiskWatch::DiskWatch(std::function<void(const QString&)> changed, int settleMs)
    : changed_(std::move(changed)) {
    settle_.setSingleShot(true);
    settle_.setInterval(settleMs);
    connect(&settle_, &QTimer::timeout, this, &DiskWatch::Settled);
    connect(&watcher_, &QFileSystemWatcher::fileChanged, this, &DiskWatch::Noticed);
    connect(&watcher_, &QFileSystemWatcher::directoryChanged, this, &DiskWatch::Noticed);
}

void DiskWatch::Watch(const QString& path) {
    const QFileInfo info(path);
    watched_.insert(info.absoluteFilePath());
    const QStringList already = watcher_.files() + watcher_.directories();
    for (const QString& each : {info.absoluteFilePath(), info.absolutePath()}) {
        if (!already.contains(each) && QFileInfo::exists(each)) {
            watcher_.addPath(each);
        }
    }
}

void DiskWatch::Later(const QString& path) {
    pending_.insert(path);
    settle_.start();
}

void DiskWatch::Noticed(const QString& changedPath) {
    for (const QString& path : watched_) {
        if (path == changedPath || QFileInfo(path).absolutePath() == changedPath) {
            pending_.insert(path);
        }
    }
    settle_.start();  // a sync engine may still be writing
}

void DiskWatch::Settled() {
    const QSet<QString> paths = std::exchange(pending_, {});
    for (const QString& path : paths) {
        if (!watcher_.files().contains(path) && QFileInfo::exists(path)) {
            watcher_.addPath(path);  // replaced by a rename: watch the new file
        }
        changed_(path);
    }
}
