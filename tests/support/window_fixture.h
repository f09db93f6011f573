#pragma once
// A main window on scripted seams, in a temporary home, for widget tests run headless.

#include <QAction>
#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMimeData>
#include <QPaintEvent>
#include <QPlainTextEdit>
#include <QTemporaryDir>
#include <QTest>
#include <QToolBar>

#include <gtest/gtest.h>

#include <memory>
#include <sstream>
#include <string>

#include "shell/frm_main.h"
#include "shell/resize_handle.h"
#include "shell/tray_menu.h"
#include "shell/twips.h"
#include "support/doubles.h"

// A file's bytes ("<missing>" when it cannot be read), and writing them.
std::string ReadFile(const QString& path);
void WriteFile(const QString& path, std::string_view bytes);
// A period's start as a file stores it: today, at h:m local time.
QString TodayAt(int h, int m);

// The paint events a widget receives from now on: how many, and the region they covered.
class PaintRecorder : public QObject {
  public:
    explicit PaintRecorder(QWidget* widget) { widget->installEventFilter(this); }
    int paints = 0;
    QRegion painted;

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
};

class WindowTest : public ::testing::Test {
  protected:
    void SetUp() override;
    void TearDown() override;
    // A new start's window on fresh seams, over the same folder and settings file.
    void NewWindow();

    // The text of a node path on a node's element.
    static std::string Text(TreeNode* node, std::string_view path);
    // A path inside the temporary folder.
    QString TempPath(const QString& name) const { return dir_.filePath(name); }

    // Writes the file `name` in the temporary folder and loads it, as a file named on the
    // command line is; the project it added, or none.
    TreeNode* LoadFile(const QString& name, std::string_view bytes);
    // A new project named `name` (through NewProject and its label edit closed at once).
    TreeNode* AddProject(const QString& name);
    // A new task named `name` under `parent`.
    TreeNode* AddTask(TreeNode* parent, const QString& name);
    // Ends the label edit a new node starts with, the node and the pane showing its name.
    void CloseLabelEdit(TreeNode* node);

    // ---- Input as a person gives it ----
    void ShowOnScreen();
    // Shown and active, as the window a person works in.
    void ShowActive();
    // Clicks the main toolbar's or the tree bar's button of that key ("toggletimer", "up").
    void ClickToolbar(const QString& key);
    void ClickTreeBar(const QString& key);
    void Click(QWidget* widget) { QTest::mouseClick(widget, Qt::LeftButton); }
    // Clicks a button that asks where to save, answers `name` in the temporary folder and
    // returns the file's bytes.
    std::string SavedBy(QWidget* button, const QString& name);
    // Chooses the menu entry of that object name ("mnuSaveAsProj", "mnuClearWS").
    void Choose(const char* entry);
    // Clicks a node's row in the tree.
    void ClickNode(TreeNode* node);
    // The label editor open in the tree, after waiting for Timer2 to open it; or none.
    QLineEdit* LabelEditor();
    // Types a name into the open label editor and presses Enter.
    void TypeLabel(const QString& name);
    // A real drag of `data` as the tree receives it, over `target` and, if `drop`, onto it;
    // whether the pointer said it could land.
    bool DragOnto(const QMimeData& data, TreeNode* target, bool drop = true);

    // The clock moves on and Timer1 ticks.
    void TickAfter(double seconds);
    QString Status() const;

    // ---- What must hold after every change ----
    // Each subtask time is the sum below it, and each node's periods add up to its own time
    // (true wherever this program made every period, or the file was written to add up).
    void ExpectSumsHold() const;

    QTemporaryDir dir_;
    std::unique_ptr<TestPlatform> seams;
    std::unique_ptr<frmMain> window;
};
