// Removing, deleting and reordering projects and tasks.
#include "shell/frm_main.h"

bool frmMain::DeleteNode(TreeNode*& node) {
    (void)node;
    return false;
}
void frmMain::RemoveItem(TreeNode* node) {
    (void)node;
}
void frmMain::MoveNodeUp() {}
void frmMain::MoveNodeDown() {}
void frmMain::MoveChildNodes(TreeNode* from, TreeNode* to) {
    (void)from;
    (void)to;
}
void frmMain::TreeBar_ButtonClick(const QString& key) {
    (void)key;
}
