// Starting, stopping and switching the timer, and booking the elapsed seconds.
#include "tracking/timing_run.h"

#include <QSignalBlocker>

#include <algorithm>
#include <cmath>
#include <vector>

#include "model/project_document.h"
#include "model/time_sums.h"
#include "model/time_text.h"
#include "model/xml.h"
#include "platform/on_screen.h"
#include "platform/platform.h"
#include "platform/timer.h"
#include "tree/project_tree.h"

namespace {

// The image a node shows once the clock has left it. A project gets the green diamond
// without looking at its modified state; a task shows its completion.
void GiveRestingImage(TreeNode* node) {
    if (node->isProject()) {
        node->setImage(TreeImage::ProjectUnmodified);
        return;
    }
    const bool completed = IsCompletedText(XML::ResolvePath(node->element, "^completed").text());
    node->setImage(completed ? TreeImage::TaskCompleted : TreeImage::Task);
}

// What a row shows that a booking can change.
struct RowLook {
    const TreeNode* node;
    QString caption;
    TreeImage image;
    bool operator!=(const RowLook& other) const {
        return caption != other.caption || image != other.image;
    }
};

std::vector<RowLook> LooksAbove(const TreeNode* node) {
    std::vector<RowLook> looks;
    for (const TreeNode* above = node->parentNode(); above != nullptr;
         above = above->parentNode()) {
        looks.push_back({above, above->caption(), above->image()});
    }
    return looks;
}

}  // namespace

bool BookTime(ProjectTree& tree, TreeNode* node, double seconds, const QString& refused) {
    if (node == nullptr || !node->element) {
        return false;
    }
    std::vector<const QTreeWidgetItem*> changed;
    {
        // For each changed node the view searches its expanded rows from the last one it
        // found, and the chain spans from the project's row to the timed node's: in a large
        // tree that search costs more than the tick itself. Change the chain quietly and
        // repaint the rows on screen that changed. (Quiet also keeps an open label edit on one of
        // these nodes from being reset to the stored name every second.)
        const QSignalBlocker quiet(tree.view.model());
        // Unseen, nothing is repainted (the view is repainted whole when seen again), so the
        // rows above need not be compared either.
        const bool seen = IsOnScreen(tree.view);
        const std::vector<RowLook> before = seen ? LooksAbove(node) : std::vector<RowLook>();
        if (const auto refusal = ApplyTimeChanges(BookingChanges(node->element, seconds))) {
            tree.Tell(
                QStringLiteral("%1: %2.").arg(refused, QString::fromStdString(refusal->reason)));
            return false;
        }
        if (seconds != 0 && !ProjectTree::IsModified(node)) {
            tree.MarkModified(node);  // once per project and save, not every second
        }
        tree.UpdateChain(node);
        // The node's own row always (the timer turns its clock at every tick); a row above
        // only when its caption or image changed, in h:mm once a minute.
        changed.push_back(node);
        const std::vector<RowLook> after = seen ? LooksAbove(node) : std::vector<RowLook>();
        for (size_t i = 0; i < after.size(); ++i) {
            if (after[i] != before[i]) {
                changed.push_back(after[i].node);
            }
        }
    }
    tree.view.repaintRowsOnScreen(changed);
    return true;
}

TimingRun::TimingRun(ProjectTree& tree, TimingState& timing, Timer& Timer1, Platform& platform,
                     std::function<double()> idleLimitSeconds)
    : tree_(tree),
      timing_(timing),
      Timer1_(Timer1),
      seenIntervalMs_(Timer1.interval()),
      platform_(platform),
      idleLimitSeconds_(std::move(idleLimitSeconds)) {
    connect(&tree_, &ProjectTree::NodeReplaced, this, &TimingRun::CarryHeldTimes);
    connect(&tree_, &ProjectTree::SubtreeLeaving, this, &TimingRun::ForgetHeldTimesIn);
}

void TimingRun::ToggleTimer(TreeNode* selected) {
    // With nothing to book on, a running flag is only a stale caption: let any click end it.
    const bool orphaned = timing_.TimerRunning && timing_.TimedNode == nullptr;
    if (selected == nullptr && !orphaned) {
        return;
    }
    if (timing_.TimerRunning) {
        Stop();
    } else {
        Start(selected);
    }
}

void TimingRun::SwitchTimer(TreeNode* selected) {
    ToggleTimer(selected);
    ToggleTimer(selected);
}

void TimingRun::StopTimer() {
    if (!timing_.TimerRunning) {
        return;
    }
    if (tree_.SelectedNode() == nullptr && timing_.TimedNode != nullptr) {
        tree_.view.setCurrentItem(timing_.TimedNode);
    }
    ToggleTimer(tree_.SelectedNode());
}

void TimingRun::StopBeforeClearing() {
    StopTimer();
    Timer1_.setEnabled(false);
    timing_.TimerRunning = false;
}

void TimingRun::Start(TreeNode* node) {
    timing_.TimerRunning = true;
    emit RunningChanged(true);
    ticks_ = StartTicking(platform_.clock->MonotonicSeconds());
    timing_.TimerStartSeconds = bookedSince_ = ticks_.reference;
    lastTickWall_ = platform_.clock->SecondsSinceMidnight();
    idle_ = IdleWatch();
    timing_.TimedNode = node;
    Sessions.Begin(LocalTimeOfReading(lastTickWall_));
    Timer1_.setEnabled(true);
    Tick(true);  // books nothing yet, shows the first clock frame at once
    emit Changed();
}

void TimingRun::Stop() {
    Timer1_.setEnabled(false);
    timing_.TimerRunning = false;
    emit RunningChanged(false);
    Timer1_Timer();  // books the seconds since the last tick
    Rest();
}

void TimingRun::HaltTimer() {
    Timer1_.setEnabled(false);
    timing_.TimerRunning = false;
    emit RunningChanged(false);
    Rest();
}

void TimingRun::Rest() {
    Sessions.End();
    emit PeriodsChanged();  // the period as it ended
    if (timing_.TimedNode != nullptr) {
        GiveRestingImage(timing_.TimedNode);
    }
    EndIdleStretch(EndIdle(idle_, platform_.clock->SecondsSinceMidnight()));
    emit Changed();
}

void TimingRun::Timer1_Timer() {
    Tick(false);
}

void TimingRun::Tick(bool firstOfPeriod) {
    TreeNode* timed = timing_.TimedNode;
    if (timed == nullptr || !timed->element) {
        // The timed node is gone: stop ticking, leave the running flag for ToggleTimer.
        timing_.TimedNode = nullptr;
        Timer1_.setEnabled(false);
        return;
    }
    const double now = platform_.clock->MonotonicSeconds();
    const double wallNow = platform_.clock->SecondsSinceMidnight();
    const double wallBefore = lastTickWall_;
    const TickPlan plan = PlanTick(ticks_, now, GapSeconds);
    timing_.TimerStartSeconds = ticks_.reference;
    lastTickWall_ = wallNow;
    if (plan.held > 0) {
        bookedSince_ = ticks_.reference;  // nothing before the gap is this stretch's to take
    }
    const double idleLimit = idleLimitSeconds_();
    const IdleReading reading{IdleNow(now, idleLimit), idleLimit, now, wallNow};
    const IdleWatch idleBefore = idle_;
    const IdleStep idle =
        WatchIdle(idle_, reading, ticks_.reference - plan.book, ticks_.reference, bookedSince_);
    const bool seen = IsOnScreen(tree_.view);
    frame_ = (frame_ + 1) % 8;
    if (seen) {
        const QSignalBlocker quiet(tree_.view.model());  // the image: see BookTime
        timed->setImage(ClockFrame(frame_));
    }
    PaceTicks(seen, now);
    const double booked = idle.book - idle.takeBack;
    if (booked == 0 && !firstOfPeriod) {
        // Every other tick books nothing: of all a tick may change, only the clock turned.
        // (The first one books nothing either, but writes the chain's times in their stored
        // form, and stops the timer at once when one of them cannot take more.)
        tree_.view.repaintRowsOnScreen({timed});
    } else if (!BookTime(tree_, timed, booked,
                         QStringLiteral("The timer stopped and booked nothing"))) {
        idle_ = idleBefore;  // this tick's seconds were not booked, so they are not held either
        HaltTimer();
        return;
    }
    if (Sessions.Book(timed->element, booked)) {
        emit PeriodStarted(timed);  // the next snapshot must hold it
        emit PeriodsChanged();      // and the History frame lists it
    } else if (static_cast<int64_t>(booked) != 0 && !Sessions.OpenStart().isEmpty()) {
        emit OpenPeriodChanged(timed->element, Sessions.OpenStart(), static_cast<int64_t>(booked));
    }
    if (plan.held > 0) {
        HoldTime({0, HeldTime::Kind::Gap, timed, NodeString(timed, "@name"), plan.held, wallBefore,
                  wallNow});
    }
    if (idle.ended) {
        bookedSince_ = ticks_.reference - idle.book;
        EndIdleStretch(idle);
    }
    if (booked != 0) {
        emit Changed();
    }
}

void TimingRun::PaceTicks(bool seen, double now) {
    if (seen) {
        if (Timer1_.interval() != seenIntervalMs_) {
            Timer1_.setInterval(seenIntervalMs_);
        }
        return;
    }
    // Unseen, no clock turns: one tick just after each second begins keeps the tray's time
    // as current as the half-second ticks did, with half the wake-ups.
    constexpr int kPastTheSecondMs = 20;
    const double untilNextSecond = std::floor(now) + 1 - now;
    Timer1_.setInterval(static_cast<int>(std::ceil(untilNextSecond * 1000)) + kPastTheSecondMs);
}

std::optional<double> TimingRun::IdleNow(double now, double limit) {
    if (limit <= 0 || !platform_.idle) {
        return std::nullopt;  // not watched
    }
    if (const auto known = IdleWithoutAsking(lastIdleAnswer_, idle_, limit, now)) {
        return known;
    }
    lastIdleAnswer_ = {platform_.idle->IdleSeconds(), now};
    return lastIdleAnswer_.idle;
}

void TimingRun::EndIdleStretch(const IdleStep& step) {
    if (!step.ended) {
        return;
    }
    if (idle_.held > 0 && timing_.TimedNode != nullptr) {
        HoldTime({0, HeldTime::Kind::Idle, timing_.TimedNode,
                  NodeString(timing_.TimedNode, "@name"), idle_.held, idle_.fromWall, step.toWall});
    }
    idle_ = IdleWatch();
}

void TimingRun::HoldTime(HeldTime held) {
    held.id = nextHeldId_++;
    const int id = held.id;
    held_.push_back(held);
    // The window may be long gone from the screen; the answer finds the time by its id, so
    // an answer that comes late, or twice, can book it once at most.
    platform_.questions->Ask(HeldTimeQuestion(held), HeldTimeButtons(held.kind), kDiscardButton,
                             [this, id](int button) { AnswerHeldTime(id, button); });
}

void TimingRun::AnswerHeldTime(int id, int button) {
    const auto found =
        std::find_if(held_.begin(), held_.end(), [id](const HeldTime& h) { return h.id == id; });
    if (found == held_.end()) {
        return;
    }
    const HeldTime held = *found;
    held_.erase(found);
    if (button == kDiscardAndStopButton && timing_.TimerRunning) {
        StopTimer();
    }
    if (button != 0) {
        return;  // discarded
    }
    if (held.node == nullptr) {
        tree_.Tell(
            QStringLiteral("%1 not booked: '%2' was deleted meanwhile.")
                .arg(QString::fromStdString(Module1::FormatTime(held.seconds, true)), held.name));
        return;
    }
    if (BookTime(tree_, held.node, held.seconds, QStringLiteral("Nothing booked"))) {
        // A period of its own, at the time it was held: the timer's run went on without it.
        QDateTime start = LocalTimeOfReading(held.fromWall);
        if (held.fromWall > held.toWall) {
            start = start.addDays(-1);  // it began before midnight
        }
        AddSession(held.node->element, SessionStartText(start), int64_t(held.seconds));
        emit PeriodStarted(held.node);  // kept for recovery even when the project was modified
        emit PeriodsChanged();
        emit Changed();
    }
}

void TimingRun::CarryHeldTimes(TreeNode* from, TreeNode* to) {
    for (HeldTime& held : held_) {
        if (held.node == from) {
            held.node = to;
        }
    }
}

void TimingRun::ForgetHeldTimesIn(TreeNode* subtree) {
    for (HeldTime& held : held_) {
        if (IsWithin(held.node, subtree)) {
            held.node = nullptr;  // its question, when answered, says the node is gone
        }
    }
}
