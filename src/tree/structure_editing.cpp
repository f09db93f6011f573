// Removing, deleting and reordering projects and tasks: every change is made on the
// elements and on the tree nodes in step.
#include <QStatusBar>

#include <optional>
#include <vector>

#include "model/time_text.h"
#include "model/xml.h"
#include "shell/frm_main.h"
#include "tracking/time_sums.h"
#include "tree/element_removal.h"

namespace {

const QString kTitle = QStringLiteral("Horavel");

// Whether the running timer books on the element or on anything below it.
bool TimedWithin(const Timer& timer, const TreeNode* timedNode, pugi::xml_node element) {
    if (!timer.enabled() || timedNode == nullptr || !element) {
        return false;
    }
    for (pugi::xml_node above = timedNode->element; above.type() == pugi::node_element;
         above = above.parent()) {
        if (above == element) {
            return true;
        }
    }
    return false;
}

// A task node, as opposed to a project node whose element is its document's top level.
bool ShowsTask(const TreeNode* node) {
    return node->element.parent().type() == pugi::node_element;
}

// The deleted node's whole time leaves the subtask time of every node above it, all of them
// or none. A time that cannot take it is reported; the deletion goes on.
void LowerAncestorTimes(frmMain& window, TreeNode* node) {
    TreeNode* parent = node->parentNode();
    if (parent == nullptr) {
        return;
    }
    const std::optional<double> whole = WholeTimeOf(node->element);
    std::vector<TimeChange> changes;
    AddAncestorChanges(changes, node->element.parent(), whole ? -*whole : 0);
    const auto refusal = whole ? ApplyTimeChanges(changes) : std::nullopt;
    if (!whole || refusal) {
        window.statusBar()->showMessage(
            QStringLiteral("The time of deleted '%1' was not taken off the times above it: %2")
                .arg(NodeString(node, "@name"),
                     refusal ? QString::fromStdString(refusal->reason)
                             : QStringLiteral("its own time does not fit 32767 hours")));
    }
}

}  // namespace

bool frmMain::DeleteNode(TreeNode*& node) {
    if (node == nullptr) {
        return false;
    }
    const pugi::xml_node element = node->element;
    if (TimedWithin(Timer1, TimedNode, element)) {
        platform_.prompter->Ask(
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
        LowerAncestorTimes(*this, node);
        RemoveElement(element);
    }
    node->element = pugi::xml_node();
    if (node->isProject()) {
        WorkspaceModified = true;  // the set of open projects changed, whoever asked
        ForgetRecovery(node);
    }
    ForgetSubtree(node);
    // Taken out of the view in one step, so that the view hears of one removed row rather
    // than of every node below it.
    if (TreeNode* parent = node->parentNode()) {
        parent->removeChild(node);
    } else {
        Tree->takeTopLevelItem(Tree->indexOfTopLevelItem(node));
    }
    delete node;  // its document, for a project, goes with it
    node = nullptr;
    return true;
}

void frmMain::RemoveItem(TreeNode* node) {
    if (node == nullptr) {
        return;
    }
    if (node->isProject()) {
        WorkspaceModified = true;
        if (XML::NodeText(XML::ResolvePath(node->element, "^modified"), "") == "true") {
            const MsgAnswer answer = platform_.prompter->Ask(
                QStringLiteral("Save Project before you remove it"), MsgButtons::YesNo, kTitle);
            if (answer == MsgAnswer::Yes && !SaveProject(node, false)) {
                return;
            }
        }
    }
    DeleteNode(node);  // refuses, with its own message, while the timer runs inside it
    Tree_NodeClick(SelectedNode());
}

void frmMain::MoveNodeDown() {
    TreeNode* sel = SelectedNode();
    if (sel == nullptr) {
        return;
    }
    TreeNode* parent = sel->parentNode();
    const int index = parent ? parent->indexOfChild(sel) : Tree->indexOfTopLevelItem(sel);
    const int count = parent ? parent->childCount() : Tree->topLevelItemCount();
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
        WorkspaceModified = true;  // the workspace lists its projects in this order
    }
    RecreateNode(sel, parent, index + 2);  // right after the next sibling
}

void frmMain::MoveNodeUp() {
    TreeNode* sel = SelectedNode();
    if (sel == nullptr) {
        return;
    }
    TreeNode* parent = sel->parentNode();
    const int index = parent ? parent->indexOfChild(sel) : Tree->indexOfTopLevelItem(sel);
    if (index <= 0) {
        return;
    }
    if (ShowsTask(sel)) {
        TreeNode* previous = parent->childNode(index - 1);
        sel->element.parent().insert_move_before(sel->element, previous->element);
        MarkModified(sel);
    } else {
        WorkspaceModified = true;  // the workspace lists its projects in this order
    }
    RecreateNode(sel, parent, index - 1);  // right before the previous sibling
}

TreeNode* frmMain::RecreateNode(TreeNode* sel, TreeNode* parent, int index) {
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
        Tree->insertTopLevelItem(index, node);
    }
    MoveChildNodes(sel, node);
    node->setExpanded(expanded);
    // Before selecting: selecting refreshes the node, which must already know it is timed.
    if (TimedNode == sel) {
        TimedNode = node;  // the next tick books on the replacement
    }
    CarryHeldTimes(sel, node);
    Tree->setCurrentItem(node);
    Tree->scrollToItem(node);
    delete sel;  // childless now; its element and document belong to the replacement
    return node;
}

void frmMain::MoveChildNodes(TreeNode* from, TreeNode* to) {
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
