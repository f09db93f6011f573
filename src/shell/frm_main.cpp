#include "shell/frm_main.h"

frmMain::frmMain(QWidget* parent) : QMainWindow(parent) {
    setWindowTitle(QStringLiteral("Horavel"));
    resize(502, 301);
}
