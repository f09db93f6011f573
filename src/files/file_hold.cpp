#include "files/file_hold.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLockFile>

#include <map>

FileStamp StampOfBytes(const char* data, size_t size, const QDateTime& modified) {
    FileStamp stamp;
    stamp.size = qint64(size);
    stamp.modified = modified;
    stamp.hash = QCryptographicHash::hash(QByteArrayView(data, qsizetype(size)), kStampHash);
    return stamp;
}

FileStamp StampOfFile(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        return {};
    }
    QCryptographicHash hash(kStampHash);
    hash.addData(&file);
    FileStamp stamp;
    stamp.size = file.size();
    stamp.modified = QFileInfo(file).lastModified();
    stamp.hash = hash.result();
    return stamp;
}

bool ContentChanged(const FileStamp& before, const FileStamp& now) {
    return now.size >= 0 && (now.size != before.size || now.hash != before.hash);
}

namespace {

QString LockPathOf(const QString& path) {
    const QFileInfo info(path);
    return info.absoluteDir().filePath(QLatin1Char('.') + info.fileName() +
                                       QStringLiteral(".lock"));
}

}  // namespace

std::shared_ptr<QLockFile> LockProjectFile(const QString& path, LockOutcome& outcome) {
    // A QLockFile knows nothing of the other QLockFiles of its own process.
    static std::map<QString, std::weak_ptr<QLockFile>> heldHere;
    const QString lockPath = LockPathOf(path);
    if (auto held = heldHere[lockPath].lock()) {
        outcome = LockOutcome::Held;
        return held;
    }
    auto lock = std::make_shared<QLockFile>(lockPath);
    lock->setStaleLockTime(0);  // a live holder keeps it however long; a dead one loses it
    if (lock->tryLock(0)) {
        heldHere[lockPath] = lock;
        outcome = LockOutcome::Held;
        return lock;
    }
    outcome = lock->error() == QLockFile::LockFailedError ? LockOutcome::HeldByAnotherCopy
                                                          : LockOutcome::NotLockable;
    return nullptr;
}
