#pragma once
// In-place renaming of a node's label. The edit box must hold the bare name while the node
// behind it shows its caption: the first request to edit is turned down, the node shows its
// bare name, and Timer2 restarts the edit a moment later with its tag saying so.

#include <QString>

class DetailPane;
class ProjectTree;
class QLineEdit;
class Timer;

class LabelEditing {
  public:
    // `Timer2` restarts the edit; `txtName` follows a rename of the selected node.
    LabelEditing(ProjectTree& tree, Timer& Timer2, QLineEdit& txtName);

    // Before the editor opens: `cancel` turns it down.
    void BeforeLabelEdit(bool& cancel);
    // The label committed: stored as the name; `newString` becomes the caption shown.
    void AfterLabelEdit(bool& cancel, QString& newString);
    void Timer2_Timer();

  private:
    ProjectTree& tree_;
    Timer& Timer2_;
    QLineEdit& txtName_;
};
