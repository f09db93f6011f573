// The about dialog and the web page.
#include <QFileInfo>
#include <QLabel>
#include <QPushButton>
#include <QRegularExpression>
#include <QTest>

#include <gtest/gtest.h>

#include "shell/frm_about.h"
#include "shell/web_page.h"
#include "support/doubles.h"

namespace {

TEST(AboutTest, TheVersionLineHasThreePlainNumbers) {
    EXPECT_EQ(VersionLine(0, 1, 0).toStdString(), "Version 0.1.0");
    EXPECT_EQ(VersionLine(10, 0, 7).toStdString(), "Version 10.0.7");
    RecordingWebOpener web;
    frmAbout dialog(web);
    EXPECT_EQ(dialog.lblVersion->text(), ProgramVersionLine());
    EXPECT_TRUE(QRegularExpression(R"(^Version \d+\.\d+\.\d+$)")
                    .match(dialog.lblVersion->text())
                    .hasMatch())
        << dialog.lblVersion->text().toStdString();
}

TEST(AboutTest, EnterRightAfterOpeningClosesIt) {
    RecordingWebOpener web;
    frmAbout dialog(web);
    dialog.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&dialog));
    EXPECT_EQ(dialog.focusWidget(), dialog.Command1);
    QWidget* next = dialog.Command1->nextInFocusChain();
    while (!(next->focusPolicy() & Qt::TabFocus)) {
        next = next->nextInFocusChain();
    }
    EXPECT_EQ(next, dialog.Command2);
    QTest::keyClick(&dialog, Qt::Key_Return);
    EXPECT_FALSE(dialog.isVisible());
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
    EXPECT_TRUE(web.opened.empty());
}

TEST(AboutTest, BothOpenersUseTheOneAddress) {
    RecordingWebOpener web;
    frmAbout dialog(web);
    QTest::mouseClick(dialog.Command2, Qt::LeftButton);
    OpenWebPage(web);  // the Help menu's way, with no dialog open
    ASSERT_EQ(web.opened.size(), 2u);
    EXPECT_EQ(web.opened[0], WebPageAddress());
    EXPECT_EQ(web.opened[1], WebPageAddress());
    EXPECT_TRUE(WebPageAddress().isValid());
    // Until there is a public site, the user guide installed beside the program.
    EXPECT_TRUE(QFileInfo(WebPageAddress().toLocalFile()).isFile());
}

TEST(AboutTest, TitleTextsAndLabelsThatFitWhateverTheSerifFace) {
    RecordingWebOpener web;
    frmAbout dialog(web);
    EXPECT_EQ(dialog.windowTitle().toStdString(), "About");
    EXPECT_EQ(dialog.Label1->text().toStdString(), "Horavel");
    EXPECT_EQ(dialog.Label2->text().toStdString(), "Created By:");
    EXPECT_EQ(dialog.Command1->text().toStdString(), "OK");
    EXPECT_EQ(dialog.Command2->text().toStdString(), "Web Page");
    EXPECT_TRUE(dialog.Command1->isDefault());
    EXPECT_FALSE(dialog.Image1->pixmap().isNull());
    EXPECT_EQ(dialog.minimumSize(), dialog.maximumSize());
    EXPECT_TRUE(dialog.lblVersion->alignment() & Qt::AlignRight);
    for (QLabel* label :
         {dialog.Label1, dialog.lblVersion, dialog.Label2, dialog.Label3, dialog.Label4}) {
        EXPECT_LE(label->sizeHint().width(), label->width()) << label->text().toStdString();
    }
}

}  // namespace
