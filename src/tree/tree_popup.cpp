// The tree's pop-up menu: prepared for the node under the pointer, its commands acting on
// the selected node.
#include <QAction>
#include <QMenu>

#include "model/project_document.h"
#include "model/xml.h"
#include "shell/frm_main.h"

void frmMain::Tree_MouseUp(Qt::MouseButton button, Qt::KeyboardModifiers shift, QPoint position) {
    (void)shift;
    TreeNode* node = Tree->nodeAt(position);
    if (node == nullptr || button != Qt::RightButton) {
        return;
    }
    mnuSwitchTimer->setVisible(TimerRunning && node != TimedNode);
    mnuCompleted->setChecked(IsCompletedText(XML::ResolvePath(node->element, "@completed").text()));
    platform().menus->Popup(mnuTreePopUp, Tree->viewport()->mapToGlobal(position));
}

void frmMain::mnuCompleted_Click() {
    TreeNode* node = SelectedNode();
    if (node == nullptr) {
        return;
    }
    XML::ResolvePath(node->element, "@completed")
        .setText(mnuCompleted->isChecked() ? "false" : "true");
    MarkModified(node);
    UpdateNode(node);
}
