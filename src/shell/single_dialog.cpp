#include "shell/single_dialog.h"

void ShowSingleDialog(QPointer<QDialog>& slot, const std::function<QDialog*()>& create,
                      bool modal) {
    if (slot) {
        slot->show();
        slot->raise();
        slot->activateWindow();
        return;
    }
    slot = create();
    slot->setAttribute(Qt::WA_DeleteOnClose);
    if (modal) {
        slot->exec();  // deletes the dialog as it returns
    } else {
        slot->show();
    }
}
