// The options dialog on a real settings file: what it shows, what OK writes and tells its
// owner, and that Cancel changes nothing.
#include <QApplication>
#include <QCheckBox>
#include <QFile>
#include <QGroupBox>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

#include <memory>
#include <optional>

#include "shell/frm_options.h"
#include "shell/single_dialog.h"
#include "shell/twips.h"

namespace {

class OptionsTest : public ::testing::Test {
  protected:
    void Open(const DisplayFlags& shown) {
        OptionsOwner owner;
        owner.SetDisplayFlags = [this](const DisplayFlags& flags) {
            calls.push_back("flags");
            pushed = flags;
        };
        owner.UpdateAllNodes = [this] { calls.push_back("update"); };
        owner.PlaceTrayIcon = [this](bool place) { calls.push_back(place ? "place" : "remove"); };
        dialog = std::make_unique<frmOptions>(*store, shown, owner);
        dialog->show();
    }
    QString FileText() const {
        QFile file(path_);
        return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
    }
    std::string Stored(const QString& key) {
        return SettingsStore(path_).GetSetting(key, "(absent)").toStdString();
    }

    QTemporaryDir dir_;
    QString path_ = dir_.filePath("horavel.conf");
    std::unique_ptr<SettingsStore> store = std::make_unique<SettingsStore>(path_);
    std::unique_ptr<frmOptions> dialog;
    std::vector<std::string> calls;
    std::optional<DisplayFlags> pushed;
};

TEST_F(OptionsTest, FirstRunShowsNoTimeHmmAndEveryBoxChecked) {
    Open(ReadDisplayFlags(*store));
    EXPECT_TRUE(dialog->tt_none->isChecked());
    EXPECT_TRUE(dialog->tt_hmm->isChecked());
    EXPECT_TRUE(dialog->chkAutoSaveWS->isChecked());
    EXPECT_TRUE(dialog->chkAutoLoadWS->isChecked());
    EXPECT_TRUE(dialog->chkTrayIcon->isChecked());
    EXPECT_TRUE(FileText().isEmpty()) << "opening wrote " << FileText().toStdString();
}

TEST_F(OptionsTest, TheOptionsFollowTheWindowsFlagsNotTheStore) {
    store->SaveSetting(SettingKey::TT_ShowTime, "False");
    store->SaveSetting(SettingKey::AutoLoadWS, "true");  // lower case still counts here
    store->SaveSetting(SettingKey::TrayIcon, "0");
    Open({true, false, true});
    EXPECT_TRUE(dialog->tt_tasktime->isChecked());
    EXPECT_TRUE(dialog->tt_hmmss->isChecked());
    EXPECT_TRUE(dialog->chkAutoLoadWS->isChecked());
    EXPECT_FALSE(dialog->chkTrayIcon->isChecked());
    dialog.reset();
    Open({true, true, false});
    EXPECT_TRUE(dialog->tt_totaltime->isChecked());
    EXPECT_TRUE(dialog->tt_hmm->isChecked());
}

TEST_F(OptionsTest, OkWritesExactlyTheSixKeysThenTellsTheOwnerInOrder) {
    Open({false, true, false});
    QTest::mouseClick(dialog->tt_tasktime, Qt::LeftButton);
    QTest::mouseClick(dialog->tt_hmmss, Qt::LeftButton);
    QTest::mouseClick(dialog->chkAutoSaveWS, Qt::LeftButton);
    QTest::mouseClick(dialog->cmdOK, Qt::LeftButton);
    EXPECT_EQ(FileText().toStdString(),
              "[general]\n"
              "AutoLoadWS=True\n"
              "AutoSaveWS=False\n"
              "TT_ShowSec=True\n"
              "TT_ShowTime=True\n"
              "TT_ShowTotalTime=False\n"
              "TrayIcon=True\n");
    ASSERT_TRUE(pushed.has_value());
    EXPECT_EQ(*pushed, (DisplayFlags{true, false, true}));
    EXPECT_EQ(calls, (std::vector<std::string>{"flags", "update", "place"}));
    EXPECT_EQ(dialog->result(), QDialog::Accepted);
    EXPECT_FALSE(dialog->isVisible());
}

TEST_F(OptionsTest, NoTimeInTreeKeepsTheTotalTimeChoice) {
    Open({true, false, false});
    QTest::mouseClick(dialog->tt_none, Qt::LeftButton);
    QTest::mouseClick(dialog->chkTrayIcon, Qt::LeftButton);
    dialog->cmdOK->click();
    EXPECT_EQ(Stored(SettingKey::TT_ShowTime), "False");
    EXPECT_EQ(Stored(SettingKey::TT_ShowTotalTime), "False");
    EXPECT_EQ(*pushed, (DisplayFlags{false, false, false}));
    EXPECT_EQ(calls.back(), "remove");
}

TEST_F(OptionsTest, OkPlacesTheIconAgainWhenTheBoxWasLeftAlone) {
    Open(ReadDisplayFlags(*store));
    QTest::keyClick(dialog.get(), Qt::Key_Return);  // OK is the default button
    EXPECT_EQ(calls, (std::vector<std::string>{"flags", "update", "place"}));
    EXPECT_EQ(Stored(SettingKey::TrayIcon), "True");
}

TEST_F(OptionsTest, CancelEscapeAndTheCloseBoxChangeNothing) {
    store->SaveSetting(SettingKey::AutoSaveWS, "1");
    store->Flush();
    const QString before = FileText();
    for (int way = 0; way < 3; ++way) {
        Open({false, true, false});
        QTest::mouseClick(dialog->tt_totaltime, Qt::LeftButton);
        QTest::mouseClick(dialog->tt_hmmss, Qt::LeftButton);
        for (QCheckBox* box : {dialog->chkAutoSaveWS, dialog->chkAutoLoadWS, dialog->chkTrayIcon}) {
            QTest::mouseClick(box, Qt::LeftButton);
        }
        if (way == 0) {
            QTest::mouseClick(dialog->Command1, Qt::LeftButton);
        } else if (way == 1) {
            QTest::keyClick(dialog.get(), Qt::Key_Escape);
        } else {
            dialog->close();
        }
        EXPECT_FALSE(dialog->isVisible()) << "way " << way;
        EXPECT_EQ(dialog->result(), QDialog::Rejected);
        dialog.reset();
        store = std::make_unique<SettingsStore>(path_);
    }
    EXPECT_EQ(FileText(), before);
    EXPECT_TRUE(calls.empty());
}

TEST_F(OptionsTest, ClickRulesAndTheGreyedState) {
    Open({true, true, true});
    QTest::mouseClick(dialog->tt_none, Qt::LeftButton);
    EXPECT_FALSE(dialog->working().timeShown);
    EXPECT_TRUE(dialog->working().totalTime) << "total time keeps its value";
    QTest::mouseClick(dialog->tt_hmm, Qt::LeftButton);
    EXPECT_FALSE(dialog->working().seconds);
    dialog->chkAutoLoadWS->setTristate(true);
    dialog->chkAutoLoadWS->setCheckState(Qt::PartiallyChecked);
    EXPECT_FALSE(dialog->working().autoLoad);
}

TEST_F(OptionsTest, EachFrameIsOneExclusiveGroup) {
    Open({false, true, false});
    QTest::mouseClick(dialog->tt_totaltime, Qt::LeftButton);
    EXPECT_FALSE(dialog->tt_none->isChecked());
    EXPECT_TRUE(dialog->tt_hmm->isChecked()) << "the other frame's choice stays";
    QTest::mouseClick(dialog->tt_hmmss, Qt::LeftButton);
    EXPECT_FALSE(dialog->tt_hmm->isChecked());
    EXPECT_TRUE(dialog->tt_totaltime->isChecked());
}

TEST_F(OptionsTest, CaptionsFramesAndTwipsGeometry) {
    Open({false, true, false});
    const TwipsScale scale = TwipsScale::Of(dialog.get());
    struct Row {
        QWidget* control;
        QWidget* container;
        const char* caption;
        TwipsRect twips;
    };
    frmOptions& d = *dialog;
    const Row rows[] = {
        {d.Frame1, &d, "Tree Time", {0, 0, 2535, 1095}},
        {d.tt_none, d.Frame1, "No Time in tree", {120, 240, 1815, 255}},
        {d.tt_tasktime, d.Frame1, "Task time only", {120, 480, 1575, 255}},
        {d.tt_totaltime, d.Frame1, "Task Time + Sub Task Time", {120, 720, 2340, 255}},
        {d.Frame2, &d, "Tree Time Format", {0, 1200, 2520, 780}},
        {d.tt_hmm, d.Frame2, "(h:mm)", {120, 240, 1095, 255}},
        {d.tt_hmmss, d.Frame2, "(h:mm:ss)", {120, 480, 1095, 255}},
        {d.Frame3, &d, "Workspace", {2640, 0, 2535, 1095}},
        {d.chkAutoSaveWS, d.Frame3, "No Prompt Save Workspace on Exit", {120, 240, 2295, 375}},
        {d.chkAutoLoadWS, d.Frame3, "Auto Load Last Workspace", {120, 720, 2295, 255}},
        {d.chkTrayIcon, &d, "Place Icon in Tray", {2760, 1200, 2535, 255}},
        {d.cmdOK, &d, "OK", {2640, 1560, 1215, 375}},
        {d.Command1, &d, "Cancel", {3960, 1560, 1215, 375}},
    };
    for (const Row& row : rows) {
        const std::string name = row.control->objectName().toStdString();
        EXPECT_EQ(row.control->parentWidget(), row.container) << name;
        const QVariant caption =
            row.control->property(qobject_cast<QGroupBox*>(row.control) ? "title" : "text");
        // A caption may be broken onto the second line its control has room for.
        EXPECT_EQ(caption.toString().replace('\n', ' ').toStdString(), row.caption) << name;
    }
    EXPECT_EQ(d.windowTitle().toStdString(), "Options");
    EXPECT_GE(d.width(), scale.ToPixels(5220, 2040).width());
    EXPECT_GE(d.height(), scale.ToPixels(5220, 2040).height());
    EXPECT_EQ(d.minimumSize(), d.maximumSize()) << "a fixed-size window";
    EXPECT_FALSE(d.windowFlags() & (Qt::WindowMinimizeButtonHint | Qt::WindowMaximizeButtonHint));
}

TEST_F(OptionsTest, EveryCaptionFitsItsControl) {
    Open({false, true, false});
    for (QAbstractButton* button : dialog->findChildren<QAbstractButton*>()) {
        EXPECT_LE(button->sizeHint().width(), button->width()) << button->text().toStdString();
        const int lines = button->text().count('\n') + 1;
        EXPECT_LE(lines * button->fontMetrics().height(), std::max(button->height() + 4, 20))
            << button->text().toStdString();
    }
    EXPECT_GE(dialog->font().pointSizeF(), 7);
}

// Laid out by Qt at the desktop's font, also at twice its size: every control whole inside
// its frame and clear of its neighbours.
TEST_F(OptionsTest, NothingOverlapsOrIsCutAtAnyFontSize) {
    for (const double scale : {1.0, 2.0}) {
        QFont font = QApplication::font();
        font.setPointSizeF(font.pointSizeF() * scale);
        QApplication::setFont(font);
        Open({false, true, false});
        dialog->show();
        QList<QWidget*> controls;
        for (QWidget* child : dialog->findChildren<QWidget*>()) {
            const QRect area = child->parentWidget()->contentsRect();
            EXPECT_TRUE(area.contains(child->geometry())) << child->objectName().toStdString();
            controls << child;
        }
        for (QWidget* a : controls) {
            for (QWidget* b : controls) {
                if (a != b && a->parentWidget() == b->parentWidget()) {
                    EXPECT_FALSE(a->geometry().intersects(b->geometry()))
                        << a->objectName().toStdString() << " " << b->objectName().toStdString();
                }
            }
        }
        font.setPointSizeF(font.pointSizeF() / scale);
        QApplication::setFont(font);
    }
}

TEST_F(OptionsTest, TabOrder) {
    Open({false, true, false});
    frmOptions& d = *dialog;
    const QWidget* expected[] = {d.tt_none,       d.tt_tasktime,   d.tt_totaltime, d.tt_hmm,
                                 d.tt_hmmss,      d.chkAutoLoadWS, d.cmdOK,        d.Command1,
                                 d.chkAutoSaveWS, d.chkTrayIcon};
    const QWidget* widget = d.tt_none;
    for (size_t i = 1; i < std::size(expected); ++i) {
        do {
            widget = widget->nextInFocusChain();
        } while (!(widget->focusPolicy() & Qt::TabFocus));
        EXPECT_EQ(widget, expected[i])
            << "stop " << i << " is " << widget->objectName().toStdString();
    }
}

TEST(SingleDialogTest, ASecondRequestBringsTheOpenDialogForward) {
    QPointer<QDialog> slot;
    int made = 0;
    auto create = [&made] {
        ++made;
        return new QDialog;
    };
    ShowSingleDialog(slot, create, false);
    QDialog* first = slot;
    ShowSingleDialog(slot, create, true);  // the modal request must not block or duplicate
    EXPECT_EQ(made, 1);
    EXPECT_EQ(slot.data(), first);
    EXPECT_TRUE(first->isVisible());
    first->close();  // destroyed when closed
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(slot.isNull());
    ShowSingleDialog(slot, create, false);
    EXPECT_EQ(made, 2);
    delete slot.data();
}

}  // namespace
