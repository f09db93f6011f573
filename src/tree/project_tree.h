#pragma once
// The open projects as a tree: every change to a project's structure is made on its
// elements and on its nodes in step, and the captions and images follow. What other
// subsystems must hear of (an edit to keep for recovery, nodes that leave the tree, a
// notice for the status bar) goes out as a signal.

#include <QObject>
#include <QString>

#include <cstdint>
#include <memory>
#include <pugixml.hpp>
#include <set>

#include "tree/caption.h"
#include "tree/task_tree.h"
#include "tree/window_state.h"

class Prompter;

class ProjectTree : public QObject {
    Q_OBJECT
  public:
    ProjectTree(TaskTree& view, const DisplayFlags& display, TimingState& timing,
                WorkspaceState& workspace, Prompter& prompter);

    TaskTree& view;
    TreeNode* SelectedNode() const { return view.selectedNode(); }

    // ---- Captions and images ----
    // The node's caption from its element and the display flags; a task's image from its
    // completion, unless the clock turns on it.
    void UpdateNode(TreeNode* node);
    void UpdateAllNodes();
    // The node and every node above it, whose times a booking or a move changed.
    void UpdateChain(TreeNode* node);
    // Tells the person, once per element and without a modal box, that a stored time of
    // the node does not fit (more than 32767 hours); the stored text stays as it is.
    void ReportTimeOverflow(TreeNode* node, const QString& detail);
    // A status-bar notice.
    void Tell(const QString& text) { emit Notice(text); }

    // ---- Projects and tasks ----
    // A project "New Project" at the end of the tree, selected and marked modified.
    TreeNode* NewProject();
    // A task "New Task" as the last child of `parent`, shown and selected; none without one.
    TreeNode* NewTask(TreeNode* parent);
    // The one way a document becomes a project node, for a loaded file and a restored one:
    // its nodes built before it joins the tree at `index` (at the end when out of range).
    TreeNode* AddProjectNode(std::unique_ptr<pugi::xml_document> document, int index);
    void BuildTaskNodes(TreeNode* node, pugi::xml_node element);
    static TreeNode* ProjectNodeOf(TreeNode* node);
    // Whether the node's project has changes its file does not hold.
    static bool IsModified(TreeNode* node);
    void MarkModified(TreeNode* node);
    void MarkUnmodified(TreeNode* node);
    // The pop-up menu's Completed command: the flag set to the opposite of the menu's mark.
    void SetCompleted(TreeNode* node, bool completed);

    // ---- Structure ----
    // Removes the node, its element and everything below; refused (false, with a message)
    // while the timer books inside it. The time leaves the totals above it.
    bool DeleteNode(TreeNode*& node);
    void MoveNodeUp();
    void MoveNodeDown();
    // The last step of every move: a replacement for `sel` is inserted at `index` among the
    // children of `parent` (the root nodes when none), takes over its element (and document),
    // children, caption, image, expansion, selection and timing, and `sel` is deleted.
    // Returns the replacement.
    TreeNode* RecreateNode(TreeNode* sel, TreeNode* parent, int index);
    void MoveChildNodes(TreeNode* from, TreeNode* to);

  signals:
    // An edit the project's file does not hold yet: unsaved work to keep.
    void ProjectChanged(TreeNode* project);
    // The project was saved, or leaves the tree: nothing of it needs keeping.
    void ProjectSettled(TreeNode* project);
    // The node and everything below it are about to leave the tree.
    void SubtreeLeaving(TreeNode* node);
    // A move rebuilt `from` as `to`.
    void NodeReplaced(TreeNode* from, TreeNode* to);
    void Notice(const QString& text);

  private:
    // The timed node is let go, and the others are told, before `node` leaves the tree.
    void ForgetSubtree(TreeNode* node);
    // The deleted node's whole time leaves the subtask time of every node above it.
    void LowerAncestorTimes(TreeNode* node);

    const DisplayFlags& display_;
    TimingState& timing_;
    WorkspaceState& workspace_;
    Prompter& prompter_;
    std::set<uintptr_t> timeOverflowReported_;
};
