#include "platform/print_dialog.h"

#include <QPrintDialog>

bool QtPrintDialog::Ask(QPrinter& printer, QWidget* parent) {
    QPrintDialog dialog(&printer, parent);
    return dialog.exec() == QDialog::Accepted;
}
