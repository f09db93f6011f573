#include "platform/on_screen.h"

#include <QWidget>
#include <QWindow>

bool IsOnScreen(const QWidget& widget) {
    // A minimized window's widgets still count as visible to Qt.
    const QWidget* window = widget.window();
    const QWindow* handle = window->windowHandle();
    return widget.isVisible() && !window->isMinimized() && handle != nullptr && handle->isExposed();
}
