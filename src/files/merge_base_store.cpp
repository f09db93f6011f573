#include "files/merge_base_store.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <cerrno>
#include <cstdlib>

#include <unistd.h>

#include "files/xml_file.h"

QString MergeBaseStore::FileFor(const QString& path) const {
    const QByteArray key = QCryptographicHash::hash(QFileInfo(path).absoluteFilePath().toUtf8(),
                                                    QCryptographicHash::Sha256);
    return folder_ + QLatin1Char('/') + QString::fromLatin1(key.toHex()) + QStringLiteral(".base");
}

MergeBaseStore::~MergeBaseStore() {
    {
        const std::lock_guard lock(mutex_);
        stopping_ = true;
    }
    changed_.notify_all();
    if (writer_.joinable()) {
        writer_.join();  // what was kept is written before the program ends
    }
}

void MergeBaseStore::Keep(const QString& path, std::string bytes) {
    if (folder_.isEmpty()) {
        return;
    }
    Job job{FileFor(path), std::move(bytes)};
    if (!WriterIsHere()) {
        Write(job);
        return;
    }
    {
        const std::lock_guard lock(mutex_);
        // A base not yet written is outdated by this one: only the newest is worth the disk.
        for (auto waiting = jobs_.begin() + (busy_ ? 1 : 0); waiting != jobs_.end(); ++waiting) {
            if (waiting->file == job.file) {
                *waiting = std::move(job);
                return;
            }
        }
        jobs_.push_back(std::move(job));
        if (!writer_.joinable()) {
            writerProcess_ = ::getpid();
            writer_ = std::thread([this] { WriteJobs(); });
        }
    }
    changed_.notify_all();
}

void MergeBaseStore::WriteJobs() {
    std::unique_lock lock(mutex_);
    for (;;) {
        changed_.wait(lock, [this] { return stopping_ || !jobs_.empty(); });
        if (jobs_.empty()) {
            return;  // stopping, and everything is written
        }
        busy_ = true;
        const Job& job = jobs_.front();  // stays put: Keep only replaces the ones behind it
        lock.unlock();
        Write(job);
        lock.lock();
        jobs_.pop_front();
        busy_ = false;
        changed_.notify_all();
    }
}

bool MergeBaseStore::WriterIsHere() const {
    // A copy of the process made by fork has the writer's state but not its thread.
    return !writer_.joinable() || writerProcess_ == ::getpid();
}

void MergeBaseStore::Flush() {
    if (!WriterIsHere()) {
        return;  // what the copy keeps it writes at once
    }
    std::unique_lock lock(mutex_);
    changed_.wait(lock, [this] { return jobs_.empty(); });
}

void MergeBaseStore::Write(const Job& job) const {
    if (!QDir().mkpath(folder_)) {
        return;
    }
    QFile::setPermissions(folder_,
                          QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    // Written whole beside its place and renamed there, but not synced: a base lost to a
    // crash only makes a merge go without one, and syncing megabytes would hold up every
    // load and save. mkstemp makes the file readable by the owner alone, before any byte.
    const QString& base = job.file;
    // What a crash cut short before an earlier rename here: one program per user writes here.
    QDir folder(folder_);
    for (const QString& left :
         folder.entryList({QFileInfo(base).fileName() + ".??????"}, QDir::Files | QDir::Hidden)) {
        folder.remove(left);
    }
    const std::string target = QFile::encodeName(base).toStdString();
    std::string temporary = target + ".XXXXXX";
    const int fd = ::mkstemp(temporary.data());
    if (fd < 0) {
        return;
    }
    bool written = true;
    for (size_t done = 0; written && done < job.bytes.size();) {
        const ssize_t got = ::write(fd, job.bytes.data() + done, job.bytes.size() - done);
        written = got > 0 || (got < 0 && errno == EINTR);
        done += got > 0 ? size_t(got) : 0;
    }
    written = ::close(fd) == 0 && written;
    if (!written || ::rename(temporary.c_str(), target.c_str()) != 0) {
        ::unlink(temporary.c_str());
    }
}

std::optional<std::string> MergeBaseStore::Base(const QString& path) {
    if (folder_.isEmpty()) {
        return std::nullopt;
    }
    Flush();
    QFile file(FileFor(path));
    if (file.size() > XmlFile::kMaxFileBytes || !file.open(QIODevice::ReadOnly)) {
        return std::nullopt;
    }
    return file.readAll().toStdString();
}

void MergeBaseStore::Forget(const QString& path) {
    if (!folder_.isEmpty()) {
        Flush();
        QFile::remove(FileFor(path));
    }
}
