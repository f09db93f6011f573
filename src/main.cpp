#include <QApplication>

#include "platform/platform.h"
#include "shell/frm_main.h"

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("horavel"));
    QApplication::setOrganizationName(QStringLiteral("horavel"));
    frmMain window(MakeQtPlatform());
    window.show();
    return QApplication::exec();
}
