#include "platform/qt_file_dialog.h"

#include <QApplication>
#include <QFileDialog>

// Placeholder until the file dialog is built out; see ShowSave/ShowOpen contracts.
bool QtFileDialog::ShowSave(FileDialogSetup& setup) {
    const QString name = QFileDialog::getSaveFileName(QApplication::activeWindow(),
                                                      setup.DialogTitle, setup.FileName);
    if (name.isEmpty()) {
        return false;
    }
    setup.FileName = name;
    return true;
}

bool QtFileDialog::ShowOpen(FileDialogSetup& setup) {
    const QString name = QFileDialog::getOpenFileName(QApplication::activeWindow(),
                                                      setup.DialogTitle, setup.FileName);
    if (name.isEmpty()) {
        return false;
    }
    setup.FileName = name;
    return true;
}
