// Starting, stopping and switching the timer, and booking the elapsed seconds.
#include "shell/frm_main.h"

void frmMain::ToggleTimer() {}
void frmMain::SwitchTimer() {}
void frmMain::Timer1_Timer() {}
