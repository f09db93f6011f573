#pragma once
// A window laid out in twips has its controls' widths fixed, but the desktop's font may be
// wider than the one the layout was drawn for. These narrow a font (and only then make it
// smaller) until the texts fit their controls.

#include <QList>

class QAbstractButton;
class QLabel;
class QWidget;

// Fits the captions of `buttons` (children of `window`) into their widths by choosing the
// window's font: the desktop's font as it is when everything fits, else a narrower
// stretch of it, else smaller sizes down to 7 points. A caption whose control is tall
// enough for two lines is broken at a space instead of being narrowed; its accessible name
// keeps the caption on one line.
void FitCaptions(QWidget* window, const QList<QAbstractButton*>& buttons);

// Fits a label's text into its width the same way, through the label's own font.
void FitLabel(QLabel* label);
