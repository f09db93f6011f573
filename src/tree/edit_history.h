#pragma once
// Every edit a person makes to the projects, kept on one undo stack: Ctrl+Z takes the last
// one back, Ctrl+Shift+Z (or Ctrl+Y) does it again. A step names its node by place, never by
// pointer: nodes are rebuilt by moves, and a removed element comes back as a copy.

#include <QObject>
#include <QString>
#include <QUndoCommand>
#include <QUndoStack>

#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <pugixml.hpp>
#include <set>
#include <string>
#include <vector>

class Prompter;
class ProjectTree;
class TreeNode;

// Where a node is: its project's document and its row under each node on the way down from
// the project (none for the project itself). The document outlives a removed project inside
// the step that removed it, so a place stays good for every step on the stack.
struct NodePlace {
    const pugi::xml_document* document = nullptr;
    std::vector<int> rows;
    bool operator==(const NodePlace&) const = default;
};

class EditStep : public QUndoCommand {
  public:
    using QUndoCommand::QUndoCommand;
    // Why the step cannot be taken back, or done again, now: a sentence for the person, empty
    // when it can. Asked before every undo and redo: the tree may have changed since.
    virtual QString UndoRefusal() const { return {}; }
    virtual QString RedoRefusal() const { return {}; }
    // A removal is brought back by Ctrl+Z; anything else is taken back.
    virtual bool Removes() const { return false; }

    // Set by EditHistory: whether this step continues the burst of typing before it.
    bool continuesBurst = false;

  private:
    friend class EditHistory;
    // Each project's modified mark before the step was last done (its stored text, empty
    // for none), and its count of changes by anything but a step right after: if nothing
    // else changed it since (no tick, no save), an undo puts the mark back as it was.
    std::map<const pugi::xml_document*, std::optional<std::string>> marksBefore_;
    std::map<const pugi::xml_document*, uint64_t> changesAfter_;
};

class EditHistory : public QObject {
    Q_OBJECT
  public:
    EditHistory(ProjectTree& tree, Prompter& prompter);

    // Does the step and keeps it for Ctrl+Z; refused with the reason (and dropped) when it
    // cannot be done now. `typing` steps of one field in one burst become one step.
    bool Do(std::unique_ptr<EditStep> step, bool typing = false);
    void Undo();
    void Redo();
    // The burst of typing is over (the field lost the focus, another node was shown).
    void EndBurst() { burstOpen_ = false; }
    // Whether a step is being done or undone now: the tree's changes are the step's own.
    bool Applying() const { return applying_; }
    // When a step last changed the project of `document` (milliseconds since the epoch), or
    // `otherwise` when none did: a merge dates this window's edits by it.
    qint64 LastEditOf(const pugi::xml_document* document, qint64 otherwise) const;

    QUndoStack stack;

  signals:
    // A step was undone or redone: what shows the tree's nodes must look again.
    void Stepped();

  private:
    EditStep* Next(bool forward) const;
    // Undoes (or redoes) the next step unless it is refused now; the status bar says which.
    void Step(bool forward);
    // Runs one way of the step, keeping or restoring the modified marks around it.
    void Run(EditStep& step, bool forward);
    using MarkMap = std::map<const pugi::xml_document*, std::optional<std::string>>;
    MarkMap MarksNow() const;
    // Keeps, in the step just done, the marks of the projects it touched as they were before.
    void Remember(EditStep& step, const MarkMap& marks);
    // Puts back the project's mark as the step found it.
    void RestoreMark(TreeNode* project, const std::optional<std::string>& mark);
    void CountChange(TreeNode* project);
    void NoteEditTimes();
    void Refuse(const QString& reason);

    ProjectTree& tree_;
    Prompter& prompter_;
    std::map<const pugi::xml_document*, uint64_t> changes_;  // by anything but a step
    std::set<const pugi::xml_document*> touched_;            // by the step being run
    std::map<const pugi::xml_document*, qint64> lastEdit_;   // by a step, done or undone
    bool applying_ = false;
    bool burstOpen_ = false;
};
