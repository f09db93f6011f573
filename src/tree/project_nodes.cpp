// Projects and tasks exist twice, as elements and as tree nodes; they are created together.
#include <QTreeWidgetItemIterator>

#include <vector>

#include "model/project_document.h"
#include "model/xml.h"
#include "shell/frm_main.h"

void frmMain::NewProject() {
    auto document = NewProjectDocument();
    XML::ResolvePath(*document, "%project/@name").setText("New Project");
    auto* node = new TreeNode(std::move(document));
    node->setCaption(QStringLiteral("New Project"));
    node->setImage(TreeImage::ProjectUnmodified);
    Tree->addTopLevelItem(node);
    Tree->setCurrentItem(node);
    MarkModified(node);
    Tree_NodeClick(node);
    Tree->StartLabelEdit();
    WorkspaceModified = true;
}

void frmMain::NewTask(TreeNode* ParentTreeNode) {
    if (ParentTreeNode == nullptr) {
        return;
    }
    const pugi::xml_node element = XML::ResolvePath(ParentTreeNode->element, "!task").element();
    XML::ResolvePath(element, "@name").setText("New Task");
    XML::ResolvePath(element, "@completed").setText("false");
    for (const char* path : {"@task_time", "@subtask_time", "%description", "%history"}) {
        XML::ResolvePath(element, path);
    }
    auto* node = new TreeNode(element);
    node->setCaption(QStringLiteral("New Task"));
    node->setImage(TreeImage::Task);
    ParentTreeNode->addChild(node);
    for (QTreeWidgetItem* above = ParentTreeNode; above != nullptr; above = above->parent()) {
        above->setExpanded(true);
    }
    Tree->scrollToItem(node);
    Tree->setCurrentItem(node);
    Tree_NodeClick(node);
    Tree->StartLabelEdit();
}

void frmMain::MarkModified(TreeNode* node) {
    TreeNode* project = ProjectNodeOf(node);
    NoteUnsavedChange(project);  // every edit, also of a project already modified
    project->setImage(TreeImage::ProjectModified);
    XML::ResolvePath(project->element, "@modified").setText("true");
}

void frmMain::MarkUnmodified(TreeNode* node) {
    TreeNode* project = ProjectNodeOf(node);
    ForgetRecovery(project);  // saved: the file holds it all
    project->setImage(TreeImage::ProjectUnmodified);
    XML::ResolvePath(project->element, "@modified").setText("false");
}

TreeNode* frmMain::ProjectNodeOf(TreeNode* node) {
    while (node != nullptr && node->parentNode() != nullptr) {
        node = node->parentNode();
    }
    return node;
}

namespace {

// A task node showing the element, captioned with its bare name.
TreeNode* NewTaskNode(pugi::xml_node task) {
    auto* node = new TreeNode(task);
    node->setCaption(NodeString(node, "@name"));
    return node;
}

// Builds the nodes of every task below the root's element, each refreshed after its own
// subtasks, the root itself not yet in the tree. Iterative: a loaded document may be nested
// far deeper than the stack allows.
void BuildDetachedSubtree(frmMain& window, TreeNode* root) {
    struct Level {
        TreeNode* node;
        pugi::xml_node nextTask;
    };
    std::vector<Level> stack{{root, root->element.child("task")}};
    while (!stack.empty()) {
        Level& level = stack.back();
        if (!level.nextTask) {
            TreeNode* done = level.node;
            stack.pop_back();
            if (!stack.empty()) {
                window.UpdateNode(done);
            }
            continue;
        }
        const pugi::xml_node task = level.nextTask;
        level.nextTask = task.next_sibling("task");
        TreeNode* child = NewTaskNode(task);
        level.node->addChild(child);
        stack.push_back({child, task.child("task")});
    }
}

}  // namespace

// Depth first, in document order. The direct children are built apart from the tree and
// joined to it at once: a tree told of each of a hundred thousand insertions is slow.
void frmMain::BuildTaskNodes(TreeNode* node, pugi::xml_node element) {
    QList<QTreeWidgetItem*> children;
    for (const pugi::xml_node task : element.children("task")) {
        TreeNode* child = NewTaskNode(task);
        BuildDetachedSubtree(*this, child);
        children.append(child);
    }
    node->addChildren(children);
    // Only now do they have their parent, which tells UpdateNode they are task nodes.
    for (QTreeWidgetItem* child : children) {
        UpdateNode(static_cast<TreeNode*>(child));
    }
}
