#include <QApplication>

#include "platform/platform.h"
#include "shell/app_icon.h"
#include "shell/frm_main.h"

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("horavel"));
    QApplication::setOrganizationName(QStringLiteral("horavel"));
    QApplication::setWindowIcon(AppIcon());
    // Lets task bars match the window to its menu entry and icon.
    QGuiApplication::setDesktopFileName(QString::fromLatin1(kDesktopAppId));
    frmMain window(MakeQtPlatform());
    window.show();
    return QApplication::exec();
}
