// The main window's layout pass and the splitter between the tree and the pane.
#include <QCheckBox>
#include <QEvent>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QToolBar>
#include <QWindow>

#include <algorithm>

#include "history/history_frame.h"
#include "platform/on_screen.h"
#include "shell/framed_field.h"
#include "shell/frm_main.h"
#include "shell/layout.h"
#include "shell/resize_handle.h"
#include "tree/detail_pane.h"
#include "tree/project_tree.h"

bool frmMain::eventFilter(QObject* watched, QEvent* event) {
    if (watched == client_ && event->type() == QEvent::Resize) {
        Form_Resize();
    } else if (watched == windowHandle() && event->type() == QEvent::Expose && IsSeen()) {
        CatchUpOnSight();  // uncovered, or shown again by the compositor
    }
    // A burst of typing in the name or the description ends when the field loses the focus.
    if ((watched == ui.txtName || watched == ui.txtDescription) &&
        event->type() == QEvent::FocusOut) {
        tree_->Edits().EndBurst();
    }
    return QMainWindow::eventFilter(watched, event);
}

// Where the tree bar's "end" marker begins: the width of its real buttons. Read from the
// bar's size hint, which holds before the bar has ever been laid out on screen.
int frmMain::TreeBarButtonsWidth() const {
    return ui.TreeBar->sizeHint().width();
}

void frmMain::Form_Resize() {
    const TwipsScale scale = TwipsScale::Of(this);
    LayoutInput input;
    input.clientWidth = scale.ToTwipsX(client_->width());
    input.clientHeight = scale.ToTwipsY(client_->height());
    input.offLeft = ui.ResizeHandle1->offLeft;
    input.MinX = ui.ResizeHandle1->MinX;
    input.m = 3 * scale.perPixelX();
    // The main toolbar sits above the client area, so the client starts at its bottom.
    input.toolbarTop = 0;
    input.toolbarHeight = 0;
    input.treeBarEndLeft = scale.ToTwipsX(TreeBarButtonsWidth());
    input.design.treeBarHeight = scale.ToTwipsY(ui.TreeBar->sizeHint().height());
    // The desktop's font may need more room than the design gave the check box's caption.
    input.design.chkCompletedWidth = std::max(input.design.chkCompletedWidth,
                                              scale.ToTwipsX(ui.chkCompleted->sizeHint().width()));

    const Layout layout = LayOut(input);
    ui.ResizeHandle1->offLeft = layout.offLeft;
    ui.ResizeHandle1->MaxX = layout.MaxX;
    ui.ResizeHandle1->offTop = layout.offTop;
    const std::pair<QWidget*, TwipsRect> placed[] = {
        {ui.Tree, layout.Tree},
        {ui.TreeBar, layout.TreeBar},
        {ui.ResizeHandle1, layout.ResizeHandle1},
        {ui.lblName, layout.lblName},
        {ui.txtName, layout.txtName},
        {ui.chkCompleted, layout.chkCompleted},
        {ui.lblDescription, layout.lblDescription},
        {ui.txtDescription, layout.txtDescription},
        {ui.lblTimeHead, layout.lblTimeHead},
        {ui.lblTaskTime, layout.lblTaskTime},
        {ui.lblSubTaskTime, layout.lblSubTaskTime},
        {ui.lblTotalTime, layout.lblTotalTime},
        {Placed(ui.txtTaskTime), layout.txtTaskTime},
        {Placed(ui.txtSubTaskTime), layout.txtSubTaskTime},
        {Placed(ui.txtTotalTime), layout.txtTotalTime},
        {ui.frmHistory, layout.frmHistory},
    };
    for (const auto& [control, rect] : placed) {
        control->setGeometry(scale.ToPixels(rect));
    }
    ui.TreeBar->update();
    ui.Toolbar1->update();
}

void frmMain::ResizeHandle1_StartMove() {
    // No tick during the drag; the one after it books the whole pause.
    timer1WasEnabled_ = ui.Timer1.enabled();
    ui.Timer1.setEnabled(false);
}

void frmMain::ResizeHandle1_Move(double position) {
    ui.ResizeHandle1->offLeft = position;
    Form_Resize();
    // A timer stopped during the drag stays stopped; one started during it keeps running.
    if (timer1WasEnabled_ && Timing.TimerRunning) {
        ui.Timer1.setEnabled(true);
    }
    if (ui.Timer1.enabled()) {
        Timer1_Timer();
    }
}

// ---- Quiet while unseen: a tick draws nothing nobody can see ----

bool frmMain::IsSeen() const {
    // Until its first show the window is still being put together: its fields keep up,
    // so that the first sight of it is current.
    if (!shownOnce_) {
        return true;
    }
    return IsOnScreen(*this);
}

void frmMain::changeEvent(QEvent* event) {
    QMainWindow::changeEvent(event);
    if (event->type() == QEvent::WindowStateChange && IsSeen()) {
        CatchUpOnSight();
    }
}

void frmMain::showEvent(QShowEvent* event) {
    QMainWindow::showEvent(event);
    shownOnce_ = true;
    // The native window exists from the first show: its exposure tells when it is covered.
    if (QWindow* handle = windowHandle()) {
        handle->removeEventFilter(this);
        handle->installEventFilter(this);
    }
    CatchUpOnSight();
}

void frmMain::CatchUpOnSight() {
    if (!behindWhileUnseen_) {
        return;
    }
    behindWhileUnseen_ = false;
    if (ui.Timer1.enabled()) {
        Timer1_Timer();  // the clock turns again, and the seconds so far are shown at once
    }
    pane_->RefreshTimes();
    ShowTimingStatus();
    History->CatchUp();
    ui.Tree->viewport()->update();  // the timed rows' captions, changed without a repaint
}
