#pragma once
// A read-only text field that looks like any line edit, its frame drawn by a widget of its
// own around a frameless one. The pane's time fields change every second while the timer
// runs, and a line edit draws its whole rounded frame again with every new text: most of
// what showing the new time costs.

#include <QWidget>

class QLineEdit;
class QStyleOptionFrame;

class FramedField : public QWidget {
  public:
    explicit FramedField(QWidget* parent);
    // The field itself: its text, focus, name and accessibility are all its own.
    QLineEdit* field() const { return field_; }

  protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    // The frame as the style would draw it around the field.
    QStyleOptionFrame FrameOption() const;

    QLineEdit* field_;
};

// What the window places for `control`: the frame of a framed field, or the control itself.
QWidget* Placed(QWidget* control);
