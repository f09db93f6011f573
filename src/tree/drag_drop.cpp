// Dragging a task onto another task or a project, within its project or into another one.
#include <QStatusBar>

#include <optional>
#include <vector>

#include "model/time_text.h"
#include "shell/frm_main.h"
#include "tracking/time_sums.h"
#include "tree/element_removal.h"

namespace {

// Whether `node` is `ancestor` or lies below it.
bool IsWithin(QTreeWidgetItem* node, QTreeWidgetItem* ancestor) {
    for (; node != nullptr; node = node->parent()) {
        if (node == ancestor) {
            return true;
        }
    }
    return false;
}

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

// The moved task's whole time leaves the subtask times above it and joins those above its
// new place, up to and including each project; where the two chains meet the changes cancel.
// Refused, with the reason, when any of those times cannot take it.
bool MoveTimeAlong(frmMain& window, TreeNode* source, TreeNode* target) {
    const std::optional<double> whole = WholeTimeOf(source->element);
    std::optional<TimeRefusal> refusal;
    if (whole) {
        std::vector<TimeChange> changes;
        AddAncestorChanges(changes, source->element.parent(), -*whole);
        AddAncestorChanges(changes, target->element, *whole);
        refusal = ApplyTimeChanges(std::move(changes));
    }
    if (whole && !refusal) {
        return true;
    }
    window.statusBar()->showMessage(
        QStringLiteral("'%1' was not moved: %2")
            .arg(NodeString(source, "@name"),
                 refusal ? QString::fromStdString(refusal->reason)
                         : QStringLiteral("its own time does not fit 32767 hours")));
    return false;
}

// The captions of a node and of everything above it, whose times a move changed.
void RefreshChain(frmMain& window, TreeNode* node) {
    for (; node != nullptr; node = node->parentNode()) {
        window.UpdateNode(node);
    }
}

}  // namespace

void frmMain::DrawDragSignature() {
    DragSignature = {platform_.random->NextByte(), platform_.random->NextByte()};
}

QMimeData* frmMain::Tree_OLEStartDrag() {
    TreeNode* node = Tree->nodeAt(QPoint(MouseDownX, MouseDownY));
    if (node == nullptr || node->isProject()) {
        return nullptr;  // projects are not dragged
    }
    return MakeDragData(DragSignature, NodeIndexOf(Tree, node), node->caption());
}

TaskTree::DropEffect frmMain::Tree_OLEDragOver(const QMimeData& data, QPoint position) {
    const DragCheck check = CheckDragData(data, DragSignature, NodeCount(Tree));
    if (check.result == DragCheck::MissingFormats) {
        return TaskTree::DropEffect::ScrollOnly;
    }
    if (check.result == DragCheck::Invalid) {
        return TaskTree::DropEffect::AsOffered;
    }
    TreeNode* target = Tree->nodeAt(position);
    Tree->setDropHighlight(target);
    if (target == nullptr || IsWithin(target, NodeAtIndex(Tree, check.nodeIndex))) {
        return TaskTree::DropEffect::ScrollOnly;
    }
    return TaskTree::DropEffect::Move;
}

void frmMain::Tree_OLEDragDrop(const QMimeData& data, QPoint position) {
    Tree->setDropHighlight(nullptr);
    const DragCheck check = CheckDragData(data, DragSignature, NodeCount(Tree));
    if (check.result != DragCheck::Valid) {
        return;
    }
    auto* source = static_cast<TreeNode*>(NodeAtIndex(Tree, check.nodeIndex));
    TreeNode* target = Tree->nodeAt(position);
    if (target == nullptr || source->isProject() || IsWithin(target, source)) {
        return;
    }
    pugi::xml_node element = source->element;
    if (!MoveTimeAlong(*this, source, target)) {
        return;
    }
    TreeNode* leftProject = ProjectNodeOf(source);
    TreeNode* oldParent = source->parentNode();
    if (element.root() == target->element.root()) {
        target->element.append_move(element);
    } else {
        // pugixml moves nodes only within a document: copy into the target's, point the
        // moved nodes at the copies, and only then drop the original.
        RepointSubtree(source, target->element.append_copy(element));
        RemoveElement(element);
    }
    TreeNode* moved = RecreateNode(source, target, target->childCount());
    // Both files now differ from what is on disk.
    MarkModified(leftProject);
    MarkModified(moved);
    RefreshChain(*this, oldParent);
    RefreshChain(*this, target);
}
