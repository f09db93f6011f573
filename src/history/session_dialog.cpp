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

// "h:mm" or "h:mm:ss", minutes and seconds below 60.
std::optional<int64_t> ClockSeconds(const QString& typed) {
    static const QRegularExpression form(
        QStringLiteral("^([0-9]{1,6}):([0-5][0-9])(?::([0-5][0-9]))?$"));
    const QRegularExpressionMatch match = form.match(typed);
    if (!match.hasMatch()) {
        return std::nullopt;
    }
    return match.captured(1).toLongLong() * 3600 + match.captured(2).toLongLong() * 60 +
           match.captured(3).toLongLong();
}

// Hours, whole or with up to six decimals after "." or the locale's own separator, rounded to
// the nearest second.
std::optional<int64_t> HoursSeconds(const QString& typed, const QLocale& locale) {
    const QRegularExpression form(QStringLiteral("^([0-9]{0,6})(?:(?:\\.|%1)([0-9]{1,6}))?$")
                                      .arg(QRegularExpression::escape(locale.decimalPoint())));
    const QRegularExpressionMatch match = form.match(typed);
    if (!match.hasMatch() || (match.captured(1).isEmpty() && match.captured(2).isEmpty())) {
        return std::nullopt;
    }
    const QString decimals = match.captured(2);
    int64_t scale = 1;
    for (qsizetype i = 0; i < decimals.size(); ++i) {
        scale *= 10;
    }
    const int64_t fraction = (decimals.toLongLong() * 3600 * 2 + scale) / (2 * scale);
    return match.captured(1).toLongLong() * 3600 + fraction;
}

// A date or time field that Tab leaves, as every other field: Qt's own walks through its
// day, month and year first, so a start time typed after Tab would land in the year.
template <typename Edit>
class TabLeavingEdit : public Edit {
  public:
    using Edit::Edit;

  protected:
    bool focusNextPrevChild(bool next) override { return QWidget::focusNextPrevChild(next); }
};

}  // namespace

std::optional<int64_t> ParseDuration(const QString& text, const QLocale& locale) {
    QString typed = text.trimmed();
    const bool negative = typed.startsWith('-');
    if (negative) {
        typed = typed.mid(1).trimmed();
    }
    const std::optional<int64_t> seconds =
        typed.contains(':') ? ClockSeconds(typed) : HoursSeconds(typed, locale);
    if (!seconds || *seconds > kMostSeconds) {
        return std::nullopt;
    }
    return negative ? -*seconds : *seconds;
}

QString DurationForms(const QLocale& locale) {
    return QStringLiteral("2:15 (hours:minutes), 2:15:30 or 2%125 hours")
        .arg(locale.decimalPoint());
}

std::optional<SessionValues> SessionFromFields(QDate date, QTime start, const QString& duration,
                                               const QString& note, QString& error) {
    const std::optional<int64_t> seconds = ParseDuration(duration);
    if (!seconds || *seconds == 0) {
        error = QStringLiteral("Type the duration as %1.").arg(DurationForms());
        return std::nullopt;
    }
    if (!date.isValid() || !start.isValid()) {
        error = QStringLiteral("Choose the date and the time the period began.");
        return std::nullopt;
    }
    return SessionValues{SessionStartText(QDateTime(date, start)), *seconds, note.trimmed()};
}

QString LateEndRefusal(const SessionValues& values, const QDateTime& now) {
    int64_t when = 0;
    int offset = 0;
    const QByteArray start = values.start.toUtf8();
    // Compared as lengths, so that no number of seconds can overflow the sum.
    if (values.correction || !ParseSessionStart(start.constData(), when, offset) ||
        values.seconds <= now.toSecsSinceEpoch() - when) {
        return {};
    }
    const QDateTime end = QDateTime::fromSecsSinceEpoch(when, QTimeZone(offset))
                              .addSecs(std::min<int64_t>(values.seconds, kMostSeconds));
    return QStringLiteral(
               "Time not yet worked cannot be recorded: the period would end at %1, "
               "after now (%2).")
        .arg(end.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss")),
             now.toString(QStringLiteral("HH:mm:ss")));
}

SessionDialog::SessionDialog(const QString& title, const SessionValues& initial, QWidget* parent)
    : QDialog(parent), correction_(initial.correction) {
    setWindowTitle(title);
    auto* layout = new QVBoxLayout(this);
    auto* form = new QFormLayout;
    QDateTime start = QDateTime::fromString(initial.start, Qt::ISODate).toLocalTime();
    if (!start.isValid()) {
        start = QDateTime::currentDateTime();
    }
    txtDate = new TabLeavingEdit<QDateEdit>(start.date(), this);
    txtDate->setCalendarPopup(true);
    txtStart = new TabLeavingEdit<QTimeEdit>(start.time(), this);
    txtStart->setDisplayFormat(QStringLiteral("HH:mm:ss"));
    txtDuration = new QLineEdit(ClockText(initial.seconds, true), this);
    txtNote = NoteField(initial.note, this);
    form->addRow(QStringLiteral("&Date:"), txtDate);
    form->addRow(QStringLiteral("&Start:"), txtStart);
    form->addRow(QStringLiteral("D&uration:"), txtDuration);
    form->addRow(QString(), new QLabel(DurationForms(), this));
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
    if (values) {
        values->correction = correction_;
        if (now.isValid()) {
            error = LateEndRefusal(*values, now);
        }
        if (!error.isEmpty()) {
            values.reset();
        }
    }
    lblError->setText(error);
    if (values) {
        accept();
    }
}

TimeDialog::TimeDialog(int64_t current, QWidget* parent) : QDialog(parent) {
    setWindowTitle(QStringLiteral("Edit Time"));
    auto* layout = new QVBoxLayout(this);
    auto* form = new QFormLayout;
    lblCurrent = new QLabel(ClockText(current, true), this);
    txtTime = new QLineEdit(ClockText(current, true), this);
    txtTime->selectAll();
    txtNote = NoteField({}, this);
    form->addRow(QStringLiteral("Current task time:"), lblCurrent);
    form->addRow(QStringLiteral("&New task time:"), txtTime);
    form->addRow(QString(), new QLabel(DurationForms(), this));
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
        lblError->setText(QStringLiteral("\"%1\" is not a task time. Type it as %2.")
                              .arg(txtTime->text().trimmed(), DurationForms()));
        return;
    }
    note = txtNote->text().trimmed();
    accept();
}
