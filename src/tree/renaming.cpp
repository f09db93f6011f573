// In-place renaming of a node's label.
#include "shell/frm_main.h"

void frmMain::Tree_BeforeLabelEdit(bool& cancel) {
    (void)cancel;
}
void frmMain::Tree_AfterLabelEdit(bool& cancel, QString& newString) {
    (void)cancel;
    (void)newString;
}
void frmMain::Timer2_Timer() {}
