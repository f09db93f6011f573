#include "files/conflict_copies.h"

#include <QDir>
#include <QFileInfo>
#include <QRegularExpression>

namespace {

// What each engine puts between the name and the extension.
const QRegularExpression& ConflictMark() {
    static const QRegularExpression mark(QStringLiteral(
        R"(^(?:\.sync-conflict-\d{8}-\d{6}-[A-Z0-9]+)"                            // Syncthing
        R"(| \((?:[^()]* )?conflicted copy \d{4}-\d{2}-\d{2}(?: \d{6})?\))$)"));  // the others
    return mark;
}

}  // namespace

bool IsConflictCopyName(const QString& name, const QString& fileName) {
    // The engines keep the extension last: "site.hvp" gives "site<mark>.hvp".
    const qsizetype dot = fileName.lastIndexOf(QLatin1Char('.'));
    const bool hasExtension = dot > 0;
    const QString stem = hasExtension ? fileName.left(dot) : fileName;
    const QString extension = hasExtension ? fileName.mid(dot) : QString();
    if (name.size() <= fileName.size() || !name.startsWith(stem) || !name.endsWith(extension)) {
        return false;
    }
    const QString mark = name.mid(stem.size(), name.size() - stem.size() - extension.size());
    return ConflictMark().match(mark).hasMatch();
}

QStringList ConflictCopiesOf(const QString& path) {
    const QFileInfo file(path);
    QStringList copies;
    const QDir folder = file.absoluteDir();
    for (const QString& name : folder.entryList(QDir::Files | QDir::Hidden, QDir::Name)) {
        if (IsConflictCopyName(name, file.fileName())) {
            copies << folder.absoluteFilePath(name);
        }
    }
    return copies;
}

bool CarriedBySyncEngine(const QString& folder) {
    static const QStringList databases{QStringLiteral(".sync_*.db"), QStringLiteral("._sync_*.db")};
    QDir dir(QFileInfo(folder).absoluteFilePath());
    do {
        if (dir.exists(QStringLiteral(".stfolder")) || dir.exists(QStringLiteral(".dropbox")) ||
            !dir.entryList(databases, QDir::Files | QDir::Hidden).isEmpty()) {
            return true;
        }
    } while (dir.cdUp());
    return false;
}
