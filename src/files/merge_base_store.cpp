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

bool MergeBaseStore::Keep(const QString& path, std::string_view bytes) const {
    if (folder_.isEmpty() || !QDir().mkpath(folder_)) {
        return false;
    }
    QFile::setPermissions(folder_,
                          QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    // Written whole beside its place and renamed there, but not synced: a base lost to a
    // crash only makes a merge go without one, and syncing megabytes would hold up every
    // load and save. mkstemp makes the file readable by the owner alone, before any byte.
    const QString base = FileFor(path);
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
        return false;
    }
    bool written = true;
    for (size_t done = 0; written && done < bytes.size();) {
        const ssize_t got = ::write(fd, bytes.data() + done, bytes.size() - done);
        written = got > 0 || (got < 0 && errno == EINTR);
        done += got > 0 ? size_t(got) : 0;
    }
    written = ::close(fd) == 0 && written;
    if (!written || ::rename(temporary.c_str(), target.c_str()) != 0) {
        ::unlink(temporary.c_str());
        return false;
    }
    return true;
}

std::optional<std::string> MergeBaseStore::Base(const QString& path) const {
    if (folder_.isEmpty()) {
        return std::nullopt;
    }
    QFile file(FileFor(path));
    if (file.size() > XmlFile::kMaxFileBytes || !file.open(QIODevice::ReadOnly)) {
        return std::nullopt;
    }
    return file.readAll().toStdString();
}

void MergeBaseStore::Forget(const QString& path) const {
    if (!folder_.isEmpty()) {
        QFile::remove(FileFor(path));
    }
}
