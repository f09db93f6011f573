#pragma once
// One owner per project file: a lock beside the file while a project from it is open, and
// a stamp of the file as it was loaded or last saved, to notice another program's changes.

#include <QByteArray>
#include <QCryptographicHash>
#include <QDateTime>
#include <QString>

#include <memory>

class QLockFile;

// What a file was: its size, modification time and a hash of its bytes. Size -1: no file.
struct FileStamp {
    qint64 size = -1;
    QDateTime modified;
    QByteArray hash;
};

// The hash a stamp holds. It tells a file changed by accident, not by design, and a project
// file can run to tens of megabytes: SHA-1 hashes them four times as fast as SHA-256.
constexpr QCryptographicHash::Algorithm kStampHash = QCryptographicHash::Sha1;

// The stamp of bytes read from, or written to, a file at the given size and time.
FileStamp StampOfBytes(const char* data, size_t size, const QDateTime& modified);
// The stamp of the file as it is on disk now.
FileStamp StampOfFile(const QString& path);
// Whether the file holds something else than when `before` was taken. Its time alone does
// not count: a file touched but unchanged loses nothing when saved over.
bool ContentChanged(const FileStamp& before, const FileStamp& now);

// Whether the file at `path` still holds what the hold's project was loaded from or last
// saved to (true for a project that holds no file yet): the one test before a save and a
// merge.
struct FileHold;
bool FileStillAsLoaded(const FileHold* hold, const QString& path);

// Whether the two names reach one file, by its device and inode: through "..", a symlink or
// a hard link alike. False when either names nothing.
bool SameFile(const QString& one, const QString& other);

enum class LockOutcome { Held, HeldByAnotherCopy, NotLockable };

// Locks the file for this program: a lock file beside it, and a lock on the file itself
// that any name of it meets (a symlink, a hard link). Projects of this window loaded from
// the same file, by any name, share one lock, released when the last of them lets go. A
// lock left by a copy that crashed is taken over. NotLockable (a folder without write
// access on a file system without file locks, say) gives no lock: such a file is still
// opened, unguarded. A save that replaced the file needs the lock taken again, on the new
// file.
std::shared_ptr<QLockFile> LockProjectFile(const QString& path, LockOutcome& outcome);

// A project's hold on its file: the lock and the stamp.
struct FileHold {
    std::shared_ptr<QLockFile> lock;
    FileStamp stamp;
};
