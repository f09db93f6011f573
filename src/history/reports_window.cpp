// The Reports window.
#include "history/reports_window.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDateEdit>
#include <QFileInfo>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPainter>
#include <QPrinter>
#include <QPushButton>
#include <QSaveFile>
#include <QShortcut>
#include <QSplitter>
#include <QTemporaryDir>
#include <QTextDocument>
#include <QTimer>
#include <QTreeWidget>
#include <QUrl>
#include <QVBoxLayout>

#include <algorithm>

#include "history/calendar_export.h"
#include "history/report_pdf.h"
#include "history/sessions.h"
#include "platform/platform.h"
#include "platform/window_placement.h"
#include "tree/task_tree.h"

namespace {

const QString kTitle = QStringLiteral("Reports");

QPushButton* Button(const QString& caption, QWidget* parent, QHBoxLayout* row) {
    auto* button = new QPushButton(caption, parent);
    row->addWidget(button);
    return button;
}

// What binds a list entry to its project: the project element, which stays with its
// document through every move of the project's node.
constexpr int kProjectRole = Qt::UserRole;

quintptr ProjectKey(const TreeNode* project) {
    return reinterpret_cast<quintptr>(project->element.internal_object());
}

quintptr EntryKey(const QListWidgetItem* entry) {
    return entry->data(kProjectRole).value<quintptr>();
}

// What a project's tick is remembered by across openings and restarts: its id, which stays
// with it through renames and moves, and its file, for a project read from an older file
// that gets its id only when saved.
// What marks the projects whose ticks the person took away (see ProjectMarks).
const QString kLeftOutKey = QStringLiteral("report_projects_left_out");
constexpr int kProjectMarksRole = Qt::UserRole + 1;

QStringList ProjectMarks(const TreeNode* project) {
    QStringList marks;
    const QString id = QString::fromUtf8(project->element.attribute("id").value());
    if (!id.isEmpty()) {
        marks << id;
    }
    const QString file = NodeString(project, "@filename");
    if (!file.isEmpty()) {
        marks << QStringLiteral("file:") + file;
    }
    return marks;
}

QString ProjectName(const TreeNode* project) {
    return QString::fromUtf8(project->element.attribute("name").value());
}

}  // namespace

BarChart::BarChart(QWidget* parent) : QWidget(parent) {
    setObjectName(QStringLiteral("chart"));
    setMinimumHeight(60);
}

void BarChart::SetDays(const DateRange& range, std::vector<int64_t> seconds) {
    range_ = range;
    seconds_ = std::move(seconds);
    update();
}

void BarChart::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.fillRect(rect(), palette().base());
    if (seconds_.empty()) {
        return;
    }
    const int64_t most =
        std::max<int64_t>(*std::max_element(seconds_.begin(), seconds_.end()), 3600);
    const int labelHeight = fontMetrics().height() + 4;
    const double slot = static_cast<double>(width()) / static_cast<double>(seconds_.size());
    const int chartHeight = height() - 2 * labelHeight;
    painter.setPen(palette().text().color());
    for (size_t day = 0; day < seconds_.size(); ++day) {
        const int barHeight =
            static_cast<int>(static_cast<double>(std::max<int64_t>(seconds_[day], 0)) *
                             chartHeight / static_cast<double>(most));
        const QRectF bar(slot * static_cast<double>(day) + slot * 0.15,
                         labelHeight + chartHeight - barHeight, slot * 0.7, barHeight);
        painter.fillRect(bar, palette().highlight());
        const QRectF below(slot * static_cast<double>(day), height() - labelHeight, slot,
                           labelHeight);
        if (slot > fontMetrics().horizontalAdvance(QStringLiteral("00.00"))) {
            painter.drawText(
                below, Qt::AlignCenter,
                range_.first.addDays(static_cast<int64_t>(day)).toString(QStringLiteral("dd.MM")));
        }
        if (seconds_[day] != 0 && slot > fontMetrics().horizontalAdvance(QStringLiteral("00.00"))) {
            painter.drawText(
                QRectF(bar.left() - slot * 0.15, bar.top() - labelHeight, slot, labelHeight),
                Qt::AlignCenter, DecimalHours(seconds_[day]));
        }
    }
}

ReportsWindow::ReportsWindow(QWidget& owner, const TaskTree& tree, Platform& platform)
    : QDialog(&owner, Qt::Window | Qt::WindowMinMaxButtonsHint | Qt::WindowCloseButtonHint),
      tree_(tree),
      platform_(platform) {
    setObjectName(QStringLiteral("frmReports"));
    setWindowTitle(kTitle);
    setAttribute(Qt::WA_DeleteOnClose);
    setModal(false);
    setSizeGripEnabled(true);
    auto* layout = new QVBoxLayout(this);
    auto* choices = new QHBoxLayout;
    auto* form = new QFormLayout;
    cboPeriod = new QComboBox(this);
    cboPeriod->addItems({QStringLiteral("Today"), QStringLiteral("This Week"),
                         QStringLiteral("Last Week"), QStringLiteral("This Month"),
                         QStringLiteral("Last Month"), QStringLiteral("Custom")});
    cboPeriod->setCurrentIndex(static_cast<int>(ReportPeriod::ThisWeek));
    const QDate today = LocalTimeOfReading(platform_.clock->SecondsSinceMidnight()).date();
    txtFrom = new QDateEdit(today, this);
    txtTo = new QDateEdit(today, this);
    for (QDateEdit* edit : {txtFrom, txtTo}) {
        edit->setCalendarPopup(true);
        edit->setDisplayFormat(QStringLiteral("yyyy-MM-dd"));
    }
    cboRounding = new QComboBox(this);
    cboRounding->setAccessibleName(QStringLiteral("Rounding"));
    cboRounding->addItems({QStringLiteral("Not rounded"), QStringLiteral("Up"),
                           QStringLiteral("To the nearest"), QStringLiteral("Down")});
    cboUnit = new QComboBox(this);
    cboUnit->setAccessibleName(QStringLiteral("Rounding unit"));
    for (const int minutes : kRoundingMinutes) {
        cboUnit->addItem(
            minutes == 1 ? QStringLiteral("1 minute") : QStringLiteral("%1 minutes").arg(minutes),
            minutes);
    }
    cboScope = new QComboBox(this);
    cboScope->setAccessibleName(QStringLiteral("Rounded"));
    cboScope->addItems({QStringLiteral("per task and day"), QStringLiteral("per period"),
                        QStringLiteral("per task over the range")});
    auto* rounding = new QHBoxLayout;
    rounding->addWidget(cboRounding);
    rounding->addWidget(cboUnit);
    rounding->addWidget(cboScope);
    chkDecimal = new QCheckBox(QStringLiteral("&Decimal hours"), this);
    txtName = new QLineEdit(this);
    txtName->setPlaceholderText(QStringLiteral("Your name or business, for the PDF"));
    chkNotes = new QCheckBox(QStringLiteral("List the periods and their n&otes in the PDF"), this);
    // A label of a row of several fields names its first: its shortcut goes there, and
    // without a buddy the "&" would show.
    const auto labelFor = [this](const QString& text, QWidget* field) {
        auto* label = new QLabel(text, this);
        label->setBuddy(field);
        return label;
    };
    // Pairs share a line: at 200% on a 1280x800 screen the window has 400 points of height.
    auto* dates = new QHBoxLayout;
    dates->addWidget(txtFrom);
    dates->addWidget(labelFor(QStringLiteral("&To:"), txtTo));
    dates->addWidget(txtTo);
    dates->addStretch();
    auto* checks = new QHBoxLayout;
    checks->addWidget(chkDecimal);
    checks->addWidget(chkNotes);
    checks->addStretch();
    form->addRow(QStringLiteral("&Period:"), cboPeriod);
    form->addRow(labelFor(QStringLiteral("&From:"), txtFrom), dates);
    form->addRow(labelFor(QStringLiteral("&Rounding:"), cboRounding), rounding);
    form->addRow(QStringLiteral("&Name:"), txtName);
    form->addRow(QString(), checks);
    choices->addLayout(form);
    lstProjects = new QListWidget(this);
    lstProjects->setObjectName(QStringLiteral("lstProjects"));
    lstProjects->setAccessibleName(QStringLiteral("Projects"));
    lstProjects->setMaximumHeight(140);
    choices->addWidget(lstProjects, 1);
    layout->addLayout(choices);

    auto* split = new QSplitter(Qt::Vertical, this);
    tvwSheet = new QTreeWidget(split);
    tvwSheet->setObjectName(QStringLiteral("tvwSheet"));
    tvwSheet->setAccessibleName(QStringLiteral("Timesheet"));
    chart = new BarChart(split);
    layout->addWidget(split, 1);
    lblRule = new QLabel(this);
    lblRule->setObjectName(QStringLiteral("lblRule"));
    layout->addWidget(lblRule);

    auto* buttons = new QHBoxLayout;
    cmdExport = Button(QStringLiteral("Export &CSV..."), this, buttons);
    cmdExportSessions = Button(QStringLiteral("Export &Sessions..."), this, buttons);
    cmdCalendar = Button(QStringLiteral("Export Ca&lendar..."), this, buttons);
    buttons->addStretch();
    cmdPrint = Button(QStringLiteral("Pr&int..."), this, buttons);
    cmdPdf = Button(QStringLiteral("Save P&DF..."), this, buttons);
    cmdClose = Button(QStringLiteral("Close"), this, buttons);
    for (QPushButton* button :
         {cmdExport, cmdExportSessions, cmdCalendar, cmdPrint, cmdPdf, cmdClose}) {
        button->setAutoDefault(false);  // Enter in a field does not save a file
    }
    layout->addLayout(buttons);

    RestoreChoices();
    for (QComboBox* choice : {cboPeriod, cboRounding, cboUnit, cboScope}) {
        connect(choice, &QComboBox::currentIndexChanged, this, &ReportsWindow::ChoiceMade);
    }
    connect(txtFrom, &QDateEdit::dateChanged, this, &ReportsWindow::ChoiceMade);
    connect(txtTo, &QDateEdit::dateChanged, this, &ReportsWindow::ChoiceMade);
    connect(chkDecimal, &QCheckBox::toggled, this, &ReportsWindow::ChoiceMade);
    connect(chkNotes, &QCheckBox::toggled, this, &ReportsWindow::ChoiceMade);
    connect(txtName, &QLineEdit::editingFinished, this, &ReportsWindow::ChoiceMade);
    connect(cmdClose, &QPushButton::clicked, this, &QWidget::close);
    connect(lstProjects, &QListWidget::itemChanged, this, &ReportsWindow::TickChanged);
    connect(cmdExport, &QPushButton::clicked, this, [this] {
        ExportCsv(QStringLiteral("Export Report"), QStringLiteral("report.csv"),
                  TimesheetCsv(CurrentSheet()));
    });
    connect(cmdExportSessions, &QPushButton::clicked, this, [this] {
        LocalDays days(zone);
        ExportCsv(QStringLiteral("Export Sessions"), QStringLiteral("sessions.csv"),
                  SessionsCsv(ChosenProjects(), CurrentRange(), days));
    });
    connect(cmdCalendar, &QPushButton::clicked, this, &ReportsWindow::ExportCalendar);
    connect(cmdPrint, &QPushButton::clicked, this, &ReportsWindow::Print);
    connect(cmdPdf, &QPushButton::clicked, this, &ReportsWindow::SavePdf);
    auto* close = new QShortcut(QKeySequence::Close, this);  // Ctrl+W; Escape is the dialog's
    connect(close, &QShortcut::activated, this, &QWidget::close);
    refreshSoon_ = new QTimer(this);
    refreshSoon_->setSingleShot(true);
    refreshSoon_->setInterval(0);
    connect(refreshSoon_, &QTimer::timeout, this, &ReportsWindow::Refresh);
    FollowTree();
    PlaceOverOwner(*this, owner, QSize(900, 600));
}

void ReportsWindow::FollowTree() {
    const QAbstractItemModel* model = tree_.model();
    // The tree says it goes before its model empties: from then on nothing of it is read.
    connect(&tree_, &QObject::destroyed, this, [this, model] {
        disconnect(model, nullptr, this, nullptr);
        refreshSoon_->stop();
    });
    const auto topLevel = [this](const QModelIndex& parent) {
        if (!parent.isValid()) {
            refreshSoon_->start();
        }
    };
    connect(model, &QAbstractItemModel::rowsInserted, this, topLevel);
    connect(model, &QAbstractItemModel::rowsMoved, this, topLevel);
    connect(model, &QAbstractItemModel::rowsRemoved, this,
            [this, topLevel](const QModelIndex& parent) {
                if (!parent.isValid()) {
                    // At once: memory a closed project let go may hold the next one loaded.
                    DropEntriesOfClosedProjects();
                }
                topLevel(parent);
            });
    connect(model, &QAbstractItemModel::modelReset, this, [this] {
        DropEntriesOfClosedProjects();
        refreshSoon_->start();
    });
    // Every tick changes a caption; only a new name changes the report.
    connect(model, &QAbstractItemModel::dataChanged, this, [this](const QModelIndex& first) {
        if (!first.parent().isValid() && NamesChanged()) {
            refreshSoon_->start();
        }
    });
}

void ReportsWindow::DropEntriesOfClosedProjects() {
    QSet<quintptr> open;
    for (int i = 0; i < tree_.topLevelItemCount(); ++i) {
        open.insert(ProjectKey(tree_.topLevelNode(i)));
    }
    const QSignalBlocker quiet(lstProjects);
    for (int i = lstProjects->count(); i-- > 0;) {
        if (!open.contains(EntryKey(lstProjects->item(i)))) {
            delete lstProjects->takeItem(i);
        }
    }
}

bool ReportsWindow::NamesChanged() const {
    QHash<quintptr, QString> names;
    for (int i = 0; i < tree_.topLevelItemCount(); ++i) {
        names.insert(ProjectKey(tree_.topLevelNode(i)), ProjectName(tree_.topLevelNode(i)));
    }
    for (int i = 0; i < lstProjects->count(); ++i) {
        const auto name = names.constFind(EntryKey(lstProjects->item(i)));
        if (name != names.cend() && *name != lstProjects->item(i)->text()) {
            return true;
        }
    }
    return false;
}

void ReportsWindow::Refresh() {
    refreshSoon_->stop();
    // Keep the person's choice, as remembered and for the entries still open; projects never
    // left out come in chosen.
    QSet<quintptr> unchecked;
    for (int i = 0; i < lstProjects->count(); ++i) {
        if (lstProjects->item(i)->checkState() == Qt::Unchecked) {
            unchecked.insert(EntryKey(lstProjects->item(i)));
        }
    }
    const QSet<QString> leftOut = LeftOutProjects();
    const QSignalBlocker quiet(lstProjects);
    lstProjects->clear();
    for (int i = 0; i < tree_.topLevelItemCount(); ++i) {
        const TreeNode* project = tree_.topLevelNode(i);
        const QStringList marks = ProjectMarks(project);
        auto* item = new QListWidgetItem(ProjectName(project), lstProjects);
        item->setData(kProjectRole, QVariant::fromValue(ProjectKey(project)));
        item->setData(kProjectMarksRole, marks);
        item->setFlags(item->flags() | Qt::ItemIsUserCheckable);
        const bool out = unchecked.contains(ProjectKey(project)) ||
                         std::any_of(marks.begin(), marks.end(), [&leftOut](const QString& mark) {
                             return leftOut.contains(mark);
                         });
        item->setCheckState(out ? Qt::Unchecked : Qt::Checked);
    }
    Rebuild();
}

void ReportsWindow::TickChanged() {
    // Projects not open now keep what was remembered of them.
    QSet<QString> leftOut = LeftOutProjects();
    for (int i = 0; i < lstProjects->count(); ++i) {
        const bool out = lstProjects->item(i)->checkState() == Qt::Unchecked;
        for (const QString& mark : lstProjects->item(i)->data(kProjectMarksRole).toStringList()) {
            if (out) {
                leftOut.insert(mark);
            } else {
                leftOut.remove(mark);
            }
        }
    }
    // Each mark percent-encoded, so that a space in a path cannot split it.
    QStringList marks;
    for (const QString& mark : leftOut) {
        marks << QString::fromLatin1(QUrl::toPercentEncoding(mark));
    }
    marks.sort();
    platform_.settings->SaveSetting(kLeftOutKey, marks.join(QLatin1Char(' ')));
    Rebuild();
}

QSet<QString> ReportsWindow::LeftOutProjects() const {
    QSet<QString> marks;
    const QString stored = platform_.settings->GetSetting(kLeftOutKey, {});
    for (const QString& mark : stored.split(QLatin1Char(' '), Qt::SkipEmptyParts)) {
        marks.insert(QUrl::fromPercentEncoding(mark.toLatin1()));
    }
    return marks;
}

DateRange ReportsWindow::CurrentRange() const {
    const QDate today = LocalTimeOfReading(platform_.clock->SecondsSinceMidnight()).date();
    return RangeOf(static_cast<ReportPeriod>(cboPeriod->currentIndex()), today,
                   QLocale().firstDayOfWeek(), {txtFrom->date(), txtTo->date()});
}

std::vector<ReportProject> ReportsWindow::ChosenProjects() const {
    QSet<quintptr> checked;
    for (int i = 0; i < lstProjects->count(); ++i) {
        if (lstProjects->item(i)->checkState() == Qt::Checked) {
            checked.insert(EntryKey(lstProjects->item(i)));
        }
    }
    std::vector<ReportProject> projects;
    for (int i = 0; i < tree_.topLevelItemCount(); ++i) {
        const TreeNode* project = tree_.topLevelNode(i);
        if (checked.contains(ProjectKey(project))) {
            projects.push_back({ProjectName(project), project->element});
        }
    }
    return projects;
}

ReportOptions ReportsWindow::CurrentOptions() const {
    ReportOptions options;
    options.rounding.mode = static_cast<RoundMode>(cboRounding->currentIndex());
    options.rounding.minutes = cboUnit->currentData().toInt();
    options.rounding.scope = static_cast<RoundScope>(cboScope->currentIndex());
    options.decimal = chkDecimal->isChecked();
    return options;
}

Timesheet ReportsWindow::CurrentSheet() {
    LocalDays days(zone);
    return BuildTimesheet(ChosenProjects(), CurrentRange(), days, CurrentOptions());
}

QString ReportsWindow::CellText(int64_t seconds) const {
    return ShownTime(seconds, CurrentOptions());
}

namespace {
const QString kPeriodKey = QStringLiteral("report_period");
const QString kFromKey = QStringLiteral("report_from");
const QString kToKey = QStringLiteral("report_to");
const QString kRoundingKey = QStringLiteral("report_rounding");
const QString kUnitKey = QStringLiteral("report_rounding_minutes");
const QString kScopeKey = QStringLiteral("report_rounding_per");
const QString kDecimalKey = QStringLiteral("report_decimal");
const QString kNameKey = QStringLiteral("report_name");
const QString kNotesKey = QStringLiteral("report_notes");

// A stored index that fits the list, or the default.
void ChooseStored(QComboBox* box, const QString& stored, int fallback) {
    bool ok = false;
    const int index = stored.toInt(&ok);
    box->setCurrentIndex(ok && index >= 0 && index < box->count() ? index : fallback);
}
}  // namespace

void ReportsWindow::RestoreChoices() {
    const SettingsStore& store = *platform_.settings;
    ChooseStored(cboPeriod, store.GetSetting(kPeriodKey, {}),
                 static_cast<int>(ReportPeriod::ThisWeek));
    for (const auto& [edit, key] : {std::pair{txtFrom, kFromKey}, std::pair{txtTo, kToKey}}) {
        const QDate stored = QDate::fromString(store.GetSetting(key, {}), Qt::ISODate);
        if (stored.isValid()) {
            edit->setDate(stored);
        }
    }
    ChooseStored(cboRounding, store.GetSetting(kRoundingKey, {}), 0);
    const int unit = cboUnit->findData(store.GetSetting(kUnitKey, {}).toInt());
    cboUnit->setCurrentIndex(std::max(unit, 0));
    ChooseStored(cboScope, store.GetSetting(kScopeKey, {}), 0);
    chkDecimal->setChecked(store.GetSetting(kDecimalKey, {}) == QStringLiteral("1"));
    chkNotes->setChecked(store.GetSetting(kNotesKey, {}) == QStringLiteral("1"));
    txtName->setText(store.GetSetting(kNameKey, {}));
}

void ReportsWindow::ChoiceMade() {
    SettingsStore& store = *platform_.settings;
    store.SaveSetting(kPeriodKey, QString::number(cboPeriod->currentIndex()));
    store.SaveSetting(kFromKey, txtFrom->date().toString(Qt::ISODate));
    store.SaveSetting(kToKey, txtTo->date().toString(Qt::ISODate));
    store.SaveSetting(kRoundingKey, QString::number(cboRounding->currentIndex()));
    store.SaveSetting(kUnitKey, cboUnit->currentData().toString());
    store.SaveSetting(kScopeKey, QString::number(cboScope->currentIndex()));
    store.SaveSetting(kDecimalKey,
                      chkDecimal->isChecked() ? QStringLiteral("1") : QStringLiteral("0"));
    store.SaveSetting(kNotesKey, chkNotes->isChecked() ? QStringLiteral("1") : QStringLiteral("0"));
    store.SaveSetting(kNameKey, txtName->text().trimmed());
    Rebuild();
}

void ReportsWindow::Rebuild() {
    const bool custom = cboPeriod->currentIndex() == static_cast<int>(ReportPeriod::Custom);
    txtFrom->setEnabled(custom);
    txtTo->setEnabled(custom);
    const bool rounded = cboRounding->currentIndex() != static_cast<int>(RoundMode::None);
    cboUnit->setEnabled(rounded);
    cboScope->setEnabled(rounded);
    const Timesheet sheet = CurrentSheet();
    const int days = std::max(sheet.range.days(), 0);
    const bool priced = !sheet.amounts.empty();
    QStringList headers{QStringLiteral("Task")};
    for (int day = 0; day < days; ++day) {
        headers << sheet.range.first.addDays(day).toString(QStringLiteral("ddd dd.MM"));
    }
    headers << QStringLiteral("Total");
    if (priced) {
        headers << QStringLiteral("Amount");
    }
    tvwSheet->clear();
    // Fewer columns than before (Today after This Week) must not leave the old ones standing.
    tvwSheet->setColumnCount(static_cast<int>(headers.size()));
    tvwSheet->setHeaderLabels(headers);
    const auto align = [](QTreeWidgetItem* item, int column) {
        item->setTextAlignment(column, Qt::AlignRight | Qt::AlignVCenter);
    };
    auto fill = [&](QTreeWidgetItem* item, const std::map<int, int64_t>& cells, int64_t total) {
        for (const auto& [day, seconds] : cells) {
            item->setText(day + 1, CellText(seconds));
            align(item, day + 1);
        }
        item->setText(days + 1, CellText(total));
        align(item, days + 1);
    };
    std::vector<QTreeWidgetItem*> byDepth;
    for (const TimesheetRow& row : sheet.rows) {
        byDepth.resize(static_cast<size_t>(row.depth) + 1, nullptr);
        QTreeWidgetItem* parent = nullptr;
        for (size_t up = static_cast<size_t>(row.depth); up-- > 0 && parent == nullptr;) {
            parent = byDepth[up];
        }
        auto* item =
            parent != nullptr ? new QTreeWidgetItem(parent) : new QTreeWidgetItem(tvwSheet);
        item->setText(0, row.name);
        fill(item, row.total, row.totalSum);
        if (row.priced) {
            item->setText(days + 2, MoneyText(row.amount, row.currency));
            align(item, days + 2);
        }
        byDepth[static_cast<size_t>(row.depth)] = item;
    }
    auto* totals = new QTreeWidgetItem(tvwSheet);
    totals->setText(0, QStringLiteral("Total"));
    std::map<int, int64_t> dayCells;
    for (int day = 0; day < days; ++day) {
        if (sheet.dayTotals[static_cast<size_t>(day)] != 0) {
            dayCells[day] = sheet.dayTotals[static_cast<size_t>(day)];
        }
    }
    fill(totals, dayCells, sheet.grandTotal);
    if (priced) {
        totals->setText(days + 2, AmountsText(sheet));
        align(totals, days + 2);
    }
    QFont bold = totals->font(0);
    bold.setBold(true);
    for (int column = 0; column < tvwSheet->columnCount(); ++column) {
        totals->setFont(column, bold);
    }
    tvwSheet->expandAll();
    tvwSheet->header()->setSectionResizeMode(QHeaderView::ResizeToContents);
    chart->SetDays(sheet.range, sheet.dayTotals);
    lblRule->setText(RoundingText(sheet.options));
}

void ReportsWindow::ExportCalendar() {
    const auto path =
        AskSavePath(QStringLiteral("Export Calendar"), QStringLiteral("report.ics"),
                    QStringLiteral("iCalendar File (*.ics)|*.ics|All Files (*.*)|*.*"));
    if (!path) {
        return;
    }
    LocalDays days(zone);
    const QDateTime now = LocalTimeOfReading(platform_.clock->SecondsSinceMidnight());
    SaveBytes(*path, PeriodsCalendar(ChosenProjects(), CurrentRange(), days, now));
}

void ReportsWindow::ExportCsv(const QString& title, const QString& name, const QByteArray& csv) {
    if (const auto path = AskSavePath(
            title, name, QStringLiteral("CSV File (*.csv)|*.csv|All Files (*.*)|*.*"))) {
        SaveBytes(*path, csv);
    }
}

std::optional<QString> ReportsWindow::AskSavePath(const QString& title, const QString& name,
                                                  const QString& filter) {
    FileDialogSetup setup;
    setup.DialogTitle = title;
    setup.FileName = name;
    setup.Filter = filter;
    setup.Flags =
        FileDialogFlag::Explorer | FileDialogFlag::PathMustExist | FileDialogFlag::OverwritePrompt;
    setup.DefaultExt = QLatin1Char('.') + QFileInfo(name).suffix();
    if (!platform_.fileDialog->ShowSave(setup)) {
        return std::nullopt;
    }
    return setup.FileName;
}

void ReportsWindow::SaveBytes(const QString& path, const QByteArray& bytes) {
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size() || !file.commit()) {
        TellNotSaved(path, file.errorString());
    }
}

void ReportsWindow::TellNotSaved(const QString& path, const QString& reason) {
    platform_.prompter->Ask(QStringLiteral("Unable to save the file\r\n%1\r\n%2").arg(path, reason),
                            MsgButtons::OK, kTitle);
}

QString ReportsWindow::ReportText() {
    const std::vector<ReportProject> projects = ChosenProjects();
    ReportHeading heading;
    heading.author = txtName->text().trimmed();
    for (const ReportProject& project : projects) {
        heading.projects << project.name;
        const QString client = QString::fromUtf8(project.element.attribute("client").value());
        if (!client.isEmpty() && !heading.clients.contains(client)) {
            heading.clients << client;
        }
    }
    heading.made = LocalTimeOfReading(platform_.clock->SecondsSinceMidnight()).date();
    const Timesheet sheet = CurrentSheet();
    LocalDays days(zone);
    const QString periods =
        chkNotes->isChecked() ? PeriodsHtml(projects, sheet.range, days, sheet.options) : QString();
    return ReportHtml(sheet, heading, periods);
}

void ReportsWindow::Print() {
    QPrinter printer;
    if (platform_.printDialog->Ask(printer, this)) {
        QTextDocument document;
        document.setHtml(ReportText());
        document.print(&printer);
    }
}

void ReportsWindow::SavePdf() {
    const auto path = AskSavePath(QStringLiteral("Save PDF"), QStringLiteral("report.pdf"),
                                  QStringLiteral("PDF File (*.pdf)|*.pdf"));
    if (!path) {
        return;
    }
    // QPrinter neither says when it cannot write its file nor writes it whole or not at
    // all: it draws into a scratch file, and the bytes are saved as any other file is.
    QTemporaryDir scratch;
    const QString drawn = scratch.filePath(QStringLiteral("report.pdf"));
    QString error;
    if (!DrawReportPdf(drawn, ReportText(), NeedsLandscape(CurrentSheet()), error)) {
        TellNotSaved(*path, error);
        return;
    }
    QFile pdf(drawn);
    if (!pdf.open(QIODevice::ReadOnly)) {
        TellNotSaved(*path, pdf.errorString());
        return;
    }
    SaveBytes(*path, pdf.readAll());
}
