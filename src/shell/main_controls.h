#pragma once
// The main window's controls, under the names the window's design gives them, as a Qt
// Designer form's `ui` holds them. The window creates them; nothing here owns them.

#include "platform/timer.h"

class QAction;
class QCheckBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QMenu;
class QPlainTextEdit;
class QToolBar;
class QToolButton;
class ResizeHandle;
class TaskTree;
class TrayMenu;

struct MainControls {
    TaskTree* Tree = nullptr;
    QToolBar* TreeBar = nullptr;
    QToolBar* Toolbar1 = nullptr;
    ResizeHandle* ResizeHandle1 = nullptr;

    // The detail pane.
    QLabel* lblName = nullptr;
    QLineEdit* txtName = nullptr;
    QCheckBox* chkCompleted = nullptr;
    QLabel* lblDescription = nullptr;
    QPlainTextEdit* txtDescription = nullptr;
    QLabel* lblTimeHead = nullptr;
    QLabel* lblTaskTime = nullptr;
    QLineEdit* txtTaskTime = nullptr;
    QLabel* lblSubTaskTime = nullptr;
    QLineEdit* txtSubTaskTime = nullptr;
    QLabel* lblTotalTime = nullptr;
    QLineEdit* txtTotalTime = nullptr;
    QGroupBox* frmHistory = nullptr;

    // The status bar's timer field, and the tray.
    QLabel* lblTimerStatus = nullptr;
    // Opens the list of what the merges decided; shown from the first merge that decided.
    QToolButton* cmdMergeDecisions = nullptr;
    TrayMenu* Tray = nullptr;

    // The menu bar.
    QMenu* mnuFile = nullptr;
    QMenu* mnuWorkspace = nullptr;
    QMenu* mnuHelp = nullptr;
    QMenu* mnuHidden = nullptr;
    QAction* mnuOptions = nullptr;
    QAction* mnuExit = nullptr;

    // The tree's pop-up menu and its entries.
    QMenu* mnuTreePopUp = nullptr;
    QAction* mnuToggleTimer = nullptr;
    QAction* mnuSwitchTimer = nullptr;
    QAction* mnuCompleted = nullptr;
    QAction* mnuTreeNewTask = nullptr;
    QAction* mnuTreeEdit = nullptr;
    QAction* mnuTreeDelete = nullptr;

    // The time-accounting tick, enabled only while the timer runs, and the one-shot that
    // restarts an in-place label edit.
    Timer Timer1{500};
    Timer Timer2{1};
};
