#include "tree/label_edit_delegate.h"

#include <QLineEdit>

#include <limits>

#include "shell/frm_main.h"
#include "tree/pane_text.h"

LabelEditDelegate::LabelEditDelegate(frmMain& window, QObject* parent)
    : QStyledItemDelegate(parent), window_(&window) {}

QWidget* LabelEditDelegate::createEditor(QWidget* parent, const QStyleOptionViewItem& option,
                                         const QModelIndex& index) const {
    bool cancel = window_ == nullptr;
    if (!cancel) {
        window_->Tree_BeforeLabelEdit(cancel);
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
    TreeNode* node = window_ != nullptr ? window_->Tree->nodeFromIndex(index) : nullptr;
    if (line == nullptr || node == nullptr) {
        return;
    }
    QString label = line->text();
    bool cancel = false;
    window_->Tree->setLabelEditNode(node);
    window_->Tree_AfterLabelEdit(cancel, label);
    window_->Tree->setLabelEditNode(nullptr);
    if (!cancel) {
        node->setCaption(label);
    }
}
