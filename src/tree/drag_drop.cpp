#include "tree/drag_drop.h"

#include <optional>
#include <vector>

#include "model/time_sums.h"
#include "platform/random_source.h"
#include "tree/element_removal.h"
#include "tree/project_tree.h"

namespace {

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

}  // namespace

TaskDragDrop::TaskDragDrop(ProjectTree& tree) : tree_(tree) {}

// Up to and including each project; where the two chains meet the changes cancel.
bool TaskDragDrop::MoveTimeAlong(TreeNode* source, TreeNode* target) {
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
    tree_.Tell(QStringLiteral("'%1' was not moved: %2")
                   .arg(NodeString(source, "@name"),
                        refusal ? QString::fromStdString(refusal->reason)
                                : QStringLiteral("its own time does not fit 32767 hours")));
    return false;
}

void TaskDragDrop::DrawDragSignature(RandomSource& random) {
    DragSignature = {random.NextByte(), random.NextByte()};
}

QMimeData* TaskDragDrop::Tree_OLEStartDrag() {
    TreeNode* node = tree_.view.nodeAt(QPoint(MouseDownX, MouseDownY));
    if (node == nullptr || node->isProject()) {
        return nullptr;  // projects are not dragged
    }
    return MakeDragData(DragSignature, NodeIndexOf(&tree_.view, node), node->caption());
}

TaskTree::DropEffect TaskDragDrop::Tree_OLEDragOver(const QMimeData& data, QPoint position) {
    const DragCheck check = CheckDragData(data, DragSignature, NodeCount(&tree_.view));
    if (check.result == DragCheck::MissingFormats) {
        return TaskTree::DropEffect::ScrollOnly;
    }
    if (check.result == DragCheck::Invalid) {
        return TaskTree::DropEffect::AsOffered;
    }
    TreeNode* target = tree_.view.nodeAt(position);
    tree_.view.setDropHighlight(target);
    if (target == nullptr || IsWithin(target, NodeAtIndex(&tree_.view, check.nodeIndex))) {
        return TaskTree::DropEffect::ScrollOnly;
    }
    return TaskTree::DropEffect::Move;
}

void TaskDragDrop::Tree_OLEDragDrop(const QMimeData& data, QPoint position) {
    tree_.view.setDropHighlight(nullptr);
    const DragCheck check = CheckDragData(data, DragSignature, NodeCount(&tree_.view));
    if (check.result != DragCheck::Valid) {
        return;
    }
    auto* source = static_cast<TreeNode*>(NodeAtIndex(&tree_.view, check.nodeIndex));
    TreeNode* target = tree_.view.nodeAt(position);
    if (target == nullptr || source->isProject() || IsWithin(target, source)) {
        return;
    }
    pugi::xml_node element = source->element;
    if (!MoveTimeAlong(source, target)) {
        return;
    }
    TreeNode* leftProject = ProjectTree::ProjectNodeOf(source);
    TreeNode* oldParent = source->parentNode();
    if (element.root() == target->element.root()) {
        target->element.append_move(element);
    } else {
        // pugixml moves nodes only within a document: copy into the target's, point the
        // moved nodes at the copies, and only then drop the original.
        RepointSubtree(source, target->element.append_copy(element));
        RemoveElement(element);
    }
    TreeNode* moved = tree_.RecreateNode(source, target, target->childCount());
    // Both files now differ from what is on disk.
    tree_.MarkModified(leftProject);
    tree_.MarkModified(moved);
    tree_.UpdateChain(oldParent);
    tree_.UpdateChain(target);
}
