#include "tree/drag_drop.h"

#include "platform/random_source.h"
#include "tree/project_tree.h"

TaskDragDrop::TaskDragDrop(ProjectTree& tree) : tree_(tree) {}

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
    tree_.DropTask(source, target);
}
