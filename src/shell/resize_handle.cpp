#include "shell/resize_handle.h"

#include <QMouseEvent>
#include <QPainter>

#include <cmath>

namespace {

// A fine checkerboard: drawn by difference, it inverts every other pixel beneath, so the
// ghost shows on any background without hiding what it passes over.
QPixmap BarPattern() {
    QImage pattern(64, 64, QImage::Format_RGB32);
    for (int y = 0; y < pattern.height(); ++y) {
        for (int x = 0; x < pattern.width(); ++x) {
            pattern.setPixel(x, y, (x + y) % 2 == 0 ? 0xffffffu : 0xff000000u);
        }
    }
    return QPixmap::fromImage(pattern);
}

// An overlay on the parent window showing the bar's image inverted onto what lies beneath.
class GhostBar : public QWidget {
  public:
    GhostBar(QWidget* parent, const QPixmap& image) : QWidget(parent), image_(image) {
        setObjectName(QStringLiteral("ResizeHandleGhost"));
        setAttribute(Qt::WA_TransparentForMouseEvents);
        setAttribute(Qt::WA_NoSystemBackground);
    }

  protected:
    void paintEvent(QPaintEvent*) override {
        QPainter painter(this);
        painter.setCompositionMode(QPainter::CompositionMode_Difference);
        painter.drawPixmap(0, 0, image_);
    }

  private:
    QPixmap image_;
};

}  // namespace

double SplitterDragPosition(double offLeft, double x, int32_t Offset, double barWidth, double MinX,
                            double MaxX, double parentWidth) {
    double q = offLeft + x - Offset;
    if (MaxX == 0) {
        if (q + barWidth > parentWidth) {
            q = parentWidth - barWidth;
        }
    } else if (q + barWidth > MaxX) {
        q = MaxX - barWidth;
    }
    if (q < MinX) {
        q = MinX;
    }
    return q;
}

ResizeHandle::ResizeHandle(QWidget* parent) : QWidget(parent), Image0(BarPattern()) {
    setCursor(Qt::SizeHorCursor);
}

ResizeHandle::~ResizeHandle() {
    EraseGhost();
}

double ResizeHandle::PointerTwips(const QMouseEvent* event) const {
    return Scale().ToTwipsX(event->position().x());
}

double ResizeHandle::Clamped(double x) const {
    const TwipsScale scale = Scale();
    const double parentWidth = parentWidget() ? scale.ToTwipsX(parentWidget()->width()) : 0;
    return SplitterDragPosition(offLeft, x, Offset, scale.ToTwipsX(width()), MinX, MaxX,
                                parentWidth);
}

void ResizeHandle::mousePressEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton || dragging_) {
        return;
    }
    const double x = PointerTwips(event);
    dragging_ = true;
    emit StartMove();
    Offset = static_cast<int32_t>(std::lround(x));
    DrawGhost(x);
}

void ResizeHandle::mouseMoveEvent(QMouseEvent* event) {
    if (!dragging_ || !(event->buttons() & Qt::LeftButton)) {
        return;
    }
    DrawGhost(PointerTwips(event));
}

void ResizeHandle::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton || !dragging_) {
        return;
    }
    EndDrag(Clamped(PointerTwips(event)));
}

void ResizeHandle::EndDrag(double position) {
    EraseGhost();
    dragging_ = false;
    Offset = 0;
    emit Move(position);
}

// Keeps the bar's image as tall as the bar, the pattern repeated down it.
void ResizeHandle::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    BarToDraw = QPixmap(qMax(width(), 1), qMax(height(), 1));
    QPainter painter(&BarToDraw);
    for (int y = 0; y <= BarToDraw.height(); y += Image0.height()) {
        painter.drawPixmap(0, y, Image0);
    }
}

// A bar hidden mid-drag gets no release. The owner paused its work at StartMove and waits
// for a Move to resume it, so the drag still ends, with the bar where it was.
void ResizeHandle::hideEvent(QHideEvent* event) {
    if (dragging_) {
        EndDrag(offLeft);
    }
    QWidget::hideEvent(event);
}

void ResizeHandle::DrawGhost(double x) {
    if (!parentWidget()) {
        return;
    }
    if (!ghost_) {
        ghost_ = new GhostBar(parentWidget(), BarToDraw);
    }
    const TwipsScale scale = Scale();
    ghost_->setGeometry(scale.ToPixelsX(Clamped(x)), scale.ToPixelsY(offTop), width(), height());
    ghost_->raise();
    ghost_->show();
}

void ResizeHandle::EraseGhost() {
    delete ghost_.data();
}

// A line down the middle and a grip of dots half way down, in the theme's own shades: the
// bar shows where it is before the pointer finds it, on light and dark themes alike.
void ResizeHandle::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    const QColor line = palette().color(QPalette::Mid);
    const int middle = width() / 2;
    painter.setPen(line);
    painter.drawLine(middle, 0, middle, height());
    painter.setPen(Qt::NoPen);
    painter.setBrush(palette().color(QPalette::Dark));
    const int dot = std::max(2, width() / 3);
    for (int i = -2; i <= 2; ++i) {
        painter.drawEllipse(QPoint(middle, height() / 2 + i * dot * 2), dot / 2 + 1, dot / 2 + 1);
    }
}
