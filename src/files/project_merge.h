#pragma once
// Two versions of one project, edited apart (on two computers, say), merged against the
// version both started from, so that no task, period or edit of either side is lost. Pure:
// documents in, a document and the decisions out; the window applies the result.

#include <QString>

#include <cstdint>
#include <memory>
#include <pugixml.hpp>
#include <vector>

// One version to merge, and when it last changed (milliseconds since the epoch): where
// both versions changed the same thing differently, the later one wins.
struct MergeSide {
    const pugi::xml_document* document = nullptr;
    int64_t changedMs = 0;
};

// Something both sides changed differently: what it was, both values, and the one kept.
struct MergeDecision {
    QString what;   // "the name of task 'Design/Logo'"
    QString task;   // "Design/Logo"; empty for the project itself
    QString field;  // "name", "where it belongs", "note of a period"
    QString mine;
    QString theirs;
    QString kept;
    bool keptMine = false;
};

struct MergeResult {
    std::unique_ptr<pugi::xml_document> document;  // always a project
    std::vector<MergeDecision> decisions;
    // How the merge had to guess: elements without ids matched by their path of names, a
    // task moved under itself put back at the top.
    std::vector<QString> notes;
};

// Merges `mine` and `theirs` against `base`, the version both started from; without a base
// (null) the two are matched by id and by names alone. Tasks are matched by id (by path of
// names where ids are missing); a task added on either side is kept; a move, rename,
// description or Completed made on one side is applied; a task deleted on one side but
// changed on the other is kept; sessions are united by id, a period extended on both
// sides keeping the larger seconds; each task's own time is the sum of its periods where
// both sides' periods add up to it, else base + both differences; every subtask time is
// worked out again. Documents that hold no project merge as empty projects. Merging
// (mine, theirs) and (theirs, mine) gives the same document.
MergeResult MergeProjects(const pugi::xml_document* base, const MergeSide& mine,
                          const MergeSide& theirs);
