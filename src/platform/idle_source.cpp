#include "platform/idle_source.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusReply>
#include <QGuiApplication>

#include <X11/Xlib.h>
#include <X11/extensions/scrnsaver.h>

namespace {

std::optional<double> FromX11() {
    // Under XWayland the X server sees only input to X clients: no X11 call off xcb.
    if (QGuiApplication::platformName() != QLatin1String("xcb")) {
        return std::nullopt;
    }
    auto* x11 = qGuiApp ? qGuiApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
    Display* display = x11 ? x11->display() : nullptr;
    int eventBase = 0;
    int errorBase = 0;
    if (display == nullptr || !XScreenSaverQueryExtension(display, &eventBase, &errorBase)) {
        return std::nullopt;
    }
    XScreenSaverInfo* info = XScreenSaverAllocInfo();
    if (info == nullptr) {
        return std::nullopt;
    }
    std::optional<double> seconds;
    if (XScreenSaverQueryInfo(display, DefaultRootWindow(display), info)) {
        seconds = static_cast<double>(info->idle) / 1000.0;
    }
    XFree(info);
    return seconds;
}

std::optional<double> FromDBus() {
    // A plain call: QDBusInterface would introspect the service on every tick.
    const QDBusMessage call = QDBusMessage::createMethodCall(
        QStringLiteral("org.freedesktop.ScreenSaver"),
        QStringLiteral("/org/freedesktop/ScreenSaver"),
        QStringLiteral("org.freedesktop.ScreenSaver"), QStringLiteral("GetSessionIdleTime"));
    // Asked from the timer tick: never hold the window up for long.
    const QDBusReply<uint> idleMs = QDBusConnection::sessionBus().call(call, QDBus::Block, 200);
    if (!idleMs.isValid()) {
        return std::nullopt;
    }
    return static_cast<double>(idleMs.value()) / 1000.0;
}

}  // namespace

std::optional<double> DesktopIdleSource::IdleSeconds() {
    if (route_ == Route::Unknown) {
        route_ = FromX11() ? Route::X11 : FromDBus() ? Route::DBus : Route::Neither;
    }
    switch (route_) {
        case Route::X11:
            return FromX11();
        case Route::DBus:
            return FromDBus();
        default:
            return std::nullopt;
    }
}
