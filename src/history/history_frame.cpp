// The History frame.
#include "history/history_frame.h"

#include <QAction>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLayout>
#include <QPushButton>
#include <QShortcut>
#include <QTreeView>

#include <cstring>

#include "history/billing_dialog.h"
#include "history/history_model.h"
#include "history/report.h"
#include "history/reports_window.h"
#include "history/session_dialog.h"
#include "history/sessions.h"
#include "model/time_text.h"
#include "platform/on_screen.h"
#include "platform/platform.h"
#include "tree/detail_pane.h"
#include "tree/project_tree.h"

namespace {

// The list of periods. Its rows are all one height, so a changed cell needs only repainting:
// the tree view would measure its first row again (shaping the text of every cell) whenever
// a cell of it changes, and while timing that row is today's total, changed every second.
class HistoryList : public QTreeView {
  public:
    explicit HistoryList(QWidget* parent) : QTreeView(parent) { setUniformRowHeights(true); }

  protected:
    void dataChanged(const QModelIndex& topLeft, const QModelIndex& bottomRight,
                     const QList<int>& roles) override {
        QAbstractItemView::dataChanged(topLeft, bottomRight, roles);
    }
};

std::optional<SessionValues> RunSessionDialog(QWidget* owner, const QString& title,
                                              const SessionValues& initial, const QDateTime& now) {
    SessionDialog dialog(title, initial, owner);
    dialog.now = now;
    return dialog.exec() == QDialog::Accepted ? dialog.values : std::nullopt;
}

std::optional<std::pair<int64_t, QString>> RunTimeDialog(QWidget* owner, int64_t current) {
    TimeDialog dialog(current, owner);
    if (dialog.exec() != QDialog::Accepted || !dialog.seconds) {
        return std::nullopt;
    }
    return std::make_pair(*dialog.seconds, dialog.note);
}

// The question before recording a period that shares time with `other`, already recorded.
QString OverlapQuestion(pugi::xml_node other) {
    const pugi::xml_node element = other.parent().parent();
    QStringList names;
    for (pugi::xml_node up = element; up && up.type() == pugi::node_element; up = up.parent()) {
        names.prepend(QString::fromUtf8(up.attribute("name").value()));
    }
    int64_t when = 0;
    int offset = 0;
    int64_t seconds = 0;
    ReadSessionTime(other, when, offset, seconds);
    const QDateTime start = QDateTime::fromSecsSinceEpoch(when, QTimeZone(offset));
    const QDateTime end = start.addSecs(seconds % 86400);
    return QStringLiteral(
               "This period overlaps the one recorded on \"%1\" on %2, %3-%4. "
               "Record both all the same?")
        .arg(names.join('/'), start.toString(QStringLiteral("yyyy-MM-dd")),
             start.toString(QStringLiteral("HH:mm")), end.toString(QStringLiteral("HH:mm")));
}

QPushButton* Button(const QString& caption, QWidget* parent, QHBoxLayout* row) {
    auto* button = new QPushButton(caption, parent);
    row->addWidget(button);
    return button;
}

}  // namespace

HistoryFrame::HistoryFrame(ProjectTree& tree, DetailPane& pane, Platform& platform,
                           QGroupBox* frame, QWidget& window)
    : QWidget(frame),
      model(new HistoryModel(this)),
      tree_(tree),
      pane_(pane),
      platform_(platform),
      window_(window) {
    setObjectName(QStringLiteral("History"));
    askSession = [this](const QString& title, const SessionValues& initial) {
        return RunSessionDialog(this, title, initial, Now());
    };
    askTime = [this](int64_t current) { return RunTimeDialog(this, current); };
    askBilling = [this](const QString& title, const BillingValues& initial, bool project) {
        BillingDialog dialog(title, initial, project, this);
        return dialog.exec() == QDialog::Accepted ? dialog.values : std::nullopt;
    };

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    lstHistory = new HistoryList(this);
    lstHistory->setObjectName(QStringLiteral("lstHistory"));
    lstHistory->setAccessibleName(QStringLiteral("History"));
    lstHistory->setRootIsDecorated(false);
    lstHistory->setModel(model);
    lstHistory->header()->setStretchLastSection(true);
    // The dates are all one width: the rows on screen tell it as well as the thousand the
    // view would measure at every refresh, that is at every click on a node.
    lstHistory->header()->setResizeContentsPrecision(0);
    lstHistory->header()->setAccessibleName(QStringLiteral("History Columns"));
    layout->addWidget(lstHistory);
    layout->setSpacing(2);
    auto* row = new QHBoxLayout;
    cmdAddTime = Button(QStringLiteral("Add Time..."), this, row);
    cmdChange = Button(QStringLiteral("Change..."), this, row);
    cmdDelete = Button(QStringLiteral("Delete"), this, row);
    cmdEditTime = Button(QStringLiteral("Edit Time..."), this, row);
    row->addStretch();
    lblRate = new QLabel(this);
    lblRate->setObjectName(QStringLiteral("lblRate"));
    row->addWidget(lblRate);
    cmdRates = Button(QStringLiteral("Rates..."), this, row);
    cmdReports = Button(QStringLiteral("Reports..."), this, row);
    layout->addLayout(row);
    frame->layout()->setContentsMargins(4, 2, 4, 4);  // the frame is short at the default size
    frame->layout()->addWidget(this);

    auto* del = new QAction(this);
    del->setShortcut(QKeySequence::Delete);
    del->setShortcutContext(Qt::WidgetShortcut);
    lstHistory->addAction(del);
    auto* reportsKey = new QShortcut(QKeySequence(QStringLiteral("Ctrl+R")), &window);

    connect(cmdAddTime, &QPushButton::clicked, this, &HistoryFrame::AddTime);
    connect(cmdChange, &QPushButton::clicked, this, &HistoryFrame::ChangePeriod);
    connect(lstHistory, &QTreeView::activated, this, &HistoryFrame::ChangePeriod);
    connect(cmdDelete, &QPushButton::clicked, this, &HistoryFrame::DeletePeriod);
    connect(del, &QAction::triggered, this, &HistoryFrame::DeletePeriod);
    connect(cmdEditTime, &QPushButton::clicked, this, &HistoryFrame::EditTime);
    connect(cmdReports, &QPushButton::clicked, this, &HistoryFrame::ShowReports);
    connect(cmdRates, &QPushButton::clicked, this, &HistoryFrame::EditBilling);
    connect(reportsKey, &QShortcut::activated, this, &HistoryFrame::ShowReports);
    connect(&tree_.view, &QTreeWidget::currentItemChanged, this, &HistoryFrame::Refresh);
    // The list holds element handles: once any node leaves the tree (removed, or replaced
    // by a move) they may point nowhere.
    connect(tree_.view.model(), &QAbstractItemModel::rowsAboutToBeRemoved, this,
            [this] { stale_ = true; });
}

void HistoryFrame::Refresh() {
    stale_ = true;
    if (!isVisible()) {
        return;
    }
    TreeNode* node = tree_.SelectedNode();
    model->Show(node != nullptr ? node->element : pugi::xml_node());
    lstHistory->resizeColumnToContents(HistoryModel::DateColumn);
    ShowRate();
    stale_ = false;
}

void HistoryFrame::ShowRate() {
    TreeNode* node = tree_.SelectedNode();
    cmdRates->setEnabled(node != nullptr);
    if (node == nullptr) {
        lblRate->clear();
        return;
    }
    pugi::xml_node project = node->element;
    while (project.parent() && std::strcmp(project.name(), "project") != 0) {
        project = project.parent();
    }
    lblRate->setText(
        RateInForceText(node->element, CurrencyOf(project), Now().date().toString(Qt::ISODate)));
}

void HistoryFrame::EditBilling() {
    TreeNode* node = tree_.SelectedNode();
    if (node == nullptr) {
        return;
    }
    const bool project = std::strcmp(node->element.name(), "project") == 0;
    const QString name = QString::fromUtf8(node->element.attribute("name").value());
    const BillingValues current = BillingOf(node->element);
    const auto values = askBilling(QStringLiteral("Rates of '%1'").arg(name), current, project);
    if (values && *values != current) {
        SetBillingOf(node, *values);
    }
}

namespace {

// Rates, currency and billable of one node, as one undo step.
class BillingEdit : public EditStep {
  public:
    BillingEdit(ProjectTree& tree, TreeNode* node, BillingValues after,
                std::function<void()> changed)
        : EditStep(QStringLiteral("Changed the rates of \"%1\"")
                       .arg(QString::fromUtf8(node->element.attribute("name").value()))),
          tree_(tree),
          place_(tree.PlaceOf(node)),
          before_(BillingOf(node->element)),
          after_(std::move(after)),
          changed_(std::move(changed)) {}
    void redo() override { Set(after_); }
    void undo() override { Set(before_); }

  private:
    void Set(const BillingValues& values) {
        if (TreeNode* node = tree_.NodeAt(place_)) {
            SetBilling(node->element, values);
            tree_.MarkModified(node);
            changed_();
        }
    }

    ProjectTree& tree_;
    NodePlace place_;
    BillingValues before_;
    BillingValues after_;
    std::function<void()> changed_;
};

}  // namespace

void HistoryFrame::SetBillingOf(TreeNode* node, const BillingValues& values) {
    tree_.Edits().Do(std::make_unique<BillingEdit>(tree_, node, values, [this] {
        ShowRate();
        PeriodsChanged();
    }));
}

void HistoryFrame::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    CatchUp();
}

void HistoryFrame::CatchUp() {
    if (stale_) {
        Refresh();
    }
}

int HistoryFrame::CurrentRow() const {
    return lstHistory->currentIndex().row();
}

void HistoryFrame::AddTime() {
    TreeNode* node = tree_.SelectedNode();
    if (node == nullptr || !node->element) {
        return;
    }
    const std::optional<SessionValues> values =
        askSession(QStringLiteral("Add Time"), {SessionStartText(Now().addSecs(-3600)), 3600, {}});
    if (values && MayRecord(*values, {})) {
        Push(std::make_unique<SessionEdit>(QStringLiteral("Add Time"), tree_, node,
                                           pugi::xml_node(), values,
                                           [this](pugi::xml_node e) { AfterCorrection(e); }));
    }
}

void HistoryFrame::ChangePeriod() {
    const pugi::xml_node session = model->SessionAt(CurrentRow());
    const pugi::xml_node element = model->ElementAt(CurrentRow());
    if (!session) {
        return;
    }
    const SessionValues initial = SessionValuesOf(session);
    std::optional<SessionValues> values = askSession(QStringLiteral("Change Time"), initial);
    if (values) {
        values->correction = initial.correction;  // a correction stays one
    }
    const bool moved =
        values && (values->start != initial.start || values->seconds != initial.seconds);
    if (values && (!moved || MayRecord(*values, session))) {
        Push(std::make_unique<SessionEdit>(QStringLiteral("Change Time"), tree_, NodeOf(element),
                                           session, values,
                                           [this](pugi::xml_node e) { AfterCorrection(e); }));
    }
}

void HistoryFrame::DeletePeriod() {
    const pugi::xml_node session = model->SessionAt(CurrentRow());
    if (session) {
        Push(std::make_unique<SessionEdit>(
            QStringLiteral("Delete Time"), tree_, NodeOf(model->ElementAt(CurrentRow())), session,
            std::nullopt, [this](pugi::xml_node e) { AfterCorrection(e); }));
    }
}

void HistoryFrame::EditTime() {
    TreeNode* node = tree_.SelectedNode();
    if (node == nullptr || !node->element) {
        return;
    }
    int64_t current = 0;
    try {
        current =
            static_cast<int64_t>(Module1::ParseTime(node->element.attribute("task_time").value()));
    } catch (const Module1::TimeOverflow&) {
        platform_.prompter->Ask(
            QStringLiteral("The time cannot be corrected: the task time does not fit 32767 hours."),
            MsgButtons::OK, QStringLiteral("Horavel"));
        return;
    }
    const auto typed = askTime(current);
    if (!typed || typed->first == current) {
        return;
    }
    Push(std::make_unique<SessionEdit>(
        QStringLiteral("Edit Time"), tree_, node, pugi::xml_node(),
        SessionValues{SessionStartText(Now()), typed->first - current, typed->second, true},
        [this](pugi::xml_node e) { AfterCorrection(e); }));
}

QDateTime HistoryFrame::Now() const {
    return LocalTimeOfReading(platform_.clock->SecondsSinceMidnight());
}

bool HistoryFrame::MayRecord(const SessionValues& values, pugi::xml_node replaced) {
    const QDateTime now = Now();
    const QString late = LateEndRefusal(values, now);
    if (!late.isEmpty()) {
        platform_.prompter->Ask(late, MsgButtons::OK, QStringLiteral("Horavel"));
        return false;
    }
    int64_t when = 0;
    int offset = 0;
    const QByteArray start = values.start.toUtf8();
    if (values.correction || values.seconds <= 0 ||
        !ParseSessionStart(start.constData(), when, offset)) {
        return true;  // takes no hours on the clock, so it overlaps nothing
    }
    for (int i = 0; i < tree_.view.topLevelItemCount(); ++i) {
        const pugi::xml_node other = OverlappingSession(tree_.view.topLevelNode(i)->element, when,
                                                        AddSeconds(when, values.seconds), replaced);
        if (other) {
            return platform_.prompter->Ask(OverlapQuestion(other), MsgButtons::YesNo,
                                           QStringLiteral("Horavel")) == MsgAnswer::Yes;
        }
    }
    return true;
}

void HistoryFrame::Push(std::unique_ptr<SessionEdit> edit) {
    tree_.Edits().Do(std::move(edit));  // refused, with the reason, when a time cannot take it
}

void HistoryFrame::AfterCorrection(pugi::xml_node element) {
    if (TreeNode* node = NodeOf(element)) {
        tree_.MarkModified(node);
        tree_.UpdateChain(node);
    }
    pane_.Show(tree_.SelectedNode());
    PeriodsChanged();
}

void HistoryFrame::OpenPeriodChanged(pugi::xml_node element, const QString& start, int64_t booked) {
    // A list nobody sees is listed anew when it is seen; one on screen repaints the
    // period's time cells and its day's total.
    if (!IsOnScreen(*this)) {
        stale_ = true;
    } else if (!stale_) {
        model->UpdateOpenPeriod(element, start, booked);
    }
}

void HistoryFrame::PeriodsChanged() {
    Refresh();
    if (reports != nullptr && reports->isVisible()) {
        reports->Refresh();
    }
}

TreeNode* HistoryFrame::NodeOf(pugi::xml_node element) const {
    // The elements from the project down to `element`, then the nodes that show them.
    std::vector<pugi::xml_node> chain;
    for (pugi::xml_node up = element; up && up.type() == pugi::node_element; up = up.parent()) {
        chain.push_back(up);
    }
    TreeNode* found = nullptr;
    for (int i = 0; i < tree_.view.topLevelItemCount() && found == nullptr; ++i) {
        if (tree_.view.topLevelNode(i)->element == chain.back()) {
            found = tree_.view.topLevelNode(i);
        }
    }
    for (auto it = chain.rbegin() + 1; found != nullptr && it != chain.rend(); ++it) {
        TreeNode* parent = found;
        found = nullptr;
        for (int i = 0; i < parent->childCount(); ++i) {
            if (parent->childNode(i)->element == *it) {
                found = parent->childNode(i);
                break;
            }
        }
    }
    return found;
}

void HistoryFrame::ShowReports() {
    if (reports == nullptr) {
        reports = new ReportsWindow(window_, tree_.view, platform_);
    }
    reports->Refresh();
    reports->show();
    reports->raise();
    reports->activateWindow();
}
