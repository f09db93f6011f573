#pragma once
// What the status bar and the tray say about the timer.

#include <QString>

// "Design 1:23:45": the timed node's name and its task time.
QString TimingSummary(const QString& name, const QString& taskTime);
// The tray's tooltip: "Horavel", followed by " - " and the summary while timing.
QString TrayToolTip(const QString& summary);
// The status bar's timer field: the summary while timing, else that the timer is stopped.
QString TimerFieldText(const QString& summary);
