// The splitter in the real window, dragged with the mouse.
#include <QTest>

#include <functional>

#include "support/window_fixture.h"

namespace {

class Splitter : public WindowTest {
  protected:
    void SetUp() override {
        WindowTest::SetUp();
        window->Form_Load({QStringLiteral("-n")});  // no file: the splitter's start alone
        window->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(window.get()));
        handle = window->ui.ResizeHandle1;
    }
    // A left-button drag on the bar from its grip to `dx` pixels aside; `during` runs while
    // the button is held.
    void Drag(
        int dx, const std::function<void()>& during = [] {}) {
        const QPoint grip(2, 10);
        QTest::mousePress(handle, Qt::LeftButton, {}, grip);
        QTest::mouseMove(handle, grip + QPoint(dx / 2, 0));
        during();
        QTest::mouseRelease(handle, Qt::LeftButton, {}, grip + QPoint(dx, 0));
    }
    ResizeHandle* handle = nullptr;
};

TEST_F(Splitter, DraggingRightWidensTheTreeAndMovesThePane) {
    const int tree = window->ui.Tree->width();
    const int pane = window->ui.txtName->x();
    Drag(40);
    EXPECT_EQ(window->ui.Tree->width(), tree + 40);
    EXPECT_EQ(window->ui.txtName->x(), pane + 40);
    EXPECT_EQ(handle->x(), window->ui.Tree->width());
}

TEST_F(Splitter, FarLeftTheTreeBarStaysWhole) {
    Drag(-2000, [&] {
        ASSERT_NE(handle->ghost(), nullptr);
        EXPECT_EQ(handle->ghost()->x(), TwipsScale::Of(handle).ToPixelsX(1815)) << "at MinX";
    });
    EXPECT_EQ(handle->ghost(), nullptr);
    const QRect bar = window->ui.TreeBar->geometry();
    EXPECT_GE(bar.left(), 0) << "the first buttons are cut off";
    EXPECT_EQ(bar.right(), window->ui.Tree->geometry().right());
    EXPECT_EQ(bar.width(), window->ui.TreeBar->sizeHint().width());
}

TEST_F(Splitter, OnlyTheLeftButtonDrags) {
    const int tree = window->ui.Tree->width();
    QTest::mousePress(handle, Qt::RightButton, {}, QPoint(2, 10));
    QTest::mouseRelease(handle, Qt::RightButton, {}, QPoint(60, 10));
    EXPECT_EQ(window->ui.Tree->width(), tree);
    EXPECT_EQ(handle->ghost(), nullptr);
}

TEST_F(Splitter, NarrowingTheWindowPushesTheSplitterLeftForGood) {
    Drag(window->width());  // as far right as the pane lets it go
    const QSize size = window->size();
    const int before = handle->x();
    window->resize(size.width() - 120, size.height());
    QCoreApplication::processEvents();
    const int narrowed = handle->x();
    EXPECT_LT(narrowed, before) << window->width() << " of " << size.width();
    window->resize(size);
    QCoreApplication::processEvents();
    EXPECT_EQ(handle->x(), narrowed);
}

TEST_F(Splitter, TheTimerBooksTheDragAtItsEnd) {
    TreeNode* task = AddTask(AddProject("P"), "T");
    ClickToolbar("toggletimer");
    seams->clock->now += 5;
    Drag(30, [&] {
        EXPECT_FALSE(window->ui.Timer1.enabled()) << "no tick during a drag";
        seams->clock->now += 3;
    });
    EXPECT_TRUE(window->ui.Timer1.enabled());
    EXPECT_EQ(Text(task, "@task_time"), "0:00:08");
}

TEST_F(Splitter, ATimerStoppedDuringTheDragStaysStopped) {
    TreeNode* task = AddTask(AddProject("P"), "T");
    ClickToolbar("toggletimer");
    Drag(30, [&] { window->ToolbarButton("toggletimer")->trigger(); });
    EXPECT_FALSE(window->ui.Timer1.enabled());
    EXPECT_FALSE(window->Timing.TimerRunning);
    EXPECT_EQ(Text(task, "@task_time"), "0:00:00");
}

}  // namespace
