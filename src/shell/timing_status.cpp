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

void frmMain::ShowTimingStatus() {
    QString summary;
    if (TimerRunning && TimedNode != nullptr && TimedNode->element) {
        summary =
            TimingSummary(NodeString(TimedNode, "@name"), NodeString(TimedNode, "@task_time"));
    }
    // Every tick asks; the widgets repaint only when their text changes.
    if (shownTimingSummary_ == summary) {
        return;
    }
    shownTimingSummary_ = summary;
    lblTimerStatus->setText(TimerFieldText(summary));
    Tray->ShowTiming(TrayToolTip(summary), !summary.isEmpty());
}
