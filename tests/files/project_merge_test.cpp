// Merging two versions of a project against the one they started from.

#include <random>
#include <set>

#include "files/project_merge.h"
#include "history/sessions.h"
#include "model/ids.h"
#include "model/time_sums.h"
#include "model/time_text.h"
#include "support/doubles.h"
#include "support/site_file.h"
#include "support/sum_check.h"

namespace {

using site::Project;
using site::Task;

std::unique_ptr<pugi::xml_document> Doc(const std::string& text) {
    auto document = std::make_unique<pugi::xml_document>();
    EXPECT_TRUE(document->load_string(text.c_str())) << text;
    return document;
}

std::string Bytes(const pugi::xml_node& node) {
    std::ostringstream out;
    node.print(out, "", pugi::format_raw);
    return out.str();
}

std::string Id(int n) {
    return IdOfNumber(static_cast<unsigned long long>(n));
}

// Periods on 7 December, each starting on the hour given and lasting the seconds given.
std::string Periods(std::vector<std::pair<int, int>> periods) {
    std::string text;
    for (const auto& [hour, seconds] : periods) {
        text += "<session start=\"2026-12-07T" + std::string(hour < 10 ? "0" : "") +
                std::to_string(hour) + ":00:00+01:00\" seconds=\"" + std::to_string(seconds) +
                "\" id=\"" + Id(100 + hour) + "\"/>";
    }
    return text;
}

pugi::xml_node TaskNamed(const pugi::xml_document& document, const char* name) {
    return document.find_node([&](pugi::xml_node node) {
        return std::string_view(node.name()) == "task" &&
               std::string_view(node.attribute("name").value()) == name;
    });
}

MergeResult Merged(const pugi::xml_document& base, const pugi::xml_document& mine,
                   const pugi::xml_document& theirs, int64_t mineMs = 0, int64_t theirsMs = 0) {
    MergeResult result = MergeProjects(&base, {&mine, mineMs}, {&theirs, theirsMs});
    EXPECT_EQ(FindSumMismatch(result.document->document_element()), std::nullopt);
    return result;
}

TEST(ProjectMerge, EditsOfBothSidesAreAllKept) {
    const auto base =
        Doc(Project(Task(2, "Design", "1:00:00", Periods({{9, 3600}})) + Task(3, "Copy")));
    // Mine renames Design, extends its period and adds a task; theirs moves Copy below
    // Design, completes it, adds a period to Design and a task of its own.
    const auto mine = Doc(Project(Task(2, "Layout", "1:10:00", Periods({{9, 4200}})) +
                                  Task(3, "Copy") + Task(4, "Mine")));
    auto theirsText = Project(Task(2, "Design", "1:30:00", Periods({{9, 3600}, {11, 1800}}),
                                   Task(3, "Copy") + Task(5, "Theirs")));
    theirsText.replace(theirsText.find("name=\"Copy\" completed=\"false\""), 29,
                       "name=\"Copy\" completed=\"true\"");
    const auto theirs = Doc(theirsText);
    const MergeResult result = Merged(*base, *mine, *theirs);
    const pugi::xml_document& merged = *result.document;
    const pugi::xml_node layout = TaskNamed(merged, "Layout");
    ASSERT_TRUE(layout);
    EXPECT_EQ(std::string(layout.attribute("task_time").value()), "1:40:00");  // 4200 + 1800
    EXPECT_EQ(SumSessions(layout), 6000);
    EXPECT_EQ(layout.child("task").attribute("name").value(), std::string("Copy"));
    EXPECT_EQ(layout.child("task").attribute("completed").value(), std::string("true"));
    EXPECT_TRUE(TaskNamed(merged, "Mine"));
    EXPECT_TRUE(TaskNamed(merged, "Theirs"));
    EXPECT_EQ(std::string(merged.document_element().attribute("subtask_time").value()), "1:40:00");
    EXPECT_TRUE(result.decisions.empty());
    // The same document whichever side is called mine.
    EXPECT_EQ(Bytes(merged), Bytes(*Merged(*base, *theirs, *mine).document));
}

TEST(ProjectMerge, TimeWinsOverDeletionAndAnUntouchedTaskStaysDeleted) {
    const auto base = Doc(Project(Task(2, "Kept") + Task(3, "Gone")));
    const auto mine = Doc(Project(""));
    const auto theirs =
        Doc(Project(Task(2, "Kept", "0:05:00", Periods({{10, 300}})) + Task(3, "Gone")));
    const MergeResult result = Merged(*base, *mine, *theirs);
    EXPECT_TRUE(TaskNamed(*result.document, "Kept"));
    EXPECT_FALSE(TaskNamed(*result.document, "Gone"));
    // A child timed below a task deleted on the other side brings its parent back.
    const auto nestedBase = Doc(Project(Task(2, "Parent", "", "", Task(3, "Child"))));
    const auto nestedTheirs =
        Doc(Project(Task(2, "Parent", "", "", Task(3, "Child", "0:00:10", Periods({{8, 10}})))));
    const MergeResult nested = Merged(*nestedBase, *mine, *nestedTheirs);
    EXPECT_TRUE(TaskNamed(*nested.document, "Parent").child("task"));
}

TEST(ProjectMerge, TheLaterOfTwoDifferentChangesWinsAndIsTold) {
    const auto base = Doc(Project(Task(2, "Design")));
    const auto mine = Doc(Project(Task(2, "Mine")));
    const auto theirs = Doc(Project(Task(2, "Theirs")));
    const MergeResult later = Merged(*base, *mine, *theirs, 2000, 1000);
    EXPECT_TRUE(TaskNamed(*later.document, "Mine"));
    ASSERT_EQ(later.decisions.size(), 1U);
    EXPECT_EQ(later.decisions[0].what, "the name of task 'Mine'");
    EXPECT_EQ(later.decisions[0].mine, "Mine");
    EXPECT_EQ(later.decisions[0].theirs, "Theirs");
    EXPECT_EQ(later.decisions[0].kept, "Mine");
    EXPECT_TRUE(TaskNamed(*Merged(*base, *mine, *theirs, 1000, 2000).document, "Theirs"));
}

TEST(ProjectMerge, FilesWithoutIdsAreMatchedByNames) {
    const char* old = R"(<project name="P"><task name="A" task_time="0:01:00"/></project>)";
    const auto base = Doc(old);
    std::string mineText = old;
    mineText.replace(mineText.find("0:01:00"), 7, "0:03:00");  // two minutes more here
    const auto mine = Doc(mineText);
    // The other computer saved it once (ids given) with one more minute.
    const auto theirs = Doc(R"(<project name="P" id=")" + Id(7) + R"("><task name="A" )" +
                            R"(task_time="0:02:00" id=")" + Id(8) + R"("/></project>)");
    const MergeResult result = Merged(*base, *mine, *theirs);
    const pugi::xml_node a = result.document->document_element().child("task");
    EXPECT_EQ(std::string(a.attribute("task_time").value()), "0:04:00");
    EXPECT_EQ(a.attribute("id").value(), Id(8));
    EXPECT_FALSE(a.next_sibling("task"));
    ASSERT_EQ(result.notes.size(), 1U);
    // Without a base, both versions are one task, and neither time is added to the other.
    const MergeResult twoWay = MergeProjects(nullptr, {mine.get(), 0}, {theirs.get(), 0});
    EXPECT_EQ(std::string(
                  twoWay.document->document_element().child("task").attribute("task_time").value()),
              "0:03:00");
}

TEST(ProjectMerge, TwoMovesThatMakeACycleEndAtTheTop) {
    const auto base = Doc(Project(Task(2, "A") + Task(3, "B")));
    const auto mine = Doc(Project(Task(2, "A", "", "", Task(3, "B"))));
    const auto theirs = Doc(Project(Task(3, "B", "", "", Task(2, "A"))));
    const MergeResult result = Merged(*base, *mine, *theirs);
    EXPECT_TRUE(TaskNamed(*result.document, "A"));
    EXPECT_TRUE(TaskNamed(*result.document, "B"));
    EXPECT_FALSE(result.notes.empty());
    EXPECT_EQ(Bytes(*result.document), Bytes(*Merged(*base, *theirs, *mine).document));
}

// Random edits, as a person makes them, on one copy of a project; each keeps the sum rule
// and the history rule (a task's periods add up to its own time).
class Editor {
  public:
    Editor(pugi::xml_document& document, std::mt19937& random)
        : root_(document.document_element()), random_(random) {}

    void RandomEdit() {
        std::vector<pugi::xml_node> tasks = Tasks();
        const int kind = Draw(tasks.empty() ? 0 : 7);
        if (kind == 0) {
            Add(Pick(tasks, true));
            return;
        }
        const pugi::xml_node task = Pick(tasks, false);
        switch (kind) {
            case 1:
                task.attribute("name").set_value(Name().c_str());
                break;
            case 2:
                Move(task, tasks);
                break;
            case 3:
                Delete(task);
                break;
            case 4:
                task.attribute("completed").set_value(Draw(1) == 0 ? "true" : "false");
                break;
            case 5:
                Book(task, Start(), 1 + Draw(3600), false);
                break;
            case 6:
                Extend(task);
                break;
            default:
                Correct(task);
                break;
        }
    }

    void Add(pugi::xml_node parent) {
        pugi::xml_node task = parent.append_child("task");
        task.append_attribute("name").set_value(Name().c_str());
        task.append_attribute("completed").set_value("false");
        task.append_attribute("task_time").set_value("");
        task.append_attribute("subtask_time").set_value("");
        task.append_attribute("id").set_value(NewId().c_str());
        task.append_child("description");
        task.append_child("history");
    }

  private:
    int Draw(int most) { return std::uniform_int_distribution<int>(0, most)(random_); }
    std::string Name() { return std::string(1, char('A' + Draw(5))); }
    QString Start() {
        return SessionStartText(
            QDateTime(QDate(2026, 12, 7), QTime(8 + Draw(10), Draw(59)), QTimeZone(3600)));
    }
    std::vector<pugi::xml_node> Tasks() const {
        std::vector<pugi::xml_node> tasks;
        for (pugi::xpath_node found : root_.select_nodes(".//task")) {
            tasks.push_back(found.node());
        }
        return tasks;
    }
    pugi::xml_node Pick(const std::vector<pugi::xml_node>& tasks, bool orRoot) {
        const int index = Draw(int(tasks.size()) - (orRoot ? 0 : 1));
        return size_t(index) < tasks.size() ? tasks[size_t(index)] : root_;
    }
    void Book(pugi::xml_node task, const QString& start, int seconds, bool correction) {
        AddSession(task, start, seconds, {}, correction);
        ASSERT_EQ(ApplyTimeChanges(BookingChanges(task, seconds)), std::nullopt);
    }
    void Extend(pugi::xml_node task) {
        for (pugi::xml_node session : SessionNodes(task)) {
            if (!IsCorrection(session)) {
                const int more = 1 + Draw(600);
                SetSessionSeconds(session, session.attribute("seconds").as_llong() + more);
                ASSERT_EQ(ApplyTimeChanges(BookingChanges(task, more)), std::nullopt);
                return;
            }
        }
    }
    void Correct(pugi::xml_node task) {
        const int own = int(Module1::ParseTime(task.attribute("task_time").value()));
        Book(task, Start(), Draw(own + 600) - own, true);
    }
    void Move(pugi::xml_node task, const std::vector<pugi::xml_node>& tasks) {
        pugi::xml_node to = Pick(tasks, true);
        for (pugi::xml_node up = to; up; up = up.parent()) {
            if (up == task) {
                return;  // not below itself
            }
        }
        const double whole = WholeTimeOf(task).value_or(0);
        std::vector<TimeChange> changes;
        AddAncestorChanges(changes, task.parent(), -whole);
        AddAncestorChanges(changes, to, whole);
        ASSERT_EQ(ApplyTimeChanges(changes), std::nullopt);
        to.append_move(task);
    }
    void Delete(pugi::xml_node task) {
        std::vector<TimeChange> changes;
        AddAncestorChanges(changes, task.parent(), -WholeTimeOf(task).value_or(0));
        ASSERT_EQ(ApplyTimeChanges(changes), std::nullopt);
        task.parent().remove_child(task);
    }

    pugi::xml_node root_;
    std::mt19937& random_;
};

std::map<std::string, long long> SessionSeconds(const pugi::xml_document& document) {
    std::map<std::string, long long> seconds;
    for (pugi::xpath_node found : document.select_nodes("//session")) {
        seconds[found.node().attribute("id").value()] =
            found.node().attribute("seconds").as_llong();
    }
    return seconds;
}

std::optional<std::string> FindIncompleteHistory(const pugi::xml_document& document) {
    for (pugi::xpath_node found : document.select_nodes("//task | /project")) {
        const pugi::xml_node task = found.node();
        if (double(SumSessions(task)) != Module1::ParseTime(task.attribute("task_time").value())) {
            return Bytes(task);
        }
    }
    return std::nullopt;
}

TEST(ProjectMerge, RandomEditsOnTwoCopiesMergeTheSameWayRoundAndLoseNothing) {
    const CountingIds ids;
    for (unsigned seed = 1; seed <= 300; ++seed) {
        SCOPED_TRACE("seed " + std::to_string(seed));
        std::mt19937 random(seed);
        const auto base = Doc(Project(""));
        Editor baseEditor(*base, random);
        for (int i = 0; i < 12; ++i) {
            baseEditor.RandomEdit();
        }
        pugi::xml_document a;
        pugi::xml_document b;
        a.reset(*base);
        b.reset(*base);
        Editor editA(a, random);
        Editor editB(b, random);
        const int edits = std::uniform_int_distribution<int>(1, 12)(random);
        for (int i = 0; i < edits; ++i) {
            editA.RandomEdit();
            editB.RandomEdit();
        }
        const MergeResult ab = Merged(*base, a, b);
        const MergeResult ba = Merged(*base, b, a);
        ASSERT_EQ(Bytes(*ab.document), Bytes(*ba.document));
        ASSERT_EQ(FindIncompleteHistory(*ab.document), std::nullopt) << Bytes(*ab.document);
        // Every period a side began or extended is there, at least as long.
        const auto merged = SessionSeconds(*ab.document);
        const auto before = SessionSeconds(*base);
        for (const pugi::xml_document* side : {&a, &b}) {
            for (const auto& [id, seconds] : SessionSeconds(*side)) {
                const auto was = before.find(id);
                if (was != before.end() && was->second == seconds) {
                    continue;  // untouched: it goes where its task goes
                }
                ASSERT_TRUE(merged.count(id)) << id << "\n" << Bytes(*ab.document);
                ASSERT_GE(merged.at(id), seconds);
            }
        }
    }
}

}  // namespace
