#include "tree/task_tree.h"

#include <QHeaderView>
#include <QMouseEvent>

TaskTree::TaskTree(QWidget* parent) : QTreeWidget(parent) {
    setColumnCount(1);
    header()->hide();
    setSelectionMode(QAbstractItemView::SingleSelection);
    setEditTriggers(QAbstractItemView::SelectedClicked | QAbstractItemView::EditKeyPressed);
    setUniformRowHeights(true);  // keeps a tree of 100,000 nodes quick to lay out
    setIconSize(QSize(14, 14));
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
