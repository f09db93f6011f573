#pragma once
// Where a window of the program's own opens: over the window that opened it.

#include <QSize>

class QWidget;

// Sizes `window` to `wanted`, bounded by the free area of the owner's screen (but no smaller
// than the window can be, where it fits), and centres it on `owner` as far as that area
// allows, frame included.
void PlaceOverOwner(QWidget& window, const QWidget& owner, QSize wanted);
