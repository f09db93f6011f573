#pragma once
// The main window's layout pass: every pane's rectangle from the client size and the
// splitter position, in twips. Pure arithmetic, so it is tested with numbers.

#include "shell/twips.h"

// Sizes the layout reads but never sets, in twips.
struct LayoutDesign {
    double splitterWidth = 75;
    double treeBarHeight = 360;
    double lblNameWidth = 1335;
    double lblNameHeight = 195;
    double txtNameHeight = 285;
    double chkCompletedWidth = 1215;
    double chkCompletedHeight = 285;
    double lblDescriptionWidth = 1575;
    double lblDescriptionHeight = 195;
    double txtDescriptionHeight = 1095;
    double lblTimeHeadHeight = 195;
    double timeLabelHeight = 285;  // lblTaskTime, lblSubTaskTime, lblTotalTime
    double timeFieldHeight = 285;  // txtTaskTime, txtSubTaskTime, txtTotalTime
};

struct LayoutInput {
    double clientWidth = 0;
    double clientHeight = 0;
    double offLeft = 0;  // the splitter's left edge as it stands
    double MinX = 0;     // the splitter's least position
    double m = 45;       // spacing unit: 3 pixels
    double toolbarTop = 0;
    double toolbarHeight = 0;
    double treeBarEndLeft = 0;  // left edge of the tree bar's "end" slot: its real buttons' width
    LayoutDesign design;
};

struct Layout {
    double offLeft = 0;  // the splitter position after clamping; the caller keeps it
    double MaxX = 0;     // the splitter's greatest position for this client width
    double offTop = 0;   // the splitter's top edge
    TwipsRect Tree;
    TwipsRect TreeBar;
    TwipsRect ResizeHandle1;
    TwipsRect lblName;
    TwipsRect txtName;
    TwipsRect chkCompleted;
    TwipsRect lblDescription;
    TwipsRect txtDescription;
    TwipsRect lblTimeHead;
    TwipsRect lblTaskTime;
    TwipsRect lblSubTaskTime;
    TwipsRect lblTotalTime;
    TwipsRect txtTaskTime;
    TwipsRect txtSubTaskTime;
    TwipsRect txtTotalTime;
    TwipsRect frmHistory;
};

// Lays the window out. The splitter is kept at most 2750 twips from the right edge and at
// least at MinX and the tree bar's width (the minimum wins); every width and height is
// non-negative and the name field at least 1 twip wide, however small the window.
Layout LayOut(const LayoutInput& input);
