// Removing, deleting and reordering projects and tasks: every change is made on the
// elements and on the tree nodes in step.
#include <optional>
#include <vector>

#include "model/time_sums.h"
#include "model/xml.h"
#include "platform/prompter.h"
#include "tree/element_removal.h"
#include "tree/project_tree.h"

namespace {

const QString kTitle = QStringLiteral("Horavel");

// After an element was copied into another document, points every node of the moved
// subtree at its copy: the nodes' children follow their elements' task children in order.
void RepointSubtree(TreeNode* node, pugi::xml_node copy) {
    std::vector<std::pair<TreeNode*, pugi::xml_node>> pending{{node, copy}};
    while (!pending.empty()) {
        auto [current, element] = pending.back();
        pending.pop_back();
        current->element = element;
        pugi::xml_node task = element.child("task");
        for (int i = 0; i < current->childCount() && task; ++i, task = task.next_sibling("task")) {
            pending.push_back({current->childNode(i), task});
        }
    }
}

// The child of `parent` that will follow a task put at `row`, `skipped` not counted.
TreeNode* ChildAtRow(TreeNode* parent, int row, const TreeNode* skipped) {
    for (int i = 0, seen = 0; i < parent->childCount(); ++i) {
        TreeNode* child = parent->childNode(i);
        if (child != skipped && seen++ == row) {
            return child;
        }
    }
    return nullptr;
}

// Where a task element goes among its new siblings: before the task that follows it, else
// right after the last task (so that whatever other programs keep after the tasks stays
// after them), else at the end. `put` inserts or moves it.
// `moving` is the element itself when it moves within its document: it is no anchor.
template <typename Put>
pugi::xml_node PlaceAmongTasks(pugi::xml_node parent, TreeNode* following, Put put,
                               pugi::xml_node moving = {}) {
    if (following != nullptr) {
        return put(following->element, true);
    }
    pugi::xml_node last = parent.last_child();
    while (last && (std::string_view(last.name()) != "task" || last == moving)) {
        last = last.previous_sibling();
    }
    return put(last, false);
}

}  // namespace

bool ProjectTree::TimedWithin(const TreeNode* node) const {
    return timing_.TimerRunning && node->element && IsWithin(timing_.TimedNode, node);
}

QString ProjectTree::TimedRemovalRefusal() {
    return QStringLiteral("Unable to delete the current task, stop the timer the try again");
}

// All of them or none. A time that cannot take it is reported; the deletion goes on.
void ProjectTree::LowerAncestorTimes(TreeNode* node) {
    TreeNode* parent = node->parentNode();
    if (parent == nullptr) {
        return;
    }
    const std::optional<double> whole = WholeTimeOf(node->element);
    std::vector<TimeChange> changes;
    AddAncestorChanges(changes, node->element.parent(), whole ? -*whole : 0);
    const auto refusal = whole ? ApplyTimeChanges(changes) : std::nullopt;
    if (!whole || refusal) {
        Tell(QStringLiteral("The time of deleted '%1' was not taken off the times above it: %2")
                 .arg(NodeString(node, "@name"),
                      refusal ? QString::fromStdString(refusal->reason)
                              : QStringLiteral("its own time does not fit 32767 hours")));
    }
}

bool ProjectTree::DeleteNode(TreeNode*& node) {
    if (node == nullptr) {
        return false;
    }
    if (TimedWithin(node)) {
        prompter_.Ask(TimedRemovalRefusal(), MsgButtons::OK, kTitle);
        return false;
    }
    if (node->isProject()) {
        TakeOutProject(node);  // and let go: the document and the file's lock go with it
        node = nullptr;
        return true;
    }
    // A deleted task is a change the next save writes.
    MarkModified(node);
    if (const pugi::xml_node element = node->element) {
        LowerAncestorTimes(node);
        RemoveElement(element);
    }
    node->element = pugi::xml_node();
    ForgetSubtree(node);
    TreeNode* parent = node->parentNode();
    DropNode(node);
    node = nullptr;
    UpdateChain(parent);  // the captions above show the time that left them
    return true;
}

void ProjectTree::DropNode(TreeNode* node) {
    // Taken out of the view in one step, so that the view hears of one removed row rather
    // than of every node below it.
    if (TreeNode* parent = node->parentNode()) {
        parent->removeChild(node);
    } else {
        view.takeTopLevelItem(view.indexOfTopLevelItem(node));
    }
    delete node;
}

void ProjectTree::TakeOutTask(TreeNode* task, pugi::xml_document& kept) {
    kept.reset();
    kept.append_copy(task->element);
    DeleteNode(task);
}

TreeNode* ProjectTree::PutBackTask(TreeNode* parent, int row, pugi::xml_node kept) {
    TreeNode* following = row < parent->childCount() ? parent->childNode(row) : nullptr;
    const pugi::xml_node element =
        PlaceAmongTasks(parent->element, following, [&](pugi::xml_node at, bool before) {
            if (before) {
                return parent->element.insert_copy_before(kept, at);
            }
            return at ? parent->element.insert_copy_after(kept, at)
                      : parent->element.append_copy(kept);
        });
    auto* node = new TreeNode(element);
    node->setCaption(NodeString(node, "@name"));
    BuildTaskNodes(node, element);
    parent->insertChild(row, node);
    const std::optional<double> whole = WholeTimeOf(element);
    std::vector<TimeChange> changes;
    AddAncestorChanges(changes, parent->element, whole.value_or(0));
    if (const auto refusal = ApplyTimeChanges(changes); refusal || !whole) {
        Tell(QStringLiteral("The time of '%1' was not added to the times above it: %2")
                 .arg(NodeString(node, "@name"),
                      refusal ? QString::fromStdString(refusal->reason)
                              : QStringLiteral("its own time does not fit 32767 hours")));
    }
    MarkModified(node);
    UpdateChain(node);
    view.setCurrentItem(node);
    view.scrollToItem(node);
    return node;
}

ProjectTree::KeptProject ProjectTree::TakeOutProject(TreeNode* project) {
    workspace_.WorkspaceModified = true;  // the set of open projects changed, whoever asked
    emit ProjectSettled(project);         // nothing of it needs keeping for recovery any more
    ForgetSubtree(project);
    KeptProject kept{project->releaseDocument(), std::move(project->fileHold)};
    project->element = pugi::xml_node();
    DropNode(project);
    return kept;
}

TreeNode* ProjectTree::PutBackProject(KeptProject kept, int row) {
    TreeNode* project = AddProjectNode(std::move(kept.document), row);
    project->fileHold = std::move(kept.fileHold);
    workspace_.WorkspaceModified = true;
    if (IsModified(project)) {
        MarkModified(project);  // its unsaved work is kept for recovery again
    }
    view.setCurrentItem(project);
    view.scrollToItem(project);
    return project;
}

// Up to and including each project; where the two chains meet the changes cancel.
bool ProjectTree::MoveTimeAlong(TreeNode* task, TreeNode* parent) {
    const std::optional<double> whole = WholeTimeOf(task->element);
    std::optional<TimeRefusal> refusal;
    if (whole) {
        std::vector<TimeChange> changes;
        AddAncestorChanges(changes, task->element.parent(), -*whole);
        AddAncestorChanges(changes, parent->element, *whole);
        refusal = ApplyTimeChanges(std::move(changes));
    }
    if (whole && !refusal) {
        return true;
    }
    Tell(QStringLiteral("'%1' was not moved: %2")
             .arg(NodeString(task, "@name"),
                  refusal ? QString::fromStdString(refusal->reason)
                          : QStringLiteral("its own time does not fit 32767 hours")));
    return false;
}

TreeNode* ProjectTree::MoveTask(TreeNode* task, TreeNode* parent, int row) {
    TreeNode* oldParent = task->parentNode();
    TreeNode* leftProject = ProjectNodeOf(task);
    // Within one parent no time changes hands; a time the file got wrong must not stop it.
    if (parent != oldParent && !MoveTimeAlong(task, parent)) {
        return nullptr;
    }
    const pugi::xml_node element = task->element;
    TreeNode* following = ChildAtRow(parent, row, task);
    const bool sameDocument = element.root() == parent->element.root();
    const pugi::xml_node placed = PlaceAmongTasks(
        parent->element, following,
        [&](pugi::xml_node at, bool before) {
            if (sameDocument) {
                return before ? parent->element.insert_move_before(element, at)
                              : (at ? parent->element.insert_move_after(element, at)
                                    : parent->element.append_move(element));
            }
            return before ? parent->element.insert_copy_before(element, at)
                          : (at ? parent->element.insert_copy_after(element, at)
                                : parent->element.append_copy(element));
        },
        element);
    if (!sameDocument) {
        // pugixml moves nodes only within a document: the moved nodes are pointed at the
        // copies, and only then is the original dropped.
        RepointSubtree(task, placed);
        RemoveElement(element);
    }
    const int viewRow = following ? parent->indexOfChild(following) : parent->childCount();
    TreeNode* moved = RecreateNode(task, parent, viewRow);
    // Both files now differ from what is on disk.
    MarkModified(leftProject);
    MarkModified(moved);
    UpdateChain(oldParent);
    UpdateChain(parent);
    return moved;
}

TreeNode* ProjectTree::MoveProject(TreeNode* project, int row) {
    const int from = view.indexOfTopLevelItem(project);
    workspace_.WorkspaceModified = true;  // the workspace lists its projects in this order
    return RecreateNode(project, nullptr, row < from ? row : row + 1);
}

void ProjectTree::MoveNodeDown() {
    MoveBy(1);
}

void ProjectTree::MoveNodeUp() {
    MoveBy(-1);
}

TreeNode* ProjectTree::RecreateNode(TreeNode* sel, TreeNode* parent, int index) {
    auto* node =
        sel->document() ? new TreeNode(sel->releaseDocument()) : new TreeNode(sel->element);
    node->element = sel->element;
    node->fileHold = std::move(sel->fileHold);
    node->setCaption(sel->caption());
    node->setImage(sel->image());
    const bool expanded = sel->isExpanded();
    if (parent != nullptr) {
        parent->insertChild(index, node);
    } else {
        view.insertTopLevelItem(index, node);
    }
    MoveChildNodes(sel, node);
    node->setExpanded(expanded);
    // Before selecting: selecting refreshes the node, which must already know it is timed.
    if (timing_.TimedNode == sel) {
        timing_.TimedNode = node;  // the next tick books on the replacement
    }
    emit NodeReplaced(sel, node);
    view.setCurrentItem(node);
    view.scrollToItem(node);
    delete sel;  // childless now; its element and document belong to the replacement
    return node;
}

void ProjectTree::MoveChildNodes(TreeNode* from, TreeNode* to) {
    if (from == nullptr || to == nullptr || from == to) {
        return;
    }
    // A view forgets which rows were open once they leave it. Only the open part of the
    // branch is looked at: the rest may be large, and a hidden open row shows nothing.
    std::vector<QTreeWidgetItem*> open;
    std::vector<QTreeWidgetItem*> pending(1, from);
    while (!pending.empty()) {
        QTreeWidgetItem* item = pending.back();
        pending.pop_back();
        for (int i = 0; i < item->childCount(); ++i) {
            if (QTreeWidgetItem* child = item->child(i); child->isExpanded()) {
                open.push_back(child);
                pending.push_back(child);
            }
        }
    }
    // Qt appends what it is given, in order, so one pass keeps the children's order.
    to->addChildren(from->takeChildren());
    for (QTreeWidgetItem* item : open) {
        item->setExpanded(true);
    }
}

void ProjectTree::ForgetSubtree(TreeNode* node) {
    if (IsWithin(timing_.TimedNode, node)) {
        timing_.TimedNode = nullptr;
    }
    emit SubtreeLeaving(node);
}
