// Projects and tasks exist twice, as elements and as tree nodes; they are created together,
// and a node's caption and image follow its element.
#include <QTreeWidgetItemIterator>

#include <vector>

#include "model/project_document.h"
#include "model/xml.h"
#include "platform/prompter.h"
#include "tree/project_tree.h"

ProjectTree::ProjectTree(TaskTree& view, const DisplayFlags& display, TimingState& timing,
                         WorkspaceState& workspace, Prompter& prompter)
    : view(view), display_(display), timing_(timing), workspace_(workspace), prompter_(prompter) {
    edits_ = std::make_unique<EditHistory>(*this, prompter);
}

ProjectTree::~ProjectTree() = default;

void ProjectTree::UpdateNode(TreeNode* node) {
    std::string overflow;
    const QString caption = QString::fromStdString(NodeCaption(node->element, display_, &overflow));
    if (caption != node->caption()) {
        node->setCaption(caption);
    }
    if (!overflow.empty()) {
        ReportTimeOverflow(node, QString::fromStdString(overflow));
    }
    if (node != timing_.TimedNode && !node->isProject()) {
        const bool completed =
            IsCompletedText(XML::ResolvePath(node->element, "^completed").text());
        node->setImage(completed ? TreeImage::TaskCompleted : TreeImage::Task);
    }
}

void ProjectTree::UpdateAllNodes() {
    // Every node in pre-order, without recursion: trees can be deep.
    for (QTreeWidgetItemIterator it(&view); *it; ++it) {
        UpdateNode(static_cast<TreeNode*>(*it));
    }
}

void ProjectTree::UpdateChain(TreeNode* node) {
    for (; node != nullptr; node = node->parentNode()) {
        UpdateNode(node);
    }
}

void ProjectTree::ReportTimeOverflow(TreeNode* node, const QString& detail) {
    const auto key = reinterpret_cast<uintptr_t>(node->element.internal_object());
    if (!timeOverflowReported_.insert(key).second) {
        return;
    }
    // A status-bar notice, never a modal box: this can run inside a timer tick.
    Tell(QStringLiteral("'%1': %2").arg(NodeString(node, "@name"), detail));
}

TreeNode* ProjectTree::NewProject() {
    auto document = NewProjectDocument();
    XML::ResolvePath(*document, "%project/@name").setText("New Project");
    auto* node = new TreeNode(std::move(document));
    node->setCaption(QStringLiteral("New Project"));
    node->setImage(TreeImage::ProjectUnmodified);
    view.addTopLevelItem(node);
    view.setCurrentItem(node);
    MarkModified(node);
    workspace_.WorkspaceModified = true;
    return node;
}

TreeNode* ProjectTree::NewTask(TreeNode* parent) {
    if (parent == nullptr) {
        return nullptr;
    }
    const pugi::xml_node element = XML::ResolvePath(parent->element, "!task").element();
    XML::ResolvePath(element, "@name").setText("New Task");
    XML::ResolvePath(element, "@completed").setText("false");
    for (const char* path : {"@task_time", "@subtask_time", "%description", "%history"}) {
        XML::ResolvePath(element, path);
    }
    auto* node = new TreeNode(element);
    node->setCaption(QStringLiteral("New Task"));
    node->setImage(TreeImage::Task);
    parent->addChild(node);
    for (QTreeWidgetItem* above = parent; above != nullptr; above = above->parent()) {
        above->setExpanded(true);
    }
    view.scrollToItem(node);
    view.setCurrentItem(node);
    return node;
}

TreeNode* ProjectTree::AddProjectNode(std::unique_ptr<pugi::xml_document> document, int index) {
    const QString name = QString::fromUtf8(document->document_element().attribute("name").value());
    auto* node = new TreeNode(std::move(document));
    node->setCaption(name);
    node->setImage(TreeImage::ProjectUnmodified);
    UpdateNode(node);
    // Built before the node joins the tree: a view told of each of many thousand new rows
    // is far slower than one told of the finished branch.
    BuildTaskNodes(node, node->element);
    if (index < 0 || index > view.topLevelItemCount()) {
        index = view.topLevelItemCount();
    }
    view.insertTopLevelItem(index, node);
    return node;
}

TreeNode* ProjectTree::ProjectNodeOf(TreeNode* node) {
    while (node != nullptr && node->parentNode() != nullptr) {
        node = node->parentNode();
    }
    return node;
}

bool ProjectTree::IsModified(TreeNode* node) {
    const TreeNode* project = ProjectNodeOf(node);
    return project != nullptr &&
           std::string_view(project->element.attribute("modified").value()) == "true";
}

void ProjectTree::MarkModified(TreeNode* node) {
    TreeNode* project = ProjectNodeOf(node);
    project->setImage(TreeImage::ProjectModified);
    XML::ResolvePath(project->element, "@modified").setText("true");
    emit ProjectChanged(project);  // every edit, also of a project already modified
}

void ProjectTree::MarkUnmodified(TreeNode* node) {
    TreeNode* project = ProjectNodeOf(node);
    project->setImage(TreeImage::ProjectUnmodified);
    XML::ResolvePath(project->element, "@modified").setText("false");
    emit ProjectSettled(project);  // saved: the file holds it all
}

void ProjectTree::SetCompleted(TreeNode* node, bool completed) {
    if (node != nullptr) {
        EditText(node, "@completed", completed ? QStringLiteral("true") : QStringLiteral("false"));
    }
}

namespace {

// A task node showing the element, captioned with its bare name.
TreeNode* NewTaskNode(pugi::xml_node task) {
    auto* node = new TreeNode(task);
    node->setCaption(NodeString(node, "@name"));
    return node;
}

}  // namespace

// Depth first, in document order, without recursion: a loaded document may be nested far
// deeper than the stack allows. The direct children are built apart from the tree and
// joined to it at once: a tree told of each of a hundred thousand insertions is slow.
void ProjectTree::BuildTaskNodes(TreeNode* node, pugi::xml_node element) {
    struct Level {
        TreeNode* node;
        pugi::xml_node nextTask;
    };
    QList<QTreeWidgetItem*> children;
    for (const pugi::xml_node task : element.children("task")) {
        TreeNode* child = NewTaskNode(task);
        // Each node below is refreshed after its own subtasks, once it has its parent.
        std::vector<Level> stack{{child, task.child("task")}};
        while (!stack.empty()) {
            Level& level = stack.back();
            if (!level.nextTask) {
                TreeNode* done = level.node;
                stack.pop_back();
                if (!stack.empty()) {
                    UpdateNode(done);
                }
                continue;
            }
            const pugi::xml_node below = level.nextTask;
            level.nextTask = below.next_sibling("task");
            TreeNode* grandchild = NewTaskNode(below);
            level.node->addChild(grandchild);
            stack.push_back({grandchild, below.child("task")});
        }
        children.append(child);
    }
    node->addChildren(children);
    // Only now do they have their parent, which tells UpdateNode they are task nodes.
    for (QTreeWidgetItem* child : children) {
        UpdateNode(static_cast<TreeNode*>(child));
    }
}
