// The document model's hot calls: every tick and every caption goes through them.
#include <benchmark/benchmark.h>

#include "model/project_document.h"
#include "model/time_text.h"
#include "model/xml.h"

namespace {

void BM_FormatTime(benchmark::State& state) {
    double seconds = 3723;
    for (auto _ : state) {
        benchmark::DoNotOptimize(Module1::FormatTime(seconds, true));
        seconds += 1;
    }
}
BENCHMARK(BM_FormatTime);

void BM_ParseTime(benchmark::State& state) {
    const std::string text = "1234:56:07";
    for (auto _ : state) {
        benchmark::DoNotOptimize(Module1::ParseTime(text));
    }
}
BENCHMARK(BM_ParseTime);

// A task element as a real project holds it: four attributes, description, history.
struct TaskFixture {
    TaskFixture() {
        document = NewProjectDocument();
        task = XML::ResolvePath(*document, "%project/!task").element();
        XML::ResolvePath(task, "@name").setText("Design");
        XML::ResolvePath(task, "@completed").setText("false");
        XML::ResolvePath(task, "@task_time").setText("1:02:03");
        XML::ResolvePath(task, "@subtask_time").setText("0:30:00");
        XML::ResolvePath(task, "%description").setText("Logo and colours");
        XML::ResolvePath(task, "%history");
    }
    std::unique_ptr<pugi::xml_document> document;
    pugi::xml_node task;
};

void BM_ResolveTaskTime(benchmark::State& state) {
    TaskFixture fixture;
    for (auto _ : state) {
        benchmark::DoNotOptimize(XML::ResolvePath(fixture.task, "@task_time"));
    }
}
BENCHMARK(BM_ResolveTaskTime);

void BM_ResolveDescription(benchmark::State& state) {
    TaskFixture fixture;
    for (auto _ : state) {
        benchmark::DoNotOptimize(XML::ResolvePath(fixture.task, "%description"));
    }
}
BENCHMARK(BM_ResolveDescription);

void BM_NodeText(benchmark::State& state) {
    TaskFixture fixture;
    const XML::Node attribute = XML::ResolvePath(fixture.task, "@task_time");
    for (auto _ : state) {
        benchmark::DoNotOptimize(XML::NodeText(attribute, ""));
    }
}
BENCHMARK(BM_NodeText);

}  // namespace
