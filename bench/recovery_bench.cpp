// What keeping unsaved work for a restart costs while a 10,000-task project is timed.
// Targets: on average at most 0.1% of a core while timing, and no step on the window's
// thread longer than 50 ms (the disk writes and syncs run on the store's own thread).
//   build/release/bench/bench_recovery_bench --benchmark_counters_tabular=true
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include <sys/resource.h>
#include <memory>
#include <string>

#include "files/recovery_journal.h"
#include "files/recovery_store.h"

namespace {

constexpr int kTasks = 10000;
constexpr double kJournalIntervalSeconds = 3;

struct Generator {
    std::string xml;
    int made = 0;
    void Task(int level) {
        ++made;
        xml += "<task name=\"Task " + std::to_string(made) +
               "\" completed=\"false\" task_time=\"1:02:03\" subtask_time=\"4:05:06\">"
               "<description>A description of some length for the task</description>"
               "<history/>";
        for (int i = 0; level < 4 && i < 10 && made < kTasks; ++i) {
            Task(level + 1);
        }
        xml += "</task>";
    }
};

const pugi::xml_document& Document() {
    static pugi::xml_document document;
    static bool made = false;
    if (!made) {
        Generator generator;
        generator.xml = "<project name=\"Big\" task_time=\"0:00:00\" subtask_time=\"9:00:00\">";
        while (generator.made < kTasks) {
            generator.Task(1);
        }
        generator.xml += "</project>";
        document.load_string(generator.xml.c_str());
        made = true;
    }
    return document;
}

// The deepest first task: the longest chain a journal line carries here.
pugi::xml_node DeepTask() {
    pugi::xml_node task = Document().document_element();
    while (task.child("task")) {
        task = task.child("task");
    }
    return task;
}

double ProcessCpuSeconds() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return double(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
           double(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

// On the window's thread, after an edit: the document turned into the snapshot's bytes.
void BM_SnapshotBytes(benchmark::State& state) {
    size_t bytes = 0;
    for (auto _ : state) {
        bytes = Recovery::SnapshotBytes(Document(), 1, 0).size();
        benchmark::DoNotOptimize(bytes);
    }
    state.counters["tasks"] = kTasks;
    state.counters["KiB"] = double(bytes) / 1024;
}
BENCHMARK(BM_SnapshotBytes)->Unit(benchmark::kMillisecond);

// On the store's thread: the snapshot written, synced and renamed into place.
void BM_SnapshotWrite(benchmark::State& state) {
    QTemporaryDir folder;
    RecoveryStore store(folder.filePath("recovery"));
    const std::string bytes = Recovery::SnapshotBytes(Document(), 1, 0);
    for (auto _ : state) {
        store.WriteSnapshot(1, bytes);
        store.Flush();
    }
    store.RemoveAll();
}
BENCHMARK(BM_SnapshotWrite)->Unit(benchmark::kMillisecond)->UseRealTime();

// One journal step while timing: the line built twice on the window's thread (once to see
// whether the times changed), then appended and synced on the store's thread. The cost is
// the whole process's processor time, both threads, spread over the journal's interval.
void BM_JournalStepWhileTiming(benchmark::State& state) {
    QTemporaryDir folder;
    RecoveryStore store(folder.filePath("recovery"));
    const pugi::xml_node timed = DeepTask();
    const double cpuBefore = ProcessCpuSeconds();
    for (auto _ : state) {
        benchmark::DoNotOptimize(Recovery::JournalRecord(timed, 1, 0));
        store.AppendJournal(1, Recovery::JournalRecord(timed, 1, 1));
        store.Flush();
    }
    const double cpuPerStep = (ProcessCpuSeconds() - cpuBefore) / double(state.iterations());
    state.counters["cpu_us"] = cpuPerStep * 1e6;
    state.counters["core_percent"] = 100 * cpuPerStep / kJournalIntervalSeconds;
    store.RemoveAll();
}
BENCHMARK(BM_JournalStepWhileTiming)->Unit(benchmark::kMicrosecond)->UseRealTime();

}  // namespace
