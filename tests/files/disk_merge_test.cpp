// A project file saved meanwhile by another computer (carried here by a sync engine) is
// merged into the open project instead of being saved over.
#include <QDir>
#include <QPointer>
#include <QPushButton>
#include <QTest>
#include <QToolButton>

#include "files/merge_decisions_window.h"
#include "support/site_file.h"

namespace {

using site::Project;
using site::Task;

using DiskMerge = SiteOnDisk;

TEST_F(DiskMerge, AnotherComputersSaveIsMergedAtSaveWhileTheTimerRuns) {
    // The version both computers started from is kept privately, beside crash recovery,
    // written while the window goes on.
    const auto bases = [this] {
        return QDir(TempPath("merge-bases")).entryInfoList(QDir::Files | QDir::NoDotAndDotDot);
    };
    ASSERT_TRUE(QTest::qWaitFor([&] { return bases().size() == 1; }));
    const QFileDevice::Permissions others = QFileDevice::ReadGroup | QFileDevice::WriteGroup |
                                            QFileDevice::ExeGroup | QFileDevice::ReadOther |
                                            QFileDevice::WriteOther | QFileDevice::ExeOther;
    EXPECT_EQ(bases()[0].permissions() & others, QFileDevice::Permissions());
    WriteFile(bases()[0].filePath() + ".Xy12Z9", "half a base: a crash cut its write short");

    ClickNode(Named("Logo"));
    ClickToolbar("toggletimer");
    TickAfter(5);
    WriteFile(path, Project(Task(2, "Logo") +
                                Task(3, "Body copy", "0:10:00",
                                     R"(<session start="2026-12-07T09:00:00+01:00" )"
                                     R"(seconds="600" id="0000000000000000000000000000000a"/>)") +
                                Task(4, "Menu"),
                            "0:10:00"));
    Choose("mnuSaveProj");  // no question: nothing of either side is lost
    const std::string saved = ReadFile(path);
    EXPECT_NE(saved.find("name=\"Body copy\" completed=\"false\" task_time=\"0:10:00\""),
              std::string::npos)
        << saved;
    EXPECT_NE(saved.find("name=\"Menu\""), std::string::npos) << saved;
    EXPECT_NE(saved.find("subtask_time=\"0:10:05\""), std::string::npos) << saved;
    EXPECT_TRUE(Status().startsWith("Merged the changes"));
    EXPECT_TRUE(QTest::qWaitFor([&] { return bases().size() == 1; })) << "the cut-short base stays";

    // The same task is still selected and timed, and its period goes on.
    TreeNode* logo = Named("Logo");
    ASSERT_NE(logo, nullptr);
    EXPECT_EQ(window->ui.Tree->currentItem(), logo);
    EXPECT_EQ(window->Timing.TimedNode, logo);
    TickAfter(3);
    EXPECT_EQ(Text(logo, "@task_time"), "0:00:08");
    EXPECT_EQ(Text(logo, "history/session/@seconds"), "8");
    EXPECT_EQ(Text(project, "@subtask_time"), "0:10:08");
}

TEST_F(DiskMerge, ARenameOnBothSidesKeepsTheLaterAndSaysSo) {
    const auto otherComputerSaves = [&](const char* name, qint64 secondsFromNow) {
        WriteFile(path, Project(Task(2, "Logo") + Task(3, name)));
        SetFileTime(path, secondsFromNow);
    };
    // Saved there an hour ago: this window's rename is the later one.
    ClickNode(Named("Copy"));
    window->ui.txtName->setText("Ours");
    otherComputerSaves("Theirs", -3600);
    Choose("mnuSaveProj");
    EXPECT_NE(ReadFile(path).find("name=\"Ours\""), std::string::npos);
    EXPECT_EQ(ReadFile(path).find("Theirs"), std::string::npos);
    EXPECT_NE(Status().indexOf("kept \"Ours\" over \"Theirs\""), -1) << Status().toStdString();

    // Renamed here, then saved there a moment later, and merged here later still: the other
    // computer's rename is the later change, however late the merge.
    window->ui.txtName->setText("Ours again");
    window->ui.txtName->clearFocus();
    QTest::qWait(20);
    otherComputerSaves("Theirs later", 0);
    Choose("mnuSaveProj");
    EXPECT_NE(ReadFile(path).find("name=\"Theirs later\""), std::string::npos) << ReadFile(path);
}

// Noticed without a save: a project with no changes of its own simply reloads, one with
// changes is merged and stays modified.
TEST_F(DiskMerge, AChangedFileIsTakenInAsSoonAsItIsNoticed) {
    ClickNode(Named("Copy"));
    WriteFile(path, Project(Task(2, "Logo") + Task(3, "Copy") + Task(4, "Menu")));
    ASSERT_TRUE(QTest::qWaitFor([&] { return Named("Menu") != nullptr; }, 10000));
    EXPECT_EQ(window->ui.Tree->currentItem(), Named("Copy"));
    EXPECT_EQ(Text(project, "@modified"), "false");

    ClickNode(Named("Logo"));
    window->ui.txtName->setText("Logo here");
    WriteFile(path,
              Project(Task(2, "Logo") + Task(3, "Copy") + Task(4, "Menu") + Task(5, "Footer")));
    ASSERT_TRUE(QTest::qWaitFor([&] { return Named("Footer") != nullptr; }, 10000));
    EXPECT_NE(Named("Logo here"), nullptr);
    EXPECT_EQ(Text(project, "@modified"), "true");
    EXPECT_EQ(window->ui.Tree->currentItem(), Named("Logo here"));
}

// A sync engine writing the same bytes again (a new time, the same content) changes nothing.
TEST_F(DiskMerge, TheSameBytesWrittenAgainAreNoChange) {
    ClickNode(Named("Logo"));
    window->ui.txtName->setText("Logo here");
    Choose("mnuSaveProj");
    window->ui.txtName->setText("Logo there");
    WriteFile(path, ReadFile(path));
    SetFileTime(path, 60);
    Choose("mnuSaveProj");
    EXPECT_FALSE(Status().startsWith("Merged")) << Status().toStdString();
    EXPECT_NE(ReadFile(path).find("Logo there"), std::string::npos);
}

// A rename on both sides, the other computer's the later: the status bar offers the list of
// what was decided, a window beside the main one that lists both values.
TEST_F(DiskMerge, WhatAMergeDecidedIsListedFromTheStatusBar) {
    ClickNode(Named("Copy"));
    EXPECT_TRUE(window->ui.cmdMergeDecisions->isHidden());  // nothing decided yet
    window->ui.txtName->setText("Ours");
    WriteFile(path, Project(Task(2, "Logo") + Task(3, "Theirs")));
    SetFileTime(path, 3600);
    ASSERT_TRUE(QTest::qWaitFor([&] { return Named("Theirs") != nullptr; }, 10000));
    ASSERT_TRUE(window->ui.cmdMergeDecisions->isVisible());

    window->move(110, 200);  // room on the screen to centre the list on the window
    QTest::mouseClick(window->ui.cmdMergeDecisions, Qt::LeftButton);
    QPointer<MergeDecisionsWindow> list = window->findChild<MergeDecisionsWindow*>();
    ASSERT_NE(list, nullptr);
    EXPECT_TRUE(list->isVisible());
    EXPECT_TRUE(list->isWindow());
    EXPECT_FALSE(list->isModal());
    EXPECT_LT((list->frameGeometry().center() - window->frameGeometry().center()).manhattanLength(),
              40);
    ASSERT_EQ(list->lvwDecisions->topLevelItemCount(), 1);
    const QTreeWidgetItem* row = list->lvwDecisions->topLevelItem(0);
    EXPECT_FALSE(row->text(0).isEmpty());
    const QStringList shown{row->text(1), row->text(2), row->text(3),
                            row->text(4), row->text(5), row->text(6)};
    EXPECT_EQ(shown, QStringList({"Site", "Theirs", "name", "Theirs", "Ours", "the file on disk"}));

    QTest::keyClick(list, Qt::Key_Escape);
    EXPECT_TRUE(QTest::qWaitFor([&] { return list.isNull() || !list->isVisible(); }, 2000));
    QTest::mouseClick(window->ui.cmdMergeDecisions, Qt::LeftButton);
    list = window->findChild<MergeDecisionsWindow*>();
    ASSERT_NE(list, nullptr);
    ASSERT_TRUE(list->isVisible());
    QTest::mouseClick(list->cmdClose, Qt::LeftButton);
    EXPECT_TRUE(QTest::qWaitFor([&] { return list.isNull() || !list->isVisible(); }, 2000));
}

}  // namespace
