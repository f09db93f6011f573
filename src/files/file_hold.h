#pragma once
// One owner per project file: a lock beside the file while a project from it is open, and
// a stamp of the file as it was loaded or last saved, to notice another program's changes.

#include <QByteArray>
#include <QString>

#include <memory>

#include "platform/file_identity.h"

class QLockFile;

// What a file was: its size, times and identity as the system keeps them, and a hash of its
// bytes. Size -1: no file.
struct FileStamp {
    qint64 size = -1;
    qint64 modifiedNs = 0;  // the modification time, in nanoseconds since the epoch
    qint64 changedNs = 0;   // the status change time, which no program can set back
    quint64 inode = 0;
    quint64 device = 0;
    QByteArray hash;
};

// Hashes bytes as they pass, for a stamp. It tells a file changed by accident, not by design,
// and a project file can run to tens of megabytes: xxHash keeps up with the disk.
class StampHasher {
  public:
    StampHasher();
    ~StampHasher();
    StampHasher(const StampHasher&) = delete;
    StampHasher& operator=(const StampHasher&) = delete;
    void Add(const char* data, size_t size);
    QByteArray Result() const;

  private:
    struct State;
    std::unique_ptr<State> state_;
};

// The size, times and identity of the open file, or of the file at the path (through a
// symlink), without a hash; size -1 when there is none.
FileStamp StatOfDescriptor(int fd);
FileStamp StatOfFile(const QString& path);
// The stamp of the file as it is on disk now, hash included; size -1 when it cannot be read.
FileStamp StampOfFile(const QString& path);
// Whether the file holds something else than when `before` was taken. The file is read and
// hashed only when its size, times or identity differ from the stamp's: a file touched but
// unchanged loses nothing when saved over. A file that is gone has not changed.
bool ChangedOnDisk(const FileStamp& before, const QString& path);

// Whether the file at `path` still holds what the hold's project was loaded from or last
// saved to (true for a project that holds no file yet): the one test before a save and a
// merge.
struct FileHold;
bool FileStillAsLoaded(const FileHold* hold, const QString& path);

enum class LockOutcome { Held, HeldByAnotherCopy, NotLockable };

// Locks the file for this program: a lock file beside it, and a lock on the file itself
// that any name of it meets (a symlink, a hard link); in a folder a sync engine carries, and
// against another computer's lock, the lock on the file alone. Projects of this window loaded from
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
