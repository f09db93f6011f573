// The Reports window as a person uses it: its choices, what it shows and what it saves, over
// project files on disk.
#include <QApplication>
#include <QComboBox>
#include <QDateEdit>
#include <QDialogButtonBox>
#include <QListWidget>
#include <QProcess>
#include <QPushButton>
#include <QStandardPaths>
#include <QTableWidget>
#include <QTest>

#include <regex>

#include "history/billing_dialog.h"
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
        LoadFile(name, bytes);
        OpenReports();
    }
    void Reopen() {
        reports->close();
        QApplication::processEvents();
        OpenReports();
    }
    // The custom range of the week of 7 December 2026, as Berlin has its days.
    void ShowWeekOf7December() {
        reports->zone = QTimeZone("Europe/Berlin");
        reports->txtFrom->setDate(QDate(2026, 12, 7));
        reports->txtTo->setDate(QDate(2026, 12, 13));
        reports->cboPeriod->setCurrentIndex(static_cast<int>(ReportPeriod::Custom));
    }
    void OpenReports() {
        ClickNode(window->ui.Tree->topLevelNode(0));
        Click(window->History->cmdReports);
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
    // A project file with one task that worked `seconds` this morning, loaded.
    TreeNode* Load(const QString& project, const QString& task, int seconds) {
        return LoadFile(project + ".hvp",
                        QStringLiteral("<project name=\"%1\"><task name=\"%2\" task_time=\"%3\">"
                                       "<history><session start=\"%4\" seconds=\"%5\"/>"
                                       "</history></task></project>")
                            .arg(project, task, ClockText(seconds, true), TodayAt(8, 0))
                            .arg(seconds)
                            .toStdString());
    }
    // The project list as it reads: each entry's name, and whether it is ticked.
    std::vector<std::pair<QString, bool>> Entries() const {
        std::vector<std::pair<QString, bool>> entries;
        for (int i = 0; i < reports->lstProjects->count(); ++i) {
            const QListWidgetItem* entry = reports->lstProjects->item(i);
            entries.emplace_back(entry->text(), entry->checkState() == Qt::Checked);
        }
        return entries;
    }
    void Tick(int row, bool ticked) {
        reports->lstProjects->item(row)->setCheckState(ticked ? Qt::Checked : Qt::Unchecked);
    }
    // The timesheet's top rows (the projects and the totals) with their totals.
    std::vector<std::pair<QString, QString>> Sheet() const {
        std::vector<std::pair<QString, QString>> rows;
        for (int i = 0; i < reports->tvwSheet->topLevelItemCount(); ++i) {
            rows.emplace_back(
                reports->tvwSheet->topLevelItem(i)->text(0),
                reports->tvwSheet->topLevelItem(i)->text(reports->tvwSheet->columnCount() - 1));
        }
        return rows;
    }
    // The exported report's rows, each as project/task=seconds.
    std::vector<std::string> Exported(const QString& name) {
        static const std::regex row("[^,\\r\\n]*,([^,]*),([^,]*),([^,]*),[^\\n]*\\n");
        const std::string csv = SavedBy(reports->cmdExport, name);
        std::vector<std::string> rows;
        for (auto it = std::sregex_iterator(csv.begin() + csv.find('\n') + 1, csv.end(), row);
             it != std::sregex_iterator(); ++it) {
            rows.push_back((*it)[1].str() + "/" + (*it)[2].str() + "=" + (*it)[3].str());
        }
        return rows;
    }

    QString path;
    QPointer<ReportsWindow> reports;
};

using Ticks = std::vector<std::pair<QString, bool>>;
using Rows = std::vector<std::pair<QString, QString>>;
using Lines = std::vector<std::string>;

// A task of 20 s is a row of its own at every rounding, and the choices made stay for the next
// opening; Today shows today's column only, whatever was shown before.
TEST_F(ReportsWindowTest, RoundingNeverHidesWorkAndIsRemembered) {
    Open("short.hvp", "<project name=\"Short\"><task name=\"Glance\"><history><session start=\"" +
                          TodayAt(9, 0).toStdString() +
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

    Reopen();
    EXPECT_EQ(reports->cboPeriod->currentIndex(), static_cast<int>(ReportPeriod::Today));
    EXPECT_EQ(reports->lblRule->text(), "Rounded up to 15 minutes per period");
    EXPECT_TRUE(reports->chkDecimal->isChecked());
    EXPECT_EQ(Cell("Glance", "Total"), "0.25");
}

// Opened from a main window in a corner of the screen, the window lies wholly on the screen
// and as near the main window's centre as it can; Escape and Close both close it.
TEST_F(ReportsWindowTest, OpensOnTheScreenAndClosesWithEscapeOrClose) {
    const QRect room = window->screen()->availableGeometry();
    window->resize(room.width() / 2, room.height() / 2);
    window->move(room.right() - window->width(), room.bottom() - window->height());
    Open("empty.hvp", "<project name=\"Empty\"/>");
    const QRect placed = reports->geometry();
    EXPECT_TRUE(room.contains(placed))
        << placed.x() << "," << placed.y() << " " << placed.width() << "x" << placed.height();
    EXPECT_TRUE(room.contains(
        reports->cmdPdf->mapTo(reports, reports->cmdPdf->rect().bottomRight()) + placed.topLeft()));
    // A label's shortcut goes to its field; a label without one would show its "&".
    for (const QLabel* label : reports->findChildren<QLabel*>()) {
        EXPECT_TRUE(!label->text().contains('&') || label->buddy() != nullptr)
            << label->text().toStdString();
    }
    reports->show();
    QTest::keyClick(reports->cboPeriod, Qt::Key_Escape);
    QApplication::processEvents();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(reports == nullptr);

    OpenReports();
    Click(reports->cmdClose);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(reports == nullptr);
}

// The file's bytes without the ids this version gives every project and task it writes.
std::string WithoutIds(std::string bytes) {
    static const std::regex id(R"( id="[0-9a-f]{32}")");
    return std::regex_replace(bytes, id, "");
}

// Rates set in the program price the report and its CSV; the file keeps what other programs
// wrote in it, byte for byte, and the stored form is the one other versions read.
TEST_F(ReportsWindowTest, RatesSetInTheProgramPriceTheReportAndKeepTheRestOfTheFile) {
    const std::string morning = TodayAt(9, 0).toStdString();
    const std::string head =
        R"(<?xml version="1.0"?>)"
        R"(<project name="Site" currency="EUR" client="Acme" x-mine="kept" completed="" task_time="" subtask_time=""><description>d</description>)"
        R"(<history/><rates><rate from="2000-01-01" hourly="80.00"/><other a="1"/></rates>)"
        R"(<task name="Logo" x-flag="1" completed="" task_time="" subtask_time="">)"
        R"(<description/><history><session start=")" +
        morning + R"(" seconds="5400"/></history>)";
    const std::string tail =
        R"(<mine:thing xmlns:mine="urn:x">text &amp; more</mine:thing></task>)"
        R"(<task name="Chat" billable="false" completed=""><history><session start=")" +
        morning + R"(" seconds="1800"/></history></task></project>)";
    Open("site.hvp", head + tail);
    Choose("mnuSaveProj");
    ASSERT_EQ(WithoutIds(ReadFile(path)), head + tail);  // nothing changed but the ids given

    EXPECT_EQ(Cell("Logo", "Amount"), QLocale().toCurrencyString(120.0, "EUR", 2));
    EXPECT_EQ(Cell("Chat", "Amount"), "");  // hours, but no price
    EXPECT_EQ(Cell("Chat", "Total"), "0:30:00");

    TreeNode* logo = static_cast<TreeNode*>(window->ui.Tree->topLevelNode(0)->child(0));
    ClickNode(logo);
    EXPECT_EQ(window->History->lblRate->text(), "80.00 EUR an hour (from 2000-01-01)");
    const std::string today = QDate::currentDate().toString(Qt::ISODate).toStdString();
    window->History->askBilling = [&](const QString& title, const BillingValues& initial,
                                      bool project) {
        EXPECT_EQ(title, "Rates of 'Logo'");
        EXPECT_FALSE(project);
        EXPECT_TRUE(initial.rates.empty());
        return std::optional<BillingValues>(
            BillingValues{{{"", 500000}, {today, 1000000}}, true, {}, {}});
    };
    Click(window->History->cmdRates);
    EXPECT_EQ(window->History->lblRate->text(),
              QString::fromStdString("100.00 EUR an hour (from " + today + ")"));
    // The morning's period began before the rate was set today: it started on today's date,
    // so today's rate prices it.
    EXPECT_EQ(Cell("Logo", "Amount"), QLocale().toCurrencyString(150.0, "EUR", 2));

    const std::string csv = SavedBy(reports->cmdExport, "week.csv");
    EXPECT_NE(csv.find(",Site,Logo,5400,1:30:00,1.50,100.00,150.00,EUR\r\n"), std::string::npos)
        << csv;
    EXPECT_NE(csv.find(",Site,Chat,1800,0:30:00,0.50,,,\r\n"), std::string::npos) << csv;

    Choose("mnuSaveProj");
    EXPECT_EQ(WithoutIds(ReadFile(path)), head + R"(<rates><rate hourly="50.00"/><rate from=")" +
                                              today + R"(" hourly="100.00"/></rates>)" + tail);
}

// The PDF a client reads: read back with pdftotext, its words are those of the golden text.
TEST_F(ReportsWindowTest, ThePdfReadsAsTheGoldenText) {
    if (QStandardPaths::findExecutable("pdftotext").isEmpty()) {
        GTEST_SKIP() << "pdftotext (poppler-utils, scripts/setup) is not installed";
    }
    QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedKingdom));
    Open(
        "site.hvp",
        R"(<project name="Website" client="Acme Ltd" currency="EUR"><rates><rate hourly="80"/></rates>)"
        R"(<history><session start="2026-12-07T09:00:00+01:00" seconds="1210" note="First call"/>)"
        R"(</history><task name="Design"><history>)"
        R"(<session start="2026-12-08T10:00:00+01:00" seconds="5400" note="Logo &amp; colours"/>)"
        R"(<session start="2026-12-09T14:00:00+01:00" seconds="24"/></history></task>)"
        R"(<task name="Support" billable="false"><history>)"
        R"(<session start="2026-12-10T16:00:00+01:00" seconds="1800"/></history></task></project>)");
    ShowWeekOf7December();
    reports->cboRounding->setCurrentIndex(static_cast<int>(RoundMode::Up));
    reports->cboUnit->setCurrentIndex(reports->cboUnit->findData(6));
    reports->chkNotes->setChecked(true);
    reports->txtName->setText("Jane Doe Design");
    SavedBy(reports->cmdPdf, "week.pdf");
    QProcess pdftotext;
    pdftotext.start("pdftotext", {TempPath("week.pdf"), "-"});
    ASSERT_TRUE(pdftotext.waitForFinished(30000));
    const QString text = QString::fromUtf8(pdftotext.readAllStandardOutput()).simplified();
    const QString made = QLocale().toString(QDate::currentDate(), QStringLiteral("d MMMM yyyy"));
    const QString golden =
        QString::fromStdString(ReadFile(HORAVEL_TEST_DATA "/../../history/data/week_pdf.txt"));
    EXPECT_EQ(text.toStdString(), golden.simplified().replace("{made}", made).toStdString());
    QLocale::setDefault(QLocale::c());
}

// The week's periods as a calendar file, saved through the window: its bytes are the golden
// file's but for the moment it was made, a second export gives every period the same UID,
// and a real iCalendar parser reads every event back as it was worked.
TEST_F(ReportsWindowTest, TheCalendarExportHoldsEachPeriodOfTheWeek) {
    Open(
        "site.hvp",
        R"(<project name="Website" id="0000000000000000000000000000000a"><history>)"
        R"(<session start="2026-12-07T09:00:00+01:00" seconds="1210" note="First call, with Ann; notes\here"/>)"
        R"(<session start="2026-12-07T10:00:00+01:00" seconds="-600" correction="true"/>)"
        R"(</history><task name="Design of the new logo and the colours for every page of the site" id="0000000000000000000000000000000c"><history>)"
        R"(<session id="0000000000000000000000000000000b" start="2026-12-08T10:00:00+01:00" seconds="5400" note="Logo &amp; colours&#10;second try"/>)"
        R"(<session start="2026-12-13T23:30:00+01:00" seconds="3600"/>)"
        R"(<session start="2026-12-14T00:30:00+01:00" seconds="60"/>)"
        R"(</history></task></project>)");
    ShowWeekOf7December();
    const auto exported = [this](const QString& name) {
        static const std::regex stamp("DTSTAMP:[0-9]{8}T[0-9]{6}Z");
        return std::regex_replace(SavedBy(reports->cmdCalendar, name), stamp, "DTSTAMP:{made}");
    };
    const std::string ics = exported("week.ics");
    EXPECT_EQ(ics, ReadFile(HORAVEL_TEST_DATA "/../../history/data/week.ics"));
    EXPECT_EQ(exported("again.ics"), ics);

    if (!QFile::exists("/usr/bin/python3")) {
        GTEST_SKIP() << "python3-icalendar (scripts/setup) is not installed";
    }
    QProcess parser;
    parser.start("/usr/bin/python3",
                 {"-c",
                  "import sys, icalendar\n"
                  "calendar = icalendar.Calendar.from_ical(open(sys.argv[1], 'rb').read())\n"
                  "for e in calendar.walk('VEVENT'):\n"
                  "    print(e['UID'], e.decoded('DTSTART').isoformat(),\n"
                  "          e.decoded('DTEND').isoformat(), e['SUMMARY'], "
                  "repr(str(e.get('DESCRIPTION', ''))), sep='|')\n",
                  TempPath("week.ics")});
    ASSERT_TRUE(parser.waitForFinished(30000));
    if (parser.exitCode() != 0 && parser.readAllStandardError().contains("No module named")) {
        GTEST_SKIP() << "python3-icalendar (scripts/setup) is not installed";
    }
    EXPECT_EQ(parser.readAllStandardOutput().toStdString(),
              "df8e8fa06379fd81c57dee97d19c9bf1@horavel|2026-12-07T08:00:00+00:00|2026-12-07T08:20:"
              "10+00:00|Website|"
              "'First call, with Ann; notes\\\\here'\n"
              "0000000000000000000000000000000b@horavel|2026-12-08T09:00:00+00:00|"
              "2026-12-08T10:30:00+00:00|Website/Design of the new logo and the colours for "
              "every page of the site|'Logo & colours\\nsecond try'\n"
              "315d3cfb5566bbe4073b00e833b174b0@horavel|2026-12-13T22:30:00+00:00|2026-12-13T23:30:"
              "00+00:00|Website/Design of "
              "the new logo and the colours for every page of the site|''\n");
}

// While the window is open, whatever happens to the projects, each one's hours stay under its
// own name, and so do the person's ticks.
TEST_F(ReportsWindowTest, AMovedProjectKeepsItsHoursAndItsTick) {
    TreeNode* alpha = Load("Alpha", "Logo", 3600);
    Load("Beta", "Copy", 1800);
    OpenReports();
    Tick(1, false);  // Beta left out
    ClickNode(alpha);
    ClickTreeBar("down");
    // Before the list follows, a report made now already has every hour under its name.
    EXPECT_EQ(Exported("now.csv"), (Lines{"Alpha/Logo=3600"}));
    QApplication::processEvents();
    EXPECT_EQ(Entries(), (Ticks{{"Beta", false}, {"Alpha", true}}));
    EXPECT_EQ(Sheet(), (Rows{{"Alpha", "1:00:00"}, {"Total", "1:00:00"}}));
    Tick(0, true);
    EXPECT_EQ(Sheet(), (Rows{{"Beta", "0:30:00"}, {"Alpha", "1:00:00"}, {"Total", "1:30:00"}}));
}

TEST_F(ReportsWindowTest, RenamedRemovedAndLoadedProjectsAreFollowed) {
    TreeNode* alpha = Load("Alpha", "Logo", 3600);
    TreeNode* beta = Load("Beta", "Copy", 1800);
    OpenReports();
    Tick(0, false);  // Alpha left out
    ClickNode(beta);
    window->ui.txtName->setText(QStringLiteral("Beta app"));
    QApplication::processEvents();
    EXPECT_EQ(Entries(), (Ticks{{"Alpha", false}, {"Beta app", true}}));
    EXPECT_EQ(Sheet(), (Rows{{"Beta app", "0:30:00"}, {"Total", "0:30:00"}}));

    ClickNode(alpha);
    ClickTreeBar("remove");  // unmodified: removed without a question
    ASSERT_EQ(window->ui.Tree->topLevelItemCount(), 1);
    TreeNode* gamma = Load("Gamma", "Ads", 900);  // may take the memory Alpha let go
    QApplication::processEvents();
    EXPECT_EQ(Entries(), (Ticks{{"Beta app", true}, {"Gamma", true}}));
    EXPECT_EQ(Sheet(), (Rows{{"Beta app", "0:30:00"}, {"Gamma", "0:15:00"}, {"Total", "0:45:00"}}));

    ClickNode(gamma);
    ClickTreeBar("up");
    QApplication::processEvents();
    EXPECT_EQ(Exported("after.csv"), (Lines{"Gamma/Ads=900", "Beta app/Copy=1800"}));
}

// A tick taken away stays away at every refresh, at the next opening, and after a restart
// that loads the projects in the other order.
TEST_F(ReportsWindowTest, TicksAreKeptByProjectAcrossOpeningsAndRestarts) {
    Load("Alpha", "Logo", 3600);
    Load("Beta", "Copy", 1800);
    OpenReports();
    Tick(1, false);                                            // Beta left out
    window->ui.txtName->setText(QStringLiteral("Alpha app"));  // a refresh of the list
    QApplication::processEvents();
    EXPECT_EQ(Entries(), (Ticks{{"Alpha app", true}, {"Beta", false}}));
    Choose("mnuSaveProj");
    Reopen();
    EXPECT_EQ(Entries(), (Ticks{{"Alpha app", true}, {"Beta", false}}));
    reports->close();

    NewWindow();
    window->show();
    for (QString loaded : {TempPath("Beta.hvp"), TempPath("Alpha.hvp")}) {
        window->LoadProjects(loaded);
    }
    OpenReports();
    EXPECT_EQ(Entries(), (Ticks{{"Beta", false}, {"Alpha app", true}}));
    EXPECT_EQ(Sheet(), (Rows{{"Alpha app", "1:00:00"}, {"Total", "1:00:00"}}));
    Tick(0, true);
    Reopen();
    EXPECT_EQ(Entries(), (Ticks{{"Beta", true}, {"Alpha app", true}}));
}

TEST(BillingDialog, ReadsRatesAsTypedAndRefusesWhatDoesNotRead) {
    QString error;
    const QLocale german(QLocale::German);
    const auto rates = RatesFromRows(
        {{"2026-07-01", "90,5"}, {"", "85"}, {" ", ""}, {"2026-01-01", "12.3456"}}, error, german);
    ASSERT_TRUE(rates) << error.toStdString();
    EXPECT_EQ(*rates,
              (std::vector<Rate>{{"", 850000}, {"2026-01-01", 123456}, {"2026-07-01", 905000}}));
    const std::pair<std::vector<std::pair<QString, QString>>, const char*> refused[] = {
        {{{"2026-13-01", "5"}}, "\"2026-13-01\" is not a date"},
        {{{"", "ten"}}, "\"ten\" is not an hourly rate"},
        {{{"", "-5"}}, "\"-5\" is not an hourly rate"},
        {{{"", "5"}, {"", "6"}}, "Only one rate can hold from the beginning."},
    };
    for (const auto& [rows, reason] : refused) {
        EXPECT_FALSE(RatesFromRows(rows, error, german));
        EXPECT_TRUE(error.startsWith(reason)) << error.toStdString();
    }

    BillingDialog dialog("Rates of 'Site'", {{{"", 800000}}, true, "EUR", "Acme"}, true, nullptr);
    dialog.show();
    dialog.txtCurrency->setText("usd");
    dialog.chkBillable->setChecked(false);
    QTest::mouseClick(dialog.cmdAddRate, Qt::LeftButton);
    dialog.tblRates->item(1, 1)->setText("95.5");  // the new rate, from today
    dialog.findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Ok)->click();
    ASSERT_TRUE(dialog.values) << dialog.lblError->text().toStdString();
    EXPECT_EQ(dialog.values->currency, "USD");
    EXPECT_FALSE(dialog.values->billable);
    EXPECT_EQ(dialog.values->rates.back(),
              (Rate{QDate::currentDate().toString(Qt::ISODate).toStdString(), 955000}));
}

}  // namespace
