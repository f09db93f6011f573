#pragma once
// The small dialogs of the corrections: a period (date, start, duration, note) and a task's
// time. Their reading of the fields is plain functions, tested without the modal loop.

#include <QDateTime>
#include <QDialog>
#include <QLocale>

#include <cstdint>
#include <optional>

#include "history/corrections.h"

class QDateEdit;
class QLabel;
class QLineEdit;
class QTimeEdit;

// Seconds of a time as a timesheet gives it: "h:mm" (so "2:15" is 2 hours 15 minutes),
// "h:mm:ss", or hours with a decimal part ("1.5", or "1,5" where the locale writes it so),
// with an optional leading "-"; none for anything else or for more than 32767 hours.
std::optional<int64_t> ParseDuration(const QString& text, const QLocale& locale = QLocale());
// The forms ParseDuration takes, as the hint beside a field: "2:15, 2:15:30 or 2.25 hours".
QString DurationForms(const QLocale& locale = QLocale());

// The period the fields describe, or none with the reason in `error`.
std::optional<SessionValues> SessionFromFields(QDate date, QTime start, const QString& duration,
                                               const QString& note, QString& error);
// Why the period cannot be recorded at `now`: it would end after it. Empty when it can; a
// correction has no end and always can.
QString LateEndRefusal(const SessionValues& values, const QDateTime& now);

class SessionDialog : public QDialog {
    Q_OBJECT
  public:
    SessionDialog(const QString& title, const SessionValues& initial, QWidget* parent);
    std::optional<SessionValues> values;  // set when accepted
    QDateTime now;                        // when valid, no period may end after it

    QDateEdit* txtDate;
    QTimeEdit* txtStart;
    QLineEdit* txtDuration;
    QLineEdit* txtNote;
    QLabel* lblError;

  private:
    void Confirm();

    bool correction_;
};

class TimeDialog : public QDialog {
    Q_OBJECT
  public:
    TimeDialog(int64_t current, QWidget* parent);
    std::optional<int64_t> seconds;  // set when accepted
    QString note;

    QLabel* lblCurrent;
    QLineEdit* txtTime;
    QLineEdit* txtNote;
    QLabel* lblError;

  private:
    void Confirm();
};
