#pragma once
// The detail pane: the selected node's name, completion, description and three times,
// and the person's edits of the first three written back to its element.

#include <QString>

class QCheckBox;
class QLineEdit;
class QPlainTextEdit;
class ProjectTree;
class TreeNode;

// The pane's fields, as the window made them.
struct PaneFields {
    QLineEdit* txtName = nullptr;
    QCheckBox* chkCompleted = nullptr;
    QPlainTextEdit* txtDescription = nullptr;
    QLineEdit* txtTaskTime = nullptr;
    QLineEdit* txtSubTaskTime = nullptr;
    QLineEdit* txtTotalTime = nullptr;
};

class DetailPane {
  public:
    DetailPane(ProjectTree& tree, const PaneFields& fields);

    // Fills the pane with the node, or empties it for none. Writes nothing to the node.
    void Show(TreeNode* node);
    // The selected node's three times again, as they change while it is timed, leaving the
    // caret and selection of a field being read or copied where they are.
    void RefreshTimes();

    // The person's edits of the fields (the fields also report the program's own changes,
    // which are no edits and are let pass).
    void txtName_Change();
    void txtDescription_Change();
    void chkCompleted_Click();

  private:
    // The node's three times in the time fields; `keepSelection` for a refresh.
    void ShowTimes(TreeNode* node, bool keepSelection);
    // Stores the field's text under the path of the selected node's element when it
    // differs (an edit of the person's, so the project is marked), then refreshes the caption.
    void StorePaneText(std::string_view path, const QString& text);

    ProjectTree& tree_;
    PaneFields fields_;
    // The pane as it was filled for the selected node: what the description field showed
    // then and the line end its stored text uses, so that showing a node writes nothing.
    bool showingNode_ = false;
    QString descriptionShown_;
    QString descriptionLineEnd_ = QStringLiteral("\n");
};
