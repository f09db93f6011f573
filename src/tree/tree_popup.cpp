// The tree's pop-up menu.
#include "shell/frm_main.h"

void frmMain::Tree_MouseUp(Qt::MouseButton button, Qt::KeyboardModifiers shift, QPoint position) {
    (void)button;
    (void)shift;
    (void)position;
}
void frmMain::mnuCompleted_Click() {}
