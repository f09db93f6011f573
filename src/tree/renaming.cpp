#include "tree/renaming.h"

#include <QLineEdit>

#include "model/xml.h"
#include "platform/timer.h"
#include "tree/project_tree.h"

namespace {
const QString kEditing = QStringLiteral("editing");
}  // namespace

LabelEditing::LabelEditing(ProjectTree& tree, Timer& Timer2, QLineEdit& txtName)
    : tree_(tree), Timer2_(Timer2), txtName_(txtName) {}

void LabelEditing::BeforeLabelEdit(bool& cancel) {
    TreeNode* node = tree_.SelectedNode();
    if (node == nullptr) {
        cancel = true;
        return;
    }
    if (Timer2_.Tag != kEditing) {
        node->setCaption(NodeString(node, "@name"));
        Timer2_.setEnabled(true);
        cancel = true;
        return;
    }
    Timer2_.Tag.clear();
    tree_.UpdateNode(node);
}

void LabelEditing::AfterLabelEdit(bool& cancel, QString& newString) {
    (void)cancel;
    // The node whose label was edited: the selected node, unless the edit is being committed
    // because the selection just moved on (then the pane already belongs to another node).
    TreeNode* node =
        tree_.view.labelEditNode() != nullptr ? tree_.view.labelEditNode() : tree_.SelectedNode();
    if (node == nullptr) {
        return;
    }
    if (NodeString(node, "@name") != newString) {
        tree_.EditText(node, "@name", newString);
    }
    if (node == tree_.SelectedNode()) {
        txtName_.setText(newString);
    }
    tree_.UpdateNode(node);
    newString = node->caption();
}

void LabelEditing::Timer2_Timer() {
    Timer2_.Tag = kEditing;
    tree_.view.StartLabelEdit();
    if (!Timer2_.Tag.isEmpty()) {
        // The tree would not edit after all (the node went, or another editor is open): the
        // node must not be left showing its bare name.
        if (TreeNode* node = tree_.SelectedNode()) {
            tree_.UpdateNode(node);
        }
    }
    Timer2_.Tag.clear();
    Timer2_.setEnabled(false);
}
