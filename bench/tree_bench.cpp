// The whole tree at once: refreshing every caption (as after a change of the display
// options) and building the nodes of a loaded project, on a tree of 101,111 nodes.
#include <QApplication>
#include <QTemporaryDir>
#include <QTreeWidgetItemIterator>

#include <benchmark/benchmark.h>

#include <memory>
#include <string>

#include "model/project_document.h"
#include "model/xml.h"
#include "shell/frm_main.h"

namespace {

// Tasks per parent at each of the five levels: 10 + 100 + 1,000 + 10,000 + 90,000.
constexpr int kBranching[] = {10, 10, 10, 10, 9};

void AddTasks(pugi::xml_node parent, int level, int& counter) {
    if (level == int(std::size(kBranching))) {
        return;
    }
    for (int i = 0; i < kBranching[level]; ++i) {
        const pugi::xml_node task = XML::ResolvePath(parent, "!task").element();
        ++counter;
        XML::ResolvePath(task, "@name").setText("Task " + std::to_string(counter));
        XML::ResolvePath(task, "@completed").setText(counter % 3 == 0 ? "true" : "false");
        XML::ResolvePath(task, "@task_time").setText(std::to_string(counter % 500) + ":02:03");
        XML::ResolvePath(task, "@subtask_time")
            .setText("10:20:" + std::to_string(10 + counter % 50));
        XML::ResolvePath(task, "%description")
            .setText("What task " + std::to_string(counter) + " is for");
        XML::ResolvePath(task, "%history");
        AddTasks(task, level + 1, counter);
    }
}

// A project document with every attribute and child filled, five levels deep.
std::unique_ptr<pugi::xml_document> BigProject() {
    auto document = NewProjectDocument();
    const pugi::xml_node project = document->document_element();
    XML::ResolvePath(project, "@name").setText("Big");
    XML::ResolvePath(project, "@task_time").setText("1:00:00");
    XML::ResolvePath(project, "@subtask_time").setText("9000:00:00");
    XML::ResolvePath(project, "%description").setText("A project of a hundred thousand tasks");
    int counter = 0;
    AddTasks(project, 0, counter);
    return document;
}

// The real window on the real seams, its settings in a folder of its own, on screen.
struct Window {
    Window() {
        Platform platform = MakeQtPlatform();
        platform.settings = std::make_unique<SettingsStore>(folder.filePath("horavel.conf"));
        platform.recoveryFolder = folder.filePath("recovery");
        window = std::make_unique<frmMain>(std::move(platform));
        window->Display.TT_ShowTime = true;
        window->show();
        QApplication::processEvents();
    }
    // Adds the project as loading does: the project node first, then its tasks.
    TreeNode* Load(std::unique_ptr<pugi::xml_document> document) {
        auto* node = new TreeNode(std::move(document));
        node->setImage(TreeImage::ProjectUnmodified);
        window->ui.Tree->addTopLevelItem(node);
        window->UpdateNode(node);
        window->BuildTaskNodes(node, node->element);
        return node;
    }
    QTemporaryDir folder;
    std::unique_ptr<frmMain> window;
};

void UpdateAllNodes(benchmark::State& state, bool expanded) {
    Window shown;
    shown.Load(BigProject());
    if (expanded) {
        shown.window->ui.Tree->expandAll();
    }
    QApplication::processEvents();
    for (auto _ : state) {
        // Every caption changes, as it does when the options change.
        shown.window->Display.TT_ShowSec = !shown.window->Display.TT_ShowSec;
        shown.window->UpdateAllNodes();
        state.PauseTiming();
        QApplication::processEvents();  // the repaint belongs to the event loop, not here
        state.ResumeTiming();
    }
    int nodes = 0;
    for (QTreeWidgetItemIterator it(shown.window->ui.Tree); *it; ++it) {
        ++nodes;
    }
    state.counters["nodes"] = nodes;
}

void BM_UpdateAllNodes(benchmark::State& state) {
    UpdateAllNodes(state, false);
}
BENCHMARK(BM_UpdateAllNodes)->Unit(benchmark::kMillisecond)->MinTime(2);

void BM_UpdateAllNodesExpanded(benchmark::State& state) {
    UpdateAllNodes(state, true);
}
BENCHMARK(BM_UpdateAllNodesExpanded)->Unit(benchmark::kMillisecond)->MinTime(2);

void BM_BuildTaskNodes(benchmark::State& state) {
    Window shown;
    const std::unique_ptr<pugi::xml_document> source = BigProject();
    for (auto _ : state) {
        state.PauseTiming();
        auto document = std::make_unique<pugi::xml_document>();
        document->reset(*source);
        auto* node = new TreeNode(std::move(document));
        node->setImage(TreeImage::ProjectUnmodified);
        shown.window->ui.Tree->addTopLevelItem(node);
        state.ResumeTiming();
        shown.window->BuildTaskNodes(node, node->element);
        state.PauseTiming();
        QApplication::processEvents();
        delete node;
        state.ResumeTiming();
    }
}
BENCHMARK(BM_BuildTaskNodes)->Unit(benchmark::kMillisecond)->MinTime(2);

}  // namespace
