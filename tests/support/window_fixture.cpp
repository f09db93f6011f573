#include "support/window_fixture.h"

#include <QFile>
#include <QPaintEvent>
#include <QStatusBar>
#include <QTest>
#include <QTreeWidgetItemIterator>

#include "history/sessions.h"
#include "model/time_text.h"
#include "model/xml.h"
#include "support/sum_check.h"

void WindowTest::SetUp() {
    ASSERT_TRUE(dir_.isValid());
    NewWindow();
}

void WindowTest::NewWindow() {
    window.reset();
    seams = std::make_unique<TestPlatform>(TempPath(QStringLiteral("horavel.conf")));
    window = std::make_unique<frmMain>(seams->Take());
}

void WindowTest::TearDown() {
    // The doubles belong to the window: check them before it goes.
    EXPECT_TRUE(seams->prompter->allAnswered()) << "a scripted message box never came";
    EXPECT_TRUE(seams->fileDialog->allAnswered()) << "a scripted file dialog never came";
    EXPECT_TRUE(seams->printDialog->allAnswered()) << "a scripted print dialog never came";
    window.reset();
}

std::string WindowTest::Text(TreeNode* node, std::string_view path) {
    return XML::ResolvePath(node->element, path).text();
}

TreeNode* WindowTest::LoadFile(const QString& name, std::string_view bytes) {
    QString path = TempPath(name);
    WriteFile(path, bytes);
    const int before = window->ui.Tree->topLevelItemCount();
    window->LoadProjects(path);
    return window->ui.Tree->topLevelItemCount() > before ? window->ui.Tree->topLevelNode(before)
                                                         : nullptr;
}

void WindowTest::CloseLabelEdit(TreeNode* node) {
    window->ui.Timer2.setEnabled(false);  // the restart of the label edit never comes
    window->UpdateNode(node);
    window->Tree_NodeClick(node);  // the pane shows the name just given
}

TreeNode* WindowTest::AddProject(const QString& name) {
    window->NewProject();
    TreeNode* node = window->SelectedNode();
    XML::ResolvePath(node->element, "@name").setText(name.toStdString());
    CloseLabelEdit(node);
    return node;
}

TreeNode* WindowTest::AddTask(TreeNode* parent, const QString& name) {
    window->NewTask(parent);
    TreeNode* node = window->SelectedNode();
    XML::ResolvePath(node->element, "@name").setText(name.toStdString());
    CloseLabelEdit(node);
    return node;
}

namespace {
void ClickButtonOf(QToolBar* bar, QAction* action) {
    ASSERT_NE(action, nullptr);
    QWidget* button = bar->widgetForAction(action);
    ASSERT_NE(button, nullptr);
    QTest::mouseClick(button, Qt::LeftButton);
}
}  // namespace

// A person clicks a window on screen: shown, and exposed, as a tick expects to find it.
void WindowTest::ShowOnScreen() {
    if (!window->isVisible()) {
        window->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(window.get()));
    }
}

void WindowTest::ShowActive() {
    window->show();
    window->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(window.get()));
}

void WindowTest::ClickToolbar(const QString& key) {
    ShowOnScreen();
    ClickButtonOf(window->ui.Toolbar1, window->ToolbarButton(key));
}

void WindowTest::ClickTreeBar(const QString& key) {
    ShowOnScreen();
    ClickButtonOf(window->ui.TreeBar, window->TreeBarButton(key));
}

std::string WindowTest::SavedBy(QWidget* button, const QString& name) {
    seams->fileDialog->ExpectSave(TempPath(name));
    Click(button);
    return ReadFile(TempPath(name));
}

void WindowTest::Choose(const char* entry) {
    QAction* action = window->findChild<QAction*>(QString::fromLatin1(entry));
    ASSERT_NE(action, nullptr) << entry;
    ASSERT_TRUE(action->isEnabled()) << entry;
    action->trigger();
}

void WindowTest::ClickNode(TreeNode* node) {
    ShowOnScreen();
    window->ui.Tree->scrollToItem(node);
    QTest::mouseClick(window->ui.Tree->viewport(), Qt::LeftButton, {},
                      window->ui.Tree->visualItemRect(node).center());
}

QLineEdit* WindowTest::LabelEditor() {
    QLineEdit* editor = nullptr;
    (void)QTest::qWaitFor(
        [&] {
            editor = qobject_cast<QLineEdit*>(
                window->ui.Tree->indexWidget(window->ui.Tree->currentIndex()));
            return editor != nullptr;
        },
        2000);
    return editor;
}

void WindowTest::TypeLabel(const QString& name) {
    QLineEdit* editor = LabelEditor();
    ASSERT_NE(editor, nullptr) << "no label editor opened";
    editor->selectAll();
    QTest::keyClicks(editor, name);
    QTest::keyClick(editor, Qt::Key_Return);
    QCoreApplication::processEvents();
}

bool WindowTest::DragOnto(const QMimeData& data, TreeNode* target, bool drop) {
    window->ui.Tree->scrollToItem(target);
    const QPoint at = window->ui.Tree->visualItemRect(target).center();
    QWidget* viewport = window->ui.Tree->viewport();
    QDragEnterEvent enter(at, Qt::MoveAction, &data, Qt::LeftButton, {});
    QCoreApplication::sendEvent(viewport, &enter);
    QDragMoveEvent move(at, Qt::MoveAction, &data, Qt::LeftButton, {});
    QCoreApplication::sendEvent(viewport, &move);
    QDropEvent dropped(at, Qt::MoveAction, &data, Qt::LeftButton, {});
    if (drop) {
        QCoreApplication::sendEvent(viewport, &dropped);
    }
    return move.isAccepted();
}

void WindowTest::TickAfter(double seconds) {
    seams->clock->Advance(seconds);
    window->Timer1_Timer();
}

QString WindowTest::Status() const {
    return window->statusBar()->currentMessage();
}

void WindowTest::ExpectSumsHold() const {
    for (int i = 0; i < window->ui.Tree->topLevelItemCount(); ++i) {
        const auto mismatch = FindSumMismatch(window->ui.Tree->topLevelNode(i)->element);
        ASSERT_FALSE(mismatch) << *mismatch;
    }
    for (QTreeWidgetItemIterator it(window->ui.Tree); *it; ++it) {
        auto* node = static_cast<TreeNode*>(*it);
        ASSERT_EQ(SumSessions(node->element), Module1::ParseTime(Text(node, "@task_time")))
            << Text(node, "@name");
    }
}

bool PaintRecorder::eventFilter(QObject* /*watched*/, QEvent* event) {
    if (event->type() == QEvent::Paint) {
        ++paints;
        painted += static_cast<QPaintEvent*>(event)->region();
    }
    return false;
}

QString TodayAt(int h, int m) {
    return SessionStartText(QDateTime(QDate::currentDate(), QTime(h, m)));
}

std::string ReadFile(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll().toStdString() : "<missing>";
}

void WriteFile(const QString& path, std::string_view bytes) {
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(bytes.data(), qint64(bytes.size()));
}
