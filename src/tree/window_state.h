#pragma once
// The main window's state apart from its widgets: plain objects the window owns and hands
// to its subsystems by reference. (The display flags are DisplayFlags, tree/caption.h; the
// documents are reached through the project nodes.)

#include <QString>

class TreeNode;

// The timer as the rest of the program sees it. Tracking decides what it books on; the
// tree keeps TimedNode pointing at a node that exists when nodes are removed or rebuilt.
struct TimingState {
    TreeNode* TimedNode = nullptr;  // the node timed now, or last; never left dangling
    bool TimerRunning = false;
    double TimerStartSeconds = 0;  // monotonic whole second up to which time is booked
};

// The set of open projects as a workspace file lists it.
struct WorkspaceState {
    QString WorkspaceFile;  // empty when none
    // The set of open projects, their order or a project's file name changed since the
    // workspace was last saved, loaded or cleared.
    bool WorkspaceModified = false;
};
