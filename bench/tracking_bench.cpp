// One tick of the time accounting on a task five levels deep, in a small and a huge tree.
// The tick walks only the chain above the timed node, so both sizes should cost the same.
#include <QCoreApplication>
#include <QTemporaryDir>
#include <QTreeWidgetItemIterator>

#include <benchmark/benchmark.h>

#include <memory>
#include <string>
#include <vector>

#include "model/xml.h"
#include "shell/frm_main.h"

namespace {

// A clock the benchmark moves on by hand, so every tick books one second.
class SteppingClock : public Clock {
  public:
    double SecondsSinceMidnight() override { return now; }
    double MonotonicSeconds() override { return now; }
    double now = 36000;
};

// `count` task elements under the project, added breadth first with `fanOut` children each.
// Returns the last element placed five levels below the project, the deepest in view order.
pugi::xml_node FillProject(pugi::xml_node project, int count, int fanOut) {
    struct Pending {
        pugi::xml_node element;
        int depth;
    };
    std::vector<Pending> queue{{project, 0}};
    pugi::xml_node deepest;
    int made = 0;
    for (size_t next = 0; next < queue.size() && made < count; ++next) {
        for (int child = 0; child < fanOut && made < count; ++child, ++made) {
            const pugi::xml_node task = XML::ResolvePath(queue[next].element, "!task").element();
            XML::ResolvePath(task, "@name").setText("Task " + std::to_string(made));
            XML::ResolvePath(task, "@completed").setText("false");
            XML::ResolvePath(task, "@task_time").setText("1:02:03");
            XML::ResolvePath(task, "@subtask_time").setText("0:30:00");
            const int depth = queue[next].depth + 1;
            if (depth == 5) {
                deepest = task;
            }
            queue.push_back({task, depth});
        }
    }
    return deepest;
}

TreeNode* NodeOf(frmMain& window, pugi::xml_node element) {
    for (QTreeWidgetItemIterator it(window.ui.Tree); *it; ++it) {
        auto* node = static_cast<TreeNode*>(*it);
        if (node->element == element) {
            return node;
        }
    }
    return nullptr;
}

// The window as a person uses it: shown, every node expanded, captions with seconds so
// every tick changes every caption in the chain, the timed task selected. With `repaint`,
// each iteration also lets the window paint what the tick changed.
enum class Measure { Tick, TickAndRepaint, TimingStatus };

void RunTicks(benchmark::State& state, Measure measure) {
    const bool repaint = measure == Measure::TickAndRepaint;
    const int nodes = static_cast<int>(state.range(0));
    QTemporaryDir home;
    Platform platform = MakeQtPlatform();
    platform.settings = std::make_unique<SettingsStore>(home.filePath("horavel.conf"));
    platform.recoveryFolder = home.filePath("recovery");
    auto clock = std::make_unique<SteppingClock>();
    SteppingClock* stepping = clock.get();
    platform.clock = std::move(clock);
    frmMain window(std::move(platform));
    window.Display.TT_ShowTime = true;
    window.Display.TT_ShowSec = true;

    window.NewProject();
    TreeNode* project = window.SelectedNode();
    const pugi::xml_node timed = FillProject(project->element, nodes - 1, nodes > 1000 ? 10 : 2);
    window.BuildTaskNodes(project, project->element);
    window.UpdateAllNodes();
    window.ui.Tree->expandAll();
    window.show();
    window.ui.Tree->setCurrentItem(NodeOf(window, timed));
    window.ToggleTimer();
    QCoreApplication::processEvents();

    int seconds = 0;
    for (auto _ : state) {
        if (measure == Measure::TimingStatus) {
            // What the tick adds for the status bar and the tray: a new time every second.
            XML::ResolvePath(window.Timing.TimedNode->element, "@task_time")
                .setText("1:00:" + std::to_string(10 + seconds++ % 50));
            window.ShowTimingStatus();
            continue;
        }
        stepping->now += 1;
        window.Timer1_Timer();
        if (repaint) {
            QCoreApplication::processEvents();
        }
    }
    state.counters["nodes"] = nodes;
    window.ToggleTimer();
}

void BM_TickFiveLevelsDeep(benchmark::State& state) {
    RunTicks(state, Measure::Tick);
}
BENCHMARK(BM_TickFiveLevelsDeep)->Arg(100)->Arg(100000)->Unit(benchmark::kMicrosecond);

void BM_TickAndRepaint(benchmark::State& state) {
    RunTicks(state, Measure::TickAndRepaint);
}
BENCHMARK(BM_TickAndRepaint)->Arg(100)->Arg(100000)->Unit(benchmark::kMicrosecond);

// The timer's status-bar field and tray tooltip alone, as each tick updates them.
void BM_TimingStatus(benchmark::State& state) {
    RunTicks(state, Measure::TimingStatus);
}
BENCHMARK(BM_TimingStatus)->Arg(100000)->Unit(benchmark::kMicrosecond);

}  // namespace
