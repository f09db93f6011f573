// In-place renaming of a node's label. The edit box must hold the bare name while the node
// behind it shows its caption: the first request to edit is turned down, the node shows its
// bare name, and Timer2 restarts the edit a moment later with its tag saying so.
#include <QLineEdit>

#include "model/xml.h"
#include "shell/frm_main.h"

void frmMain::Tree_BeforeLabelEdit(bool& cancel) {
    TreeNode* node = SelectedNode();
    if (node == nullptr) {
        cancel = true;
        return;
    }
    if (Timer2.Tag != QLatin1String("editing")) {
        node->setCaption(NodeString(node, "@name"));
        Timer2.setEnabled(true);
        cancel = true;
        return;
    }
    Timer2.Tag.clear();
    UpdateNode(node);
}

void frmMain::Tree_AfterLabelEdit(bool& cancel, QString& newString) {
    (void)cancel;
    // The node whose label was edited: the selected node, unless the edit is being committed
    // because the selection just moved on (then the pane already belongs to another node).
    TreeNode* node = Tree->labelEditNode() != nullptr ? Tree->labelEditNode() : SelectedNode();
    if (node == nullptr) {
        return;
    }
    if (NodeString(node, "@name") != newString) {
        XML::ResolvePath(node->element, "@name").setText(newString.toStdString());
        MarkModified(node);
    }
    if (node == SelectedNode()) {
        txtName->setText(newString);
    }
    UpdateNode(node);
    newString = node->caption();
}

void frmMain::Timer2_Timer() {
    Timer2.Tag = QStringLiteral("editing");
    Tree->StartLabelEdit();
    if (!Timer2.Tag.isEmpty()) {
        // The tree would not edit after all (the node went, or another editor is open): the
        // node must not be left showing its bare name.
        if (TreeNode* node = SelectedNode()) {
            UpdateNode(node);
        }
    }
    Timer2.Tag.clear();
    Timer2.setEnabled(false);
}
