#include "files/file_hold.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLockFile>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>
#include <cerrno>

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

bool SameFile(const QString& one, const QString& other) {
    struct stat first {};
    struct stat second {};
    return ::stat(QFile::encodeName(one).constData(), &first) == 0 &&
           ::stat(QFile::encodeName(other).constData(), &second) == 0 &&
           first.st_dev == second.st_dev && first.st_ino == second.st_ino;
}

namespace {

// The lock beside the file, for copies of other users and other machines too. A symlink's
// is beside the file it points to.
QString LockPathOf(const QString& path) {
    const QFileInfo given(path);
    const QFileInfo info(given.exists() ? given.canonicalFilePath() : given.absoluteFilePath());
    return info.absoluteDir().filePath(QLatin1Char('.') + info.fileName() +
                                       QStringLiteral(".lock"));
}

using FileIdentity = std::pair<dev_t, ino_t>;

// A file's own lock, on its bytes whatever name reached them: a hard link in another folder
// has another lock beside it, but the same device and inode. The system lets go of it when
// the holder ends, crashed or not.
struct IdentityLock {
    ~IdentityLock() {
        if (fd >= 0) {
            ::close(fd);
        }
    }
    int fd = -1;
    std::shared_ptr<QLockFile> beside;
};

// Locks the file's inode: false when another copy holds it. A file system without such
// locks (or a file that cannot be opened) gives no lock and no refusal.
bool LockIdentity(const QString& path, IdentityLock& held, FileIdentity& identity) {
    held.fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    struct stat status {};
    if (held.fd < 0 || ::fstat(held.fd, &status) != 0 || !S_ISREG(status.st_mode)) {
        return true;
    }
    identity = {status.st_dev, status.st_ino};
    if (::flock(held.fd, LOCK_EX | LOCK_NB) == 0) {
        return true;
    }
    const bool heldElsewhere = errno == EWOULDBLOCK;
    ::close(held.fd);
    held.fd = -1;
    return !heldElsewhere;
}

// The lock beside the file, shared by the projects of this window: a QLockFile knows
// nothing of the other QLockFiles of its own process.
std::shared_ptr<QLockFile> LockBeside(const QString& path, LockOutcome& outcome) {
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

}  // namespace

std::shared_ptr<QLockFile> LockProjectFile(const QString& path, LockOutcome& outcome) {
    // Projects of this window share the locks of their file, by inode: the system's own
    // locks would refuse this process a second one.
    static std::map<FileIdentity, std::weak_ptr<IdentityLock>> heldHere;
    struct stat status {};
    if (::stat(QFile::encodeName(path).constData(), &status) == 0) {
        if (auto held = heldHere[{status.st_dev, status.st_ino}].lock()) {
            outcome = LockOutcome::Held;
            return {held, held->beside.get()};
        }
    }
    auto held = std::make_shared<IdentityLock>();
    held->beside = LockBeside(path, outcome);
    if (outcome == LockOutcome::HeldByAnotherCopy) {
        return nullptr;
    }
    FileIdentity identity{};
    if (!LockIdentity(path, *held, identity)) {
        outcome = LockOutcome::HeldByAnotherCopy;
        return nullptr;
    }
    if (held->fd >= 0) {
        heldHere[identity] = held;
        outcome = LockOutcome::Held;
    }
    if (outcome != LockOutcome::Held) {
        return nullptr;
    }
    if (!held->beside) {
        // Never locked: where no lock fits beside the file, the inode's lock guards alone.
        held->beside = std::make_shared<QLockFile>(LockPathOf(path));
    }
    return {held, held->beside.get()};
}

bool FileStillAsLoaded(const FileHold* hold, const QString& path) {
    return hold == nullptr || !ContentChanged(hold->stamp, StampOfFile(path));
}
