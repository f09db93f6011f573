#pragma once
// Dragging a task onto another task or a project, within its project or into another one.
// Only this instance's drags are taken: each carries the signature drawn at start-up.

#include <QPoint>

#include "tree/drag_data.h"
#include "tree/task_tree.h"

class ProjectTree;
class RandomSource;

class TaskDragDrop {
  public:
    explicit TaskDragDrop(ProjectTree& tree);

    // Draws this instance's signature; done once at start-up.
    void DrawDragSignature(RandomSource& random);
    // The drag data for the task under the last press, or none (a project is not dragged).
    QMimeData* Tree_OLEStartDrag();
    // Whether a drop at `position` would be taken, for every pointer move.
    TaskTree::DropEffect Tree_OLEDragOver(const QMimeData& data, QPoint position);
    // Moves the dragged task, with its time, below the node at `position`.
    void Tree_OLEDragDrop(const QMimeData& data, QPoint position);

    int MouseDownX = 0;  // where the last press in the tree was, in the tree's coordinates
    int MouseDownY = 0;
    DragSignatureBytes DragSignature{};

  private:
    ProjectTree& tree_;
};
