// The options dialog opened from the window: each choice changes the captions and is
// stored in the settings file; Cancel changes nothing.
#include <QPushButton>
#include <QTest>

#include "model/xml.h"
#include "shell/frm_options.h"
#include "support/window_fixture.h"

namespace {

class Options : public WindowTest {
  protected:
    void SetUp() override {
        WindowTest::SetUp();
        task = AddTask(AddProject("P"), "T");
        XML::ResolvePath(task->element, "@task_time").setText("1:02:03");
        XML::ResolvePath(task->element, "@subtask_time").setText("0:30:00");
        window->UpdateAllNodes();
    }
    // Opens the dialog from the menu, clicks the named controls, then OK or Cancel.
    void Pick(std::initializer_list<const char*> clicks, const char* button = "cmdOK") {
        Choose("mnuOptions");
        auto* dialog = window->findChild<frmOptions*>();
        ASSERT_NE(dialog, nullptr);
        for (const char* name : clicks) {
            auto* control = dialog->findChild<QAbstractButton*>(name);
            ASSERT_NE(control, nullptr) << name;
            QTest::mouseClick(control, Qt::LeftButton, {}, QPoint(8, control->height() / 2));
        }
        QTest::mouseClick(dialog->findChild<QPushButton*>(button), Qt::LeftButton);
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }
    std::string Stored() const { return ReadFile(TempPath("horavel.conf")); }
    TreeNode* task = nullptr;
};

TEST_F(Options, EachChoiceChangesTheCaptionsAndIsStored) {
    const struct {
        std::initializer_list<const char*> clicks;
        const char* caption;
        const char* stored;
    } cases[] = {
        {{"tt_tasktime", "tt_hmmss"},
         "T (1:02:03)",
         "TT_ShowSec=True\nTT_ShowTime=True\nTT_ShowTotalTime=False\n"},
        {{"tt_totaltime", "tt_hmm", "chkAutoSaveWS"},
         "T (1:32)",
         "TT_ShowSec=False\nTT_ShowTime=True\nTT_ShowTotalTime=True\n"},
        {{"tt_none", "chkAutoSaveWS", "chkAutoLoadWS"},
         "T",
         "TT_ShowSec=False\nTT_ShowTime=False\nTT_ShowTotalTime=True\n"},
    };
    for (const auto& c : cases) {
        Pick(c.clicks);
        EXPECT_EQ(task->caption(), c.caption);
        EXPECT_NE(Stored().find(c.stored), std::string::npos) << Stored();
    }
    EXPECT_EQ(Stored(),
              "[general]\nAutoLoadWS=False\nAutoSaveWS=True\nIdleMinutes=15\nTT_ShowSec=False\n"
              "TT_ShowTime=False\nTT_ShowTotalTime=True\nTrayIcon=True\n");
}

TEST_F(Options, CancelChangesNothingAndOkSetsTheTrayIconEachTime) {
    Pick({"tt_tasktime", "chkTrayIcon", "chkAutoLoadWS"}, "Command1");
    EXPECT_EQ(task->caption(), "T");
    EXPECT_EQ(Stored(), "<missing>");
    EXPECT_EQ(seams->tray->placeCalls + seams->tray->removeCalls, 0);
    Pick({});
    EXPECT_EQ(seams->tray->placeCalls, 1) << "placed again though the box was left alone";
    Pick({"chkTrayIcon"});
    EXPECT_FALSE(seams->tray->placed);
    EXPECT_NE(Stored().find("TrayIcon=False"), std::string::npos);
}

}  // namespace
