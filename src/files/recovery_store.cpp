#include "files/recovery_store.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QLockFile>

#include <fcntl.h>
#include <unistd.h>
#include <cerrno>
#include <cstring>
#include <future>

#include "files/recovery_journal.h"

namespace {

const QString kLockName = QStringLiteral("lock");

QString Reason(const char* path) {
    return QStringLiteral("%1: %2").arg(QString::fromLocal8Bit(path),
                                        QString::fromLocal8Bit(std::strerror(errno)));
}

bool WriteAll(int fd, const std::string& bytes) {
    size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t written = ::write(fd, bytes.data() + done, bytes.size() - done);
        if (written < 0 && errno == EINTR) {
            continue;
        }
        if (written <= 0) {
            return false;
        }
        done += size_t(written);
    }
    return true;
}

// Plain POSIX rather than QSaveFile: the files are private from their first byte, and the
// result of every write, of the sync and of the rename is seen.
bool ReplaceFile(const std::string& path, const std::string& bytes, QString& error) {
    const std::string temporary = path + ".new";
    const int fd = ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
    if (fd < 0) {
        error = Reason(temporary.c_str());
        return false;
    }
    const bool written = WriteAll(fd, bytes) && ::fdatasync(fd) == 0;
    if (!written) {
        error = Reason(temporary.c_str());
    }
    if (::close(fd) != 0 && written) {
        error = Reason(temporary.c_str());
        ::unlink(temporary.c_str());
        return false;
    }
    if (!written || ::rename(temporary.c_str(), path.c_str()) != 0) {
        if (written) {
            error = Reason(path.c_str());
        }
        ::unlink(temporary.c_str());
        return false;
    }
    return true;
}

bool AppendFile(const std::string& path, const std::string& bytes, QString& error) {
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0600);
    if (fd < 0) {
        error = Reason(path.c_str());
        return false;
    }
    bool ok = WriteAll(fd, bytes) && ::fdatasync(fd) == 0;
    if (!ok) {
        error = Reason(path.c_str());
    }
    ok = ::close(fd) == 0 && ok;
    return ok;
}

// A rename reaches the disk only with its folder.
void SyncFolder(const QString& folder) {
    const int fd = ::open(QFile::encodeName(folder).constData(), O_RDONLY | O_DIRECTORY);
    if (fd >= 0) {
        ::fsync(fd);
        ::close(fd);
    }
}

QByteArray ReadWhole(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

bool MakePrivateFolder(const QString& path) {
    if (!QDir().mkpath(path)) {
        return false;
    }
    return QFile::setPermissions(path, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
}

}  // namespace

RecoveryStore::RecoveryStore(const QString& baseFolder) {
    if (baseFolder.isEmpty() || !MakePrivateFolder(baseFolder)) {
        return;
    }
    folder_ = QDir(baseFolder)
                  .filePath(QStringLiteral("%1-%2")
                                .arg(QCoreApplication::applicationPid())
                                .arg(QDateTime::currentMSecsSinceEpoch()));
    if (!MakePrivateFolder(folder_)) {
        return;
    }
    auto lock = std::make_unique<QLockFile>(QDir(folder_).filePath(kLockName));
    if (!lock->tryLock(0)) {
        return;
    }
    lock_ = std::move(lock);
    worker_ = std::thread([this] { Run(); });
}

RecoveryStore::~RecoveryStore() {
    if (!worker_.joinable()) {
        return;
    }
    {
        std::lock_guard guard(mutex_);
        stopping_ = true;
    }
    wake_.notify_one();
    worker_.join();
}

void RecoveryStore::Queue(std::function<void()> job) {
    if (!isActive()) {
        return;
    }
    {
        std::lock_guard guard(mutex_);
        jobs_.push_back(std::move(job));
    }
    wake_.notify_one();
}

void RecoveryStore::Run() {
    for (;;) {
        std::function<void()> job;
        {
            std::unique_lock guard(mutex_);
            wake_.wait(guard, [this] { return stopping_ || !jobs_.empty(); });
            if (jobs_.empty()) {
                return;  // stopping, with everything written
            }
            job = std::move(jobs_.front());
            jobs_.pop_front();
        }
        job();
    }
}

void RecoveryStore::Fail(const QString& what) {
    std::lock_guard guard(mutex_);
    if (error_.isEmpty()) {
        error_ = what;
    }
}

QString RecoveryStore::TakeError() {
    std::lock_guard guard(mutex_);
    return std::exchange(error_, QString());
}

std::string RecoveryStore::PathOf(int number, const char* suffix) const {
    return QFile::encodeName(QDir(folder_).filePath(QString::number(number))).toStdString() +
           suffix;
}

void RecoveryStore::WriteSnapshot(int number, std::string bytes) {
    Queue([this, snapshot = PathOf(number, ".snapshot"), journal = PathOf(number, ".journal"),
           bytes = std::move(bytes)] {
        QString error;
        if (!ReplaceFile(snapshot, bytes, error)) {
            Fail(error);
            return;
        }
        ::unlink(journal.c_str());
        SyncFolder(folder_);
    });
}

void RecoveryStore::AppendJournal(int number, std::string line) {
    Queue([this, journal = PathOf(number, ".journal"), line = std::move(line)] {
        QString error;
        if (!AppendFile(journal, line, error)) {
            Fail(error);
        }
    });
}

void RecoveryStore::Discard(int number) {
    Queue([snapshot = PathOf(number, ".snapshot"), journal = PathOf(number, ".journal")] {
        ::unlink(snapshot.c_str());
        ::unlink(journal.c_str());
    });
}

void RecoveryStore::Flush() {
    if (!isActive()) {
        return;
    }
    std::promise<void> done;
    std::future<void> written = done.get_future();
    Queue([&done] { done.set_value(); });
    written.wait();
}

void RecoveryStore::RemoveAll() {
    if (!isActive()) {
        return;
    }
    Flush();
    lock_.reset();
    RemoveFolder(folder_);
}

LeftSessions RecoveryStore::FindLeft(const QString& baseFolder, const QString& ownFolder) {
    LeftSessions left;
    const QDir base(baseFolder);
    for (const QFileInfo& session : base.entryInfoList(QDir::Dirs | QDir::NoDotAndDotDot)) {
        if (session.absoluteFilePath() == QFileInfo(ownFolder).absoluteFilePath()) {
            continue;
        }
        // A lock still held belongs to a copy that runs; only the age of a lock must not
        // make it look abandoned.
        QLockFile lock(QDir(session.absoluteFilePath()).filePath(kLockName));
        lock.setStaleLockTime(0);
        if (!lock.tryLock(0)) {
            continue;
        }
        left.folders.push_back(session.absoluteFilePath());
        const QDir folder(session.absoluteFilePath());
        for (const QString& name :
             folder.entryList({QStringLiteral("*.snapshot")}, QDir::Files, QDir::Name)) {
            const QByteArray bytes = ReadWhole(folder.filePath(name));
            Recovery::Snapshot snapshot = Recovery::ParseSnapshot(bytes.toStdString());
            if (!snapshot.document) {
                continue;
            }
            const QString journalName = name.chopped(int(sizeof("snapshot") - 1)) + "journal";
            const QByteArray journal = ReadWhole(folder.filePath(journalName));
            const int64_t replayed = Recovery::ReplayJournal(
                *snapshot.document, snapshot.generation, journal.toStdString());
            left.projects.push_back(
                {std::move(snapshot.document), std::max(snapshot.changedMs, replayed)});
        }
    }
    return left;
}

void RecoveryStore::RemoveFolder(const QString& folder) {
    QDir(folder).removeRecursively();
}
