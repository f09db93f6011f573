// Every number on screen follows the document the moment it changes: random sequences of
// what a person does to the tree and its times, each followed by a comparison of every
// caption, the pane and the History list with a fresh rendering of the document.
#include <QApplication>
#include <QMimeData>
#include <QPushButton>
#include <QTest>
#include <QTreeView>
#include <QTreeWidgetItemIterator>

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <random>
#include <vector>

#include "history/history_frame.h"
#include "history/history_model.h"
#include "history/sessions.h"
#include "model/time_text.h"
#include "model/xml.h"
#include "support/sum_check.h"
#include "support/window_fixture.h"
#include "tree/caption.h"

namespace {

class TotalsFollow : public WindowTest {
  protected:
    void SetUp() override {
        WindowTest::SetUp();
        window->resize(1000, 900);  // room for the History frame's rows
        window->show();
        QApplication::setActiveWindow(window.get());
        ASSERT_TRUE(QTest::qWaitForWindowActive(window.get()));
        window->Display = {true, true, true};  // captions show whole times with seconds
        window->UpdateAllNodes();
    }

    std::vector<TreeNode*> Nodes(bool tasksOnly) const {
        std::vector<TreeNode*> nodes;
        for (QTreeWidgetItemIterator it(window->ui.Tree); *it; ++it) {
            auto* node = static_cast<TreeNode*>(*it);
            if (!tasksOnly || !node->isProject()) {
                nodes.push_back(node);
            }
        }
        return nodes;
    }
    TreeNode* Pick(const std::vector<TreeNode*>& nodes) {
        return nodes.empty() ? nullptr : nodes[random() % nodes.size()];
    }
    // A task, half the time one with subtasks (whose own time must travel with it).
    TreeNode* PickTask() {
        std::vector<TreeNode*> parents;
        for (TreeNode* node : Nodes(true)) {
            if (node->childCount() > 0) {
                parents.push_back(node);
            }
        }
        return !parents.empty() && random() % 2 ? Pick(parents) : Pick(Nodes(true));
    }
    void Select(TreeNode* node) {
        window->ui.Tree->expandAll();
        ClickNode(node);
    }

    // ---- What a person does ----
    void NewTask(TreeNode* parent) {
        Select(parent);
        ClickTreeBar("newtask");
        TreeNode* task = window->SelectedNode();
        // Appended, not `"T" + ...`: g++ 12 at -O3 warns falsely about the concatenation.
        XML::ResolvePath(task->element, "@name")
            .setText(std::string("T").append(std::to_string(++named_)));
        CloseLabelEdit(task);
    }
    void Time(TreeNode* task, int seconds) {
        Select(task);
        ClickToolbar("toggletimer");
        for (int i = 0; i < seconds; ++i) {
            seams->clock->Advance(1);
            window->Timer1_Timer();
        }
        ClickToolbar("toggletimer");
    }
    // Periods added by hand lie in the past, each in an hour of its own.
    void AddTime(TreeNode* task, int64_t seconds) {
        Select(task);
        const QString start = QDateTime(QDate(2025, 1, 1), QTime(0, 0), Qt::UTC)
                                  .addSecs(3600 * ++added_)
                                  .toString(Qt::ISODate);
        window->History->askSession = [=](const QString&, const SessionValues&) {
            return std::optional<SessionValues>(SessionValues{start, seconds, QString()});
        };
        QTest::mouseClick(window->History->cmdAddTime, Qt::LeftButton);
    }
    void DeletePeriod(TreeNode* node) {
        Select(node);
        HistoryModel* model = window->History->model;
        std::vector<int> periods;
        for (int row = 0; row < model->rowCount(); ++row) {
            if (model->SessionAt(row)) {
                periods.push_back(row);
            }
        }
        if (periods.empty()) {
            return;
        }
        const QModelIndex row = model->index(periods[random() % periods.size()], 0);
        QTreeView* list = window->History->lstHistory;
        list->scrollTo(row);
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, list->visualRect(row).center());
        QTest::keyClick(list, Qt::Key_Delete);
    }
    void RemoveWithTreeBar(TreeNode* node) {
        Select(node);
        if (node->isProject() && Text(node, "@modified") == "true") {
            seams->prompter->Expect("Save Project before you remove it", MsgButtons::YesNo,
                                    "Horavel", MsgAnswer::No);
        }
        ClickTreeBar("remove");
    }
    void RemoveWithPopUp(TreeNode* node) {
        Select(node);
        seams->menus->choose = [this](QMenu*) { return window->ui.mnuTreeDelete; };
        QTest::mouseClick(window->ui.Tree->viewport(), Qt::RightButton, {},
                          window->ui.Tree->visualItemRect(node).center());
        seams->menus->choose = nullptr;
    }
    void RemoveWithKey(TreeNode* task) {
        Select(task);
        window->ui.Tree->setFocus();
        QTest::keyClick(window->ui.Tree, Qt::Key_Delete);
    }
    // A real drag as the tree receives it; onto itself or below itself it moves nothing.
    void Drop(TreeNode* task, TreeNode* target) {
        Select(task);
        std::unique_ptr<QMimeData> data(window->Tree_OLEStartDrag());
        ASSERT_NE(data, nullptr);
        window->ui.Tree->scrollToItem(target);
        const QPoint at = window->ui.Tree->visualItemRect(target).center();
        QWidget* viewport = window->ui.Tree->viewport();
        QDragEnterEvent enter(at, Qt::MoveAction, data.get(), Qt::LeftButton, {});
        QCoreApplication::sendEvent(viewport, &enter);
        QDragMoveEvent move(at, Qt::MoveAction, data.get(), Qt::LeftButton, {});
        QCoreApplication::sendEvent(viewport, &move);
        QDropEvent drop(at, Qt::MoveAction, data.get(), Qt::LeftButton, {});
        QCoreApplication::sendEvent(viewport, &drop);
    }
    void Move(TreeNode* node, const char* button) {
        Select(node);
        ClickTreeBar(button);
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
    void ToggleTotals() {
        window->Display.TT_ShowTotalTime = !window->Display.TT_ShowTotalTime;
        window->UpdateAllNodes();
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
    void ExpectSumsHold() const {
        for (int i = 0; i < window->ui.Tree->topLevelItemCount(); ++i) {
            const auto mismatch = FindSumMismatch(window->ui.Tree->topLevelNode(i)->element);
            ASSERT_FALSE(mismatch) << *mismatch;
        }
        // Every period here was made by this program, or written to add up in the file.
        for (TreeNode* node : Nodes(true)) {
            ASSERT_EQ(SumSessions(node->element), Module1::ParseTime(Text(node, "@task_time")))
                << Text(node, "@name");
        }
    }

    std::mt19937 random{19};
    int named_ = 0, added_ = 0, loaded_ = 0;
};

TEST_F(TotalsFollow, EveryCaptionThePaneAndTheHistoryShowTheDocumentAfterEachStep) {
    Load();
    AddProject("P");
    const std::vector<std::pair<const char*, std::function<void()>>> steps = {
        {"new task",
         [&] {
             if (Nodes(true).size() < 24) {
                 NewTask(Pick(Nodes(false)));
             }
         }},
        {"time", [&] { Time(Pick(Nodes(true)), 1 + random() % 40); }},
        {"add time", [&] { AddTime(Pick(Nodes(true)), 1 + random() % 3600); }},
        {"delete period", [&] { DeletePeriod(Pick(Nodes(false))); }},
        {"remove", [&] { RemoveWithTreeBar(PickTask()); }},
        {"pop-up delete", [&] { RemoveWithPopUp(PickTask()); }},
        {"delete key", [&] { RemoveWithKey(PickTask()); }},
        {"remove project",
         [&] {
             if (window->ui.Tree->topLevelItemCount() > 2) {
                 RemoveWithTreeBar(window->ui.Tree->topLevelNode(0));
             }
         }},
        {"drop", [&] { Drop(PickTask(), Pick(Nodes(false))); }},
        {"move up", [&] { Move(Pick(Nodes(false)), "up"); }},
        {"move down", [&] { Move(Pick(Nodes(false)), "down"); }},
        {"load", [&] { Load(); }},
        {"totals shown or not", [&] { ToggleTotals(); }},
    };
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
    const struct {
        TreeNode* target;
        bool lands;
    } cases[] = {{a, false}, {a1, false}, {a11, false}, {b, true}, {project, true}};
    for (const auto& c : cases) {
        const QPoint at = window->ui.Tree->visualItemRect(c.target).center();
        EXPECT_EQ(window->Tree_OLEDragOver(*data, at) == TaskTree::DropEffect::Move, c.lands)
            << Text(c.target, "@name");
        QDragEnterEvent enter(at, Qt::MoveAction, data.get(), Qt::LeftButton, {});
        QCoreApplication::sendEvent(window->ui.Tree->viewport(), &enter);
        QDragMoveEvent move(at, Qt::MoveAction, data.get(), Qt::LeftButton, {});
        QCoreApplication::sendEvent(window->ui.Tree->viewport(), &move);
        EXPECT_EQ(move.isAccepted(), c.lands) << Text(c.target, "@name");
    }
}

}  // namespace
