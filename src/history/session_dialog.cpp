// The small dialogs of the corrections.
#include "history/session_dialog.h"

#include <QDateEdit>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QRegularExpression>
#include <QTimeEdit>
#include <QVBoxLayout>

#include <algorithm>
#include <utility>

#include "history/report.h"
#include "history/sessions.h"
#include "model/time_text.h"
#include "tree/pane_text.h"

namespace {

constexpr int64_t kMostSeconds = 32767LL * 3600 + 3599;

QDialogButtonBox* AddButtons(QDialog* dialog, QVBoxLayout* layout) {
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, dialog);
    QObject::connect(buttons, &QDialogButtonBox::rejected, dialog, &QDialog::reject);
    layout->addWidget(buttons);
    return buttons;
}

QLabel* ErrorLabel(QWidget* parent) {
    auto* label = new QLabel(parent);
    label->setWordWrap(true);
    label->setStyleSheet(QStringLiteral("color: #b00020"));
    return label;
}

// Where two texts differ: the length of their common start and of their common end.
std::pair<qsizetype, qsizetype> CommonEnds(const QString& a, const QString& b) {
    const qsizetype shorter = std::min(a.size(), b.size());
    qsizetype head = 0;
    while (head < shorter && a[head] == b[head]) {
        ++head;
    }
    qsizetype tail = 0;
    while (tail < shorter - head && a[a.size() - 1 - tail] == b[b.size() - 1 - tail]) {
        ++tail;
    }
    return {head, tail};
}

// The edit taken back and made again with the characters no file can hold turned into
// spaces: one undo still takes back all of it, which a validator's rewrite would not allow
// (QLineEdit forgets its undo steps when a validator changes the text).
void MendEdit(QLineEdit* field, const QString& edited) {
    const QString kept = WithoutForbiddenControls(edited);
    if (kept == edited) {
        return;
    }
    if (!field->isUndoAvailable()) {
        field->setText(kept);
        return;
    }
    field->undo();
    const QString before = field->text();
    const auto [head, tail] = CommonEnds(before, edited);
    field->setSelection(static_cast<int>(head), static_cast<int>(before.size() - head - tail));
    field->insert(kept.mid(head, edited.size() - head - tail));
}

// A note field: it starts with the note as a file can hold it and keeps it so, whether the
// text is typed, pasted or dropped.
QLineEdit* NoteField(const QString& note, QWidget* parent) {
    auto* field = new QLineEdit(WithoutForbiddenControls(note), parent);
    QObject::connect(field, &QLineEdit::textEdited, field,
                     [field](const QString& edited) { MendEdit(field, edited); });
    return field;
}

}  // namespace

std::optional<int64_t> ParseDuration(const QString& text) {
    static const QRegularExpression form(
        QStringLiteral("^\\s*(-?)\\s*(\\d+(?::\\d{1,2}){0,2})\\s*$"));
    const QRegularExpressionMatch match = form.match(text);
    if (!match.hasMatch()) {
        return std::nullopt;
    }
    try {
        const auto seconds =
            static_cast<int64_t>(Module1::ParseTime(match.captured(2).toStdString()));
        if (seconds > kMostSeconds) {
            return std::nullopt;
        }
        return match.captured(1).isEmpty() ? seconds : -seconds;
    } catch (const Module1::TimeOverflow&) {
        return std::nullopt;
    }
}

std::optional<SessionValues> SessionFromFields(QDate date, QTime start, const QString& duration,
                                               const QString& note, QString& error) {
    const std::optional<int64_t> seconds = ParseDuration(duration);
    if (!seconds || *seconds == 0) {
        error = QStringLiteral("Type the duration as hours, minutes and seconds, such as 1:30:00.");
        return std::nullopt;
    }
    if (!date.isValid() || !start.isValid()) {
        error = QStringLiteral("Choose the date and the time the period began.");
        return std::nullopt;
    }
    return SessionValues{SessionStartText(QDateTime(date, start)), *seconds, note.trimmed()};
}

SessionDialog::SessionDialog(const QString& title, const SessionValues& initial, QWidget* parent)
    : QDialog(parent) {
    setWindowTitle(title);
    auto* layout = new QVBoxLayout(this);
    auto* form = new QFormLayout;
    QDateTime start = QDateTime::fromString(initial.start, Qt::ISODate).toLocalTime();
    if (!start.isValid()) {
        start = QDateTime::currentDateTime();
    }
    txtDate = new QDateEdit(start.date(), this);
    txtDate->setCalendarPopup(true);
    txtStart = new QTimeEdit(start.time(), this);
    txtStart->setDisplayFormat(QStringLiteral("HH:mm:ss"));
    txtDuration = new QLineEdit(ClockText(initial.seconds, true), this);
    txtNote = NoteField(initial.note, this);
    form->addRow(QStringLiteral("&Date:"), txtDate);
    form->addRow(QStringLiteral("&Start:"), txtStart);
    form->addRow(QStringLiteral("D&uration:"), txtDuration);
    form->addRow(QStringLiteral("&Note:"), txtNote);
    layout->addLayout(form);
    lblError = ErrorLabel(this);
    layout->addWidget(lblError);
    connect(AddButtons(this, layout), &QDialogButtonBox::accepted, this, &SessionDialog::Confirm);
}

void SessionDialog::Confirm() {
    QString error;
    values = SessionFromFields(txtDate->date(), txtStart->time(), txtDuration->text(),
                               txtNote->text(), error);
    lblError->setText(error);
    if (values) {
        accept();
    }
}

TimeDialog::TimeDialog(int64_t current, QWidget* parent) : QDialog(parent) {
    setWindowTitle(QStringLiteral("Edit Time"));
    auto* layout = new QVBoxLayout(this);
    auto* form = new QFormLayout;
    txtTime = new QLineEdit(ClockText(current, true), this);
    txtNote = NoteField({}, this);
    form->addRow(QStringLiteral("&Task time:"), txtTime);
    form->addRow(QStringLiteral("&Note:"), txtNote);
    layout->addLayout(form);
    lblError = ErrorLabel(this);
    layout->addWidget(lblError);
    connect(AddButtons(this, layout), &QDialogButtonBox::accepted, this, &TimeDialog::Confirm);
}

void TimeDialog::Confirm() {
    seconds = ParseDuration(txtTime->text());
    if (!seconds || *seconds < 0) {
        seconds.reset();
        lblError->setText(
            QStringLiteral("Type the time as hours, minutes and seconds, such as 2:15:00."));
        return;
    }
    note = txtNote->text().trimmed();
    accept();
}
