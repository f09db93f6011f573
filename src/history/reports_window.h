#pragma once
// The Reports window: a period and the open projects to include in, a timesheet and a bar
// chart of hours per day out, with CSV export, printing and PDF.

#include <QDialog>
#include <QSet>

#include <optional>
#include <vector>

#include "history/report.h"

class QCheckBox;
class QComboBox;
class QDateEdit;
class QLabel;
class QLineEdit;
class QListWidget;
class QPushButton;
class QTimer;
class QTreeWidget;
class TaskTree;
struct Platform;

// Hours per day as bars, with the day's date below each.
class BarChart : public QWidget {
    Q_OBJECT
  public:
    explicit BarChart(QWidget* parent = nullptr);
    void SetDays(const DateRange& range, std::vector<int64_t> seconds);
    QSize sizeHint() const override { return {480, 160}; }

  protected:
    void paintEvent(QPaintEvent* event) override;

  private:
    DateRange range_;
    std::vector<int64_t> seconds_;
};

// A dialog that does not block: the accessibility bus sees a dialog, and Escape closes it.
class ReportsWindow : public QDialog {
    Q_OBJECT
  public:
    // A window of its own, owned by `owner` and centred on it, over the projects open in
    // `tree`.
    ReportsWindow(QWidget& owner, const TaskTree& tree, Platform& platform);
    // Re-reads the open projects and rebuilds the report.
    void Refresh();
    // The report for the choices made in the window.
    Timesheet CurrentSheet();
    // The time zone the days are counted in: the system's, or a test's.
    QTimeZone zone = QTimeZone::systemTimeZone();

    QComboBox* cboPeriod;
    QDateEdit* txtFrom;
    QDateEdit* txtTo;
    QListWidget* lstProjects;
    QComboBox* cboRounding;  // not rounded, up, to the nearest, down
    QComboBox* cboUnit;
    QComboBox* cboScope;
    QCheckBox* chkDecimal;
    QTreeWidget* tvwSheet;
    BarChart* chart;
    QPushButton* cmdExport;
    QPushButton* cmdExportSessions;
    QPushButton* cmdCalendar;
    QPushButton* cmdPrint;
    QPushButton* cmdPdf;
    QPushButton* cmdClose;
    QLineEdit* txtName;   // the person's name or business, at the head of the PDF
    QCheckBox* chkNotes;  // the PDF lists the periods with their notes
    QLabel* lblRule;      // the rounding rule in words

  private:
    void Rebuild();
    // The choices as the person left them last time, and kept at each change.
    void RestoreChoices();
    void ChoiceMade();
    ReportOptions CurrentOptions() const;
    // Keeps the list on the tree's projects: an entry whose project left goes at once, and
    // the whole list and report follow once the change in hand is done.
    void FollowTree();
    void DropEntriesOfClosedProjects();
    // A tick given or taken: remembered by the project's id, and the report follows.
    void TickChanged();
    QSet<QString> LeftOutProjects() const;
    // Whether a list entry no longer reads its project's name.
    bool NamesChanged() const;
    DateRange CurrentRange() const;
    // The checked projects in the order of the tree, each under its own current name.
    std::vector<ReportProject> ChosenProjects() const;
    QString CellText(int64_t seconds) const;
    void ExportCalendar();
    void ExportCsv(const QString& title, const QString& name, const QByteArray& csv);
    // The path chosen in the save dialog; none when the person cancels.
    std::optional<QString> AskSavePath(const QString& title, const QString& name,
                                       const QString& filter);
    // Saves whole or not at all, and says why not.
    void SaveBytes(const QString& path, const QByteArray& bytes);
    void TellNotSaved(const QString& path, const QString& reason);
    // The report as a client reads it, on paper or in a PDF.
    QString ReportText();
    void Print();
    void SavePdf();

    const TaskTree& tree_;
    Platform& platform_;
    QTimer* refreshSoon_;
};
