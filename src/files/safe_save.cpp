#include "files/safe_save.h"

#include <QDir>
#include <QFileInfo>
#include <QSaveFile>

#include <fcntl.h>
#include <unistd.h>
#include <cerrno>

namespace SafeSave {

namespace {

// QSaveFile's own reason, or none: it says "Unknown error" for a folder it cannot create
// its temporary file in.
QString QtReason(const QSaveFile& file) {
    const QString reason = file.errorString();
    return reason == QLatin1String("Unknown error") ? QString() : reason;
}

// The reason a device refused, in the system's words where it has them.
QString ReasonOf(const QSaveFile& file, int systemError) {
    if (systemError != 0) {
        return qt_error_string(systemError);
    }
    const QString reason = QtReason(file);
    return reason.isEmpty() ? QStringLiteral("The file could not be written completely") : reason;
}

// Without this the rename may still sit in the folder's cache when the power goes.
void SyncFolder(const QString& path) {
    const QByteArray folder = QFile::encodeName(QFileInfo(path).absolutePath());
    const int fd = ::open(folder.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd >= 0) {
        ::fsync(fd);  // some file systems cannot sync a folder; the file itself is synced
        ::close(fd);
    }
}

// Why a file cannot be created in the folder, asked of the system directly: QSaveFile
// does not pass the reason on.
int WhyFolderRefuses(const QString& path) {
    const QByteArray folder = QFile::encodeName(QFileInfo(path).absolutePath());
    errno = 0;
    if (::access(folder.constData(), W_OK) != 0) {
        return errno;
    }
    return 0;
}

bool IsLeftoverName(const QString& name, const QString& base) {
    if (name.size() != base.size() + 7 || !name.startsWith(base + QLatin1Char('.'))) {
        return false;
    }
    bool upper = false;
    bool lower = false;
    for (const QChar c : name.right(6)) {
        if (c < QLatin1Char('A') || c > QLatin1Char('z') ||
            (c > QLatin1Char('Z') && c < QLatin1Char('a'))) {
            return false;
        }
        (c.isUpper() ? upper : lower) = true;
    }
    return upper && lower;
}

}  // namespace

bool Save(const QString& path, const std::function<bool(QIODevice&)>& produce, QString& error) {
    QSaveFile file(path);
    file.setDirectWriteFallback(true);
    // Unbuffered: every write reaches the system at once, so its error comes back from that
    // write and not from a flush inside commit(), which drops it.
    if (!file.open(QIODevice::WriteOnly | QIODevice::Unbuffered)) {
        const QString reason = QtReason(file);
        error = reason.isEmpty() ? ReasonOf(file, WhyFolderRefuses(path)) : reason;
        return false;
    }
    errno = 0;
    bool written = produce(file) && file.flush();
    int systemError = written ? 0 : errno;
    // A delayed write error (network file systems, thin disks) shows up here at the latest.
    if (written && ::fsync(file.handle()) != 0) {
        written = false;
        systemError = errno;
    }
    if (!written) {
        error = ReasonOf(file, systemError);
        file.cancelWriting();
        return false;
    }
    if (!file.commit()) {
        error = ReasonOf(file, 0);
        return false;
    }
    SyncFolder(path);
    return true;
}

void RemoveLeftoverTemporaries(const QString& path) {
    const QFileInfo target(path);
    const QString base = target.fileName();
    QDir folder = target.absoluteDir();
    // Matched by hand: the file's own name may hold characters a wildcard would read.
    for (const QString& name : folder.entryList(QDir::Files | QDir::Hidden | QDir::System)) {
        if (IsLeftoverName(name, base)) {
            folder.remove(name);
        }
    }
}

}  // namespace SafeSave
