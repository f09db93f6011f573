#include <QApplication>
#include <QClipboard>
#include <QDateEdit>
#include <QDialogButtonBox>
#include <QInputMethodEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QTimeEdit>

#include <gtest/gtest.h>

#include "history/session_dialog.h"
#include "history/sessions.h"

namespace {

// Times as a timesheet gives them: "2:15" is hours and minutes, decimals are hours, and the
// comma is a decimal separator only where the locale writes it so.
TEST(SessionDialog, ReadsTimesAsATimesheetWritesThem) {
    const QLocale english(QLocale::English, QLocale::UnitedStates);
    const QLocale german(QLocale::German, QLocale::Germany);
    struct Case {
        const char* text;
        std::optional<int64_t> inEnglish;
        std::optional<int64_t> inGerman;
    };
    const Case cases[] = {
        {"2:15", 8100, 8100},  {" 2:15:30 ", 8130, 8130},
        {"1.5", 5400, 5400},   {"1,5", {}, 5400},
        {".25", 900, 900},     {"45", 162000, 162000},
        {"0.001", 4, 4},  // 3.6 s, to the nearest second
        {"-0:10", -600, -600}, {"32767:59:59", 117964799, 117964799},
        {"32768", {}, {}},     {"2:75", {}, {}},
        {"2:5", {}, {}},       {"1,500", {}, 5400},
        {"1.", {}, {}},        {"2h", {}, {}},
        {"", {}, {}},          {"1:2:3:4", {}, {}},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(ParseDuration(c.text, english), c.inEnglish) << c.text;
        EXPECT_EQ(ParseDuration(c.text, german), c.inGerman) << c.text;
    }
}

TEST(SessionDialog, EditTimeShowsTheCurrentTimeAndTakesWhatIsTyped) {
    TimeDialog dialog(600, nullptr);
    dialog.show();
    QPushButton* ok = dialog.findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Ok);
    EXPECT_EQ(dialog.lblCurrent->text(), "0:10:00");
    EXPECT_EQ(dialog.txtTime->text(), "0:10:00");

    dialog.txtTime->selectAll();
    QTest::keyClicks(dialog.txtTime, "2h15");
    QTest::mouseClick(ok, Qt::LeftButton);
    EXPECT_FALSE(dialog.seconds);
    EXPECT_TRUE(dialog.isVisible());
    EXPECT_TRUE(dialog.lblError->text().startsWith("\"2h15\" is not a task time. Type it as 2:15"))
        << dialog.lblError->text().toStdString();

    dialog.txtTime->selectAll();
    QTest::keyClicks(dialog.txtTime, "2:15");
    QTest::keyClicks(dialog.txtNote, "Forgot the call");
    QTest::mouseClick(ok, Qt::LeftButton);
    EXPECT_EQ(dialog.seconds, 8100);
    EXPECT_EQ(dialog.note, "Forgot the call");
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
}

// A bad duration, or a period that would end after now, is refused in the dialog, which
// stays open; what is typed then is the period given.
TEST(SessionDialog, OkGivesThePeriodTypedAndStaysOpenOnABadOne) {
    const QDateTime now(QDate(2026, 12, 7), QTime(17, 0));
    const struct {
        QDateTime start;
        const char *bad, *error, *good;
        int64_t seconds;
    } cases[] = {
        {now.addSecs(-3600), "1:00:01", "would end at 2026-12-07 17:00:01, after now", "1:00",
         3600},  // ends now exactly
        {now.addSecs(-7 * 3600 - 898), "later", "Type the duration as 2:15", "0:20:00", 1200},
    };
    for (const auto& c : cases) {
        SessionDialog dialog("Add Time", {SessionStartText(c.start), 3600, {}}, nullptr);
        dialog.now = now;
        dialog.show();
        QPushButton* ok = dialog.findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Ok);
        dialog.txtDuration->selectAll();
        QTest::keyClicks(dialog.txtDuration, c.bad);
        QTest::mouseClick(ok, Qt::LeftButton);
        EXPECT_FALSE(dialog.values) << c.bad;
        EXPECT_TRUE(dialog.isVisible());
        EXPECT_TRUE(dialog.lblError->text().contains(c.error))
            << dialog.lblError->text().toStdString();

        dialog.txtDuration->selectAll();
        QTest::keyClicks(dialog.txtDuration, c.good);
        QTest::keyClicks(dialog.txtNote, "Call, \"short\"");
        QTest::mouseClick(ok, Qt::LeftButton);
        ASSERT_TRUE(dialog.values) << c.good;
        EXPECT_EQ(dialog.result(), QDialog::Accepted);
        EXPECT_EQ(dialog.values->start, SessionStartText(c.start));
        EXPECT_EQ(dialog.values->seconds, c.seconds);
        EXPECT_EQ(dialog.values->note, "Call, \"short\"");
        EXPECT_FALSE(dialog.values->correction);
    }
}

// A person fills the fields top down with Tab between them: what is typed after the date
// lands in the start, not in the date's year.
TEST(SessionDialog, TabLeavesTheDateAndTheStartForTheNextField) {
    SessionDialog dialog("Add Time",
                         {SessionStartText(QDateTime(QDate(2026, 12, 7), QTime(9, 0))), 3600, {}},
                         nullptr);
    dialog.show();
    dialog.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&dialog));
    dialog.txtDate->setFocus();
    QTest::keyClick(dialog.txtDate, Qt::Key_Tab);
    EXPECT_EQ(QApplication::focusWidget(), static_cast<QWidget*>(dialog.txtStart));
    QTest::keyClick(dialog.txtStart, Qt::Key_Tab);
    EXPECT_EQ(QApplication::focusWidget(), static_cast<QWidget*>(dialog.txtDuration));
    EXPECT_EQ(dialog.txtDate->date(), QDate(2026, 12, 7));
}

// What a file cannot hold becomes a space as it comes in, however it comes: the note of the
// period is written as it reads in the field, and one undo takes the whole paste back.
TEST(SessionDialog, ControlCharactersPastedOrComposedIntoTheNoteBecomeSpaces) {
    const QDateTime start(QDate(2026, 12, 7), QTime(9, 15, 2));
    SessionDialog dialog("Change", {SessionStartText(start), 600, QStringLiteral("Old\x01note")},
                         nullptr);
    dialog.show();
    EXPECT_EQ(dialog.txtNote->text(), "Old note");  // as a file can hold it

    dialog.txtNote->setFocus();
    dialog.txtNote->selectAll();
    QApplication::clipboard()->setText(QStringLiteral("Call\x01with\vAcme") + QChar(0) + "ok");
    QTest::keySequence(dialog.txtNote, QKeySequence::Paste);
    EXPECT_EQ(dialog.txtNote->text(), "Call with Acme ok");
    EXPECT_EQ(dialog.txtNote->cursorPosition(), dialog.txtNote->text().size());
    QTest::keySequence(dialog.txtNote, QKeySequence::Undo);
    EXPECT_EQ(dialog.txtNote->text(), "Old note");
    QTest::keySequence(dialog.txtNote, QKeySequence::Redo);
    EXPECT_EQ(dialog.txtNote->text(), "Call with Acme ok");

    dialog.txtNote->setCursorPosition(4);
    QInputMethodEvent composed;
    composed.setCommitString(QStringLiteral("\x1F!"));
    QApplication::sendEvent(dialog.txtNote, &composed);
    EXPECT_EQ(dialog.txtNote->text(), "Call ! with Acme ok");

    QTest::mouseClick(dialog.findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Ok),
                      Qt::LeftButton);
    ASSERT_TRUE(dialog.values);
    EXPECT_EQ(dialog.values->note, "Call ! with Acme ok");
}

}  // namespace
