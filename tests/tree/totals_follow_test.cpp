// Every number on screen follows the document the moment it changes: random sequences of
// what a person does to the tree and its times, each followed by a comparison of every
// caption, the pane and the History list with a fresh rendering of the document.
#include <QApplication>
#include <QPushButton>
#include <QTest>
#include <QTreeView>
#include <QTreeWidgetItemIterator>

#include <functional>
#include <random>
#include <vector>

#include "history/history_frame.h"
#include "history/history_model.h"
#include "history/sessions.h"
#include "model/time_text.h"
#include "model/xml.h"
#include "support/window_fixture.h"
#include "tree/caption.h"

namespace {

class TotalsFollow : public WindowTest {
  protected:
    void SetUp() override {
        WindowTest::SetUp();
        window->resize(1000, 900);  // room for the History frame's rows
        ShowActive();
        window->Display = {true, true, true};  // captions show whole times with seconds
        window->UpdateAllNodes();
    }

    std::vector<TreeNode*> Nodes(bool tasksOnly, bool parentsOnly = false) const {
        std::vector<TreeNode*> nodes;
        for (QTreeWidgetItemIterator it(window->ui.Tree); *it; ++it) {
            auto* node = static_cast<TreeNode*>(*it);
            if ((!tasksOnly || !node->isProject()) && (!parentsOnly || node->childCount() > 0)) {
                nodes.push_back(node);
            }
        }
        return nodes;
    }
    // Any node, or a task: half the time one with subtasks (whose own time must travel with it).
    TreeNode* Pick(bool task) {
        std::vector<TreeNode*> nodes = Nodes(task, task && random() % 2);
        nodes = nodes.empty() ? Nodes(task) : nodes;
        return nodes[random() % nodes.size()];
    }
    TreeNode* Select(bool task) {
        TreeNode* node = Pick(task);
        window->ui.Tree->expandAll();
        ClickNode(node);
        return node;
    }
    // ---- What a person does ----
    void NewTask() {
        if (Nodes(true).size() >= 24) {
            return;
        }
        Select(false);
        ClickTreeBar("newtask");
        TreeNode* task = window->SelectedNode();
        // Appended, not `"T" + ...`: g++ 12 at -O3 warns falsely about the concatenation.
        XML::ResolvePath(task->element, "@name")
            .setText(std::string("T").append(std::to_string(++named_)));
        CloseLabelEdit(task);
    }
    void Time(int seconds) {
        Select(true);
        ClickToolbar("toggletimer");
        for (int i = 0; i < seconds; ++i) {
            TickAfter(1);
        }
        ClickToolbar("toggletimer");
    }
    // Periods added by hand lie in the past, each in an hour of its own.
    void AddTime(int64_t seconds) {
        Select(true);
        const QString start = QDateTime(QDate(2025, 1, 1), QTime(0, 0), Qt::UTC)
                                  .addSecs(3600 * ++added_)
                                  .toString(Qt::ISODate);
        window->History->askSession = [=](const QString&, const SessionValues&) {
            return std::optional<SessionValues>(SessionValues{start, seconds, QString()});
        };
        QTest::mouseClick(window->History->cmdAddTime, Qt::LeftButton);
    }
    // A row of the History list, deleted if it is a period.
    void DeletePeriod() {
        Select(false);
        HistoryModel* model = window->History->model;
        const QModelIndex row = model->index(random() % (model->rowCount() + 1), 0);
        if (!model->SessionAt(row.row())) {
            return;
        }
        QTreeView* list = window->History->lstHistory;
        list->scrollTo(row);
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, list->visualRect(row).center());
        QTest::keyClick(list, Qt::Key_Delete);
    }
    void RemoveProject() {
        if (window->ui.Tree->topLevelItemCount() <= 2) {
            return;
        }
        TreeNode* project = window->ui.Tree->topLevelNode(0);
        ClickNode(project);
        if (Text(project, "@modified") == "true") {
            seams->prompter->Expect("Save Project before you remove it", MsgButtons::YesNo,
                                    "Horavel", MsgAnswer::No);
        }
        ClickTreeBar("remove");
    }
    void PopUpDelete() {
        TreeNode* node = Select(true);
        window->ui.Tree->scrollToItem(node);
        const QPoint at = window->ui.Tree->visualItemRect(node).center();
        seams->menus->choose = [this](QMenu*) { return window->ui.mnuTreeDelete; };
        QTest::mouseClick(window->ui.Tree->viewport(), Qt::RightButton, {}, at);
        seams->menus->choose = nullptr;
    }
    void Bar(bool task, const char* button) {
        Select(task);
        ClickTreeBar(button);
    }
    void KeyDelete() {
        Select(true);
        window->ui.Tree->setFocus();
        QTest::keyClick(window->ui.Tree, Qt::Key_Delete);
    }
    // Onto itself or below itself it moves nothing.
    void Drop() {
        Select(true);
        std::unique_ptr<QMimeData> data(window->Tree_OLEStartDrag());
        ASSERT_NE(data, nullptr);
        DragOnto(*data, Pick(false));
    }
    // A project from disk with time on three levels, its periods adding up to each time.
    void Load() {
        const QString path = TempPath(QStringLiteral("loaded%1.hvp").arg(++loaded_));
        WriteFile(path, R"(<project name="L" task_time="0:00:00" subtask_time="1:30:45">)"
                        R"(<task name="L1" task_time="0:30:00" subtask_time="1:00:45"><history>)"
                        R"(<session start="2024-03-01T09:00:00Z" seconds="1800"/></history>)"
                        R"(<task name="L2" task_time="1:00:00" subtask_time="0:00:45"><history>)"
                        R"(<session start="2024-03-01T10:00:00Z" seconds="3600"/></history>)"
                        R"(<task name="L3" task_time="0:00:45" subtask_time="0:00:00"><history>)"
                        R"(<session start="2024-03-01T11:00:00Z" seconds="45"/></history>)"
                        R"(</task></task></task></project>)");
        seams->fileDialog->ExpectOpen(path);
        ClickToolbar("loadproject");
    }

    // ---- What must hold after each step ----
    void ExpectScreenFollowsDocument() const {
        for (TreeNode* node : Nodes(false)) {
            ASSERT_EQ(node->caption().toStdString(), NodeCaption(node->element, window->Display));
        }
        TreeNode* selected = window->SelectedNode();
        const PaneTimes times = selected ? PaneTimesOf(selected->element) : PaneTimes();
        ASSERT_EQ(window->ui.txtTaskTime->text().toStdString(), times.task);
        ASSERT_EQ(window->ui.txtSubTaskTime->text().toStdString(), times.subtask);
        ASSERT_EQ(window->ui.txtTotalTime->text().toStdString(), times.total);
        HistoryModel fresh;
        fresh.Show(selected ? selected->element : pugi::xml_node());
        const HistoryModel& shown = *window->History->model;
        ASSERT_EQ(shown.rowCount(), fresh.rowCount());
        for (int row = 0; row < fresh.rowCount(); ++row) {
            for (int column = 0; column < fresh.columnCount(); ++column) {
                ASSERT_EQ(shown.index(row, column).data(), fresh.index(row, column).data())
                    << "History row " << row << ", column " << column;
            }
        }
    }
    // What a person types: a new name in the pane, or a line of description.
    void Type(QWidget* field) {
        Select(false);
        field->setFocus();
        QTest::keyClicks(field, QStringLiteral("x%1").arg(++named_));
        window->ui.Tree->setFocus();  // the burst of typing ends
    }
    void Key(Qt::Key key, Qt::KeyboardModifiers modifiers) {
        window->ui.Tree->setFocus();
        QTest::keyClick(window->ui.Tree, key, modifiers);
    }
    // Every open project's document in tree order, its modified mark (which no file holds)
    // apart: the mark's place among the attributes means nothing.
    std::string Documents() const {
        std::ostringstream all;
        for (int i = 0; i < window->ui.Tree->topLevelItemCount(); ++i) {
            pugi::xml_document copy;
            copy.reset(*window->ui.Tree->topLevelNode(i)->document());
            const pugi::xml_attribute mark = copy.document_element().attribute("modified");
            all << "modified: " << (mark ? mark.value() : "none") << "\n";
            copy.document_element().remove_attribute(mark);
            copy.save(all);
        }
        return all.str();
    }

    using Steps = std::vector<std::pair<const char*, std::function<void()>>>;
    // What both random walks do: edits of the tree and of its periods.
    Steps Edits() {
        return {{"new task", [this] { NewTask(); }},
                {"add time", [this] { AddTime(1 + random() % 3600); }},
                {"delete period", [this] { DeletePeriod(); }},
                {"remove", [this] { Bar(true, "remove"); }},
                {"pop-up delete", [this] { PopUpDelete(); }},
                {"delete key", [this] { KeyDelete(); }},
                {"drop", [this] { Drop(); }},
                {"move up", [this] { Bar(false, "up"); }},
                {"move down", [this] { Bar(false, "down"); }}};
    }

    std::mt19937 random{19};
    int named_ = 0, added_ = 0, loaded_ = 0;
};

TEST_F(TotalsFollow, EveryCaptionThePaneAndTheHistoryShowTheDocumentAfterEachStep) {
    Load();
    AddProject("P");
    Steps steps = Edits();
    steps.insert(steps.end(), {{"time", [&] { Time(1 + random() % 40); }},
                               {"remove project", [&] { RemoveProject(); }},
                               {"load", [&] { Load(); }},
                               {"totals shown or not", [&] {
                                    window->Display.TT_ShowTotalTime =
                                        !window->Display.TT_ShowTotalTime;
                                    window->UpdateAllNodes();
                                }}});
    for (int step = 0; step < 300; ++step) {
        if (Nodes(true).empty()) {
            Load();
        }
        const auto& [name, act] = steps[random() % steps.size()];
        SCOPED_TRACE(testing::Message() << "step " << step << ": " << name);
        act();
        ASSERT_NO_FATAL_FAILURE(ExpectScreenFollowsDocument());
        ASSERT_NO_FATAL_FAILURE(ExpectSumsHold());
    }
}

// Undoing every edit gives back every document byte for byte, modified marks included, and
// redoing them all gives back the last; the screen follows at each step.
TEST_F(TotalsFollow, UndoingEveryEditGivesBackEveryDocumentAndRedoingGivesBackTheLast) {
    Load();  // an unmodified project, which the undone edits must leave unmodified again
    const std::string first = Documents();
    Steps edits = Edits();
    edits.insert(edits.end(), {{"rename", [&] { Type(window->ui.txtName); }},
                               {"describe", [&] { Type(window->ui.txtDescription); }},
                               {"complete",
                                [&] {
                                    Select(false);
                                    QTest::mouseClick(window->ui.chkCompleted, Qt::LeftButton);
                                }},
                               {"new project", [&] { AddProject("N"); }}});
    const int steps = 60;
    for (int step = 0; step < steps; ++step) {
        const auto& [name, act] = edits[random() % edits.size()];
        SCOPED_TRACE(testing::Message() << "step " << step << ": " << name);
        Nodes(true).empty() ? NewTask() : act();
    }
    const std::string last = Documents();
    for (int i = 0; i < 2 * steps; ++i) {  // more presses than steps do nothing more
        Key(Qt::Key_Z, Qt::ControlModifier);
        ASSERT_NO_FATAL_FAILURE(ExpectScreenFollowsDocument()) << "undo " << i;
        ASSERT_NO_FATAL_FAILURE(ExpectSumsHold()) << "undo " << i;
    }
    EXPECT_EQ(Documents(), first);
    for (int i = 0; i < 2 * steps; ++i) {
        Key(i % 2 ? Qt::Key_Y : Qt::Key_Z,
            i % 2 ? Qt::ControlModifier : Qt::ControlModifier | Qt::ShiftModifier);
    }
    EXPECT_EQ(Documents(), last);
    ASSERT_NO_FATAL_FAILURE(ExpectScreenFollowsDocument());
}

// A task cannot go into itself or anything below it, and the pointer says so before the drop.
TEST_F(TotalsFollow, ADragOverItselfOrItsSubtasksShowsItCannotLandThere) {
    TreeNode* project = AddProject("P");
    TreeNode* a = AddTask(project, "A");
    TreeNode* a1 = AddTask(a, "A1");
    TreeNode* a11 = AddTask(a1, "A11");
    TreeNode* b = AddTask(project, "B");
    window->ui.Tree->expandAll();
    ClickNode(a);
    std::unique_ptr<QMimeData> data(window->Tree_OLEStartDrag());
    ASSERT_NE(data, nullptr);
    const std::pair<TreeNode*, bool> cases[] = {
        {a, false}, {a1, false}, {a11, false}, {b, true}, {project, true}};
    for (const auto& [target, lands] : cases) {
        EXPECT_EQ(DragOnto(*data, target, false), lands) << Text(target, "@name");
    }
}

}  // namespace
