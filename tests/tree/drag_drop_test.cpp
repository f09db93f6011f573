// Dragging tasks in the window's tree: the drag data, the drop rules, and what a move into
// another project does to the documents, the times and the timer.
#include <QFile>
#include <QMimeData>

#include <gtest/gtest.h>

#include <map>
#include <memory>
#include <sstream>

#include "history/sessions.h"
#include "model/xml.h"
#include "support/window_fixture.h"

namespace {

using Effect = TaskTree::DropEffect;

std::string ReadAll(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll().toStdString() : "<missing>";
}

std::string Serialised(pugi::xml_node node) {
    std::ostringstream out;
    node.print(out, "", pugi::format_raw);
    return out.str();
}

// The nodes under `node` as "caption[child,child[...]]", with every node's element checked
// to be the matching task child of its parent's element, in the same document.
std::string Outline(TreeNode* node) {
    std::string text = node->caption().toStdString();
    pugi::xml_node task = node->element.child("task");
    std::string children;
    for (int i = 0; i < node->childCount(); ++i, task = task.next_sibling("task")) {
        TreeNode* child = node->childNode(i);
        if (child->element != task) {
            return text + "<element out of step at " + child->caption().toStdString() + ">";
        }
        children += (i ? "," : "") + Outline(child);
    }
    if (task) {
        return text + "<element without a node>";
    }
    return node->childCount() ? text + "[" + children + "]" : text;
}

class DragDrop : public WindowTest {
  protected:
    void SetUp() override {
        WindowTest::SetUp();
        window->resize(800, 600);
        window->show();
        a = AddProject("A");
        t = AddTask(a, "T");
        t1 = AddTask(t, "T1");
        t2 = AddTask(t, "T2");
        t2a = AddTask(t2, "T2a");
        u = AddTask(a, "U");
        b = AddProject("B");
        v = AddTask(b, "V");
        SetTimes(a, "", "4:00:00");
        SetTimes(t, "1:00:00", "2:00:00");
        SetTimes(t1, "0:30:00", "");
        SetTimes(t2, "1:00:00", "0:30:00");
        SetTimes(t2a, "0:30:00", "");
        SetTimes(u, "1:00:00", "");
        SetTimes(b, "", "0:10:00");
        SetTimes(v, "0:10:00", "");
        window->Tree->expandAll();
        for (TreeNode* project : {a, b}) {
            window->MarkUnmodified(project);
        }
    }
    static void SetTimes(TreeNode* node, const char* task, const char* subtask) {
        XML::ResolvePath(node->element, "@task_time").setText(task);
        XML::ResolvePath(node->element, "@subtask_time").setText(subtask);
    }
    QPoint CentreOf(TreeNode* node) const { return window->Tree->visualItemRect(node).center(); }
    // A press on the node, then the drag the tree would start from it.
    std::unique_ptr<QMimeData> StartDrag(TreeNode* node) { return StartDragAt(CentreOf(node)); }
    std::unique_ptr<QMimeData> StartDragAt(QPoint at) {
        window->MouseDownX = at.x();
        window->MouseDownY = at.y();
        return std::unique_ptr<QMimeData>(window->Tree_OLEStartDrag());
    }
    Effect DragOver(const QMimeData& data, TreeNode* target) {
        return window->Tree_OLEDragOver(data, CentreOf(target));
    }
    // Drags over the target, then drops there.
    void DropOn(const QMimeData& data, TreeNode* target) {
        DragOver(data, target);
        window->Tree_OLEDragDrop(data, CentreOf(target));
    }
    // Everything a drop might change: both outlines, both documents.
    std::string Everything() const {
        std::string text;
        for (int i = 0; i < window->Tree->topLevelItemCount(); ++i) {
            TreeNode* project = window->Tree->topLevelNode(i);
            text += Outline(project) + "\n" + Serialised(*project->document()) + "\n";
        }
        return text;
    }
    // Task and subtask time of every node, by name.
    std::map<std::string, std::string> Times() const {
        std::map<std::string, std::string> times;
        for (QTreeWidgetItemIterator it(window->Tree); *it; ++it) {
            auto* node = static_cast<TreeNode*>(*it);
            times[Text(node, "@name")] =
                Text(node, "@task_time") + "+" + Text(node, "@subtask_time");
        }
        return times;
    }
    void ExpectNeitherModified() {
        for (TreeNode* project : {window->Tree->topLevelNode(0), window->Tree->topLevelNode(1)}) {
            EXPECT_EQ(Text(project, "@modified"), "false") << Text(project, "@name");
            EXPECT_EQ(project->image(), TreeImage::ProjectUnmodified);
        }
    }

    TreeNode *a, *t, *t1, *t2, *t2a, *u, *b, *v;
};

TEST_F(DragDrop, OntoAProjectTheTaskBecomesItsLastTopLevelTask) {
    XML::ResolvePath(t2->element, "@completed").setText("true");
    window->UpdateNode(t2);
    ASSERT_EQ(t2->image(), TreeImage::TaskCompleted);
    t2a->setExpanded(false);
    const auto times = Times();
    std::unique_ptr<QMimeData> data = StartDrag(t2);
    ASSERT_TRUE(data);
    EXPECT_EQ(DragOver(*data, a), Effect::Move);
    window->Tree_OLEDragDrop(*data, CentreOf(a));

    EXPECT_EQ(Outline(a), "A[T[T1],U,T2[T2a]]");
    TreeNode* moved = a->childNode(2);
    EXPECT_EQ(window->SelectedNode(), moved);
    EXPECT_EQ(moved->image(), TreeImage::TaskCompleted);
    EXPECT_TRUE(moved->isExpanded());
    EXPECT_FALSE(moved->childNode(0)->isExpanded());
    EXPECT_EQ(Times(), times);  // neither the old nor the new ancestors change
    ExpectNeitherModified();
    EXPECT_EQ(window->Tree->dropHighlight(), nullptr);
}

TEST_F(DragDrop, OntoItselfOrBelowItIsRefusedAndChangesNothing) {
    const std::string before = Everything();
    std::unique_ptr<QMimeData> data = StartDrag(t);
    for (TreeNode* target : {t, t2, t2a}) {
        SCOPED_TRACE(target->caption().toStdString());
        EXPECT_EQ(DragOver(*data, target), Effect::ScrollOnly);
        EXPECT_EQ(window->Tree->dropHighlight(), target);
        window->Tree_OLEDragDrop(*data, CentreOf(target));
        EXPECT_EQ(Everything(), before);
        EXPECT_EQ(window->Tree->dropHighlight(), nullptr);
    }
    // Empty space below the last row: nowhere to drop.
    const QPoint below = window->Tree->visualItemRect(v).bottomLeft() + QPoint(5, 40);
    ASSERT_EQ(window->Tree->nodeAt(below), nullptr);
    window->Tree->setDropHighlight(t1);
    EXPECT_EQ(window->Tree_OLEDragOver(*data, below), Effect::ScrollOnly);
    EXPECT_EQ(window->Tree->dropHighlight(), nullptr);
    window->Tree_OLEDragDrop(*data, below);
    EXPECT_EQ(Everything(), before);
}

TEST_F(DragDrop, OntoItsOwnParentItMovesToTheEndOfItsSiblings) {
    const auto times = Times();
    DropOn(*StartDrag(t1), t);
    EXPECT_EQ(Outline(a), "A[T[T2[T2a],T1],U]");
    EXPECT_EQ(window->SelectedNode(), t->childNode(1));
    EXPECT_EQ(Times(), times);
    ExpectNeitherModified();
}

TEST_F(DragDrop, IntoAnotherProjectTheWholeElementChangesDocument) {
    QString path = QStringLiteral(HORAVEL_TEST_DATA "/site.hvp");
    window->LoadProjects(path);
    TreeNode* site = window->Tree->topLevelNode(2);
    window->Tree->expandItem(site);
    TreeNode* design = site->childNode(0);
    window->Tree->expandItem(design);
    const std::string designElement = Serialised(design->element);
    ASSERT_NE(designElement.find("first draft"), std::string::npos);
    const std::string siteBefore = Serialised(*site->document());
    const auto times = Times();

    DropOn(*StartDrag(design), b);

    EXPECT_EQ(Outline(b), "B[V,Design[Logo]]");
    EXPECT_EQ(Outline(site), "Site[Copy \"final\",Spaces]");
    TreeNode* moved = b->childNode(1);
    EXPECT_EQ(window->SelectedNode(), moved);
    EXPECT_TRUE(moved->isExpanded());
    EXPECT_EQ(Serialised(moved->element), designElement);  // attributes, texts, histories
    EXPECT_EQ(Serialised(b->element.last_child()), designElement);
    for (TreeNode* node : {moved, moved->childNode(0)}) {
        EXPECT_EQ(node->element.root(), b->document()->root()) << Text(node, "@name");
    }
    std::string siteAfter = siteBefore;
    siteAfter.erase(siteAfter.find(designElement), designElement.size());
    EXPECT_EQ(Serialised(*site->document()), siteAfter);
    EXPECT_EQ(Times(), times);
    EXPECT_EQ(Text(site, "@modified"), "");
    EXPECT_EQ(Text(b, "@modified"), "false");
}

TEST_F(DragDrop, ProjectsAndEmptySpaceOfferNoDrag) {
    EXPECT_FALSE(StartDrag(a));
    EXPECT_FALSE(StartDrag(b));
    EXPECT_FALSE(StartDragAt(window->Tree->visualItemRect(v).bottomLeft() + QPoint(5, 40)));
}

TEST_F(DragDrop, TheTextItemIsTheCaptionAsShownWithItsTime) {
    window->TT_ShowTime = true;
    window->TT_ShowSec = true;
    window->UpdateAllNodes();
    std::unique_ptr<QMimeData> data = StartDrag(t2);
    EXPECT_EQ(data->text(), "T2 (1:30:00)");
    EXPECT_EQ(data->text(), t2->caption());
}

TEST_F(DragDrop, ForeignDragsAndStaleIndicesAreIgnored) {
    const std::string before = Everything();
    std::unique_ptr<QMimeData> ours = StartDrag(u);

    QMimeData plain;
    plain.setText("U");
    std::unique_ptr<QMimeData> otherInstance(
        MakeDragData({uint8_t(window->DragSignature[0] ^ 1), window->DragSignature[1]},
                     NodeIndexOf(window->Tree, u), "U"));
    std::unique_ptr<QMimeData> beyondTheEnd(
        MakeDragData(window->DragSignature, uint32_t(NodeCount(window->Tree) + 1), "U"));
    const struct {
        const char* what;
        const QMimeData* data;
        Effect effect;
    } cases[] = {
        {"another program's text", &plain, Effect::ScrollOnly},
        {"another instance's drag", otherInstance.get(), Effect::AsOffered},
        {"an index beyond the tree", beyondTheEnd.get(), Effect::AsOffered},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        window->Tree->setDropHighlight(t1);
        EXPECT_EQ(DragOver(*c.data, b), c.effect);
        EXPECT_EQ(window->Tree->dropHighlight(), t1);  // left alone
        window->Tree_OLEDragDrop(*c.data, CentreOf(b));
        EXPECT_EQ(Everything(), before);
        EXPECT_EQ(window->Tree->dropHighlight(), nullptr);
    }

    // The tree shrank during the drag: U's index now falls on project B, which never moves.
    TreeNode* gone = t2a;
    ASSERT_TRUE(window->DeleteNode(gone));
    ASSERT_EQ(NodeAtIndex(window->Tree, ours->data(kDragNodeFormat).back()), b);
    const std::string shrunk = Everything();
    DropOn(*ours, v);
    EXPECT_EQ(Everything(), shrunk);
}

TEST_F(DragDrop, TheHighlightFollowsThePointerAndTheDropClearsIt) {
    std::unique_ptr<QMimeData> data = StartDrag(u);
    EXPECT_EQ(DragOver(*data, v), Effect::Move);
    EXPECT_EQ(window->Tree->dropHighlight(), v);
    EXPECT_EQ(DragOver(*data, t1), Effect::Move);
    EXPECT_EQ(window->Tree->dropHighlight(), t1);
    window->Tree_OLEDragDrop(*data, CentreOf(b));
    EXPECT_EQ(window->Tree->dropHighlight(), nullptr);
    EXPECT_EQ(Outline(b), "B[V,U]");
}

// A task being timed, or holding the timed task, goes on being timed under its new
// ancestors, and nothing is booked under the old ones any more.
TEST_F(DragDrop, TimingGoesOnUnderTheNewAncestorsAndBothFilesSayWhereTheTaskIs) {
    const QString sitePath = TempPath("site.hvp");
    QFile::copy(QStringLiteral(HORAVEL_TEST_DATA "/site.hvp"), sitePath);
    QString path = sitePath;
    window->LoadProjects(path);
    TreeNode* site = window->Tree->topLevelNode(2);
    window->Tree->expandItem(site);
    TreeNode* design = site->childNode(0);
    window->Tree->expandItem(design);
    TreeNode* logo = design->childNode(0);
    const std::string original = ReadAll(sitePath);
    const std::string designElement = Serialised(design->element);

    window->Tree->setCurrentItem(logo);
    seams->clock->now = 36000;
    window->ToggleTimer();
    seams->clock->now = 36002;
    window->Timer1_Timer();
    ASSERT_EQ(Text(logo, "@task_time"), "0:30:02");

    DropOn(*StartDrag(design), b);
    TreeNode* moved = b->childNode(1);
    ASSERT_EQ(Outline(moved), "Design[Logo]");
    EXPECT_EQ(window->TimedNode, moved->childNode(0));
    EXPECT_TRUE(window->TimerRunning);

    seams->clock->now = 36007;
    window->Timer1_Timer();
    window->ToggleTimer();  // stops, booking nothing more
    EXPECT_EQ(Text(moved->childNode(0), "@task_time"), "0:30:07");
    EXPECT_EQ(Text(moved, "@subtask_time"), "0:30:07");
    EXPECT_EQ(Text(b, "@subtask_time"), "0:10:05");
    EXPECT_EQ(Text(site, "@subtask_time"), "1:30:02");  // booked before the move only

    ASSERT_TRUE(window->SaveProject(site, false));
    seams->fileDialog->ExpectSave(TempPath("b.hvp"));
    ASSERT_TRUE(window->SaveProject(b, false));

    std::string siteExpected = original;
    siteExpected.erase(siteExpected.find(designElement), designElement.size());
    siteExpected.replace(siteExpected.find("subtask_time=\"1:30:00\""), 22,
                         "subtask_time=\"1:30:02\"");
    EXPECT_EQ(ReadAll(sitePath), siteExpected);

    std::string designExpected = designElement;
    designExpected.replace(designExpected.find("subtask_time=\"0:30:00\""), 22,
                           "subtask_time=\"0:30:07\"");
    designExpected.replace(designExpected.find("task_time=\"0:30:00\""), 19,
                           "task_time=\"0:30:07\"");
    // The period timed on Logo moved with it, after what another program wrote there.
    designExpected.insert(designExpected.rfind("</history>"),
                          "<session start=\"" +
                              SessionStartText(LocalTimeOfReading(36000)).toStdString() +
                              "\" seconds=\"7\"/>");
    EXPECT_EQ(ReadAll(TempPath("b.hvp")),
              "<?xml version=\"1.0\"?><project name=\"B\" completed=\"false\" task_time=\"\" "
              "subtask_time=\"0:10:05\"><description/><history/><task name=\"V\" "
              "completed=\"false\" task_time=\"0:10:00\" subtask_time=\"\"><description/>"
              "<history/></task>" +
                  designExpected + "</project>");
}

TEST_F(DragDrop, TheTimedTaskItselfMovesAcrossAndKeepsTiming) {
    window->Tree->setCurrentItem(t2);
    seams->clock->now = 36000;
    window->ToggleTimer();
    DropOn(*StartDrag(t2), v);
    TreeNode* moved = v->childNode(0);
    EXPECT_EQ(window->TimedNode, moved);
    EXPECT_EQ(moved->childNode(0)->element.root(), b->document()->root());

    seams->clock->now = 36003;
    window->Timer1_Timer();
    EXPECT_EQ(Text(moved, "@task_time"), "1:00:03");
    EXPECT_EQ(Text(v, "@subtask_time"), "0:00:03");
    EXPECT_EQ(Text(b, "@subtask_time"), "0:10:03");
    EXPECT_EQ(Text(t, "@subtask_time"), "2:00:00");
    EXPECT_EQ(Text(a, "@subtask_time"), "4:00:00");
    window->ToggleTimer();
}

TEST_F(DragDrop, ADeepTaskMovesIntoAnotherProjectWithoutOverflow) {
    // Deep enough that freeing the original subtree recursively overflows the stack.
    constexpr int kDepth = 250000;
    std::string deep = "<project name=\"Deep\">";
    deep.reserve(size_t(kDepth) * 13 + 64);
    for (int i = 0; i < kDepth; ++i) {
        deep += "<task>";
    }
    for (int i = 0; i < kDepth; ++i) {
        deep += "</task>";
    }
    deep += "</project>";
    QFile file(TempPath("deep.hvp"));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(deep.data(), qint64(deep.size()));
    file.close();
    QString path = TempPath("deep.hvp");
    window->LoadProjects(path);
    TreeNode* project = window->Tree->topLevelNode(2);
    window->Tree->expandItem(project);

    DropOn(*StartDrag(project->childNode(0)), v);
    EXPECT_EQ(project->childCount(), 0);
    EXPECT_FALSE(project->element.child("task"));
    ASSERT_EQ(v->childCount(), 1);
    EXPECT_EQ(v->childNode(0)->element.root(), b->document()->root());
}

}  // namespace
