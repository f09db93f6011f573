#pragma once
// The tree view `Tree`: a QTreeWidget of TreeNodes that reports the mouse and label-edit
// events the main window handles.

#include <QTreeWidget>

#include "tree/tree_node.h"

class TaskTree : public QTreeWidget {
    Q_OBJECT
  public:
    explicit TaskTree(QWidget* parent = nullptr);

    TreeNode* selectedNode() const { return static_cast<TreeNode*>(currentItem()); }
    TreeNode* nodeAt(QPoint viewportPosition) const {
        return static_cast<TreeNode*>(itemAt(viewportPosition));
    }
    TreeNode* topLevelNode(int index) const { return static_cast<TreeNode*>(topLevelItem(index)); }
    TreeNode* nodeFromIndex(const QModelIndex& index) const {
        return static_cast<TreeNode*>(itemFromIndex(index));
    }
    // Starts the in-place edit of the selected node's label.
    void StartLabelEdit();

    // The node whose edited label is being committed, while it is; else none. Qt commits
    // an open editor also when the selection moves on, so this need not be the selected node.
    TreeNode* labelEditNode() const { return labelEditNode_; }
    void setLabelEditNode(TreeNode* node) { labelEditNode_ = node; }

  signals:
    // A press or release of any mouse button over the tree, in viewport coordinates.
    void MouseDown(Qt::MouseButton button, Qt::KeyboardModifiers modifiers, QPoint position);
    void MouseUp(Qt::MouseButton button, Qt::KeyboardModifiers modifiers, QPoint position);

  protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

  private:
    TreeNode* labelEditNode_ = nullptr;
};
