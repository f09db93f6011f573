#include "files/safe_save.h"

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>
#include <QStandardPaths>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <cerrno>
#include <cstdlib>

namespace SafeSave {

namespace {

// What a save's own temporary file ends in, after six random letters or digits.
const QString kTemporaryMark = QStringLiteral(".horavel-saving");
constexpr int kRandomLength = 6;

// Closes its descriptor when it goes.
class Descriptor {
  public:
    explicit Descriptor(int fd = -1) : fd_(fd) {}
    ~Descriptor() { Reset(-1); }
    Descriptor(const Descriptor&) = delete;
    Descriptor& operator=(const Descriptor&) = delete;
    void Reset(int fd) {
        if (fd_ >= 0) {
            ::close(fd_);
        }
        fd_ = fd;
    }
    int get() const { return fd_; }
    // Closes it now, where the close itself may report a delayed write error.
    bool Close() {
        const int fd = fd_;
        fd_ = -1;
        return ::close(fd) == 0;
    }

  private:
    int fd_;
};

QByteArray Native(const QString& path) {
    return QFile::encodeName(path);
}

QString Reason(int systemError) {
    return systemError != 0 ? qt_error_string(systemError)
                            : QStringLiteral("The file could not be written completely");
}

// Saving through a symlink replaces the file it points to and keeps the link.
QString TargetOf(const QString& path) {
    const QFileInfo info(path);
    return info.isSymLink() && info.exists() ? info.canonicalFilePath() : path;
}

// Without this the rename may still sit in the folder's cache when the power goes.
void SyncFolder(const QString& path) {
    const QByteArray folder = Native(QFileInfo(path).absolutePath());
    const int fd = ::open(folder.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd >= 0) {
        ::fsync(fd);  // some file systems cannot sync a folder; the file itself is synced
        ::close(fd);
    }
}

bool WriteAll(int fd, const char* data, qint64 size, off_t offset) {
    while (size > 0) {
        const ssize_t done = ::pwrite(fd, data, size_t(size), offset);
        if (done < 0 && errno == EINTR) {
            continue;
        }
        if (done <= 0) {
            errno = done == 0 ? EIO : errno;
            return false;
        }
        data += done;
        size -= done;
        offset += done;
    }
    return true;
}

// Copies `size` bytes from one descriptor to another, both from their start.
bool CopyBytes(int from, int to, off_t size) {
    char chunk[1 << 16];
    for (off_t at = 0; at < size;) {
        const ssize_t got =
            ::pread(from, chunk, size_t(std::min<off_t>(sizeof chunk, size - at)), at);
        if (got < 0 && errno == EINTR) {
            continue;
        }
        if (got <= 0) {
            errno = got == 0 ? EIO : errno;  // the file shrank under us
            return false;
        }
        if (!WriteAll(to, chunk, got, at)) {
            return false;
        }
        at += got;
    }
    return true;
}

QString RandomLetters() {
    static constexpr char kLetters[] =
        "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789";
    QString letters;
    for (int i = 0; i < kRandomLength; ++i) {
        letters +=
            QLatin1Char(kLetters[QRandomGenerator::global()->bounded(int(sizeof kLetters) - 1)]);
    }
    return letters;
}

// A new temporary file beside `target`, or -1 with errno set. While it may still be
// replacing an existing file it is readable by nobody else: its permissions come last.
int CreateNamedTemporary(const QString& target, bool replacing, QString& name) {
    for (int attempt = 0; attempt < 100; ++attempt) {
        name = target + QLatin1Char('.') + RandomLetters() + kTemporaryMark;
        const int fd = ::open(Native(name).constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC,
                              replacing ? 0600 : 0666);
        if (fd >= 0 || errno != EEXIST) {
            return fd;
        }
    }
    return -1;
}

// The same without a name until it is complete, where the system can: a save killed while
// writing then leaves nothing behind. `name` stays empty for such a file.
int CreateTemporary(const QString& target, bool replacing, QString& name) {
    name.clear();
    if (QFileInfo::exists(QStringLiteral("/proc/self/fd"))) {  // to give it a name later
        const int fd = ::open(Native(QFileInfo(target).absolutePath()).constData(),
                              O_TMPFILE | O_WRONLY | O_CLOEXEC, replacing ? 0600 : 0666);
        if (fd >= 0 || errno == EACCES || errno == EPERM) {
            return fd;
        }
    }
    return CreateNamedTemporary(target, replacing, name);
}

// Links a complete unnamed temporary file into its folder, under a temporary name.
bool NameTemporary(int fd, const QString& target, QString& name) {
    const QByteArray self = QByteArray("/proc/self/fd/") + QByteArray::number(fd);
    for (int attempt = 0; attempt < 100; ++attempt) {
        name = target + QLatin1Char('.') + RandomLetters() + kTemporaryMark;
        if (::linkat(AT_FDCWD, self.constData(), AT_FDCWD, Native(name).constData(),
                     AT_SYMLINK_FOLLOW) == 0) {
            return true;
        }
        if (errno != EEXIST) {
            break;
        }
    }
    name.clear();
    return false;
}

bool SaveThroughTemporary(Descriptor& fd, QString temporary, const QString& target,
                          const struct stat* old, const std::function<bool(QIODevice&)>& produce,
                          QString& error) {
    QFile file;
    // Unbuffered: every write reaches the system at once, so its error comes back from that
    // write and not from a later flush.
    bool written = file.open(fd.get(), QIODevice::WriteOnly | QIODevice::Unbuffered,
                             QFileDevice::DontCloseHandle);
    errno = 0;
    written = written && produce(file);
    int systemError = written ? 0 : errno;
    file.close();
    if (written && old != nullptr) {
        (void)!::fchmod(fd.get(), old->st_mode & 07777);
    }
    // A delayed write error (network file systems, thin disks) shows up here at the latest.
    if (written &&
        (::fsync(fd.get()) != 0 ||
         (temporary.isEmpty() && !NameTemporary(fd.get(), target, temporary)) || !fd.Close() ||
         ::rename(Native(temporary).constData(), Native(target).constData()) != 0)) {
        written = false;
        systemError = errno;
    }
    if (!written) {
        if (!temporary.isEmpty()) {
            ::unlink(Native(temporary).constData());
        }
        error = Reason(systemError);
        return false;
    }
    SyncFolder(target);
    return true;
}

// The bytes of a file about to be written in place, copied into the aside folder and synced
// there, so that neither a failed write nor a crash during it loses them.
class KeptAside {
  public:
    bool Keep(int file, off_t size, const QString& target, QString& error) {
        size_ = size;
        const QString folder = AsideFolder();
        QByteArray name = Native(folder + QLatin1Char('/') + QFileInfo(target).fileName() +
                                 QStringLiteral(".XXXXXX"));
        if (!folder.isEmpty() && QDir().mkpath(folder)) {
            ::chmod(Native(folder).constData(), 0700);
            copy_.Reset(::mkostemp(name.data(), O_CLOEXEC));
        }
        if (copy_.get() >= 0) {
            path_ = QFile::decodeName(name);
        }
        if (copy_.get() < 0 || !CopyBytes(file, copy_.get(), size) || ::fsync(copy_.get()) != 0) {
            const int refused = errno;
            error = QStringLiteral(
                        "The folder takes no new file, and the file as it is could "
                        "not be kept aside in %1 while it is written in place: %2")
                        .arg(folder, Reason(refused));
            Drop();
            return false;
        }
        return true;
    }
    // Writes the kept bytes back over the file, at their old size.
    bool PutBack(int file) const {
        return CopyBytes(copy_.get(), file, size_) && ::ftruncate(file, size_) == 0 &&
               ::fsync(file) == 0;
    }
    void Drop() {
        if (!path_.isEmpty()) {
            ::unlink(Native(path_).constData());
            path_.clear();
        }
    }
    const QString& path() const { return path_; }

  private:
    Descriptor copy_;
    QString path_;
    off_t size_ = 0;
};

// For a folder that takes no temporary file but holds a writable file.
bool SaveInPlace(const QString& target, const std::function<bool(QIODevice&)>& produce,
                 QString& error) {
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    if (!produce(buffer)) {
        error = Reason(0);
        return false;
    }
    const QByteArray& bytes = buffer.data();
    Descriptor file(::open(Native(target).constData(), O_RDWR | O_CLOEXEC));
    struct stat old {};
    if (file.get() < 0 || ::fstat(file.get(), &old) != 0) {
        error = Reason(errno);
        return false;
    }
    KeptAside aside;
    if (!aside.Keep(file.get(), old.st_size, target, error)) {
        return false;
    }
    // A full disk fails here, before a byte of the file has changed.
    const int refused = bytes.isEmpty() ? 0 : ::posix_fallocate(file.get(), 0, bytes.size());
    if (refused != 0) {
        (void)!::ftruncate(file.get(), old.st_size);  // what was reserved beyond the old end
        error = Reason(refused);
        aside.Drop();
        return false;
    }
    if (!WriteAll(file.get(), bytes.constData(), bytes.size(), 0) ||
        ::ftruncate(file.get(), bytes.size()) != 0 || ::fsync(file.get()) != 0) {
        error = Reason(errno);
        if (aside.PutBack(file.get())) {
            aside.Drop();
        } else {
            error +=
                QStringLiteral("\r\nThe file as it was before is kept in %1").arg(aside.path());
        }
        return false;
    }
    aside.Drop();
    return true;
}

bool IsRandomPart(QStringView part) {
    for (const QChar c : part) {
        if (c.unicode() > 0x7f || !c.isLetterOrNumber()) {
            return false;
        }
    }
    return part.size() == kRandomLength;
}

bool IsTemporaryName(const QString& name, const QString& base) {
    return name.startsWith(base + QLatin1Char('.')) && name.endsWith(kTemporaryMark) &&
           IsRandomPart(QStringView(name).mid(base.size() + 1).chopped(kTemporaryMark.size()));
}

// Earlier versions saved through "name.hvp.AbcDef", six letters of either case.
bool IsEarlierTemporaryName(const QString& name, const QString& base) {
    if (name.size() != base.size() + 1 + kRandomLength ||
        !name.startsWith(base + QLatin1Char('.'))) {
        return false;
    }
    bool upper = false;
    bool lower = false;
    for (const QChar c : name.right(kRandomLength)) {
        if (c.unicode() > 0x7f || !c.isLetter()) {
            return false;
        }
        (c.isUpper() ? upper : lower) = true;
    }
    return upper && lower;
}

}  // namespace

QString AsideFolder() {
    const QString data = QStandardPaths::writableLocation(QStandardPaths::AppLocalDataLocation);
    return data.isEmpty() ? QString() : data + QStringLiteral("/saving");
}

bool Save(const QString& path, const std::function<bool(QIODevice&)>& produce, QString& error) {
    const QString target = TargetOf(path);
    struct stat old {};
    const bool exists = ::stat(Native(target).constData(), &old) == 0;
    QString temporary;
    Descriptor fd(CreateTemporary(target, exists, temporary));
    if (fd.get() < 0) {
        const int refused = errno;
        if ((refused == EACCES || refused == EPERM) && exists && S_ISREG(old.st_mode) &&
            ::access(Native(target).constData(), W_OK) == 0) {
            return SaveInPlace(target, produce, error);
        }
        error = Reason(refused);
        return false;
    }
    return SaveThroughTemporary(fd, temporary, target, exists ? &old : nullptr, produce, error);
}

void RemoveLeftoverTemporaries(const QString& path) {
    const QFileInfo target(TargetOf(path));
    const QString base = target.fileName();
    QDir folder = target.absoluteDir();
    // Matched by hand: the file's own name may hold characters a wildcard would read.
    for (const QString& name :
         folder.entryList(QDir::Files | QDir::Hidden | QDir::System | QDir::NoSymLinks)) {
        if (IsTemporaryName(name, base) || IsEarlierTemporaryName(name, base)) {
            folder.remove(name);
        }
    }
}

}  // namespace SafeSave
