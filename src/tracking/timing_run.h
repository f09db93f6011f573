#pragma once
// A timing run: starting, stopping and switching the timer, each tick's whole seconds
// booked on the timed node and everything above it, and the gaps and idle stretches held
// aside while the person is asked what they were.

#include <QObject>
#include <QString>

#include <functional>
#include <optional>
#include <vector>

#include "history/sessions.h"
#include "tracking/elapsed.h"
#include "tracking/held_time.h"
#include "tracking/idle_watch.h"
#include "tree/window_state.h"

class ProjectTree;
class Timer;
struct Platform;

// Adds `seconds` (negative to take time back) to the node's own time and to the subtask
// time of every node above it, up to and including the project, all or nothing: when one
// of those times cannot take them, nothing is written, the person is told which node and
// why (prefixed with `refused`), and the result is false. A booking marks the project
// modified. Every second the timer books goes through here.
bool BookTime(ProjectTree& tree, TreeNode* node, double seconds, const QString& refused);

class TimingRun : public QObject {
    Q_OBJECT
  public:
    // `Timer1` ticks while the timer runs; `idleLimitSeconds` gives the seconds without
    // input that count as away (0: never).
    TimingRun(ProjectTree& tree, TimingState& timing, Timer& Timer1, Platform& platform,
              std::function<double()> idleLimitSeconds);

    // Starts on `selected`, or stops a running timer; nothing without a selection, unless a
    // running timer has lost its node (then any toggle ends it).
    void ToggleTimer(TreeNode* selected);
    void SwitchTimer(TreeNode* selected);
    // Books the whole seconds since the previous tick.
    void Timer1_Timer();
    // Stops a running timer whatever is selected (its node is selected when nothing is).
    void StopTimer();
    // Stopped for good, whatever state it was in: no tick may run while the projects go.
    void StopBeforeClearing();

    // Periods as they are timed: the History frame lists them, the crash journal keeps them.
    SessionRecorder Sessions;
    // A time between two ticks longer than this is held and asked about, not booked.
    double GapSeconds = 120;

  signals:
    // Started or stopped: what the timer's button and menu entry offer next.
    void RunningChanged(bool running);
    // What the timer shows changed: times booked, a start, a stop.
    void Changed();
    // The timed node's period was created: a change the crash journal cannot carry.
    void PeriodStarted(TreeNode* node);
    // A period began, ended, or a held time became one.
    void PeriodsChanged();
    // A tick booked `booked` seconds on the open period of `element` begun at `start` (the
    // stored form), which already existed.
    void OpenPeriodChanged(pugi::xml_node element, const QString& start, int64_t booked);

  private:
    void Start(TreeNode* node);
    void Stop();
    // Stops a timer whose seconds could not be booked; the tick that found out said why.
    void HaltTimer();
    // The timer no longer runs: its node rests and an open idle stretch is asked about.
    void Rest();
    // One tick; the first of a period also checks the chain above the timed node.
    void Tick(bool firstOfPeriod);
    // Seen, ticks come at Timer1's own interval; unseen, once a second.
    void PaceTicks(bool seen, double now);
    void HoldTime(HeldTime held);
    void AnswerHeldTime(int id, int button);
    void EndIdleStretch(const IdleStep& step);
    // The idleness to watch at `now`; none when unknown or not watched.
    std::optional<double> IdleNow(double now, double limit);
    // Held times follow their node into a rebuilt one, and lose it when it leaves the tree.
    void CarryHeldTimes(TreeNode* from, TreeNode* to);
    void ForgetHeldTimesIn(TreeNode* subtree);

    ProjectTree& tree_;
    TimingState& timing_;
    Timer& Timer1_;
    const int seenIntervalMs_;  // Timer1's interval as the window gives it
    Platform& platform_;
    std::function<double()> idleLimitSeconds_;
    int frame_ = 0;  // clock animation frame, carried over between timing periods
    // Readings between ticks, the idle stretch being watched, and the times held while
    // their questions wait.
    TickState ticks_;
    double lastTickWall_ = 0;
    double bookedSince_ = 0;
    IdleWatch idle_;
    IdleAnswer lastIdleAnswer_;
    std::vector<HeldTime> held_;
    int nextHeldId_ = 1;
};
