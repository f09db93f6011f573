#include "shell/web_page.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>

namespace {
// The one place the address lives.
constexpr char kWebPage[] = "https://horavel.example.org/";
}  // namespace

QString InstalledUserGuide(const QString& programFolder) {
    // The program lies in bin/ when installed and in a folder one level down the build
    // tree (src/, tests/, bench/) when built; share/ sits beside either.
    const QString guide = QDir(programFolder).filePath("../share/horavel/user-guide.html");
    return QFileInfo::exists(guide) ? QFileInfo(guide).canonicalFilePath() : QString();
}

QUrl WebPageAddress() {
    const QString guide = InstalledUserGuide(QCoreApplication::applicationDirPath());
    return guide.isEmpty() ? QUrl(QString::fromLatin1(kWebPage)) : QUrl::fromLocalFile(guide);
}

void OpenWebPage(WebOpener& web) {
    web.Open(WebPageAddress());
}
