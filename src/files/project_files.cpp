// Saving and loading project files.
#include "shell/frm_main.h"

bool frmMain::CDSave(FileDialogSetup& CD) {
    return platform_.fileDialog->ShowSave(CD);
}
bool frmMain::CDOpen(FileDialogSetup& CD) {
    return platform_.fileDialog->ShowOpen(CD);
}
bool frmMain::SaveProject(TreeNode* node, bool saveAs) {
    (void)node;
    (void)saveAs;
    return false;
}
bool frmMain::SaveAllProjects() {
    return false;
}
void frmMain::LoadProjects(QString& fileName) {
    (void)fileName;
}
void frmMain::LoadProjectFile(const QString& path) {
    (void)path;
}
