// The splitter: where a drag may end, and that only the left button drags.
#include <QMouseEvent>
#include <QSignalSpy>
#include <QTest>

#include <gtest/gtest.h>

#include "shell/resize_handle.h"

namespace {

TEST(SplitterDragTest, ThePositionIsClamped) {
    struct Case {
        const char* what;
        double offLeft, x;
        int Offset;
        double MaxX, parentWidth;
        double expected;
    };
    // Bar width 75, least position 1815.
    const Case cases[] = {
        {"moved right within limits", 2085, 345, 45, 4780, 7530, 2385},
        {"moved left within limits", 2085, -135, 45, 4780, 7530, 1905},
        {"far right: right edge at MaxX", 2085, 9000, 45, 4780, 7530, 4705},
        {"far left: at MinX", 2085, -9000, 45, 4780, 7530, 1815},
        {"no MaxX: kept in the parent", 2085, 9000, 45, 0, 7530, 7455},
        {"no MaxX, within the parent", 2085, 100, 0, 0, 7530, 2185},
        {"MinX wins over MaxX", 2085, 0, 0, 1500, 7530, 1815},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(SplitterDragPosition(c.offLeft, c.x, c.Offset, 75, 1815, c.MaxX, c.parentWidth),
                  c.expected)
            << c.what;
    }
}

class ResizeHandleTest : public ::testing::Test {
  protected:
    void SetUp() override {
        parent.resize(scale.ToPixels(7530, 4515));
        handle = new ResizeHandle(&parent);
        handle->offLeft = 2085;
        handle->offTop = 675;
        handle->MinX = 1815;
        handle->MaxX = 4780;
        handle->setGeometry(scale.ToPixels(2085, 675, 75, 3840));
        parent.show();
    }
    // A pointer position in the handle, given in twips from its left edge.
    QPoint At(double twips) const { return {scale.ToPixelsX(twips), 10}; }
    void Send(QEvent::Type type, Qt::MouseButton button, Qt::MouseButtons held, double x) {
        QMouseEvent event(type, At(x), handle->mapToGlobal(At(x)), button, held, Qt::NoModifier);
        QCoreApplication::sendEvent(handle, &event);
    }

    QWidget parent;
    TwipsScale scale = TwipsScale::Of(&parent);
    ResizeHandle* handle = nullptr;
};

TEST_F(ResizeHandleTest, ALeftDragShowsTheGhostAtTheClampedPlaceAndReportsTheRelease) {
    QSignalSpy starts(handle, &ResizeHandle::StartMove);
    QSignalSpy moves(handle, &ResizeHandle::Move);
    const double grab = scale.ToTwipsX(2);
    Send(QEvent::MouseButtonPress, Qt::LeftButton, Qt::LeftButton, grab);
    EXPECT_EQ(starts.count(), 1);
    EXPECT_EQ(handle->Offset, std::lround(grab));
    ASSERT_NE(handle->ghost(), nullptr);
    EXPECT_TRUE(handle->ghost()->isVisible());
    EXPECT_EQ(handle->ghost()->geometry(),
              QRect(QPoint(scale.ToPixelsX(2085), scale.ToPixelsY(675)), handle->size()));

    Send(QEvent::MouseMove, Qt::NoButton, Qt::LeftButton, -9000);
    EXPECT_EQ(handle->ghost()->x(), scale.ToPixelsX(1815)) << "held at MinX";
    Send(QEvent::MouseMove, Qt::NoButton, Qt::LeftButton, 9000);
    const double barWidth = scale.ToTwipsX(handle->width());
    EXPECT_EQ(handle->ghost()->x(), scale.ToPixelsX(4780 - barWidth)) << "right edge at MaxX";
    EXPECT_EQ(parent.findChildren<QWidget*>("ResizeHandleGhost").size(), 1) << "one ghost only";
    EXPECT_TRUE(moves.isEmpty()) << "nothing moves before the release";

    Send(QEvent::MouseButtonRelease, Qt::LeftButton, Qt::NoButton, 300 + grab);
    ASSERT_EQ(moves.count(), 1);
    EXPECT_NEAR(moves[0][0].toDouble(), 2085 + 300, 1e-9);
    EXPECT_EQ(handle->ghost(), nullptr);
    EXPECT_TRUE(parent.findChildren<QWidget*>("ResizeHandleGhost").isEmpty());
    EXPECT_EQ(handle->Offset, 0);
    EXPECT_EQ(handle->offLeft, 2085) << "the bar never moves itself";
}

TEST_F(ResizeHandleTest, TheRightButtonDoesNothing) {
    QSignalSpy starts(handle, &ResizeHandle::StartMove);
    QSignalSpy moves(handle, &ResizeHandle::Move);
    QTest::mousePress(handle, Qt::RightButton, {}, At(30));
    Send(QEvent::MouseMove, Qt::NoButton, Qt::RightButton, 900);
    QTest::mouseRelease(handle, Qt::RightButton, {}, At(900));
    EXPECT_EQ(starts.count(), 0);
    EXPECT_EQ(moves.count(), 0);
    EXPECT_EQ(handle->ghost(), nullptr);
    EXPECT_EQ(handle->Offset, 0);
}

TEST_F(ResizeHandleTest, HidingTheBarMidDragStillEndsTheDrag) {
    QSignalSpy moves(handle, &ResizeHandle::Move);
    Send(QEvent::MouseButtonPress, Qt::LeftButton, Qt::LeftButton, 30);
    handle->hide();
    ASSERT_EQ(moves.count(), 1) << "the owner must get its Move to resume its timer";
    EXPECT_EQ(moves[0][0].toDouble(), 2085);
    EXPECT_EQ(handle->ghost(), nullptr);
}

}  // namespace
