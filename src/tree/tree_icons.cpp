#include "tree/tree_icons.h"

#include <QPainter>
#include <QPixmap>

// Placeholder images: a coloured square per kind until the drawn set arrives.
QIcon TreeIcon(TreeImage image) {
    if (image == TreeImage::None) {
        return {};
    }
    QPixmap pixmap(14, 14);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    QColor colour = Qt::gray;
    if (image == TreeImage::ProjectUnmodified) {
        colour = Qt::darkGreen;
    } else if (image == TreeImage::ProjectModified) {
        colour = Qt::red;
    } else if (image == TreeImage::TaskCompleted) {
        colour = Qt::green;
    } else if (image == TreeImage::Task) {
        colour = Qt::white;
    }
    painter.fillRect(2, 2, 10, 10, colour);
    painter.setPen(Qt::black);
    painter.drawRect(2, 2, 10, 10);
    return QIcon(pixmap);
}
