// The Reports window as a person uses it: its choices, what it shows and what it saves, over
// project files on disk.
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTest>
#include <QTreeWidget>

#include "history/history_frame.h"
#include "history/reports_window.h"
#include "history/sessions.h"
#include "support/window_fixture.h"

namespace {

class ReportsWindowTest : public WindowTest {
  protected:
    void SetUp() override {
        WindowTest::SetUp();
        window->resize(1000, 800);
        window->show();
    }
    void TearDown() override {
        if (reports != nullptr) {
            reports->close();
        }
        WindowTest::TearDown();
    }
    // Writes the file, loads it and opens the Reports window on it.
    void Open(const QString& name, const std::string& bytes) {
        path = TempPath(name);
        WriteFile(path, bytes);
        QString loading = path;
        window->LoadProjects(loading);
        OpenReports();
    }
    void OpenReports() {
        ClickNode(window->ui.Tree->topLevelNode(0));
        QTest::mouseClick(window->History->cmdReports, Qt::LeftButton);
        reports = window->History->reports;
        ASSERT_TRUE(reports != nullptr);
    }
    QStringList Headers() const {
        QStringList headers;
        for (int i = 0; i < reports->tvwSheet->columnCount(); ++i) {
            headers << reports->tvwSheet->headerItem()->text(i);
        }
        return headers;
    }
    // The row's text in the column of that header.
    QString Cell(const QString& row, const QString& header) const {
        const auto found = reports->tvwSheet->findItems(row, Qt::MatchExactly | Qt::MatchRecursive);
        const auto column = Headers().indexOf(header);
        return found.size() == 1 && column >= 0 ? found[0]->text(static_cast<int>(column))
                                                : QStringLiteral("?");
    }
    static QString Today(int h, int m) {
        return SessionStartText(QDateTime(QDate::currentDate(), QTime(h, m)));
    }

    QString path;
    QPointer<ReportsWindow> reports;
};

// A task of 20 s is a row of its own at every rounding, and the choices made stay for the next
// opening; Today shows today's column only, whatever was shown before.
TEST_F(ReportsWindowTest, RoundingNeverHidesWorkAndIsRemembered) {
    Open("short.hvp", "<project name=\"Short\"><task name=\"Glance\"><history><session start=\"" +
                          Today(9, 0).toStdString() +
                          "\" seconds=\"20\"/></history></task></project>");
    EXPECT_EQ(Cell("Glance", "Total"), "0:00:20");
    EXPECT_EQ(reports->lblRule->text(), "Not rounded");
    reports->cboRounding->setCurrentIndex(static_cast<int>(RoundMode::Down));
    reports->cboUnit->setCurrentIndex(reports->cboUnit->findData(15));
    EXPECT_EQ(Cell("Glance", "Total"), "0:00");  // still there
    reports->cboRounding->setCurrentIndex(static_cast<int>(RoundMode::Up));
    reports->cboScope->setCurrentIndex(static_cast<int>(RoundScope::Period));
    reports->chkDecimal->setChecked(true);
    EXPECT_EQ(Cell("Short", "Total"), "0.25");
    EXPECT_EQ(reports->lblRule->text(), "Rounded up to 15 minutes per period");

    reports->cboPeriod->setCurrentIndex(static_cast<int>(ReportPeriod::ThisWeek));
    reports->cboPeriod->setCurrentIndex(static_cast<int>(ReportPeriod::Today));
    EXPECT_EQ(Headers(),
              (QStringList{"Task", QDate::currentDate().toString("ddd dd.MM"), "Total"}));

    reports->close();
    QApplication::processEvents();
    OpenReports();
    EXPECT_EQ(reports->cboPeriod->currentIndex(), static_cast<int>(ReportPeriod::Today));
    EXPECT_EQ(reports->lblRule->text(), "Rounded up to 15 minutes per period");
    EXPECT_TRUE(reports->chkDecimal->isChecked());
    EXPECT_EQ(Cell("Glance", "Total"), "0.25");
}

}  // namespace
