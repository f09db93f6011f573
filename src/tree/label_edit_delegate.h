#pragma once
// Puts the tree's in-place label editing through the main window's handlers: the window may
// turn an edit down before the editor opens, and decides what a committed label becomes.

#include <QStyledItemDelegate>

class frmMain;

class LabelEditDelegate : public QStyledItemDelegate {
    Q_OBJECT
  public:
    LabelEditDelegate(frmMain& window, QObject* parent);

    // From now on no editor opens and nothing is committed: the window is going. (A window
    // destroyed with an editor open would otherwise have it committed from ~QWidget.)
    void Detach() { window_ = nullptr; }

    // No editor when Tree_BeforeLabelEdit cancels.
    QWidget* createEditor(QWidget* parent, const QStyleOptionViewItem& option,
                          const QModelIndex& index) const override;
    // Tree_AfterLabelEdit stores the text; the node then shows the label it hands back.
    void setModelData(QWidget* editor, QAbstractItemModel* model,
                      const QModelIndex& index) const override;

  private:
    frmMain* window_;
};
