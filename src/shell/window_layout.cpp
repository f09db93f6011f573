// The main window's layout pass and the splitter between the tree and the pane.
#include <QCheckBox>
#include <QEvent>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QToolBar>

#include <algorithm>

#include "shell/frm_main.h"
#include "shell/layout.h"

bool frmMain::eventFilter(QObject* watched, QEvent* event) {
    if (watched == client_ && event->type() == QEvent::Resize) {
        Form_Resize();
    }
    return QMainWindow::eventFilter(watched, event);
}

// Where the tree bar's "end" marker begins: the width of its real buttons. Read from the
// bar's size hint, which holds before the bar has ever been laid out on screen.
int frmMain::TreeBarButtonsWidth() const {
    return TreeBar->sizeHint().width();
}

void frmMain::Form_Resize() {
    const TwipsScale scale = TwipsScale::Of(this);
    LayoutInput input;
    input.clientWidth = scale.ToTwipsX(client_->width());
    input.clientHeight = scale.ToTwipsY(client_->height());
    input.offLeft = ResizeHandle1->offLeft;
    input.MinX = ResizeHandle1->MinX;
    input.m = 3 * scale.perPixelX();
    // The main toolbar sits above the client area, so the client starts at its bottom.
    input.toolbarTop = 0;
    input.toolbarHeight = 0;
    input.treeBarEndLeft = scale.ToTwipsX(TreeBarButtonsWidth());
    input.design.treeBarHeight = scale.ToTwipsY(TreeBar->sizeHint().height());
    // The desktop's font may need more room than the design gave the check box's caption.
    input.design.chkCompletedWidth =
        std::max(input.design.chkCompletedWidth, scale.ToTwipsX(chkCompleted->sizeHint().width()));

    const Layout layout = LayOut(input);
    ResizeHandle1->offLeft = layout.offLeft;
    ResizeHandle1->MaxX = layout.MaxX;
    ResizeHandle1->offTop = layout.offTop;
    const std::pair<QWidget*, TwipsRect> placed[] = {
        {Tree, layout.Tree},
        {TreeBar, layout.TreeBar},
        {ResizeHandle1, layout.ResizeHandle1},
        {lblName, layout.lblName},
        {txtName, layout.txtName},
        {chkCompleted, layout.chkCompleted},
        {lblDescription, layout.lblDescription},
        {txtDescription, layout.txtDescription},
        {lblTimeHead, layout.lblTimeHead},
        {lblTaskTime, layout.lblTaskTime},
        {lblSubTaskTime, layout.lblSubTaskTime},
        {lblTotalTime, layout.lblTotalTime},
        {txtTaskTime, layout.txtTaskTime},
        {txtSubTaskTime, layout.txtSubTaskTime},
        {txtTotalTime, layout.txtTotalTime},
        {frmHistory, layout.frmHistory},
    };
    for (const auto& [control, rect] : placed) {
        control->setGeometry(scale.ToPixels(rect));
    }
    TreeBar->update();
    Toolbar1->update();
}

void frmMain::ResizeHandle1_StartMove() {
    // No tick during the drag; the one after it books the whole pause.
    timer1WasEnabled_ = Timer1.enabled();
    Timer1.setEnabled(false);
}

void frmMain::ResizeHandle1_Move(double position) {
    ResizeHandle1->offLeft = position;
    Form_Resize();
    // A timer stopped during the drag stays stopped; one started during it keeps running.
    if (timer1WasEnabled_ && TimerRunning) {
        Timer1.setEnabled(true);
    }
    if (Timer1.enabled()) {
        Timer1_Timer();
    }
}
