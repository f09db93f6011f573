#include "files/merge_base_store.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

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
    QSaveFile file(FileFor(path));
    if (!file.open(QIODevice::WriteOnly)) {
        return false;
    }
    // Before the first byte: a project's hours are nobody else's business.
    file.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner);
    file.write(bytes.data(), qint64(bytes.size()));
    return file.commit();
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
