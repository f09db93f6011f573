// The tree's pictures: the right shape in the right place, at both sizes, drawn once.
#include <QPixmap>

#include <gtest/gtest.h>

#include <cmath>
#include <numbers>

#include "tree/tree_icons.h"

namespace {

const TreeImage kAllImages[] = {
    TreeImage::ProjectUnmodified,
    TreeImage::Task,
    TreeImage::TaskCompleted,
    ClockFrame(0),
    ClockFrame(1),
    ClockFrame(2),
    ClockFrame(3),
    ClockFrame(4),
    ClockFrame(5),
    ClockFrame(6),
    ClockFrame(7),
    TreeImage::ProjectModified,
};

// The colour at a point of the 14-pixel grid, on a picture of any size.
QColor At(const QImage& picture, double x, double y) {
    const double scale = picture.width() / 14.0;
    return picture.pixelColor(int(x * scale), int(y * scale));
}

TEST(TreeIcons, TwelveIconsAtBothSizesDrawnOnce) {
    for (TreeImage image : kAllImages) {
        const QIcon icon = TreeIcon(image);
        ASSERT_FALSE(icon.isNull()) << int(image);
        EXPECT_TRUE(icon.availableSizes().contains(QSize(14, 14))) << int(image);
        EXPECT_TRUE(icon.availableSizes().contains(QSize(28, 28))) << int(image);
        EXPECT_EQ(TreeIcon(image).cacheKey(), icon.cacheKey()) << "drawn again";
    }
    EXPECT_TRUE(TreeIcon(TreeImage::None).isNull());
}

TEST(TreeIcons, DiamondsAndBoxesStandOnTransparency) {
    for (const int pixels : {14, 28}) {
        const QImage green = DrawTreeImage(TreeImage::ProjectUnmodified, pixels);
        const QImage red = DrawTreeImage(TreeImage::ProjectModified, pixels);
        const QImage open = DrawTreeImage(TreeImage::Task, pixels);
        const QImage ticked = DrawTreeImage(TreeImage::TaskCompleted, pixels);
        for (const QImage* picture : {&green, &red, &open, &ticked}) {
            EXPECT_EQ(At(*picture, 0, 0).alpha(), 0) << pixels;
        }
        const QColor g = At(green, 7, 7), r = At(red, 7, 7);
        EXPECT_GT(g.green(), g.red() + 60) << pixels;
        EXPECT_GT(r.red(), r.green() + 60) << pixels;
        EXPECT_EQ(At(open, 7, 7), QColor(Qt::white)) << pixels;
        const QColor tick = At(ticked, 6, 9);
        EXPECT_GT(tick.green(), tick.red() + 60) << pixels;
        EXPECT_EQ(At(open, 6, 9), QColor(Qt::white)) << pixels;
    }
}

TEST(TreeIcons, ClockHandTurnsAnEighthPerFrameFromStraightUp) {
    for (const int pixels : {14, 28}) {
        for (int frame = 0; frame < 8; ++frame) {
            const QImage clock = DrawTreeImage(ClockFrame(frame), pixels);
            const double angle = frame * std::numbers::pi / 4;
            auto along = [&](double radius) {
                return At(clock, 7 + radius * std::sin(angle), 7 - radius * std::cos(angle));
            };
            auto opposite = [&](double radius) {
                return At(clock, 7 - radius * std::sin(angle), 7 + radius * std::cos(angle));
            };
            EXPECT_LT(along(3).lightness(), 100) << "frame " << frame << " at " << pixels;
            EXPECT_GT(opposite(3).lightness(), 200) << "frame " << frame << " at " << pixels;
            EXPECT_EQ(At(clock, 0.2, 0.2).alpha(), 0);
        }
    }
}

}  // namespace
