#pragma once
// Whether a person can see a widget now: work that only changes what is drawn waits while
// they cannot, and catches up when they can.

class QWidget;

// Shown, its window not minimized, and the window's native surface exposed (not covered
// whole, not on another workspace).
bool IsOnScreen(const QWidget& widget);
