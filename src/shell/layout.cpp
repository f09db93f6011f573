#include "shell/layout.h"

#include <algorithm>

namespace {

// Room kept right of the splitter for the detail pane.
constexpr double kPaneReserve = 2750;

double AtLeast(double value, double least) {
    return std::max(value, least);
}

double Bottom(const TwipsRect& rect) {
    return rect.top + rect.height;
}

double ClampSplitter(double offLeft, double MinX, double MaxX) {
    if (offLeft > MaxX) {
        offLeft = MaxX;
    }
    if (offLeft < MinX) {
        offLeft = MinX;
    }
    return offLeft;
}

// The tree, the tree bar under it and the splitter.
void LayOutLeft(const LayoutInput& in, Layout& out) {
    const double W = in.clientWidth;
    const double H = in.clientHeight;
    const LayoutDesign& d = in.design;
    out.MaxX = W - kPaneReserve;
    // The tree is never narrower than its bar, whose left buttons would be cut off.
    out.offLeft = ClampSplitter(in.offLeft, std::max(in.MinX, in.treeBarEndLeft), out.MaxX);
    const double treeTop = in.toolbarTop + in.toolbarHeight;
    out.offTop = treeTop;
    out.ResizeHandle1 = {out.offLeft, treeTop, d.splitterWidth, AtLeast(H - treeTop, 0)};
    out.Tree = {0, treeTop, out.offLeft, AtLeast(H - treeTop - d.treeBarHeight, 0)};
    // Right-aligned under the tree, exactly as wide as its real buttons.
    const double barWidth = in.treeBarEndLeft;
    out.TreeBar = {out.Tree.width - barWidth, Bottom(out.Tree), barWidth, d.treeBarHeight};
}

// The detail pane right of the splitter.
void LayOutPane(const LayoutInput& in, Layout& out) {
    const double W = in.clientWidth;
    const double H = in.clientHeight;
    const double m = in.m;
    const LayoutDesign& d = in.design;
    const double left = out.ResizeHandle1.left + out.ResizeHandle1.width;

    out.lblName = {left, out.offTop, d.lblNameWidth, d.lblNameHeight};
    const double nameWidth = AtLeast(W - left - d.chkCompletedWidth - m, 1);
    out.txtName = {left, Bottom(out.lblName) + m, nameWidth, d.txtNameHeight};
    out.chkCompleted = {left + nameWidth + m, out.txtName.top, d.chkCompletedWidth,
                        d.chkCompletedHeight};
    out.lblDescription = {left, Bottom(out.txtName) + m, d.lblDescriptionWidth,
                          d.lblDescriptionHeight};
    out.txtDescription = {left, Bottom(out.lblDescription) + m, AtLeast(W - left - m, 0),
                          d.txtDescriptionHeight};

    const double headTop = Bottom(out.txtDescription) + 2 * m;
    const double labelWidth = AtLeast((W - left - 2 * m) / 2, 0);
    out.lblTaskTime = {left, headTop + d.lblTimeHeadHeight + m, labelWidth, d.timeLabelHeight};
    out.lblSubTaskTime = {left, Bottom(out.lblTaskTime) + m, labelWidth, d.timeLabelHeight};
    out.lblTotalTime = {left, Bottom(out.lblSubTaskTime) + m, labelWidth, d.timeLabelHeight};

    const double fieldLeft = left + labelWidth + m;
    const double fieldWidth = AtLeast(W - m - fieldLeft, 0);
    out.lblTimeHead = {fieldLeft, headTop, fieldWidth, d.lblTimeHeadHeight};
    out.txtTaskTime = {fieldLeft, out.lblTaskTime.top, fieldWidth, d.timeFieldHeight};
    out.txtSubTaskTime = {fieldLeft, out.lblSubTaskTime.top, fieldWidth, d.timeFieldHeight};
    out.txtTotalTime = {fieldLeft, out.lblTotalTime.top, fieldWidth, d.timeFieldHeight};

    const double historyTop = Bottom(out.txtTotalTime) + m;
    out.frmHistory = {left, historyTop, AtLeast(W - left - m, 0), AtLeast(H - historyTop - m, 0)};
}

}  // namespace

Layout LayOut(const LayoutInput& input) {
    Layout out;
    LayOutLeft(input, out);
    LayOutPane(input, out);
    return out;
}
