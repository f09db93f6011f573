// Reports and the History frame on a year of timing periods.
// Targets: a timesheet with amounts over 100,000 periods on 10,000 tasks in under 200 ms;
// the PDF of a 1,000-row report in under 2 s; the History frame's list of 50,000 periods under one
// project ready to show in under 100 ms.
//   build/release/bench/bench_history_bench
#include <QTemporaryDir>
#include <QTreeView>

#include <benchmark/benchmark.h>

#include <string>

#include "history/history_model.h"
#include "history/report.h"
#include "history/report_pdf.h"

namespace {

// A project of `tasks` tasks (100 groups of tasks/100), `sessions` periods spread over 2026.
std::unique_ptr<pugi::xml_document> YearOfSessions(int tasks, int sessions) {
    std::string xml =
        R"(<project name="Year" currency="EUR" task_time="" subtask_time=""><description/>)"
        R"(<history/><rates><rate hourly="85.00"/><rate from="2026-07-01" hourly="90.00"/></rates>)";
    int made = 0;
    for (int group = 0; group < 100; ++group) {
        xml += R"(<task name="Group )" + std::to_string(group) + R"("><description/><history/>)";
        for (int i = 0; i < tasks / 100; ++i, ++made) {
            xml += R"(<task name="Task )" + std::to_string(made) + R"("><description/><history>)";
            for (int s = 0; s < sessions / tasks; ++s) {
                const int day = (made * 7 + s * 37) % 365;
                const QDateTime start(QDate(2026, 1, 1).addDays(day),
                                      QTime(8 + s % 12, (made * 13) % 60));
                xml += R"(<session start=")" + start.toString(Qt::ISODate).toStdString() +
                       R"(+01:00" seconds=")" + std::to_string(600 + (made * 31 + s) % 14400) +
                       R"("/>)";
            }
            xml += "</history></task>";
        }
        xml += "</task>";
    }
    xml += "</project>";
    auto doc = std::make_unique<pugi::xml_document>();
    doc->load_string(xml.c_str());
    return doc;
}

void BM_YearReport(benchmark::State& state) {
    const auto doc = YearOfSessions(10000, 100000);
    const std::vector<ReportProject> projects{{"Year", doc->first_child()}};
    size_t rows = 0;
    for (auto _ : state) {
        LocalDays days(QTimeZone("Europe/Berlin"));
        const Timesheet sheet = BuildTimesheet(projects, {QDate(2026, 1, 1), QDate(2026, 12, 31)},
                                               days, {{RoundMode::Nearest, 15}, false});
        rows = sheet.rows.size();
        benchmark::DoNotOptimize(sheet.grandTotal);
    }
    state.counters["rows"] = static_cast<double>(rows);
}
BENCHMARK(BM_YearReport)->Unit(benchmark::kMillisecond)->MinTime(2);

// A month of 1,000 tasks listed day by day in a PDF of some pages: rich text laid out page
// by page, as the Reports window saves it.
void BM_ReportPdf(benchmark::State& state) {
    const auto doc = YearOfSessions(1000, 1000);
    const std::vector<ReportProject> projects{{"Year", doc->first_child()}};
    LocalDays days(QTimeZone("Europe/Berlin"));
    const Timesheet sheet = BuildTimesheet(projects, {QDate(2026, 1, 1), QDate(2026, 12, 31)}, days,
                                           {{RoundMode::Up, 6}, false});
    const QString html = ReportHtml(sheet, {"Jane Doe", {"Acme"}, {"Year"}, QDate(2027, 1, 2)}, {});
    QTemporaryDir scratch;
    for (auto _ : state) {
        QString error;
        benchmark::DoNotOptimize(
            DrawReportPdf(scratch.filePath(QStringLiteral("report.pdf")), html, false, error));
    }
    state.counters["rows"] = static_cast<double>(sheet.rows.size());
}
BENCHMARK(BM_ReportPdf)->Unit(benchmark::kMillisecond)->Iterations(3);

void BM_HistoryList(benchmark::State& state) {
    const auto doc = YearOfSessions(5000, 50000);
    HistoryModel model;
    QTreeView view;
    view.setUniformRowHeights(true);
    view.setModel(&model);
    view.resize(800, 400);
    view.show();
    for (auto _ : state) {
        model.Show(doc->first_child(), QTimeZone("Europe/Berlin"));
        benchmark::DoNotOptimize(view.grab());  // lays out and paints the visible rows
    }
    state.counters["rows"] = model.rowCount();
}
BENCHMARK(BM_HistoryList)->Unit(benchmark::kMillisecond)->MinTime(2);

}  // namespace
