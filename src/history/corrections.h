#pragma once
// Corrections of booked time: a period added, changed or removed moves the element's
// `task_time` and the `subtask_time` of everything above it by the same seconds, or
// nothing at all when any of those times would leave 0 .. 32767:59:59.

#include <QString>

#include <cstdint>
#include <functional>
#include <optional>
#include <pugixml.hpp>

#include "history/sessions.h"
#include "tree/edit_history.h"

class ProjectTree;

// Why `delta` seconds cannot be booked on the element and its ancestors, as a sentence for
// the person; empty when they can.
QString CorrectionRefusal(pugi::xml_node element, int64_t delta);
// Books `delta` on the element's task time and every ancestor's subtask time. Only after
// CorrectionRefusal said yes.
void BookCorrection(pugi::xml_node element, int64_t delta);

// One correction, undoable: the period `before` (none: a new one) of the node's element is
// replaced by `after` (none: removed), and the times follow. `changed` runs after every redo
// and undo. Refused whenever a time would leave its range.
class SessionEdit : public EditStep {
  public:
    SessionEdit(const QString& text, ProjectTree& tree, TreeNode* node, pugi::xml_node before,
                std::optional<SessionValues> after, std::function<void(pugi::xml_node)> changed);
    // The seconds the edit books.
    int64_t delta() const;
    void redo() override;
    void undo() override;
    QString RedoRefusal() const override;
    QString UndoRefusal() const override;

  private:
    // The element, found again by place: a removal and its undo bring back a copy.
    pugi::xml_node Element() const;
    // Removes the period `from` (if any) and adds `to` (if any).
    void Replace(const std::optional<SessionValues>& from, const std::optional<SessionValues>& to);

    ProjectTree& tree_;
    NodePlace place_;
    std::optional<SessionValues> before_;
    std::optional<SessionValues> after_;
    std::function<void(pugi::xml_node)> changed_;
};
