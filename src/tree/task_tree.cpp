#include "tree/task_tree.h"

#include <QDrag>
#include <QDragMoveEvent>
#include <QHeaderView>
#include <QMimeData>
#include <QMouseEvent>
#include <QPainter>

TaskTree::TaskTree(QWidget* parent) : QTreeWidget(parent) {
    setColumnCount(1);
    header()->hide();
    setSelectionMode(QAbstractItemView::SingleSelection);
    setEditTriggers(QAbstractItemView::SelectedClicked | QAbstractItemView::EditKeyPressed);
    setUniformRowHeights(true);  // keeps a tree of 100,000 nodes quick to lay out
    setIconSize(QSize(14, 14));
    setDragEnabled(true);
    setAcceptDrops(true);
    setDragDropMode(QAbstractItemView::DragDrop);
    setDropIndicatorShown(false);  // the drop target is highlighted instead
}

void TaskTree::StartLabelEdit() {
    if (QTreeWidgetItem* item = currentItem()) {
        editItem(item, 0);
    }
}

void TaskTree::mousePressEvent(QMouseEvent* event) {
    emit MouseDown(event->button(), event->modifiers(), event->position().toPoint());
    QTreeWidget::mousePressEvent(event);
}

void TaskTree::mouseReleaseEvent(QMouseEvent* event) {
    QTreeWidget::mouseReleaseEvent(event);
    emit MouseUp(event->button(), event->modifiers(), event->position().toPoint());
}

void TaskTree::setDropHighlight(QTreeWidgetItem* node) {
    if (dropHighlight_ != node) {
        dropHighlight_ = node;
        viewport()->update();
    }
}

void TaskTree::startDrag(Qt::DropActions) {
    QMimeData* data = onStartDrag ? onStartDrag() : nullptr;
    if (data == nullptr) {
        return;
    }
    auto* drag = new QDrag(this);
    drag->setMimeData(data);
    // The move itself happens at the drop; nothing is removed here when it ends.
    drag->exec(Qt::MoveAction);
}

void TaskTree::dragEnterEvent(QDragEnterEvent* event) {
    // Taken so that moves keep coming; whether a drop would land is decided per move.
    event->acceptProposedAction();
}

void TaskTree::dragMoveEvent(QDragMoveEvent* event) {
    QTreeWidget::dragMoveEvent(event);  // scrolls near the edges
    const DropEffect effect = onDragOver
                                  ? onDragOver(*event->mimeData(), event->position().toPoint())
                                  : DropEffect::ScrollOnly;
    if (effect == DropEffect::ScrollOnly) {
        event->ignore();
    } else if (effect == DropEffect::Move) {
        event->setDropAction(Qt::MoveAction);
        event->accept();
    } else {
        event->acceptProposedAction();
    }
}

void TaskTree::dragLeaveEvent(QDragLeaveEvent* event) {
    setDropHighlight(nullptr);
    QTreeWidget::dragLeaveEvent(event);
}

void TaskTree::dropEvent(QDropEvent* event) {
    if (onDrop) {
        onDrop(*event->mimeData(), event->position().toPoint());
    }
    setDropHighlight(nullptr);
    event->setDropAction(Qt::MoveAction);
    event->accept();
}

void TaskTree::drawRow(QPainter* painter, const QStyleOptionViewItem& option,
                       const QModelIndex& index) const {
    if (dropHighlight_ == nullptr || itemFromIndex(index) != dropHighlight_) {
        QTreeWidget::drawRow(painter, option, index);
        return;
    }
    QStyleOptionViewItem highlighted(option);
    highlighted.state |= QStyle::State_Selected;
    QTreeWidget::drawRow(painter, highlighted, index);
}
