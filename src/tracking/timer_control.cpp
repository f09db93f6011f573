// Starting, stopping and switching the timer, and booking the elapsed seconds.
#include <QAction>
#include <QLineEdit>
#include <QSignalBlocker>

#include "model/project_document.h"
#include "model/time_text.h"
#include "model/xml.h"
#include "shell/frm_main.h"
#include "shell/toolbar_icons.h"
#include "tracking/booked_time.h"
#include "tracking/elapsed.h"

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

QString TimeName(std::string_view path) {
    return path == "@task_time" ? QStringLiteral("task time") : QStringLiteral("subtask time");
}

QString OverflowDetail(std::string_view path, const std::string& stored) {
    return QStringLiteral("the %1 \"%2\" does not fit 32767 hours and is left as it is")
        .arg(TimeName(path), QString::fromStdString(stored));
}

// Adds the seconds to one time attribute of the element and refreshes the node's caption.
// A stored time that does not fit keeps its text; the person hears of it once.
void BookOn(frmMain& window, TreeNode* node, pugi::xml_node element, std::string_view path,
            double elapsed) {
    const XML::Node attribute = XML::ResolvePath(element, path);
    const std::string stored = attribute.text();
    try {
        attribute.setText(AddSeconds(stored, elapsed));
    } catch (const Module1::TimeOverflow&) {
        window.ReportTimeOverflow(node, OverflowDetail(path, stored));
    }
    try {
        window.UpdateNode(node);
    } catch (const Module1::TimeOverflow&) {
        // The caption cannot show a time beyond 32767 hours; it keeps its last text.
        window.ReportTimeOverflow(node, OverflowDetail(path, stored));
    }
}

// The timed node's own time and the subtask time of everything above it, up to and
// including the project. The elements decide where the walk ends; the nodes follow.
void BookUpTheChain(frmMain& window, double elapsed) {
    TreeNode* node = window.TimedNode;
    pugi::xml_node element = node->element;
    std::string_view path = "@task_time";
    while (node != nullptr && element) {
        BookOn(window, node, element, path, elapsed);
        if (element.parent().type() == pugi::node_document) {  // the project
            return;
        }
        element = element.parent();
        node = node->parentNode();
        path = "@subtask_time";
    }
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
        if (TimedNode != nullptr) {
            GiveRestingImage(TimedNode);
        }
        return;
    }
    TimerRunning = true;
    ShowTimerState(*this, true);
    TimerStartSeconds = platform_.clock->SecondsSinceMidnight();
    TimedNode = SelectedNode();
    Sessions.Begin(LocalTimeOfReading(TimerStartSeconds));
    Timer1.setEnabled(true);
    Timer1_Timer();  // books nothing yet, shows the first clock frame at once
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
    const TickMeasure measure =
        MeasureTick(TimerStartSeconds, platform_.clock->SecondsSinceMidnight());
    TimerStartSeconds = measure.reference;
    {
        // For each changed node the view searches its expanded rows from the last one it
        // found, and the chain spans from the project's row to the timed node's: in a large
        // tree that search costs more than the tick itself. Change the chain quietly and
        // repaint the visible rows once. (Quiet also keeps an open label edit on one of
        // these nodes from being reset to the stored name every second.)
        const QSignalBlocker quiet(Tree->model());
        frame_ = (frame_ + 1) % 8;
        TimedNode->setImage(ClockFrame(frame_));
        BookUpTheChain(*this, measure.elapsed);
        Sessions.Book(TimedNode->element, measure.elapsed);
    }
    Tree->viewport()->update();
    RefreshPaneTimes(*this);
}
