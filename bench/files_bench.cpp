// Loading a large project into the tree and saving it back, on the real window.
// Targets: load and build the nodes of 100,000 tasks in under 1 s, save in under 200 ms,
// under 150 MB resident while the program holds them. With a timing period on every task
// (argument 1): load within 1.15 times and private memory within 1.3 times the same tree
// without (the History frame shows the project, as at a start), save under 300 ms.
//   build/release/bench/bench_files_bench --benchmark_counters_tabular=true
#include <QApplication>
#include <QFile>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include <sys/resource.h>
#include <unistd.h>
#include <memory>
#include <string>

#include "model/xml.h"
#include "shell/frm_main.h"

namespace {

constexpr int kTasks = 100000;
constexpr int kLevels = 5;
constexpr int kFanOut = 10;  // 10 + 100 + 1,000 + 10,000 + the rest of 100,000 on level five

struct Generator {
    std::string xml;
    int made = 0;
    bool sessions = false;

    std::string History() const {
        if (!sessions) {
            return "<history/>";
        }
        const int day = 1 + made % 28;
        return R"(<history><session start="2026-)" + std::to_string(1 + made % 12) + "-" +
               (day < 10 ? "0" : "") + std::to_string(day) + R"(T09:15:02+01:00" seconds=")" +
               std::to_string(60 + made % 3600) + R"("/></history>)";
    }

    void Task(int level, const std::string& number) {
        ++made;
        xml += R"(<task name="Task )" + number + R"(" completed=")" +
               (made % 3 == 0 ? "true" : "false") + R"(" task_time=")" +
               std::to_string(made % 100) + ":" + std::to_string(10 + made % 50) +
               R"(:07" subtask_time=")" + std::to_string(made % 1000) +
               R"(:45:06"><description>Description of task )" + number +
               R"(, long enough to be a real one</description>)" + History();
        for (int i = 1; level < kLevels && i <= kFanOut && made < kTasks; ++i) {
            Task(level + 1, number + "." + std::to_string(i));
        }
        xml += "</task>";
    }
};

// The project file, written once for all benchmarks; with or without sessions.
QString ProjectFile(bool sessions) {
    static QTemporaryDir folder;
    static QString paths[2];
    QString& path = paths[sessions ? 1 : 0];
    if (path.isEmpty()) {
        path = [sessions] {
            Generator generator;
            generator.sessions = sessions;
            generator.xml = R"(<?xml version="1.0"?><project name="Big" completed="false" )"
                            R"(task_time="1:00:00" subtask_time="99999:00:00"><description>)"
                            R"(Benchmark</description><history/>)";
            for (int i = 1; generator.made < kTasks; ++i) {
                generator.Task(1, std::to_string(i));
            }
            generator.xml += "</project>";
            const QString file = folder.filePath(sessions ? "sessions.hvp" : "big.hvp");
            QFile out(file);
            out.open(QIODevice::WriteOnly);
            out.write(generator.xml.data(), qint64(generator.xml.size()));
            return file;
        }();
    }
    return path;
}

std::unique_ptr<frmMain> MakeWindow(const QTemporaryDir& home) {
    Platform platform = MakeQtPlatform();
    platform.settings = std::make_unique<SettingsStore>(home.filePath("horavel.conf"));
    platform.recoveryFolder = home.filePath("recovery");
    auto window = std::make_unique<frmMain>(std::move(platform));
    window->show();
    QApplication::processEvents();
    return window;
}

double MegaBytes(long kilobytes) {
    return double(kilobytes) / 1024.0;
}

double ResidentMegaBytes() {
    long pages = 0;
    long resident = 0;
    if (FILE* statm = std::fopen("/proc/self/statm", "r")) {
        if (std::fscanf(statm, "%ld %ld", &pages, &resident) != 2) {
            resident = 0;
        }
        std::fclose(statm);
    }
    return double(resident) * double(sysconf(_SC_PAGESIZE)) / (1024.0 * 1024.0);
}

// Private memory, as a process monitor shows it: the pages this program alone holds.
double PrivateMegaBytes() {
    double kilobytes = 0;
    if (FILE* rollup = std::fopen("/proc/self/smaps_rollup", "r")) {
        char line[256];
        while (std::fgets(line, sizeof line, rollup) != nullptr) {
            long value = 0;
            if (std::sscanf(line, "Private_Clean: %ld", &value) == 1 ||
                std::sscanf(line, "Private_Dirty: %ld", &value) == 1) {
                kilobytes += double(value);
            }
        }
        std::fclose(rollup);
    }
    return kilobytes / 1024.0;
}

double PeakMegaBytes() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return MegaBytes(usage.ru_maxrss);
}

void BM_LoadProject(benchmark::State& state) {
    const QString path = ProjectFile(state.range(0) != 0);
    QTemporaryDir home;
    auto window = MakeWindow(home);
    double heldMegaBytes = 0;
    double privateMegaBytes = 0;
    for (auto _ : state) {
        QString fileName = path;
        window->LoadProjects(fileName);
        QApplication::processEvents();  // the view takes in the new branch
        state.PauseTiming();
        heldMegaBytes = ResidentMegaBytes();
        privateMegaBytes = PrivateMegaBytes();
        TreeNode* project = window->ui.Tree->topLevelNode(0);
        window->DeleteNode(project);
        QApplication::processEvents();
        state.ResumeTiming();
    }
    state.counters["tasks"] = kTasks;
    state.counters["file_MB"] = double(QFile(path).size()) / (1024.0 * 1024.0);
    state.counters["held_MB"] = heldMegaBytes;
    state.counters["private_MB"] = privateMegaBytes;
    state.counters["peak_MB"] = PeakMegaBytes();
}
BENCHMARK(BM_LoadProject)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->MinTime(3);

void BM_SaveProject(benchmark::State& state) {
    QTemporaryDir home;
    QFile::copy(ProjectFile(state.range(0) != 0), home.filePath("big.hvp"));
    auto window = MakeWindow(home);
    QString fileName = home.filePath("big.hvp");
    window->LoadProjects(fileName);
    TreeNode* project = window->ui.Tree->topLevelNode(0);
    for (auto _ : state) {
        if (!window->SaveProject(project, false)) {
            state.SkipWithError("the save failed");
            break;
        }
    }
    state.counters["peak_MB"] = PeakMegaBytes();
}
BENCHMARK(BM_SaveProject)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->MinTime(2);

}  // namespace
