// The one undo stack of the window's edits.
#include "tree/edit_history.h"

#include <QDateTime>

#include "platform/prompter.h"
#include "tree/project_tree.h"

EditHistory::EditHistory(ProjectTree& tree, Prompter& prompter) : tree_(tree), prompter_(prompter) {
    connect(&tree_, &ProjectTree::ProjectChanged, this, &EditHistory::CountChange);
    connect(&tree_, &ProjectTree::ProjectSettled, this, &EditHistory::CountChange);
    // A node that leaves the tree other than by a step (a workspace cleared, a project
    // replaced by its recovered copy) may take a document a step names: the steps go.
    connect(&tree_, &ProjectTree::SubtreeLeaving, this, [this] {
        if (!applying_) {
            stack.clear();
            burstOpen_ = false;
        }
    });
}

void EditHistory::CountChange(TreeNode* project) {
    if (project == nullptr || project->document() == nullptr) {
        return;
    }
    if (applying_) {
        touched_.insert(project->document());
    } else {
        ++changes_[project->document()];
    }
}

EditHistory::MarkMap EditHistory::MarksNow() const {
    MarkMap marks;
    for (int i = 0; i < tree_.view.topLevelItemCount(); ++i) {
        TreeNode* project = tree_.view.topLevelNode(i);
        const pugi::xml_attribute mark = project->element.attribute("modified");
        marks[project->document()] = mark ? std::optional<std::string>(mark.value()) : std::nullopt;
    }
    return marks;
}

void EditHistory::RestoreMark(TreeNode* project, const std::optional<std::string>& mark) {
    if (mark && ProjectTree::IsModified(project) == (*mark == "true")) {
        project->element.attribute("modified").set_value(mark->c_str());
        return;
    }
    if (mark && *mark == "true") {
        tree_.MarkModified(project);
        return;
    }
    tree_.MarkUnmodified(project);  // as its file holds it again: nothing to keep for recovery
    if (!mark) {
        project->element.remove_attribute("modified");
    }
}

void EditHistory::Remember(EditStep& step, const MarkMap& marks) {
    step.marksBefore_.clear();
    step.changesAfter_.clear();
    for (const pugi::xml_document* document : touched_) {
        if (const auto found = marks.find(document); found != marks.end()) {
            step.marksBefore_[document] = found->second;
            step.changesAfter_[document] = changes_[document];
        }
    }
}

void EditHistory::Refuse(const QString& reason) {
    prompter_.Ask(reason, MsgButtons::OK, QStringLiteral("Horavel"));
}

bool EditHistory::Do(std::unique_ptr<EditStep> step, bool typing) {
    if (const QString refusal = step->RedoRefusal(); !refusal.isEmpty()) {
        Refuse(refusal);
        return false;
    }
    step->continuesBurst = typing && burstOpen_;
    burstOpen_ = typing;
    // Named first, so that a warning the step itself brings up (a failing recovery folder)
    // is what the status bar ends up showing.
    if (!step->continuesBurst) {
        tree_.Tell(QStringLiteral("%1. Ctrl+Z %2.")
                       .arg(step->text(), step->Removes() ? QStringLiteral("brings it back")
                                                          : QStringLiteral("takes it back")));
    }
    const auto marks = MarksNow();
    EditStep* pushed = step.get();
    touched_.clear();
    applying_ = true;
    stack.push(step.release());  // does it; a burst's later keys merge into its first step
    applying_ = false;
    NoteEditTimes();
    auto* kept =
        static_cast<EditStep*>(const_cast<QUndoCommand*>(stack.command(stack.index() - 1)));
    if (kept == pushed) {
        Remember(*kept, marks);
    }
    return true;
}

EditStep* EditHistory::Next(bool forward) const {
    const int index = forward ? stack.index() : stack.index() - 1;
    if (index < 0 || index >= stack.count()) {
        return nullptr;
    }
    return static_cast<EditStep*>(const_cast<QUndoCommand*>(stack.command(index)));
}

void EditHistory::Undo() {
    Step(false);
}

void EditHistory::Redo() {
    Step(true);
}

void EditHistory::Step(bool forward) {
    burstOpen_ = false;
    EditStep* step = Next(forward);
    if (step == nullptr) {
        tree_.Tell(forward ? QStringLiteral("Nothing to redo.")
                           : QStringLiteral("Nothing to undo."));
        return;
    }
    if (const QString refusal = forward ? step->RedoRefusal() : step->UndoRefusal();
        !refusal.isEmpty()) {
        Refuse(refusal);
        return;
    }
    tree_.Tell(forward
                   ? QStringLiteral("Done again: %1. Ctrl+Z takes it back.").arg(step->text())
                   : QStringLiteral("Undone: %1. Ctrl+Shift+Z does it again.").arg(step->text()));
    Run(*step, forward);
}

void EditHistory::Run(EditStep& step, bool forward) {
    const auto marks = MarksNow();
    touched_.clear();
    applying_ = true;
    if (forward) {
        stack.redo();
        Remember(step, marks);
    } else {
        stack.undo();
        // Back to the marks the step found, for every project nothing else changed since (no
        // tick, no save); a project saved or timed since stays marked modified.
        for (const auto& [document, mark] : step.marksBefore_) {
            if (TreeNode* project = tree_.ProjectOf(document)) {
                if (changes_[document] == step.changesAfter_[document]) {
                    RestoreMark(project, mark);
                } else {
                    tree_.MarkModified(project);
                }
            }
        }
    }
    applying_ = false;
    NoteEditTimes();
    emit Stepped();
}

void EditHistory::NoteEditTimes() {
    const qint64 now = QDateTime::currentMSecsSinceEpoch();
    for (const pugi::xml_document* document : touched_) {
        lastEdit_[document] = now;
    }
}

qint64 EditHistory::LastEditOf(const pugi::xml_document* document, qint64 otherwise) const {
    const auto found = lastEdit_.find(document);
    return found == lastEdit_.end() ? otherwise : found->second;
}
