#include <QApplication>

#include "shell/frm_main.h"

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    frmMain window;
    window.show();
    return QApplication::exec();
}
