#include "platform/window_placement.h"

#include <QGuiApplication>
#include <QRect>
#include <QScreen>
#include <QWidget>

#include <algorithm>

void PlaceOverOwner(QWidget& window, const QWidget& owner, QSize wanted) {
    const QScreen* screen =
        owner.screen() != nullptr ? owner.screen() : QGuiApplication::primaryScreen();
    const QRect room = screen->availableGeometry();
    // The window manager frames this window as it framed the owner; before the owner shows,
    // room for a usual frame.
    const QSize ownerFrame = owner.frameGeometry().size() - owner.size();
    const QSize frame = owner.isVisible() && !ownerFrame.isEmpty() ? ownerFrame : QSize(16, 48);
    const QSize size = wanted.boundedTo(room.size() - frame)
                           .expandedTo(window.minimumSizeHint().boundedTo(room.size() - frame));
    window.resize(size);
    QRect placed(QPoint(), size + frame);
    placed.moveCenter(owner.frameGeometry().center());
    placed.moveLeft(std::clamp(placed.left(), room.left(), room.right() + 1 - placed.width()));
    placed.moveTop(std::clamp(placed.top(), room.top(), room.bottom() + 1 - placed.height()));
    window.move(placed.topLeft());
}
