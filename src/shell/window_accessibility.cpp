#include "shell/window_accessibility.h"

#include <QAccessibleWidget>
#include <QWidget>

namespace {

// Qt gives a top-level plain QWidget the role of a client area ("filler" on the
// accessibility bus), so a screen reader does not announce it as a window.
QAccessibleInterface* PlainWindowAsWindow(const QString&, QObject* object) {
    if (!object || !object->isWidgetType()) {
        return nullptr;
    }
    // Only the program's own windows: Qt's classes (menus, tooltips) have their own roles.
    const QMetaObject* type = object->metaObject();
    auto* widget = static_cast<QWidget*>(object);
    if (widget->windowType() != Qt::Window || type->superClass() != &QWidget::staticMetaObject ||
        QByteArray(type->className()).startsWith('Q')) {
        return nullptr;
    }
    return new QAccessibleWidget(widget, QAccessible::Window);
}

}  // namespace

void InstallWindowAccessibility() {
    static const bool installed = [] {
        QAccessible::installFactory(PlainWindowAsWindow);
        return true;
    }();
    (void)installed;
}
