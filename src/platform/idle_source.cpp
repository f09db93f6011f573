#include "platform/idle_source.h"

#include <QDBusMessage>
#include <QDBusReply>
#include <QGuiApplication>

#include <X11/Xlib.h>
#include <X11/extensions/scrnsaver.h>
#include <algorithm>
#include <ctime>

#include "platform/screen_lock.h"
#include "platform/wayland_idle.h"

namespace {

// Asked from the timer tick: never hold the window up for long.
constexpr int kReplyWithinMs = 200;

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

// Milliseconds of idleness from one D-Bus method; a plain call, because QDBusInterface
// would introspect the service on every tick.
template <typename Milliseconds>
std::optional<double> FromDBus(const QDBusConnection& bus, const QString& service,
                               const QString& path, const QString& interface,
                               const QString& method) {
    if (!bus.isConnected()) {
        return std::nullopt;
    }
    const QDBusMessage call = QDBusMessage::createMethodCall(service, path, interface, method);
    const QDBusReply<Milliseconds> idleMs = bus.call(call, QDBus::Block, kReplyWithinMs);
    if (!idleMs.isValid()) {
        return std::nullopt;
    }
    return static_cast<double>(idleMs.value()) / 1000.0;
}

std::optional<double> FromMutter(const QDBusConnection& bus) {
    return FromDBus<qulonglong>(bus, QStringLiteral("org.gnome.Mutter.IdleMonitor"),
                                QStringLiteral("/org/gnome/Mutter/IdleMonitor/Core"),
                                QStringLiteral("org.gnome.Mutter.IdleMonitor"),
                                QStringLiteral("GetIdletime"));
}

std::optional<double> FromScreenSaver(const QDBusConnection& bus) {
    return FromDBus<uint>(bus, QStringLiteral("org.freedesktop.ScreenSaver"),
                          QStringLiteral("/org/freedesktop/ScreenSaver"),
                          QStringLiteral("org.freedesktop.ScreenSaver"),
                          QStringLiteral("GetSessionIdleTime"));
}

// CLOCK_BOOTTIME keeps counting through a suspend, as the lock's start must.
double SystemMonotonicSeconds() {
    timespec now{};
    clock_gettime(CLOCK_BOOTTIME, &now);
    return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) / 1e9;
}

}  // namespace

DesktopIdleSource::DesktopIdleSource(QDBusConnection sessionBus, QDBusConnection systemBus,
                                     std::function<double()> monotonicSeconds)
    : session_(std::move(sessionBus)),
      now_(monotonicSeconds ? std::move(monotonicSeconds) : SystemMonotonicSeconds),
      lock_(std::make_unique<ScreenLockWatch>(session_, std::move(systemBus), now_)) {}

DesktopIdleSource::~DesktopIdleSource() = default;

std::optional<double> DesktopIdleSource::Ask(Route route) {
    switch (route) {
        case Route::Wayland:
            if (!wayland_) {
                wayland_ = WaylandIdleWatch::OnQtsDisplay(now_);
            }
            return wayland_ ? wayland_->IdleSeconds() : std::nullopt;
        case Route::Mutter:
            return FromMutter(session_);
        case Route::X11:
            return FromX11();
        case Route::ScreenSaver:
            return FromScreenSaver(session_);
        default:
            return std::nullopt;
    }
}

std::optional<double> DesktopIdleSource::IdleSeconds() {
    std::optional<double> seconds;
    if (route_ == Route::Unknown) {
        route_ = Route::Nowhere;
        for (const Route route : {Route::Wayland, Route::Mutter, Route::X11, Route::ScreenSaver}) {
            if ((seconds = Ask(route))) {
                route_ = route;
                break;
            }
        }
    } else {
        seconds = Ask(route_);
    }
    if (seconds) {
        if (const auto locked = lock_->LockedSeconds()) {
            seconds = std::max(*seconds, *locked);
        }
    }
    return seconds;
}
