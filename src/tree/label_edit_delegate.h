#pragma once
// Puts the tree's in-place label editing through the owner's handlers: the owner may turn
// an edit down before the editor opens, and decides what a committed label becomes.

#include <QStyledItemDelegate>

#include <functional>

class TaskTree;

class LabelEditDelegate : public QStyledItemDelegate {
    Q_OBJECT
  public:
    // Before an editor opens, `beforeEdit(cancel)`; when a label is committed,
    // `afterEdit(cancel, label)`, after which the node shows the label handed back.
    using BeforeEdit = std::function<void(bool& cancel)>;
    using AfterEdit = std::function<void(bool& cancel, QString& label)>;
    LabelEditDelegate(TaskTree& tree, BeforeEdit beforeEdit, AfterEdit afterEdit);

    // From now on no editor opens and nothing is committed: the owner is going. (A window
    // destroyed with an editor open would otherwise have it committed from ~QWidget.)
    void Detach() { attached_ = false; }

    QWidget* createEditor(QWidget* parent, const QStyleOptionViewItem& option,
                          const QModelIndex& index) const override;
    void setModelData(QWidget* editor, QAbstractItemModel* model,
                      const QModelIndex& index) const override;

  private:
    TaskTree& tree_;
    BeforeEdit beforeEdit_;
    AfterEdit afterEdit_;
    bool attached_ = true;
};
