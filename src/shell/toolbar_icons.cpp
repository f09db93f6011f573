#include "shell/toolbar_icons.h"

#include <QIconEngine>
#include <QPainter>
#include <QPainterPath>

#include <algorithm>
#include <functional>
#include <map>

namespace {

// Our own images share one look: drawn on a 24-unit grid, coloured fills inside a dark
// outline with a light rim, so each stands out on a light and on a dark toolbar alike.
const QColor kOutline(0x2e, 0x34, 0x36);
const QColor kRim(0xff, 0xff, 0xff, 0xb0);
const QColor kPaper(0xfa, 0xfa, 0xf5);
const QColor kFolder(0xf0, 0xb4, 0x3c);
const QColor kDisk(0x34, 0x65, 0xa4);
const QColor kGreen(0x3a, 0x9a, 0x3a);
const QColor kRed(0xcc, 0x33, 0x33);
const QColor kGrey(0x88, 0x8a, 0x85);

// Fills a shape with its colour inside a rim and an outline.
void Shape(QPainter& p, const QPainterPath& path, const QColor& fill) {
    p.setBrush(Qt::NoBrush);
    p.setPen(QPen(kRim, 3.2, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.drawPath(path);
    p.setPen(QPen(kOutline, 1.4, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.setBrush(fill);
    p.drawPath(path);
}

QPainterPath Polygon(std::initializer_list<QPointF> points) {
    QPainterPath path;
    path.addPolygon(QPolygonF(points));
    path.closeSubpath();
    return path;
}

QPainterPath Rect(double x, double y, double w, double h, double radius = 1.5) {
    QPainterPath path;
    path.addRoundedRect(QRectF(x, y, w, h), radius, radius);
    return path;
}

// A green plus in the lower right corner: "new".
void Plus(QPainter& p) {
    Shape(p,
          Polygon({{15, 11},
                   {19, 11},
                   {19, 15},
                   {23, 15},
                   {23, 19},
                   {19, 19},
                   {19, 23},
                   {15, 23},
                   {15, 19},
                   {11, 19},
                   {11, 15},
                   {15, 15}}),
          kGreen);
}

void Folder(QPainter& p) {
    Shape(p, Polygon({{2, 5}, {9, 5}, {11, 7}, {21, 7}, {21, 19}, {2, 19}}), kFolder);
}

void Document(QPainter& p) {
    Shape(p, Polygon({{5, 2}, {14, 2}, {19, 7}, {19, 22}, {5, 22}}), kPaper);
    p.setPen(QPen(kGrey, 1.2));
    for (double y : {10.0, 13.0, 16.0}) {
        p.drawLine(QPointF(8, y), QPointF(16, y));
    }
}

void Disk(QPainter& p, double dx, double dy) {
    p.save();
    p.translate(dx, dy);
    Shape(p, Polygon({{3, 3}, {16, 3}, {19, 6}, {19, 19}, {3, 19}}), kDisk);
    p.setPen(Qt::NoPen);
    p.setBrush(kPaper);
    p.drawRect(QRectF(6, 4, 9, 5));
    p.drawRect(QRectF(6, 13, 10, 5));
    p.restore();
}

void Arrow(QPainter& p, bool up) {
    const QPainterPath down =
        Polygon({{9, 3}, {15, 3}, {15, 12}, {20, 12}, {12, 21}, {4, 12}, {9, 12}});
    if (up) {
        p.save();
        p.translate(0, 24);
        p.scale(1, -1);
        Shape(p, down, kGreen);
        p.restore();
    } else {
        Shape(p, down, kGreen);
    }
}

using Drawing = std::function<void(QPainter&)>;

const std::map<QString, Drawing>& Drawings() {
    static const std::map<QString, Drawing> drawings = {
        {"loadproject",
         [](QPainter& p) {
             Folder(p);
             Shape(p, Polygon({{5, 11}, {23, 11}, {20, 19}, {2, 19}}), kFolder.lighter(115));
         }},
        {"saveproject", [](QPainter& p) { Disk(p, 1, 1); }},
        {"saveall",
         [](QPainter& p) {
             Disk(p, -1, -1);
             Disk(p, 3, 3);
         }},
        {"start",
         [](QPainter& p) {
             Shape(p, Polygon({{6, 3}, {21, 12}, {6, 21}}), kGreen);
         }},
        {"stop", [](QPainter& p) { Shape(p, Rect(5, 5, 14, 14), kRed); }},
        {"newproject",
         [](QPainter& p) {
             Folder(p);
             Plus(p);
         }},
        {"newtask",
         [](QPainter& p) {
             Document(p);
             Plus(p);
         }},
        {"options",
         [](QPainter& p) {
             for (double y : {6.0, 12.0, 18.0}) {
                 Shape(p, Rect(2, y - 1.5, 20, 3, 1.5), kGrey.lighter(140));
             }
             Shape(p, Rect(13, 3, 4, 6), kDisk);
             Shape(p, Rect(6, 9, 4, 6), kDisk);
             Shape(p, Rect(15, 15, 4, 6), kDisk);
         }},
        {"remove", [](QPainter& p) { Shape(p, Rect(3, 9, 18, 6), kRed); }},
        {"up", [](QPainter& p) { Arrow(p, true); }},
        {"down", [](QPainter& p) { Arrow(p, false); }},
    };
    return drawings;
}

// Draws one of our images at whatever size and scale it is asked for; greyed when disabled.
class DrawnIcon : public QIconEngine {
  public:
    explicit DrawnIcon(Drawing drawing) : drawing_(std::move(drawing)) {}
    void paint(QPainter* painter, const QRect& rect, QIcon::Mode mode, QIcon::State) override {
        painter->save();
        painter->setRenderHint(QPainter::Antialiasing);
        // Square and centred, whatever the box: a tree-bar slot is taller than wide.
        const int side = std::min(rect.width(), rect.height());
        painter->translate(rect.x() + (rect.width() - side) / 2.0,
                           rect.y() + (rect.height() - side) / 2.0);
        painter->scale(side / 24.0, side / 24.0);
        if (mode == QIcon::Disabled) {
            painter->setOpacity(0.4);
        }
        drawing_(*painter);
        painter->restore();
    }
    QPixmap pixmap(const QSize& size, QIcon::Mode mode, QIcon::State state) override {
        QPixmap image(size);
        image.fill(Qt::transparent);
        QPainter painter(&image);
        paint(&painter, QRect(QPoint(0, 0), size), mode, state);
        return image;
    }
    QIconEngine* clone() const override { return new DrawnIcon(drawing_); }

  private:
    Drawing drawing_;
};

const std::map<QString, const char*>& ThemeNames() {
    static const std::map<QString, const char*> names = {
        {"loadproject", "document-open"},
        {"saveproject", "document-save"},
        {"saveall", "document-save-all"},
        {"start", "media-playback-start"},
        {"stop", "media-playback-stop"},
        {"newproject", "folder-new"},
        {"newtask", "document-new"},
        {"options", "preferences-system"},
        {"remove", "list-remove"},
        {"up", "go-up"},
        {"down", "go-down"},
    };
    return names;
}

// The theme's images only when it has every one: half a set mixed with ours would look
// patched together.
bool ThemeHasEveryImage() {
    static const bool every = [] {
        for (const auto& [key, name] : ThemeNames()) {
            if (!QIcon::hasThemeIcon(QString::fromLatin1(name))) {
                return false;
            }
        }
        return true;
    }();
    return every;
}

}  // namespace

QIcon BundledToolbarIcon(const QString& key) {
    const auto found = Drawings().find(key);
    return found == Drawings().end() ? QIcon() : QIcon(new DrawnIcon(found->second));
}

QIcon ToolbarIcon(const QString& key) {
    const auto found = ThemeNames().find(key);
    if (found == ThemeNames().end()) {
        return {};
    }
    if (ThemeHasEveryImage()) {
        return QIcon::fromTheme(QString::fromLatin1(found->second));
    }
    return BundledToolbarIcon(key);
}
