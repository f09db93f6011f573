#pragma once
// The list of what the merges of this session decided where both sides changed the same
// thing: a window of its own that does not block, opened from the status bar.

#include <QDialog>

#include <vector>

#include "files/project_files.h"

class QPushButton;
class QTreeWidget;

class MergeDecisionsWindow : public QDialog {
    Q_OBJECT
  public:
    // A window owned by `owner` and centred on it, listing `decisions`.
    MergeDecisionsWindow(QWidget& owner, const std::vector<TakenDecision>& decisions);
    // Lists the decisions afresh, the newest first.
    void List(const std::vector<TakenDecision>& decisions);

    QTreeWidget* lvwDecisions;
    QPushButton* cmdClose;
};
