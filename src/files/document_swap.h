#pragma once
// A project's document replaced whole, by a merged or reloaded version, while the window
// goes on as before: the same project node, the selection, the open branches and the timed
// task found again by id.

#include <pugixml.hpp>

class ProjectTree;
class TreeNode;
struct TimingState;

// Puts a copy of `document` in the place of the project's own, keeping the project's file
// name, and rebuilds its task nodes. Tasks are found again by their `id`: give the
// project's tasks ids before merging, so that none made here since the last save is lost
// from view. The project is then marked modified when `modified`, else unmodified.
void ReplaceProjectDocument(ProjectTree& tree, TimingState& timing, TreeNode* project,
                            const pugi::xml_document& document, bool modified);
