// An open Reports window and the tree: whatever happens to the projects while it is open,
// each one's hours stay under its own name, and so do the person's ticks.
#include <QApplication>
#include <QListWidget>
#include <QPushButton>
#include <QTest>
#include <QTreeWidget>

#include "history/history_frame.h"
#include "history/reports_window.h"
#include "history/sessions.h"
#include "support/window_fixture.h"

namespace {

class ReportsFollowTree : public WindowTest {
  protected:
    void SetUp() override {
        WindowTest::SetUp();
        window->resize(1000, 800);
        window->show();
        alpha = Load("Alpha", "Logo", 3600);
        beta = Load("Beta", "Copy", 1800);
        ClickNode(alpha);
        QTest::mouseClick(window->History->cmdReports, Qt::LeftButton);
        reports = window->History->reports;
        ASSERT_TRUE(reports != nullptr);
    }
    void TearDown() override {
        if (reports != nullptr) {
            reports->close();
        }
        WindowTest::TearDown();
    }
    // A project file with one task that worked `seconds` this morning, loaded.
    TreeNode* Load(const QString& project, const QString& task, int seconds) {
        const QString start = SessionStartText(QDateTime(QDate::currentDate(), QTime(8, 0)));
        QString path = TempPath(project + ".hvp");
        WriteFile(path, QStringLiteral("<project name=\"%1\"><task name=\"%2\" task_time=\"%3\">"
                                       "<history><session start=\"%4\" seconds=\"%5\"/>"
                                       "</history></task></project>")
                            .arg(project, task, ClockText(seconds, true), start)
                            .arg(seconds)
                            .toStdString());
        window->LoadProjects(path);
        return window->ui.Tree->topLevelNode(window->ui.Tree->topLevelItemCount() - 1);
    }
    // The list as it reads: each entry's name, and whether it is ticked.
    std::vector<std::pair<QString, bool>> Entries() const {
        std::vector<std::pair<QString, bool>> entries;
        for (int i = 0; i < reports->lstProjects->count(); ++i) {
            const QListWidgetItem* entry = reports->lstProjects->item(i);
            entries.emplace_back(entry->text(), entry->checkState() == Qt::Checked);
        }
        return entries;
    }
    // The timesheet's top rows (the projects and the totals) with their week totals.
    std::vector<std::pair<QString, QString>> Sheet() const {
        QTreeWidget* sheet = reports->tvwSheet;
        std::vector<std::pair<QString, QString>> rows;
        for (int i = 0; i < sheet->topLevelItemCount(); ++i) {
            rows.emplace_back(sheet->topLevelItem(i)->text(0),
                              sheet->topLevelItem(i)->text(sheet->columnCount() - 1));
        }
        return rows;
    }
    // The exported report's project, task and seconds, row by row.
    std::vector<std::string> Exported(const QString& name) {
        seams->fileDialog->ExpectSave(TempPath(name));
        QTest::mouseClick(reports->cmdExport, Qt::LeftButton);
        std::vector<std::string> rows;
        std::istringstream lines(ReadFile(TempPath(name)));
        std::string line;
        std::getline(lines, line);  // the header
        while (std::getline(lines, line)) {
            std::istringstream fields(line);
            std::string field;
            std::vector<std::string> row;
            while (std::getline(fields, field, ',')) {
                row.push_back(field);
            }
            rows.push_back(row.size() > 3 ? row[1] + "/" + row[2] + "=" + row[3] : line);
        }
        return rows;
    }
    void Tick(int row, bool ticked) {
        reports->lstProjects->item(row)->setCheckState(ticked ? Qt::Checked : Qt::Unchecked);
    }
    static void Settle() { QCoreApplication::processEvents(); }

    TreeNode* alpha = nullptr;
    TreeNode* beta = nullptr;
    QPointer<ReportsWindow> reports;
};

using Ticks = std::vector<std::pair<QString, bool>>;
using Rows = std::vector<std::pair<QString, QString>>;
using Lines = std::vector<std::string>;

TEST_F(ReportsFollowTree, AMovedProjectKeepsItsHoursAndItsTick) {
    Tick(1, false);  // Beta left out
    ClickNode(alpha);
    ClickTreeBar("down");
    // Before the list follows, a report made now already has every hour under its name.
    EXPECT_EQ(Exported("now.csv"), (Lines{"Alpha/Logo=3600"}));
    Settle();
    EXPECT_EQ(Entries(), (Ticks{{"Beta", false}, {"Alpha", true}}));
    EXPECT_EQ(Sheet(), (Rows{{"Alpha", "1:00:00"}, {"Total", "1:00:00"}}));
    Tick(0, true);
    EXPECT_EQ(Sheet(), (Rows{{"Beta", "0:30:00"}, {"Alpha", "1:00:00"}, {"Total", "1:30:00"}}));
}

TEST_F(ReportsFollowTree, RenamedRemovedAndLoadedProjectsAreFollowed) {
    Tick(0, false);  // Alpha left out
    ClickNode(beta);
    window->ui.txtName->setText(QStringLiteral("Beta app"));
    Settle();
    EXPECT_EQ(Entries(), (Ticks{{"Alpha", false}, {"Beta app", true}}));
    EXPECT_EQ(Sheet(), (Rows{{"Beta app", "0:30:00"}, {"Total", "0:30:00"}}));

    ClickNode(alpha);
    ClickTreeBar("remove");  // unmodified: removed without a question
    ASSERT_EQ(window->ui.Tree->topLevelItemCount(), 1);
    TreeNode* gamma = Load("Gamma", "Ads", 900);  // may take the memory Alpha let go
    Settle();
    EXPECT_EQ(Entries(), (Ticks{{"Beta app", true}, {"Gamma", true}}));
    EXPECT_EQ(Sheet(), (Rows{{"Beta app", "0:30:00"}, {"Gamma", "0:15:00"}, {"Total", "0:45:00"}}));

    ClickNode(gamma);
    ClickTreeBar("up");
    Settle();
    EXPECT_EQ(Exported("after.csv"), (Lines{"Gamma/Ads=900", "Beta app/Copy=1800"}));
}

// A tick taken away stays away at every refresh, at the next opening, and after a restart
// that loads the projects in the other order.
TEST_F(ReportsFollowTree, TicksAreKeptByProjectAcrossOpeningsAndRestarts) {
    Tick(1, false);  // Beta left out
    ClickNode(alpha);
    window->ui.txtName->setText(QStringLiteral("Alpha app"));  // a refresh of the list
    Settle();
    EXPECT_EQ(Entries(), (Ticks{{"Alpha app", true}, {"Beta", false}}));
    Choose("mnuSaveProj");
    reports->close();
    Settle();
    QTest::mouseClick(window->History->cmdReports, Qt::LeftButton);
    reports = window->History->reports;
    ASSERT_TRUE(reports != nullptr);
    EXPECT_EQ(Entries(), (Ticks{{"Alpha app", true}, {"Beta", false}}));
    reports->close();
    Settle();

    window.reset();
    seams = std::make_unique<TestPlatform>(TempPath("horavel.conf"));
    window = std::make_unique<frmMain>(seams->Take());
    window->show();
    for (const char* name : {"Beta.hvp", "Alpha.hvp"}) {
        QString path = TempPath(name);
        window->LoadProjects(path);
    }
    ClickNode(window->ui.Tree->topLevelNode(0));
    QTest::mouseClick(window->History->cmdReports, Qt::LeftButton);
    reports = window->History->reports;
    ASSERT_TRUE(reports != nullptr);
    EXPECT_EQ(Entries(), (Ticks{{"Beta", false}, {"Alpha app", true}}));
    EXPECT_EQ(Sheet(), (Rows{{"Alpha app", "1:00:00"}, {"Total", "1:00:00"}}));
    Tick(0, true);
    reports->close();
    Settle();
    QTest::mouseClick(window->History->cmdReports, Qt::LeftButton);
    reports = window->History->reports;
    EXPECT_EQ(Entries(), (Ticks{{"Beta", true}, {"Alpha app", true}}));
}

}  // namespace
