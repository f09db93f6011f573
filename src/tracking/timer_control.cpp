// Starting, stopping and switching the timer, and booking the elapsed seconds.
#include <QAction>
#include <QLineEdit>
#include <QSignalBlocker>
#include <QStatusBar>

#include <algorithm>

#include "history/history_frame.h"
#include "model/project_document.h"
#include "model/time_text.h"
#include "model/xml.h"
#include "shell/frm_main.h"
#include "shell/settings.h"
#include "shell/toolbar_icons.h"
#include "tracking/booked_time.h"
#include "tracking/time_sums.h"

namespace {

// What the toolbar button and the pop-up entry offer next.
void ShowTimerState(frmMain& window, bool running) {
    const QString caption = running ? QStringLiteral("Stop Timer") : QStringLiteral("Start Timer");
    if (QAction* button = window.ToolbarButton(QStringLiteral("toggletimer"))) {
        button->setText(caption);
        button->setIcon(ToolbarIcon(running ? QStringLiteral("stop") : QStringLiteral("start")));
    }
    window.mnuToggleTimer->setText(caption);
}

// The image a node shows once the clock has left it. A project gets the green diamond
// without looking at its modified state; a task shows its completion.
void GiveRestingImage(TreeNode* node) {
    if (node->isProject()) {
        node->setImage(TreeImage::ProjectUnmodified);
        return;
    }
    const bool completed = IsCompletedText(XML::ResolvePath(node->element, "^completed").text());
    node->setImage(completed ? TreeImage::TaskCompleted : TreeImage::Task);
}

// Refreshes the captions of the node and of every node above it.
void UpdateChain(frmMain& window, TreeNode* node) {
    for (; node != nullptr; node = node->parentNode()) {
        window.UpdateNode(node);
    }
}

bool ProjectModified(TreeNode* node) {
    return XML::ResolvePath(frmMain::ProjectNodeOf(node)->element, "^modified").text() == "true";
}

double IdleLimitSeconds(const SettingsStore& store) {
    return ReadIdleMinutes(store) * 60.0;
}

// Sets a field's text without taking the caret or the selection from the person reading
// or copying it.
void SetKeepingSelection(QLineEdit* field, const QString& text) {
    if (field->text() == text) {
        return;
    }
    const int caret = field->cursorPosition();
    const int start = field->selectionStart();
    const int length = field->selectionLength();
    field->setText(text);
    if (start < 0) {
        field->setCursorPosition(caret);
    } else if (caret == start) {
        field->setSelection(start + length, -length);  // selected backwards: caret at the front
    } else {
        field->setSelection(start, length);
    }
}

// The pane's three time fields for the selected node, which need not be the timed one.
void RefreshPaneTimes(frmMain& window) {
    TreeNode* selected = window.SelectedNode();
    if (selected == nullptr || !selected->element) {
        return;
    }
    const std::string taskTime = XML::ResolvePath(selected->element, "^task_time").text();
    const std::string subtaskTime = XML::ResolvePath(selected->element, "^subtask_time").text();
    const PaneTimeTexts times = PaneTimeTextsOf(taskTime, subtaskTime);
    if (!times.fits) {
        window.ReportTimeOverflow(
            selected,
            QStringLiteral("a stored time does not fit 32767 hours and is shown as it is"));
    }
    SetKeepingSelection(window.txtTaskTime, QString::fromStdString(times.task));
    SetKeepingSelection(window.txtSubTaskTime, QString::fromStdString(times.subtask));
    SetKeepingSelection(window.txtTotalTime, QString::fromStdString(times.total));
}

}  // namespace

void frmMain::ToggleTimer() {
    // With nothing to book on, a running flag is only a stale caption: let any click end it.
    const bool orphaned = TimerRunning && TimedNode == nullptr;
    if (SelectedNode() == nullptr && !orphaned) {
        return;
    }
    if (TimerRunning) {
        Timer1.setEnabled(false);
        TimerRunning = false;
        ShowTimerState(*this, false);
        Timer1_Timer();  // books the seconds since the last tick
        Sessions.End();
        History->PeriodsChanged();  // the period as it ended
        if (TimedNode != nullptr) {
            GiveRestingImage(TimedNode);
        }
        EndIdleStretch(EndIdle(idle_, platform_.clock->SecondsSinceMidnight()));
        ShowTimingStatus();
        return;
    }
    TimerRunning = true;
    ShowTimerState(*this, true);
    ticks_ = StartTicking(platform_.clock->MonotonicSeconds());
    TimerStartSeconds = bookedSince_ = ticks_.reference;
    lastTickWall_ = platform_.clock->SecondsSinceMidnight();
    idle_ = IdleWatch();
    TimedNode = SelectedNode();
    Sessions.Begin(LocalTimeOfReading(lastTickWall_));
    Timer1.setEnabled(true);
    KeepRecoveryTicking();
    Timer1_Timer();  // books nothing yet, shows the first clock frame at once
    ShowTimingStatus();
}

void frmMain::SwitchTimer() {
    ToggleTimer();
    ToggleTimer();
}

void frmMain::Timer1_Timer() {
    if (TimedNode == nullptr || !TimedNode->element) {
        // The timed node is gone: stop ticking, leave the running flag for ToggleTimer.
        TimedNode = nullptr;
        Timer1.setEnabled(false);
        return;
    }
    const double now = platform_.clock->MonotonicSeconds();
    const double wallNow = platform_.clock->SecondsSinceMidnight();
    const double wallBefore = lastTickWall_;
    const TickPlan plan = PlanTick(ticks_, now, GapSeconds);
    TimerStartSeconds = ticks_.reference;
    lastTickWall_ = wallNow;
    if (plan.held > 0) {
        bookedSince_ = ticks_.reference;  // nothing before the gap is this stretch's to take
    }
    const double idleLimit = IdleLimitSeconds(*platform_.settings);
    const IdleReading reading{IdleNow(now, idleLimit), idleLimit, now, wallNow};
    const IdleWatch idleBefore = idle_;
    const IdleStep idle =
        WatchIdle(idle_, reading, ticks_.reference - plan.book, ticks_.reference, bookedSince_);
    frame_ = (frame_ + 1) % 8;
    {
        const QSignalBlocker quiet(Tree->model());  // the image: see BookTime
        TimedNode->setImage(ClockFrame(frame_));
    }
    TreeNode* timed = TimedNode;
    if (!BookTime(timed, idle.book - idle.takeBack,
                  QStringLiteral("The timer stopped and booked nothing"))) {
        idle_ = idleBefore;  // this tick's seconds were not booked, so they are not held either
        HaltTimer();
        return;
    }
    if (Sessions.Book(timed->element, idle.book - idle.takeBack)) {
        NoteUnsavedChange(timed);   // a new period: the next snapshot must hold it
        History->PeriodsChanged();  // and the History frame lists it
    }
    if (plan.held > 0) {
        HoldTime({0, HeldTime::Kind::Gap, timed, NodeString(timed, "@name"), plan.held, wallBefore,
                  wallNow});
    }
    if (idle.ended) {
        bookedSince_ = ticks_.reference - idle.book;
        EndIdleStretch(idle);
    }
    RefreshPaneTimes(*this);
    ShowTimingStatus();
}

std::optional<double> frmMain::IdleNow(double now, double limit) {
    if (limit <= 0 || !platform_.idle) {
        return std::nullopt;  // not watched
    }
    if (const auto known = IdleWithoutAsking(lastIdleAnswer_, idle_, limit, now)) {
        return known;
    }
    lastIdleAnswer_ = {platform_.idle->IdleSeconds(), now};
    return lastIdleAnswer_.idle;
}

bool frmMain::BookTime(TreeNode* node, double seconds, const QString& refused) {
    if (node == nullptr || !node->element) {
        return false;
    }
    {
        // For each changed node the view searches its expanded rows from the last one it
        // found, and the chain spans from the project's row to the timed node's: in a large
        // tree that search costs more than the tick itself. Change the chain quietly and
        // repaint the chain's rows on screen. (Quiet also keeps an open label edit on one of
        // these nodes from being reset to the stored name every second.)
        const QSignalBlocker quiet(Tree->model());
        if (const auto refusal = ApplyTimeChanges(BookingChanges(node->element, seconds))) {
            statusBar()->showMessage(
                QStringLiteral("%1: %2.").arg(refused, QString::fromStdString(refusal->reason)));
            return false;
        }
        if (seconds != 0 && !ProjectModified(node)) {
            MarkModified(node);  // once per project and save, not every second
        }
        UpdateChain(*this, node);
    }
    Tree->repaintChainOnScreen(node);
    return true;
}

// Stops a timer whose seconds could not be booked; the tick that found out has said why.
void frmMain::HaltTimer() {
    Timer1.setEnabled(false);
    TimerRunning = false;
    ShowTimerState(*this, false);
    GiveRestingImage(TimedNode);
    EndIdleStretch(EndIdle(idle_, platform_.clock->SecondsSinceMidnight()));
    Sessions.End();
    History->PeriodsChanged();
    ShowTimingStatus();
}

void frmMain::EndIdleStretch(const IdleStep& step) {
    if (!step.ended) {
        return;
    }
    if (idle_.held > 0 && TimedNode != nullptr) {
        HoldTime({0, HeldTime::Kind::Idle, TimedNode, NodeString(TimedNode, "@name"), idle_.held,
                  idle_.fromWall, step.toWall});
    }
    idle_ = IdleWatch();
}

void frmMain::HoldTime(HeldTime held) {
    held.id = nextHeldId_++;
    const int id = held.id;
    held_.push_back(held);
    // The window may be long gone from the screen; the answer finds the time by its id, so
    // an answer that comes late, or twice, can book it once at most.
    platform_.questions->Ask(HeldTimeQuestion(held), HeldTimeButtons(held.kind), kDiscardButton,
                             [this, id](int button) { AnswerHeldTime(id, button); });
}

void frmMain::AnswerHeldTime(int id, int button) {
    const auto found =
        std::find_if(held_.begin(), held_.end(), [id](const HeldTime& h) { return h.id == id; });
    if (found == held_.end()) {
        return;
    }
    const HeldTime held = *found;
    held_.erase(found);
    if (button == kDiscardAndStopButton && TimerRunning) {
        StopTimer();
    }
    if (button != 0) {
        return;  // discarded
    }
    if (held.node == nullptr) {
        statusBar()->showMessage(
            QStringLiteral("%1 not booked: '%2' was deleted meanwhile.")
                .arg(QString::fromStdString(Module1::FormatTime(held.seconds, true)), held.name));
        return;
    }
    if (BookTime(held.node, held.seconds, QStringLiteral("Nothing booked"))) {
        // A period of its own, at the time it was held: the timer's run went on without it.
        QDateTime start = LocalTimeOfReading(held.fromWall);
        if (held.fromWall > held.toWall) {
            start = start.addDays(-1);  // it began before midnight
        }
        AddSession(held.node->element, SessionStartText(start), int64_t(held.seconds));
        RefreshPaneTimes(*this);
    }
}

void frmMain::CarryHeldTimes(TreeNode* from, TreeNode* to) {
    for (HeldTime& held : held_) {
        if (held.node == from) {
            held.node = to;
        }
    }
}
