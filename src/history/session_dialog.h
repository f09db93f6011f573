#pragma once
// The small dialogs of the corrections: a period (date, start, duration, note) and a task's
// time. Their reading of the fields is plain functions, tested without the modal loop.

#include <QDateTime>
#include <QDialog>

#include <cstdint>
#include <optional>

#include "history/corrections.h"

class QDateEdit;
class QLabel;
class QLineEdit;
class QTimeEdit;

// Seconds of "h:mm:ss", "h:mm" or "s", with an optional leading "-"; none for anything else
// or for more than 32767 hours.
std::optional<int64_t> ParseDuration(const QString& text);

// The period the fields describe, or none with the reason in `error`.
std::optional<SessionValues> SessionFromFields(QDate date, QTime start, const QString& duration,
                                               const QString& note, QString& error);

class SessionDialog : public QDialog {
    Q_OBJECT
  public:
    SessionDialog(const QString& title, const SessionValues& initial, QWidget* parent);
    std::optional<SessionValues> values;  // set when accepted

    QDateEdit* txtDate;
    QTimeEdit* txtStart;
    QLineEdit* txtDuration;
    QLineEdit* txtNote;
    QLabel* lblError;

  private:
    void Confirm();
};

class TimeDialog : public QDialog {
    Q_OBJECT
  public:
    TimeDialog(int64_t current, QWidget* parent);
    std::optional<int64_t> seconds;  // set when accepted
    QString note;

    QLineEdit* txtTime;
    QLineEdit* txtNote;
    QLabel* lblError;

  private:
    void Confirm();
};
