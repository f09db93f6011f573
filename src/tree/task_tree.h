#pragma once
// The tree view `Tree`: a QTreeWidget of TreeNodes that reports the mouse and label-edit
// events the main window handles.

#include <QTreeWidget>

#include <functional>
#include <vector>

#include "tree/tree_node.h"

class TaskTree : public QTreeWidget {
    Q_OBJECT
  public:
    explicit TaskTree(QWidget* parent = nullptr);
    ~TaskTree() override;

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
    // What the empty tree says at the first start and after Clear Workspace.
    static QString EmptyTreeHint();
    // Repaints the rows on screen that show any of the nodes.
    void repaintRowsOnScreen(const std::vector<const QTreeWidgetItem*>& nodes);

    // Qt lays out an open branch recursively, one stack frame per open level, and a
    // loaded file may nest without limit: nodes this deep or deeper are never opened.
    static constexpr int kMaxOpenDepth = 1000;
    // Levels above the node (0 for a project), counted no further than kMaxOpenDepth.
    static int DepthOf(const QTreeWidgetItem* item);
    // Opens every node of every project down to kMaxOpenDepth. (Hides QTreeView's, which
    // opens without limit and lays the whole branch out recursively.)
    void expandAll();

    // The node whose edited label is being committed, while it is; else none. Qt commits
    // an open editor also when the selection moves on, so this need not be the selected node.
    TreeNode* labelEditNode() const { return labelEditNode_; }
    void setLabelEditNode(TreeNode* node) { labelEditNode_ = node; }
    // Whether a label is being typed in its editor now.
    bool editingLabel() const { return state() == EditingState; }

    // Drag and drop, handled by the main window. A drag starts only when onStartDrag gives
    // data; onDragOver decides, for every pointer move, whether a drop would be taken here.
    enum class DropEffect { ScrollOnly, AsOffered, Move };
    std::function<QMimeData*()> onStartDrag;
    std::function<DropEffect(const QMimeData&, QPoint)> onDragOver;
    std::function<void(const QMimeData&, QPoint)> onDrop;
    // The node drawn as the drop target, or none.
    void setDropHighlight(QTreeWidgetItem* node);
    QTreeWidgetItem* dropHighlight() const { return dropHighlight_; }

  signals:
    // A press or release of any mouse button over the tree, in viewport coordinates.
    void MouseDown(Qt::MouseButton button, Qt::KeyboardModifiers modifiers, QPoint position);
    void MouseUp(Qt::MouseButton button, Qt::KeyboardModifiers modifiers, QPoint position);

  protected:
    void keyPressEvent(QKeyEvent* event) override;
    // An empty tree says how to begin.
    void paintEvent(QPaintEvent* event) override;
    // Does not open the branch down to a node too deep to be opened.
    void scrollTo(const QModelIndex& index, ScrollHint hint = EnsureVisible) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void startDrag(Qt::DropActions supportedActions) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dragLeaveEvent(QDragLeaveEvent* event) override;
    void dropEvent(QDropEvent* event) override;
    void drawRow(QPainter* painter, const QStyleOptionViewItem& option,
                 const QModelIndex& index) const override;

  private:
    TreeNode* labelEditNode_ = nullptr;
    QTreeWidgetItem* dropHighlight_ = nullptr;
};
