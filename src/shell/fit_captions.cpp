#include "shell/fit_captions.h"

#include <QAbstractButton>
#include <QFontMetrics>
#include <QLabel>
#include <QWidget>

namespace {

constexpr double kSmallestPoints = 7;

// Only the width counts: a check box or button a little shorter than the toolkit would like
// still shows its one line.
bool Fits(QAbstractButton* button, const QString& text) {
    button->setText(text);
    return button->sizeHint().width() <= button->width();
}

// Two lines may lose a sliver of their outer edges, as they would in a box drawn for them.
bool TwoLinesTall(const QAbstractButton* button) {
    return 2 * QFontMetrics(button->font()).height() <= button->height() + 4;
}

// The caption on one line if that fits, else broken at the last space that lets both lines
// fit; false when neither does.
bool FitOne(QAbstractButton* button, const QString& caption) {
    if (Fits(button, caption)) {
        return true;
    }
    if (!TwoLinesTall(button)) {
        return false;
    }
    for (qsizetype space = caption.lastIndexOf(u' '); space > 0;
         space = caption.lastIndexOf(u' ', space - 1)) {
        if (Fits(button, caption.left(space) + u'\n' + caption.mid(space + 1))) {
            return true;
        }
    }
    button->setText(caption);
    return false;
}

bool FitAll(const QList<QAbstractButton*>& buttons, const QStringList& captions) {
    bool all = true;
    for (qsizetype i = 0; i < buttons.size(); ++i) {
        all = FitOne(buttons[i], captions[i]) && all;
    }
    return all;
}

// Sets on `owner` the first of its font's narrower, then smaller, variants for which
// `fits` holds; the smallest, narrowest one when none does.
template <typename Test>
void FitFont(QWidget* owner, Test fits) {
    const QFont original = owner->font();
    const double points = original.pointSizeF() > 0 ? original.pointSizeF() : 9;
    for (double size = points; size >= kSmallestPoints - 0.01; size -= 0.5) {
        for (const int stretch : {QFont::Unstretched, QFont::SemiCondensed, QFont::Condensed}) {
            QFont font = original;
            font.setPointSizeF(size);
            font.setStretch(stretch);
            owner->setFont(font);
            if (fits()) {
                return;
            }
        }
    }
}

}  // namespace

void FitCaptions(QWidget* window, const QList<QAbstractButton*>& buttons) {
    QStringList captions;
    for (QAbstractButton* button : buttons) {
        captions << button->text();
        button->setAccessibleName(button->text());
    }
    FitFont(window, [&] { return FitAll(buttons, captions); });
}

void FitLabel(QLabel* label) {
    FitFont(label, [label] { return label->sizeHint().width() <= label->width(); });
}
