// A conflict copy a sync engine leaves beside an open project is merged into it, and goes
// to the trash only once the project holding it is saved.
#include <QDir>
#include <QFileInfo>
#include <QTest>

#include "files/conflict_copies.h"
#include "history/history_frame.h"
#include "history/history_model.h"
#include "history/sessions.h"
#include "support/site_file.h"

namespace {

using site::Project;
using site::Task;

const std::string kPeriod =
    R"(<session start="2026-12-07T09:00:00+01:00" seconds="600" id="0000000000000000000000000000000a"/>)";

class ConflictCopy : public SiteOnDisk {
  protected:
    void SetUp() override {
        // The trash is the desktop's: this one is private to the test.
        ASSERT_TRUE(dataHome_.isValid());
        oldDataHome_ = qgetenv("XDG_DATA_HOME");
        qputenv("XDG_DATA_HOME", dataHome_.path().toLocal8Bit());
        SiteOnDisk::SetUp();
    }
    void TearDown() override {
        SiteOnDisk::TearDown();
        qputenv("XDG_DATA_HOME", oldDataHome_);
    }
    QStringList Trashed() const {
        return QDir(dataHome_.filePath("Trash/files")).entryList(QDir::Files);
    }
    QTemporaryDir dataHome_;
    QByteArray oldDataHome_;
};

TEST_F(ConflictCopy, ASyncthingCopyIsMergedAndTrashedOnlyAfterTheSave) {
    const QString copy = TempPath("site.sync-conflict-20261207-101010-ABCDEFG.hvp");
    WriteFile(copy,
              Project(Task(2, "Logo") + Task(3, "Copy", "0:10:00", kPeriod) + Task(4, "Menu")));
    ASSERT_TRUE(QTest::qWaitFor([&] { return Named("Menu") != nullptr; }, 10000));
    EXPECT_EQ(Text(Named("Copy"), "history/session/@seconds"), "600");
    EXPECT_EQ(Text(project, "@modified"), "true");
    QTest::qWait(1500);  // the folder noticed again must not merge it twice
    EXPECT_TRUE(QFileInfo::exists(copy)) << "trashed before the merge was on disk";
    EXPECT_EQ(project->childCount(), 3);

    ClickNode(Named("Menu"));
    Choose("mnuSaveProj");
    const std::string saved = ReadFile(path);
    EXPECT_NE(saved.find("name=\"Menu\""), std::string::npos) << saved;
    EXPECT_NE(saved.find("seconds=\"600\""), std::string::npos) << saved;
    EXPECT_FALSE(QFileInfo::exists(copy));
    EXPECT_EQ(Trashed(), QStringList{QFileInfo(copy).fileName()});
}

TEST_F(ConflictCopy, ACopyOfThisComputersSaveKeepsTheOtherComputersEdits) {
    // The engine put the other computer's save (a rename) in the file, which loads again,
    // and this computer's older one (a new task) in the copy: both edits stay.
    WriteFile(path, Project(Task(2, "Logo") + Task(3, "Body copy")));
    ASSERT_TRUE(QTest::qWaitFor([&] { return Named("Body copy") != nullptr; }, 10000));
    const QString copy = TempPath("site.sync-conflict-20261207-101010-ABCDEFG.hvp");
    WriteFile(copy + ".part", Project(Task(2, "Logo") + Task(3, "Copy") + Task(4, "Menu")));
    SetFileTime(copy + ".part", -60);  // of two saves at once, the engine makes the older the copy
    ASSERT_TRUE(QFile::rename(copy + ".part", copy));
    ASSERT_TRUE(QTest::qWaitFor([&] { return Named("Menu") != nullptr; }, 10000));
    EXPECT_NE(Named("Body copy"), nullptr);
    EXPECT_EQ(Named("Copy"), nullptr);
}

TEST_F(ConflictCopy, AMergeUndoneLeavesTheCopyWhereItIs) {
    const QString copy = TempPath("site (conflicted copy 2026-12-07 101010).hvp");
    WriteFile(copy, Project(Task(2, "Logo") + Task(3, "Copy") + Task(4, "Menu")));
    ASSERT_TRUE(QTest::qWaitFor([&] { return Named("Menu") != nullptr; }, 10000));
    window->Undo();
    ASSERT_EQ(Named("Menu"), nullptr);
    ClickNode(Named("Logo"));
    window->ui.txtName->setText("Logo here");
    Choose("mnuSaveProj");
    EXPECT_TRUE(QFileInfo::exists(copy));
    EXPECT_TRUE(Trashed().isEmpty());
}

// The same task timed at once on both computers: both periods are kept, and marked.
TEST_F(ConflictCopy, PeriodsTimedAtOnceOnTwoComputersAreBothKeptAndMarked) {
    const std::string later =
        R"(<session start="2026-12-07T09:05:00+01:00" seconds="600" id="0000000000000000000000000000000b"/>)";
    const std::string apart =
        R"(<session start="2026-12-07T11:00:00+01:00" seconds="60" id="0000000000000000000000000000000c"/>)";
    WriteFile(path, Project(Task(2, "Logo") + Task(3, "Copy", "0:10:00", kPeriod + apart)));
    ASSERT_TRUE(
        QTest::qWaitFor([&] { return ReadSessions(Named("Copy")->element).size() == 2; }, 10000));
    WriteFile(TempPath("site (Jane's conflicted copy 2026-12-07).hvp"),
              Project(Task(2, "Logo") + Task(3, "Copy", "0:10:00", later)));
    ASSERT_TRUE(
        QTest::qWaitFor([&] { return ReadSessions(Named("Copy")->element).size() == 3; }, 10000));
    ClickNode(Named("Copy"));
    const HistoryModel* model = window->History->model;
    QStringList spans;
    for (int row = 0; row < model->rowCount(); ++row) {
        spans << model->index(row, HistoryModel::SpanColumn).data().toString();
    }
    EXPECT_EQ(spans, (QStringList{"Total", "11:00-11:01", "09:05-09:15 overlaps",
                                  "09:00-09:10 overlaps"}));
}

TEST(ConflictCopyNames, TheThreeEnginesCopiesOfThisFileOnly) {
    for (const char* name : {"site.sync-conflict-20261207-101010-ABCDEFG.hvp",
                             "site (conflicted copy 2026-12-07 101010).hvp",
                             "site (Jane's conflicted copy 2026-12-07).hvp"}) {
        EXPECT_TRUE(IsConflictCopyName(QString::fromUtf8(name), "site.hvp")) << name;
    }
    for (const char* name : {"site.hvp", "site2.sync-conflict-20261207-101010-ABCDEFG.hvp",
                             "site.sync-conflict-20261207-101010-ABCDEFG.xml",
                             "site (conflicted copy 2026-12-07 101010).hvp.tmp",
                             "sites (conflicted copy 2026-12-07).hvp", "site (copy).hvp"}) {
        EXPECT_FALSE(IsConflictCopyName(QString::fromUtf8(name), "site.hvp")) << name;
    }
}

}  // namespace
