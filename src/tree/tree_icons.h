#pragma once
// The tree's images, numbered as the program has always numbered them.

#include <QIcon>
#include <QImage>

enum class TreeImage {
    None = 0,
    ProjectUnmodified = 1,  // green diamond
    Task = 2,               // empty check box
    TaskCompleted = 3,      // check box with a green tick
    Clock0 = 4,             // clock face, hand straight up; Clock0 + k turns it k eighths
    ProjectModified = 12,   // red diamond
};

// The clock frame keyed "m<frame>", frame 0 to 7.
inline TreeImage ClockFrame(int frame) {
    return TreeImage(int(TreeImage::Clock0) + frame);
}

// The icon for an image, crisp at 14 px and at twice that on high-DPI screens. Drawn once
// and shared: a tree of 100,000 nodes costs twelve drawings. An empty icon for None.
QIcon TreeIcon(TreeImage image);

// The picture of an image, drawn afresh, `pixels` wide and high (14 or 28 for the icons);
// transparent around the diamonds and check boxes, the clock face white with black lines.
QImage DrawTreeImage(TreeImage image, int pixels);
