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
#include "tree/edit_history.h"
#include "tree/task_tree.h"
#include "tree/window_state.h"

class Prompter;
struct FileHold;

class ProjectTree : public QObject {
    Q_OBJECT
  public:
    ProjectTree(TaskTree& view, const DisplayFlags& display, TimingState& timing,
                WorkspaceState& workspace, Prompter& prompter);
    ~ProjectTree() override;

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
    // One row up or down among its siblings, as one undo step.
    void MoveNodeUp();
    void MoveNodeDown();
    // The last step of every move: a replacement for `sel` is inserted at `index` among the
    // children of `parent` (the root nodes when none), takes over its element (and document),
    // children, caption, image, expansion, selection and timing, and `sel` is deleted.
    // Returns the replacement.
    TreeNode* RecreateNode(TreeNode* sel, TreeNode* parent, int index);
    void MoveChildNodes(TreeNode* from, TreeNode* to);

    // ---- Edits a person can take back (the steps, tree/edit_steps.h, are built on these) ----
    EditHistory& Edits() { return *edits_; }
    // The commands of the tree bar, the pop-up menu and the keys, each one undo step.
    void Remove(TreeNode* node);
    // Drops the task below `target`, as its last child.
    void DropTask(TreeNode* task, TreeNode* target);
    TreeNode* AddNewProject();
    TreeNode* AddNewTask(TreeNode* parent);
    // Sets the text at `path` ("@name", "%description", "@completed") of the node's element;
    // `typing` joins a burst of keys in one field into one step.
    void EditText(TreeNode* node, std::string_view path, const QString& text, bool typing = false);

    // Where the node is; its rows counted as if `skipped` had left the tree.
    NodePlace PlaceOf(const TreeNode* node, const TreeNode* skipped = nullptr) const;
    // The node at the place, or none. A node `skipped` counts as gone already: where a node
    // is moved to is named as if it had left its old place.
    TreeNode* NodeAt(const NodePlace& place, const TreeNode* skipped = nullptr) const;
    TreeNode* ProjectOf(const pugi::xml_document* document) const;
    // The open project loaded from or saved to `file`, by whatever name; none for no name.
    TreeNode* ProjectWithFile(const QString& file) const;
    // Whether the running timer books on the node or on anything below it.
    bool TimedWithin(const TreeNode* node) const;
    // The guard's words when a step would remove the timed node.
    static QString TimedRemovalRefusal();
    // A copy of the task's element, history and all, into `kept`; then the task is deleted
    // and its time leaves the totals above it.
    void TakeOutTask(TreeNode* task, pugi::xml_document& kept);
    // A copy of `kept` as the `row`th child of `parent`, its time joining the totals above.
    TreeNode* PutBackTask(TreeNode* parent, int row, pugi::xml_node kept);
    // A project out of the tree with its document and its hold on its file, kept whole.
    struct KeptProject {
        std::unique_ptr<pugi::xml_document> document;
        std::shared_ptr<FileHold> fileHold;
    };
    KeptProject TakeOutProject(TreeNode* project);
    TreeNode* PutBackProject(KeptProject kept, int row);
    // Moves the task with its time to the `row`th child of `parent`, the row counted without
    // the task; none when a time above could not take it (the person is told).
    TreeNode* MoveTask(TreeNode* task, TreeNode* parent, int row);
    TreeNode* MoveProject(TreeNode* project, int row);

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
    // Takes the node out of the view and deletes it, once its element has been dealt with.
    void DropNode(TreeNode* node);
    // The moved task's whole time leaves the subtask times above it and joins those above
    // its new parent; refused, with the reason, when any of those times cannot take it.
    bool MoveTimeAlong(TreeNode* task, TreeNode* parent);
    void MoveBy(int rows);

    std::unique_ptr<EditHistory> edits_;

    const DisplayFlags& display_;
    TimingState& timing_;
    WorkspaceState& workspace_;
    Prompter& prompter_;
    std::set<uintptr_t> timeOverflowReported_;
};
