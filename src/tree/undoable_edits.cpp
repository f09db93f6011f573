// The tree's edits as undo steps: removals and new nodes, moves, and the texts of a node
// (name, description, Completed). Each step finds its nodes again by place.
#include "model/project_document.h"
#include "model/time_sums.h"
#include "model/time_text.h"
#include "model/xml.h"
#include "platform/file_identity.h"
#include "tree/project_tree.h"

namespace {

QString Quoted(const TreeNode* node) {
    return QStringLiteral("\"%1\"").arg(NodeString(node, "@name"));
}

// A task's whole time as the status bar shows it with a removal: "2:15:00".
QString WholeTimeText(const TreeNode* node) {
    return QString::fromStdString(
        Module1::FormatTime(WholeTimeOf(node->element).value_or(0), true));
}

// The node's row among its parent's children (projects: among the projects), `skipped` not
// counted.
int RowOf(const TreeNode* node, const TreeNode* skipped = nullptr) {
    const QTreeWidgetItem* parent = node->parent();
    const QTreeWidget* view = node->treeWidget();
    const int count = parent ? parent->childCount() : view->topLevelItemCount();
    int row = 0;
    for (int i = 0; i < count; ++i) {
        const QTreeWidgetItem* child = parent ? parent->child(i) : view->topLevelItem(i);
        if (child == node) {
            return row;
        }
        row += child != skipped ? 1 : 0;
    }
    return row;
}

// A task that leaves the tree (a removal: its redo takes it out) or joins it (a new task:
// its first redo makes it, later ones put it back).
class TaskPresence : public EditStep {
  public:
    // The removal of `task`.
    TaskPresence(ProjectTree& tree, TreeNode* task)
        : EditStep(QStringLiteral("Removed %1 (%2)").arg(Quoted(task), WholeTimeText(task))),
          tree_(tree),
          parent_(tree.PlaceOf(task->parentNode())),
          row_(RowOf(task)),
          removal_(true) {}
    // A new task under `parent`.
    explicit TaskPresence(ProjectTree& tree, const NodePlace& parent)
        : EditStep(QStringLiteral("New Task")), tree_(tree), parent_(parent), removal_(false) {}
    void redo() override {
        if (!removal_ && row_ < 0) {
            if (TreeNode* made = tree_.NewTask(tree_.NodeAt(parent_))) {
                row_ = RowOf(made);
            }
            return;
        }
        removal_ ? TakeOut() : PutBack();
    }
    void undo() override { removal_ ? PutBack() : TakeOut(); }
    QString RedoRefusal() const override { return removal_ ? TimedRefusal() : QString(); }
    QString UndoRefusal() const override { return removal_ ? QString() : TimedRefusal(); }
    bool Removes() const override { return removal_; }

  private:
    TreeNode* Task() const {
        TreeNode* parent = tree_.NodeAt(parent_);
        return parent != nullptr && row_ >= 0 ? parent->childNode(row_) : nullptr;
    }
    QString TimedRefusal() const {
        const TreeNode* task = Task();
        return task != nullptr && tree_.TimedWithin(task) ? ProjectTree::TimedRemovalRefusal()
                                                          : QString();
    }
    void TakeOut() {
        if (TreeNode* task = Task()) {
            tree_.TakeOutTask(task, kept_);
        }
    }
    void PutBack() {
        if (TreeNode* parent = tree_.NodeAt(parent_)) {
            tree_.PutBackTask(parent, row_, kept_.first_child());
        }
    }

    ProjectTree& tree_;
    NodePlace parent_;
    int row_ = -1;  // none yet for a new task
    bool removal_;
    pugi::xml_document kept_;  // the task while it is out of the tree, byte for byte
};

// A project that leaves the tree with its document and its file's lock, or a new one.
class ProjectPresence : public EditStep {
  public:
    // The removal of `project`.
    ProjectPresence(ProjectTree& tree, TreeNode* project)
        : EditStep(QStringLiteral("Removed %1 (%2)").arg(Quoted(project), WholeTimeText(project))),
          tree_(tree),
          document_(project->document()),
          row_(RowOf(project)),
          removal_(true) {}
    // A new project at the end of the tree.
    explicit ProjectPresence(ProjectTree& tree)
        : EditStep(QStringLiteral("New Project")), tree_(tree), removal_(false) {}
    void redo() override {
        if (!removal_ && document_ == nullptr) {
            TreeNode* made = tree_.NewProject();
            document_ = made->document();
            row_ = RowOf(made);
            return;
        }
        removal_ ? TakeOut() : PutBack();
    }
    void undo() override { removal_ ? PutBack() : TakeOut(); }
    QString RedoRefusal() const override { return removal_ ? TimedRefusal() : QString(); }
    QString UndoRefusal() const override {
        return removal_ ? AlreadyOpenRefusal() : TimedRefusal();
    }
    bool Removes() const override { return removal_; }

  private:
    QString TimedRefusal() const {
        const TreeNode* project = tree_.ProjectOf(document_);
        return project != nullptr && tree_.TimedWithin(project) ? ProjectTree::TimedRemovalRefusal()
                                                                : QString();
    }
    // The file of a removed project may have been loaded again since: one file, one project.
    QString AlreadyOpenRefusal() const {
        const TreeNode* open = tree_.ProjectWithFile(
            QString::fromUtf8(kept_.document->document_element().attribute("filename").value()));
        if (open == nullptr) {
            return {};
        }
        return QStringLiteral("%1 (%2) is already open.")
            .arg(Quoted(open), NodeString(open, "@filename"));
    }
    void TakeOut() {
        if (TreeNode* project = tree_.ProjectOf(document_)) {
            kept_ = tree_.TakeOutProject(project);
        }
    }
    void PutBack() {
        if (kept_.document) {
            tree_.PutBackProject(std::move(kept_), row_);
        }
    }

    ProjectTree& tree_;
    const pugi::xml_document* document_ = nullptr;  // none yet for a new project
    int row_ = 0;
    bool removal_;
    ProjectTree::KeptProject kept_;
};

// A task moved to another place: dropped, or a row up or down. Both places are named as if
// the task had left its old one, which is how each is found from the other side.
class TaskMove : public EditStep {
  public:
    TaskMove(ProjectTree& tree, TreeNode* task, TreeNode* parent, int row)
        : EditStep(QStringLiteral("Moved %1").arg(Quoted(task))),
          tree_(tree),
          fromParent_(tree.PlaceOf(task->parentNode())),
          fromRow_(RowOf(task)),
          toParent_(tree.PlaceOf(parent, task)),
          toRow_(row) {}
    void redo() override { moved_ = Move(fromParent_, fromRow_, toParent_, toRow_); }
    void undo() override {
        // A move a time above refused left everything where it was.
        if (moved_) {
            Move(toParent_, toRow_, fromParent_, fromRow_);
        }
    }

  private:
    bool Move(const NodePlace& fromParent, int fromRow, const NodePlace& toParent, int toRow) {
        TreeNode* from = tree_.NodeAt(fromParent);
        TreeNode* task = from != nullptr ? from->childNode(fromRow) : nullptr;
        TreeNode* to = task != nullptr ? tree_.NodeAt(toParent, task) : nullptr;
        return to != nullptr && tree_.MoveTask(task, to, toRow) != nullptr;
    }

    ProjectTree& tree_;
    NodePlace fromParent_;
    int fromRow_;
    NodePlace toParent_;
    int toRow_;
    bool moved_ = false;
};

class ProjectMove : public EditStep {
  public:
    ProjectMove(ProjectTree& tree, TreeNode* project, int row)
        : EditStep(QStringLiteral("Moved %1").arg(Quoted(project))),
          tree_(tree),
          document_(project->document()),
          fromRow_(RowOf(project)),
          toRow_(row) {}
    void redo() override { Move(toRow_); }
    void undo() override { Move(fromRow_); }

  private:
    void Move(int row) {
        if (TreeNode* project = tree_.ProjectOf(document_)) {
            tree_.MoveProject(project, row);
        }
    }

    ProjectTree& tree_;
    const pugi::xml_document* document_;
    int fromRow_;
    int toRow_;
};

// A text of the node's element: its name, description or Completed flag. The keys of one
// burst of typing in one field make one step.
class TextEdit : public EditStep {
  public:
    TextEdit(ProjectTree& tree, TreeNode* node, std::string_view path, std::string after)
        : tree_(tree), place_(tree.PlaceOf(node)), path_(path), after_(std::move(after)) {
        // Only looked up ("^" and "*"), not created as "@" and "%" would: an undo must know
        // whether the edit made it.
        const XML::Node found = XML::ResolvePath(node->element, LookupPath(path));
        existed_ = static_cast<bool>(found);
        before_ = found.text();
        Name(node);
    }
    int id() const override { return 1; }
    bool mergeWith(const QUndoCommand* other) override {
        const auto* next = static_cast<const TextEdit*>(other);
        if (!next->continuesBurst || next->place_ != place_ || next->path_ != path_) {
            return false;
        }
        after_ = next->after_;
        setText(next->text());
        return true;
    }
    void redo() override { Set(after_); }
    void undo() override {
        Set(before_);
        if (!existed_) {
            Drop();  // what the edit created goes too, so the file is as it was
        }
    }
    bool Changes() const { return before_ != after_; }

  private:
    void Name(const TreeNode* node) {
        const QString name = Quoted(node);
        if (path_ == "@name") {
            setText(
                QStringLiteral("Renamed %1 to \"%2\"").arg(name, QString::fromStdString(after_)));
        } else if (path_ == "@completed") {
            setText(IsCompletedText(after_) ? QStringLiteral("Marked %1 completed").arg(name)
                                            : QStringLiteral("Marked %1 not completed").arg(name));
        } else {
            setText(QStringLiteral("Changed the description of %1").arg(name));
        }
    }
    void Set(const std::string& text) {
        if (TreeNode* node = tree_.NodeAt(place_)) {
            XML::ResolvePath(node->element, path_).setText(text);
            tree_.MarkModified(node);
            tree_.UpdateNode(node);
        }
    }

    void Drop() {
        if (TreeNode* node = tree_.NodeAt(place_)) {
            const XML::Node made = XML::ResolvePath(node->element, path_);
            if (made.attribute()) {
                node->element.remove_attribute(made.attribute());
            } else {
                node->element.remove_child(made.element());
            }
        }
    }

    ProjectTree& tree_;
    NodePlace place_;
    std::string path_;
    std::string before_;
    std::string after_;
    bool existed_ = true;
};

}  // namespace

NodePlace ProjectTree::PlaceOf(const TreeNode* node, const TreeNode* skipped) const {
    NodePlace place;
    for (; node != nullptr && node->parentNode() != nullptr; node = node->parentNode()) {
        place.rows.insert(place.rows.begin(), RowOf(node, skipped));
    }
    place.document = node != nullptr ? node->document() : nullptr;
    return place;
}

TreeNode* ProjectTree::NodeAt(const NodePlace& place, const TreeNode* skipped) const {
    TreeNode* node = ProjectOf(place.document);
    for (const int row : place.rows) {
        if (node == nullptr) {
            return nullptr;
        }
        TreeNode* found = nullptr;
        for (int i = 0, seen = 0; i < node->childCount() && found == nullptr; ++i) {
            TreeNode* child = node->childNode(i);
            if (child != skipped && seen++ == row) {
                found = child;
            }
        }
        node = found;
    }
    return node;
}

TreeNode* ProjectTree::ProjectOf(const pugi::xml_document* document) const {
    for (int i = 0; document != nullptr && i < view.topLevelItemCount(); ++i) {
        if (view.topLevelNode(i)->document() == document) {
            return view.topLevelNode(i);
        }
    }
    return nullptr;
}

TreeNode* ProjectTree::ProjectWithFile(const QString& file) const {
    for (int i = 0; !file.isEmpty() && i < view.topLevelItemCount(); ++i) {
        TreeNode* open = view.topLevelNode(i);
        if (const QString other = NodeString(open, "@filename");
            other == file || SameFile(other, file)) {
            return open;
        }
    }
    return nullptr;
}

void ProjectTree::Remove(TreeNode* node) {
    if (node == nullptr) {
        return;
    }
    if (node->isProject()) {
        edits_->Do(std::make_unique<ProjectPresence>(*this, node));
    } else {
        edits_->Do(std::make_unique<TaskPresence>(*this, node));
    }
}

TreeNode* ProjectTree::AddNewProject() {
    edits_->Do(std::make_unique<ProjectPresence>(*this));
    return SelectedNode();  // the new project is selected
}

TreeNode* ProjectTree::AddNewTask(TreeNode* parent) {
    if (parent == nullptr) {
        return nullptr;
    }
    edits_->Do(std::make_unique<TaskPresence>(*this, PlaceOf(parent)));
    return SelectedNode();  // the new task is selected
}

void ProjectTree::DropTask(TreeNode* task, TreeNode* target) {
    const int row = target->childCount() - (task->parentNode() == target ? 1 : 0);
    edits_->Do(std::make_unique<TaskMove>(*this, task, target, row));
}

void ProjectTree::MoveBy(int rows) {
    TreeNode* node = SelectedNode();
    if (node == nullptr) {
        return;
    }
    const int row = RowOf(node) + rows;
    const int count = node->parent() ? node->parent()->childCount() : view.topLevelItemCount();
    if (row < 0 || row >= count) {
        return;
    }
    if (node->isProject()) {
        edits_->Do(std::make_unique<ProjectMove>(*this, node, row));
    } else {
        edits_->Do(std::make_unique<TaskMove>(*this, node, node->parentNode(), row));
    }
}

void ProjectTree::EditText(TreeNode* node, std::string_view path, const QString& text,
                           bool typing) {
    auto edit = std::make_unique<TextEdit>(*this, node, path, text.toStdString());
    if (edit->Changes()) {
        edits_->Do(std::move(edit), typing);
    } else {
        UpdateNode(node);
    }
}
