// The window's named operations, each handing the work to the subsystem that owns it.
#include <QAction>
#include <QMenu>

#include "files/project_files.h"
#include "files/workspace_files.h"
#include "model/project_document.h"
#include "model/xml.h"
#include "shell/frm_main.h"
#include "shell/toolbar_icons.h"
#include "tracking/timing_run.h"
#include "tree/detail_pane.h"
#include "tree/drag_drop.h"
#include "tree/project_tree.h"
#include "tree/renaming.h"

// ---- Tree binding, nodes and structure ----

void frmMain::UpdateNode(TreeNode* node) {
    tree_->UpdateNode(node);
}

void frmMain::UpdateAllNodes() {
    tree_->UpdateAllNodes();
}

void frmMain::Tree_NodeClick(TreeNode* node) {
    pane_->Show(node);
}

void frmMain::Tree_BeforeLabelEdit(bool& cancel) {
    labels_->BeforeLabelEdit(cancel);
}

void frmMain::Tree_AfterLabelEdit(bool& cancel, QString& newString) {
    labels_->AfterLabelEdit(cancel, newString);
}

void frmMain::Timer2_Timer() {
    labels_->Timer2_Timer();
}

void frmMain::NewProject() {
    Tree_NodeClick(tree_->AddNewProject());
    ui.Tree->StartLabelEdit();
}

void frmMain::NewTask(TreeNode* ParentTreeNode) {
    if (TreeNode* node = tree_->AddNewTask(ParentTreeNode)) {
        Tree_NodeClick(node);
        ui.Tree->StartLabelEdit();
    }
}

void frmMain::MarkModified(TreeNode* node) {
    tree_->MarkModified(node);
}

void frmMain::MarkUnmodified(TreeNode* node) {
    tree_->MarkUnmodified(node);
}

TreeNode* frmMain::ProjectNodeOf(TreeNode* node) {
    return ProjectTree::ProjectNodeOf(node);
}

void frmMain::BuildTaskNodes(TreeNode* node, pugi::xml_node element) {
    tree_->BuildTaskNodes(node, element);
}

bool frmMain::DeleteNode(TreeNode*& node) {
    return tree_->DeleteNode(node);
}

void frmMain::RemoveItem(TreeNode* node) {
    if (node == nullptr) {
        return;
    }
    if (node->isProject()) {
        Workspace.WorkspaceModified = true;
        if (ProjectTree::IsModified(node)) {
            const MsgAnswer answer =
                platform_.prompter->Ask(QStringLiteral("Save Project before you remove it"),
                                        MsgButtons::YesNo, QStringLiteral("Horavel"));
            if (answer == MsgAnswer::Yes && !SaveProject(node, false)) {
                return;
            }
        }
    }
    tree_->Remove(node);  // refused, with the guard's message, while the timer runs inside it
    Tree_NodeClick(SelectedNode());
}

void frmMain::Undo() {
    tree_->Edits().Undo();
}

void frmMain::Redo() {
    tree_->Edits().Redo();
}

void frmMain::MoveNodeUp() {
    tree_->MoveNodeUp();
}

void frmMain::MoveNodeDown() {
    tree_->MoveNodeDown();
}

TreeNode* frmMain::RecreateNode(TreeNode* sel, TreeNode* parent, int index) {
    return tree_->RecreateNode(sel, parent, index);
}

void frmMain::MoveChildNodes(TreeNode* from, TreeNode* to) {
    tree_->MoveChildNodes(from, to);
}

QMimeData* frmMain::Tree_OLEStartDrag() {
    return drag_->Tree_OLEStartDrag();
}

TaskTree::DropEffect frmMain::Tree_OLEDragOver(const QMimeData& data, QPoint position) {
    return drag_->Tree_OLEDragOver(data, position);
}

void frmMain::Tree_OLEDragDrop(const QMimeData& data, QPoint position) {
    drag_->Tree_OLEDragDrop(data, position);
}

void frmMain::TreeBar_ButtonClick(const QString& key) {
    if (key == "remove") {
        RemoveItem(SelectedNode());
    } else if (key == "newproject") {
        NewProject();
    } else if (key == "newtask") {
        NewTask(SelectedNode());
    } else if (key == "down") {
        MoveNodeDown();
    } else if (key == "up") {
        MoveNodeUp();
    }
    // "end" only marks where the buttons end; any other key does nothing either.
}

// The pop-up menu: prepared for the node under the pointer, its commands acting on the
// selected node.
void frmMain::Tree_MouseUp(Qt::MouseButton button, Qt::KeyboardModifiers shift, QPoint position) {
    (void)shift;
    TreeNode* node = ui.Tree->nodeAt(position);
    if (node == nullptr || button != Qt::RightButton) {
        return;
    }
    ui.mnuSwitchTimer->setVisible(Timing.TimerRunning && node != Timing.TimedNode);
    ui.mnuCompleted->setChecked(
        IsCompletedText(XML::ResolvePath(node->element, "^completed").text()));
    platform_.menus->Popup(ui.mnuTreePopUp, ui.Tree->viewport()->mapToGlobal(position));
}

void frmMain::mnuCompleted_Click() {
    tree_->SetCompleted(SelectedNode(), !ui.mnuCompleted->isChecked());
}

// ---- Timer control and time accounting ----

void frmMain::ToggleTimer() {
    timing_->ToggleTimer(SelectedNode());
}

void frmMain::SwitchTimer() {
    timing_->SwitchTimer(SelectedNode());
}

void frmMain::Timer1_Timer() {
    timing_->Timer1_Timer();
}

void frmMain::StopTimer() {
    timing_->StopTimer();
}

void frmMain::ShowTimerState(bool running) {
    const QString caption = running ? QStringLiteral("Stop Timer") : QStringLiteral("Start Timer");
    if (QAction* button = ToolbarButton(QStringLiteral("toggletimer"))) {
        button->setText(caption);
        button->setIcon(ToolbarIcon(running ? QStringLiteral("stop") : QStringLiteral("start")));
    }
    ui.mnuToggleTimer->setText(caption);
}

// ---- Project and workspace files ----

bool frmMain::CDSave(FileDialogSetup& CD) {
    return files_->CDSave(CD);
}

bool frmMain::CDOpen(FileDialogSetup& CD) {
    return files_->CDOpen(CD);
}

bool frmMain::SaveProject(TreeNode* node, bool saveAs) {
    return files_->SaveProject(node, saveAs);
}

bool frmMain::SaveAllProjects() {
    return files_->SaveAllProjects();
}

void frmMain::LoadProjects(QString& fileName) {
    files_->LoadProjects(fileName);
}

void frmMain::LoadProjectFile(const QString& path) {
    files_->LoadProjectFile(path);
}

bool frmMain::SaveWorkspace(QString& path, bool saveAs) {
    return workspaceFiles_->SaveWorkspace(path, saveAs);
}

void frmMain::LoadWorkspace(QString& path) {
    workspaceFiles_->LoadWorkspace(path);
}

bool frmMain::ClearWorkspace() {
    return workspaceFiles_->ClearWorkspace();
}
