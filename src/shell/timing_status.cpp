#include "shell/timing_status.h"

#include <QLabel>

#include "model/xml.h"
#include "shell/frm_main.h"
#include "shell/tray_menu.h"

QString TimingSummary(const QString& name, const QString& taskTime) {
    return name + QLatin1Char(' ') + taskTime;
}

QString TrayToolTip(const QString& summary) {
    return summary.isEmpty() ? QStringLiteral("Horavel") : QStringLiteral("Horavel - ") + summary;
}

QString TimerFieldText(const QString& summary) {
    return summary.isEmpty() ? QStringLiteral("Timer stopped")
                             : QStringLiteral("Timing ") + summary;
}

namespace {

QString DigitsAsZeros(QString text) {
    for (QChar& c : text) {
        if (c.isDigit()) {
            c = QLatin1Char('0');
        }
    }
    return text;
}

}  // namespace

void frmMain::ShowTimingStatus() {
    QString summary;
    const TreeNode* timed = Timing.TimedNode;
    if (Timing.TimerRunning && timed != nullptr && timed->element) {
        summary = TimingSummary(NodeString(timed, "@name"), NodeString(timed, "@task_time"));
    }
    // The tray is seen while the window is not.
    ui.Tray->ShowTiming(TrayToolTip(summary), !summary.isEmpty());
    // The window's own field waits until the window is seen: laying out its text is most of
    // what a tick costs.
    if (!IsSeen()) {
        behindWhileUnseen_ = true;
        return;
    }
    // Every tick asks; the widgets repaint only when their text changes.
    if (shownTimingSummary_ == summary) {
        return;
    }
    shownTimingSummary_ = summary;
    const QString text = TimerFieldText(summary);
    ui.lblTimerStatus->setText(text);
    // Its accessible name says what the field is ("Timer"); a screen reader reads its state
    // from the description.
    ui.lblTimerStatus->setAccessibleDescription(text);
    // A label free to change size has the status bar laid out again for every new text,
    // once a second while timing. Held at its text's size, it repaints only itself. Digits
    // are equally wide in interface fonts, so its size is measured again (text shaping,
    // the costly part of a tick) only when the text differs in more than its digits.
    if (QString shape = DigitsAsZeros(text); shape != timerFieldShape_) {
        timerFieldShape_ = std::move(shape);
        ui.lblTimerStatus->setFixedSize(ui.lblTimerStatus->sizeHint());
    }
}
