#pragma once
// What fills the pane's History frame: the selected node's periods, the corrections made
// from them (steps on the window's undo stack), and the way to the Reports window (also
// Ctrl+R).

#include <QPointer>
#include <QWidget>

#include <functional>
#include <optional>
#include <pugixml.hpp>
#include <utility>

#include "history/corrections.h"
#include "model/billing.h"

class DetailPane;
class HistoryModel;
class ProjectTree;
class QGroupBox;
class QLabel;
class QPushButton;
class QTreeView;
class ReportsWindow;
class TreeNode;
struct Platform;

class HistoryFrame : public QWidget {
    Q_OBJECT
  public:
    // Fills `frame`; Ctrl+R works anywhere in `window`, which also owns the Reports window.
    HistoryFrame(ProjectTree& tree, DetailPane& pane, Platform& platform, QGroupBox* frame,
                 QWidget& window);

    // The dialogs, replaceable so that tests answer them: none when the person cancels.
    std::function<std::optional<SessionValues>(const QString& title, const SessionValues& initial)>
        askSession;
    std::function<std::optional<std::pair<int64_t, QString>>(int64_t current)> askTime;
    std::function<std::optional<BillingValues>(const QString& title, const BillingValues& initial,
                                               bool project)>
        askBilling;

    // Lists the selected node's periods now when the frame is visible, else when it shows.
    void Refresh();
    // A period began, ended or was corrected: the list and an open Reports window follow.
    void PeriodsChanged();
    // The timer's open period of `element`, begun at `start` (the stored form), has booked
    // another tick of `booked` seconds: its row follows while the list shows.
    void OpenPeriodChanged(pugi::xml_node element, const QString& start, int64_t booked);
    // Lists the periods anew if they changed while nobody could see the list.
    void CatchUp();
    void ShowReports();
    // The one change of a node's rates, billable, currency and client: the document, the
    // project marked modified, the pane's rate and an open report follow.
    void SetBillingOf(TreeNode* node, const BillingValues& values);

    QTreeView* lstHistory;
    HistoryModel* model;
    QPushButton* cmdAddTime;
    QPushButton* cmdChange;
    QPushButton* cmdDelete;
    QPushButton* cmdEditTime;
    QPushButton* cmdRates;
    QPushButton* cmdReports;
    QLabel* lblRate;  // the rate in force today on the selected node
    QPointer<ReportsWindow> reports;

  private:
    void showEvent(QShowEvent* event) override;
    void AddTime();
    void ChangePeriod();
    void DeletePeriod();
    void EditTime();
    void EditBilling();
    void ShowRate();
    QDateTime Now() const;
    // Whether a period typed in may be recorded (in place of `replaced`, if any): never one
    // that ends after now; one that overlaps a recorded period only if the person says so.
    bool MayRecord(const SessionValues& values, pugi::xml_node replaced);
    // Makes the correction unless a time would leave its range; then says why.
    void Push(std::unique_ptr<SessionEdit> edit);
    void AfterCorrection(pugi::xml_node element);
    TreeNode* NodeOf(pugi::xml_node element) const;
    int CurrentRow() const;

    ProjectTree& tree_;
    DetailPane& pane_;
    Platform& platform_;
    QWidget& window_;
    bool stale_ = true;
};
