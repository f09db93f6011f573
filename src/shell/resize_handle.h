#pragma once
// The splitter between the tree and the detail pane. It never moves itself: a left-button
// drag shows a ghost of the bar over the parent, and the release reports where the bar
// should go; the main window then lays itself out. Positions are in twips, in the
// parent's coordinates.

#include <QPixmap>
#include <QPointer>
#include <QWidget>

#include <cstdint>

#include "shell/twips.h"

// Where the bar's left edge lands for a pointer at `x` (twips, in the bar) when the drag was
// grabbed at `Offset`: kept left of MaxX by the bar's width (or inside the parent's client
// width when MaxX is 0), then at least MinX, which wins.
double SplitterDragPosition(double offLeft, double x, int32_t Offset, double barWidth, double MinX,
                            double MaxX, double parentWidth);

class ResizeHandle : public QWidget {
    Q_OBJECT
  public:
    explicit ResizeHandle(QWidget* parent);
    ~ResizeHandle() override;

    double offLeft = 0;  // the bar's left edge: the authoritative splitter position
    double offTop = 0;   // the bar's top edge
    double MinX = 0;     // least position
    double MaxX = 0;     // greatest position for the bar's right edge; 0: the parent's width
    int32_t Offset = 0;  // during a drag, where in the bar it was grabbed; 0 otherwise

    // The ghost bar shown during a drag, or none.
    QWidget* ghost() const { return ghost_; }

  signals:
    // The drag ended: the bar's new left edge.
    void Move(double position);
    // A drag began.
    void StartMove();

  protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void hideEvent(QHideEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

  private:
    TwipsScale Scale() const { return TwipsScale::Of(this); }
    double PointerTwips(const QMouseEvent* event) const;
    double Clamped(double x) const;
    void DrawGhost(double x);
    void EraseGhost();
    void EndDrag(double position);

    bool dragging_ = false;
    QPixmap Image0;     // the bar's pattern, tiled down BarToDraw
    QPixmap BarToDraw;  // the ghost's image, as tall as the bar
    QPointer<QWidget> ghost_;
};
