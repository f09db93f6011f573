#include <QApplication>
#include <QClipboard>
#include <QDialogButtonBox>
#include <QInputMethodEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>

#include <gtest/gtest.h>

#include "history/session_dialog.h"
#include "history/sessions.h"

namespace {

TEST(SessionDialog, ReadsDurationsAndRefusesWhatIsNotOne) {
    const std::pair<const char*, std::optional<int64_t>> durations[] = {
        {"1:30:00", 5400},
        {" 1:30 ", 90},
        {"45", 45},
        {"-0:10:00", -600},
        {"32767:59:59", 117964799},
        {"32768:00:00", {}},
        {"1.5", {}},
        {"abc", {}},
        {"", {}},
        {"1:2:3:4", {}},
    };
    for (const auto& [text, seconds] : durations) {
        EXPECT_EQ(ParseDuration(text), seconds) << text;
    }
}

TEST(SessionDialog, OkGivesThePeriodTypedAndStaysOpenOnABadDuration) {
    const QDateTime start(QDate(2026, 12, 7), QTime(9, 15, 2));
    SessionDialog dialog("Add Time", {SessionStartText(start), 3600, {}}, nullptr);
    dialog.show();
    QPushButton* ok = dialog.findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Ok);

    dialog.txtDuration->selectAll();
    QTest::keyClicks(dialog.txtDuration, "later");
    QTest::mouseClick(ok, Qt::LeftButton);
    EXPECT_FALSE(dialog.values);
    EXPECT_TRUE(dialog.isVisible());
    EXPECT_FALSE(dialog.lblError->text().isEmpty());

    dialog.txtDuration->selectAll();
    QTest::keyClicks(dialog.txtDuration, "0:20:00");
    QTest::keyClicks(dialog.txtNote, "Call, \"short\"");
    QTest::mouseClick(ok, Qt::LeftButton);
    ASSERT_TRUE(dialog.values);
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
    EXPECT_EQ(dialog.values->start, SessionStartText(start));
    EXPECT_EQ(dialog.values->seconds, 1200);
    EXPECT_EQ(dialog.values->note, "Call, \"short\"");
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
