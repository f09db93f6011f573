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

// Whether the running timer books on the node or on anything below it.
bool TimedWithin(const TimingState& timing, const TreeNode* node) {
    return timing.TimerRunning && node->element && IsWithin(timing.TimedNode, node);
}

// A task node, as opposed to a project node whose element is its document's top level.
bool ShowsTask(const TreeNode* node) {
    return node->element.parent().type() == pugi::node_element;
}

}  // namespace

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
    const pugi::xml_node element = node->element;
    if (TimedWithin(timing_, node)) {
        prompter_.Ask(
            QStringLiteral("Unable to delete the current task, stop the timer the try again"),
            MsgButtons::OK, kTitle);
        return false;
    }
    // A deleted task is a change the next save writes; a deleted project has no file to
    // change, only a workspace that lists it.
    if (!node->isProject()) {
        MarkModified(node);
    }
    if (element) {
        LowerAncestorTimes(node);
        RemoveElement(element);
    }
    node->element = pugi::xml_node();
    if (node->isProject()) {
        workspace_.WorkspaceModified = true;  // the set of open projects changed, whoever asked
        emit ProjectSettled(node);
    }
    ForgetSubtree(node);
    // Taken out of the view in one step, so that the view hears of one removed row rather
    // than of every node below it.
    TreeNode* parent = node->parentNode();
    if (parent != nullptr) {
        parent->removeChild(node);
    } else {
        view.takeTopLevelItem(view.indexOfTopLevelItem(node));
    }
    delete node;  // its document, for a project, goes with it
    node = nullptr;
    UpdateChain(parent);  // the captions above show the time that left them
    return true;
}

void ProjectTree::MoveNodeDown() {
    TreeNode* sel = SelectedNode();
    if (sel == nullptr) {
        return;
    }
    TreeNode* parent = sel->parentNode();
    const int index = parent ? parent->indexOfChild(sel) : view.indexOfTopLevelItem(sel);
    const int count = parent ? parent->childCount() : view.topLevelItemCount();
    if (index + 1 >= count) {
        return;
    }
    if (ShowsTask(sel)) {
        pugi::xml_node parentElement = sel->element.parent();
        if (index + 2 >= count) {
            parentElement.append_move(sel->element);
        } else {
            TreeNode* afterNext = parent->childNode(index + 2);
            parentElement.insert_move_before(sel->element, afterNext->element);
        }
        MarkModified(sel);
    } else {
        workspace_.WorkspaceModified = true;  // the workspace lists its projects in this order
    }
    RecreateNode(sel, parent, index + 2);  // right after the next sibling
}

void ProjectTree::MoveNodeUp() {
    TreeNode* sel = SelectedNode();
    if (sel == nullptr) {
        return;
    }
    TreeNode* parent = sel->parentNode();
    const int index = parent ? parent->indexOfChild(sel) : view.indexOfTopLevelItem(sel);
    if (index <= 0) {
        return;
    }
    if (ShowsTask(sel)) {
        TreeNode* previous = parent->childNode(index - 1);
        sel->element.parent().insert_move_before(sel->element, previous->element);
        MarkModified(sel);
    } else {
        workspace_.WorkspaceModified = true;  // the workspace lists its projects in this order
    }
    RecreateNode(sel, parent, index - 1);  // right before the previous sibling
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
