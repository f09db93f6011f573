#include "tree/task_tree.h"

#include <QDrag>
#include <QDragMoveEvent>
#include <QHeaderView>
#include <QKeyEvent>
#include <QMimeData>
#include <QMouseEvent>
#include <QPainter>
#include <QWindow>

#include <algorithm>
#include <vector>

#include "platform/on_screen.h"

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
    // Whatever opened it (a click, a key, the program), a node too deep closes again before
    // the view lays the branch out.
    connect(this, &QTreeView::expanded, this, [this](const QModelIndex& index) {
        const QTreeWidgetItem* item = itemFromIndex(index);
        if (item != nullptr && DepthOf(item) >= kMaxOpenDepth) {
            collapse(index);
        }
    });
    // The hint is painted; a screen reader reads it as the tree's description instead.
    const auto describe = [this] {
        setAccessibleDescription(topLevelItemCount() == 0 ? EmptyTreeHint() : QString());
    };
    connect(model(), &QAbstractItemModel::rowsInserted, this,
            [describe](const QModelIndex& parent) {
                if (!parent.isValid()) {
                    describe();
                }
            });
    connect(model(), &QAbstractItemModel::rowsRemoved, this, [describe](const QModelIndex& parent) {
        if (!parent.isValid()) {
            describe();
        }
    });
    connect(model(), &QAbstractItemModel::modelReset, this, describe);
    describe();
}

TaskTree::~TaskTree() {
    // The base class empties the model after this part of the object is gone: the hint's
    // handlers must not hear of those rows.
    disconnect(model(), nullptr, this, nullptr);
}

int TaskTree::DepthOf(const QTreeWidgetItem* item) {
    int depth = 0;
    for (item = item->parent(); item != nullptr && depth < kMaxOpenDepth; item = item->parent()) {
        ++depth;
    }
    return depth;
}

void TaskTree::expandAll() {
    for (int i = 0; i < topLevelItemCount(); ++i) {
        expandRecursively(indexFromItem(topLevelItem(i)), kMaxOpenDepth - 1);
    }
}

void TaskTree::repaintRowsOnScreen(const std::vector<const QTreeWidgetItem*>& nodes) {
    // Nothing of a minimized or covered window is drawn: the window repaints the whole
    // view once it is seen again.
    if (nodes.empty() || !IsOnScreen(*this)) {
        return;
    }
    // Only the rows on screen are looked at, each next to the last: asking the view where
    // an arbitrary node sits searches its open rows one by one from the last one it found,
    // which in a large tree costs more than a timer tick's whole work.
    QWidget* area = viewport();
    for (QModelIndex row = indexAt(QPoint(0, 0)); row.isValid(); row = indexBelow(row)) {
        const QRect rect = visualRect(row);
        if (rect.top() >= area->height()) {
            break;
        }
        if (std::find(nodes.begin(), nodes.end(), itemFromIndex(row)) != nodes.end()) {
            area->update(0, rect.top(), area->width(), rect.height());
        }
    }
}

QString TaskTree::EmptyTreeHint() {
    return QStringLiteral(
        "No project open.\n\nNew Project (Ctrl+Shift+N) starts one;\nLoad Project (Ctrl+O) "
        "opens one.");
}

void TaskTree::paintEvent(QPaintEvent* event) {
    QTreeWidget::paintEvent(event);
    if (topLevelItemCount() != 0) {
        return;
    }
    QPainter painter(viewport());
    painter.setPen(palette().color(QPalette::PlaceholderText));
    const int margin = fontMetrics().height();
    painter.drawText(viewport()->rect().adjusted(margin, margin, -margin, -margin),
                     Qt::AlignHCenter | Qt::AlignTop | Qt::TextWordWrap, EmptyTreeHint());
}

void TaskTree::keyPressEvent(QKeyEvent* event) {
    // "*" opens the branch under the selected node, as deep as a branch may be opened.
    QTreeWidgetItem* current = currentItem();
    if (event->key() == Qt::Key_Asterisk && current != nullptr && state() != EditingState) {
        // (-1 would mean no limit at all)
        if (const int levels = kMaxOpenDepth - 1 - DepthOf(current); levels >= 0) {
            expandRecursively(currentIndex(), levels);
        }
        event->accept();
        return;
    }
    QTreeWidget::keyPressEvent(event);
}

void TaskTree::scrollTo(const QModelIndex& index, ScrollHint hint) {
    // QTreeView opens every closed node above the one it scrolls to.
    const QTreeWidgetItem* item = itemFromIndex(index);
    if (item == nullptr || DepthOf(item) < kMaxOpenDepth) {
        QTreeWidget::scrollTo(index, hint);
    }
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
