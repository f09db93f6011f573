#include "files/file_hold.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLockFile>
#include <QSysInfo>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>
#include <cerrno>

#include <map>

#define XXH_INLINE_ALL
#include <xxhash.h>

#include "files/conflict_copies.h"

struct StampHasher::State {
    XXH3_state_t* xxh = XXH3_createState();
    ~State() { XXH3_freeState(xxh); }
};

StampHasher::StampHasher() : state_(std::make_unique<State>()) {
    XXH3_128bits_reset(state_->xxh);
}

StampHasher::~StampHasher() = default;

void StampHasher::Add(const char* data, size_t size) {
    XXH3_128bits_update(state_->xxh, data, size);
}

QByteArray StampHasher::Result() const {
    XXH128_canonical_t canonical;
    XXH128_canonicalFromHash(&canonical, XXH3_128bits_digest(state_->xxh));
    return QByteArray(reinterpret_cast<const char*>(canonical.digest), sizeof canonical.digest);
}

namespace {

qint64 Nanoseconds(const struct timespec& time) {
    return qint64(time.tv_sec) * 1000000000 + time.tv_nsec;
}

FileStamp StampOfStat(const struct stat& status) {
    FileStamp stamp;
    stamp.size = status.st_size;
    stamp.modifiedNs = Nanoseconds(status.st_mtim);
    stamp.changedNs = Nanoseconds(status.st_ctim);
    stamp.inode = status.st_ino;
    stamp.device = status.st_dev;
    return stamp;
}

bool SameStatus(const FileStamp& one, const FileStamp& other) {
    return one.size == other.size && one.modifiedNs == other.modifiedNs &&
           one.changedNs == other.changedNs && one.inode == other.inode &&
           one.device == other.device;
}

}  // namespace

FileStamp StatOfDescriptor(int fd) {
    struct stat status {};
    return ::fstat(fd, &status) == 0 ? StampOfStat(status) : FileStamp();
}

FileStamp StatOfFile(const QString& path) {
    struct stat status {};
    return ::stat(QFile::encodeName(path).constData(), &status) == 0 ? StampOfStat(status)
                                                                     : FileStamp();
}

FileStamp StampOfFile(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        return {};
    }
    FileStamp stamp = StatOfDescriptor(file.handle());  // before the read: a later change shows
    StampHasher hasher;
    char chunk[1 << 16];
    for (qint64 got = 0; (got = file.read(chunk, sizeof chunk)) > 0;) {
        hasher.Add(chunk, size_t(got));
    }
    stamp.hash = hasher.Result();
    return stamp;
}

bool ChangedOnDisk(const FileStamp& before, const QString& path) {
    const FileStamp status = StatOfFile(path);
    if (status.size < 0 || SameStatus(before, status)) {
        return false;
    }
    const FileStamp now = StampOfFile(path);
    return now.size >= 0 && (now.size != before.size || now.hash != before.hash);
}

namespace {

// The lock beside the file, for copies of other users too. A symlink's
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

// Another computer's copy on a shared or synced disk is no refusal: the two are merged at
// every save and whenever the file changes.
bool HeldOnAnotherComputer(const QLockFile& lock) {
    qint64 pid = 0;
    QString host;
    QString application;
    return lock.getLockInfo(&pid, &host, &application) && !host.isEmpty() &&
           host != QSysInfo::machineHostName();
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
    // A lock file in a synced folder would travel to the other computer, come back as
    // conflict copies, and be taken away by the other side's unlock: there the inode's lock
    // guards this computer alone, and the merge looks after the other one.
    if (CarriedBySyncEngine(QFileInfo(lockPath).absolutePath())) {
        outcome = LockOutcome::NotLockable;
        return nullptr;
    }
    auto lock = std::make_shared<QLockFile>(lockPath);
    lock->setStaleLockTime(0);  // a live holder keeps it however long; a dead one loses it
    if (lock->tryLock(0)) {
        heldHere[lockPath] = lock;
        outcome = LockOutcome::Held;
        return lock;
    }
    if (lock->error() != QLockFile::LockFailedError || HeldOnAnotherComputer(*lock)) {
        outcome = LockOutcome::NotLockable;
        return nullptr;
    }
    outcome = LockOutcome::HeldByAnotherCopy;
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
    return hold == nullptr || !ChangedOnDisk(hold->stamp, path);
}
