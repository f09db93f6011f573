// The main window's layout pass, with numbers.
#include <gtest/gtest.h>

#include "shell/layout.h"

// Found by argument lookup, so it lives beside TwipsRect in the global namespace.
static std::ostream& operator<<(std::ostream& out, const TwipsRect& r) {
    return out << '(' << r.left << ", " << r.top << ", " << r.width << ", " << r.height << ')';
}

namespace {

// The design window: 7530 x 4515 twips, 15 twips per pixel, a toolbar 675 high.
LayoutInput Design(double width = 7530, double height = 4515, double offLeft = 2085) {
    LayoutInput input;
    input.clientWidth = width;
    input.clientHeight = height;
    input.offLeft = offLeft;
    input.MinX = 1815;
    input.m = 45;
    input.toolbarTop = 0;
    input.toolbarHeight = 675;
    input.treeBarEndLeft = 1500;
    return input;
}

TEST(LayoutTest, TheDesignWindow) {
    const Layout l = LayOut(Design());
    EXPECT_EQ(l.offLeft, 2085);
    EXPECT_EQ(l.MaxX, 4780);
    EXPECT_EQ(l.offTop, 675);
    const std::pair<const char*, std::pair<TwipsRect, TwipsRect>> rows[] = {
        {"Tree", {l.Tree, {0, 675, 2085, 3480}}},
        {"TreeBar", {l.TreeBar, {585, 4155, 1500, 360}}},
        {"ResizeHandle1", {l.ResizeHandle1, {2085, 675, 75, 3840}}},
        {"lblName", {l.lblName, {2160, 675, 1335, 195}}},
        {"txtName", {l.txtName, {2160, 915, 4110, 285}}},
        {"chkCompleted", {l.chkCompleted, {6315, 915, 1215, 285}}},
        {"lblDescription", {l.lblDescription, {2160, 1245, 1575, 195}}},
        {"txtDescription", {l.txtDescription, {2160, 1485, 5325, 1095}}},
        {"lblTimeHead", {l.lblTimeHead, {4845, 2670, 2640, 195}}},
        {"lblTaskTime", {l.lblTaskTime, {2160, 2910, 2640, 285}}},
        {"lblSubTaskTime", {l.lblSubTaskTime, {2160, 3240, 2640, 285}}},
        {"lblTotalTime", {l.lblTotalTime, {2160, 3570, 2640, 285}}},
        {"txtTaskTime", {l.txtTaskTime, {4845, 2910, 2640, 285}}},
        {"txtSubTaskTime", {l.txtSubTaskTime, {4845, 3240, 2640, 285}}},
        {"txtTotalTime", {l.txtTotalTime, {4845, 3570, 2640, 285}}},
        {"frmHistory", {l.frmHistory, {2160, 3900, 5325, 570}}},
    };
    for (const auto& [name, rects] : rows) {
        EXPECT_EQ(rects.first, rects.second) << name << ' ' << rects.first;
    }
}

TEST(LayoutTest, TheSplitterIsKeptWithinItsLimits) {
    struct Case {
        double width;
        double offLeft;
        double expected;
    };
    const Case cases[] = {
        {7530, 2085, 2085},                      // fits
        {4835, 2085, 2085},                      // exactly 2085 + 2750
        {4800, 2085, 2050},                      // narrowed: pushed left to width - 2750
        {4565, 2085, 1815},                      // at the minimum
        {3000, 2085, 1815},                      // narrower still: the minimum wins
        {7530, 0, 1815},                         // "frm_split" held no number
        {7530, -500, 1815}, {7530, 9000, 4780},  // beyond the right limit
    };
    for (const Case& c : cases) {
        const Layout l = LayOut(Design(c.width, 4515, c.offLeft));
        EXPECT_EQ(l.offLeft, c.expected) << "width " << c.width << ", offLeft " << c.offLeft;
        EXPECT_EQ(l.Tree.width, l.offLeft);
        EXPECT_EQ(l.ResizeHandle1.left, l.offLeft);
    }
}

TEST(LayoutTest, WideningAgainDoesNotBringTheSplitterBack) {
    double offLeft = 2085;
    for (double width : {7530.0, 4700.0, 7530.0}) {
        offLeft = LayOut(Design(width, 4515, offLeft)).offLeft;
    }
    EXPECT_EQ(offLeft, 1950);
}

TEST(LayoutTest, ATinyWindowGivesNoNegativeSize) {
    for (const auto& [width, height] : {std::pair{0.0, 0.0}, {100.0, 100.0}, {4000.0, 700.0}}) {
        const Layout l = LayOut(Design(width, height));
        const TwipsRect sized[] = {l.Tree,        l.ResizeHandle1, l.txtName,     l.txtDescription,
                                   l.lblTimeHead, l.lblTaskTime,   l.txtTaskTime, l.frmHistory};
        for (const TwipsRect& r : sized) {
            EXPECT_GE(r.width, 0) << width << 'x' << height << ' ' << r;
            EXPECT_GE(r.height, 0) << width << 'x' << height << ' ' << r;
        }
        EXPECT_GE(l.txtName.width, 1);
    }
}

TEST(LayoutTest, TheTreeBarEndsFlushWithTheTreeAndIsAsWideAsItsButtons) {
    for (double endLeft : {0.0, 900.0, 2400.0}) {
        LayoutInput input = Design(9000, 6000, 3300);
        input.treeBarEndLeft = endLeft;
        const Layout l = LayOut(input);
        EXPECT_EQ(l.TreeBar.width, endLeft);
        EXPECT_EQ(l.TreeBar.left + l.TreeBar.width, l.Tree.left + l.Tree.width);
        EXPECT_EQ(l.TreeBar.top, l.Tree.top + l.Tree.height);
    }
}

TEST(LayoutTest, TheToolbarsBottomIsTheTreesTop) {
    LayoutInput input = Design();
    input.toolbarTop = 30;
    input.toolbarHeight = 900;
    const Layout l = LayOut(input);
    EXPECT_EQ(l.Tree.top, 930);
    EXPECT_EQ(l.offTop, 930);
    EXPECT_EQ(l.lblName.top, 930);
    EXPECT_EQ(l.ResizeHandle1.height, 4515 - 930);
}

}  // namespace
