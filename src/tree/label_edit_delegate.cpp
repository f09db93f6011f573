#include "tree/label_edit_delegate.h"

#include <QLineEdit>

#include <limits>

#include "tree/pane_text.h"
#include "tree/task_tree.h"

LabelEditDelegate::LabelEditDelegate(TaskTree& tree, BeforeEdit beforeEdit, AfterEdit afterEdit)
    : QStyledItemDelegate(&tree),
      tree_(tree),
      beforeEdit_(std::move(beforeEdit)),
      afterEdit_(std::move(afterEdit)) {}

QWidget* LabelEditDelegate::createEditor(QWidget* parent, const QStyleOptionViewItem& option,
                                         const QModelIndex& index) const {
    bool cancel = !attached_;
    if (!cancel) {
        beforeEdit_(cancel);
    }
    if (cancel) {
        return nullptr;
    }
    QWidget* editor = QStyledItemDelegate::createEditor(parent, option, index);
    if (auto* line = qobject_cast<QLineEdit*>(editor)) {
        line->setMaxLength(std::numeric_limits<int>::max());  // never cut a long name short
        line->setValidator(new XmlTextValidator(line));
    }
    return editor;
}

void LabelEditDelegate::setModelData(QWidget* editor, QAbstractItemModel* /*model*/,
                                     const QModelIndex& index) const {
    auto* line = qobject_cast<QLineEdit*>(editor);
    TreeNode* node = attached_ ? tree_.nodeFromIndex(index) : nullptr;
    if (line == nullptr || node == nullptr) {
        return;
    }
    QString label = line->text();
    bool cancel = false;
    tree_.setLabelEditNode(node);
    afterEdit_(cancel, label);
    tree_.setLabelEditNode(nullptr);
    if (!cancel) {
        node->setCaption(label);
    }
}
