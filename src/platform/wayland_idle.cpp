#include "platform/wayland_idle.h"

#include <qpa/qplatformnativeinterface.h>
#include <QGuiApplication>

#include <poll.h>
#include <wayland-client.h>
#include <cstring>

#include "ext-idle-notify-v1-client-protocol.h"
#include "idle-client-protocol.h"

struct WaylandIdleWatch::Connection {
    wl_display* display = nullptr;
    wl_event_queue* queue = nullptr;
    // The display as seen from our queue: the registry made through it lands there.
    wl_display* ourDisplay = nullptr;
    wl_registry* registry = nullptr;
    wl_seat* seat = nullptr;
    ext_idle_notifier_v1* notifier = nullptr;
    org_kde_kwin_idle* kdeIdle = nullptr;
    ext_idle_notification_v1* notification = nullptr;
    org_kde_kwin_idle_timeout* kdeTimeout = nullptr;
    Protocol protocol = Protocol::NotOffered;
    std::function<double()> now;
    double timeoutSeconds = 0;
    std::optional<double> idleSince;

    // Sends what is queued, reads what arrived, runs our handlers; never waits.
    bool Dispatch();
    void Watch(int timeoutMs);
};

namespace {

using Connection = WaylandIdleWatch::Connection;

template <typename Proxy>
Proxy* Bind(wl_registry* registry, uint32_t name, const wl_interface* interface) {
    return static_cast<Proxy*>(wl_registry_bind(registry, name, interface, 1));
}

void OnGlobal(void* data, wl_registry* registry, uint32_t name, const char* interface,
              uint32_t /*version*/) {
    auto* c = static_cast<Connection*>(data);
    if (c->seat == nullptr && std::strcmp(interface, wl_seat_interface.name) == 0) {
        c->seat = Bind<wl_seat>(registry, name, &wl_seat_interface);
    } else if (std::strcmp(interface, ext_idle_notifier_v1_interface.name) == 0) {
        c->notifier = Bind<ext_idle_notifier_v1>(registry, name, &ext_idle_notifier_v1_interface);
    } else if (std::strcmp(interface, org_kde_kwin_idle_interface.name) == 0) {
        c->kdeIdle = Bind<org_kde_kwin_idle>(registry, name, &org_kde_kwin_idle_interface);
    }
}

void OnGlobalRemoved(void*, wl_registry*, uint32_t) {}

const wl_registry_listener kRegistryListener{OnGlobal, OnGlobalRemoved};

void OnIdle(void* data) {
    auto* c = static_cast<Connection*>(data);
    c->idleSince = c->now();
}

void OnResumed(void* data) {
    static_cast<Connection*>(data)->idleSince.reset();
}

const ext_idle_notification_v1_listener kNotificationListener{
    [](void* data, ext_idle_notification_v1*) { OnIdle(data); },
    [](void* data, ext_idle_notification_v1*) { OnResumed(data); }};

const org_kde_kwin_idle_timeout_listener kKdeTimeoutListener{
    [](void* data, org_kde_kwin_idle_timeout*) { OnIdle(data); },
    [](void* data, org_kde_kwin_idle_timeout*) { OnResumed(data); }};

}  // namespace

void WaylandIdleWatch::Connection::Watch(int timeoutMs) {
    const auto timeout = static_cast<uint32_t>(timeoutMs);
    if (seat == nullptr) {
        return;
    }
    if (notifier != nullptr) {
        notification = ext_idle_notifier_v1_get_idle_notification(notifier, timeout, seat);
        ext_idle_notification_v1_add_listener(notification, &kNotificationListener, this);
        protocol = Protocol::ExtIdleNotify;
    } else if (kdeIdle != nullptr) {
        kdeTimeout = org_kde_kwin_idle_get_idle_timeout(kdeIdle, seat, timeout);
        org_kde_kwin_idle_timeout_add_listener(kdeTimeout, &kKdeTimeoutListener, this);
        protocol = Protocol::KdeIdle;
    }
    wl_display_flush(display);
}

bool WaylandIdleWatch::Connection::Dispatch() {
    // Another thread (Qt's own) may read the socket too; preparing first lets either of us
    // read and files our events on our queue.
    while (wl_display_prepare_read_queue(display, queue) != 0) {
        if (wl_display_dispatch_queue_pending(display, queue) < 0) {
            return false;
        }
    }
    wl_display_flush(display);
    pollfd socket{wl_display_get_fd(display), POLLIN, 0};
    if (poll(&socket, 1, 0) > 0) {
        if (wl_display_read_events(display) < 0) {
            return false;
        }
    } else {
        wl_display_cancel_read(display);
    }
    return wl_display_dispatch_queue_pending(display, queue) >= 0;
}

WaylandIdleWatch::WaylandIdleWatch(wl_display* display, std::function<double()> monotonicSeconds,
                                   int timeoutMs)
    : connection_(std::make_unique<Connection>()) {
    Connection& c = *connection_;
    c.display = display;
    c.now = std::move(monotonicSeconds);
    c.timeoutSeconds = timeoutMs / 1000.0;
    c.queue = wl_display_create_queue(display);
    c.ourDisplay = static_cast<wl_display*>(wl_proxy_create_wrapper(display));
    wl_proxy_set_queue(reinterpret_cast<wl_proxy*>(c.ourDisplay), c.queue);
    c.registry = wl_display_get_registry(c.ourDisplay);
    wl_registry_add_listener(c.registry, &kRegistryListener, &c);
    if (wl_display_roundtrip_queue(display, c.queue) >= 0) {
        c.Watch(timeoutMs);
    }
}

WaylandIdleWatch::~WaylandIdleWatch() {
    Connection& c = *connection_;
    if (c.notification != nullptr) {
        ext_idle_notification_v1_destroy(c.notification);
    }
    if (c.kdeTimeout != nullptr) {
        org_kde_kwin_idle_timeout_release(c.kdeTimeout);
    }
    if (c.notifier != nullptr) {
        ext_idle_notifier_v1_destroy(c.notifier);
    }
    if (c.kdeIdle != nullptr) {
        org_kde_kwin_idle_destroy(c.kdeIdle);
    }
    if (c.seat != nullptr) {
        wl_seat_destroy(c.seat);
    }
    wl_registry_destroy(c.registry);
    wl_proxy_wrapper_destroy(c.ourDisplay);
    wl_display_flush(c.display);
    wl_event_queue_destroy(c.queue);
}

WaylandIdleWatch::Protocol WaylandIdleWatch::protocol() const {
    return connection_->protocol;
}

std::optional<double> WaylandIdleWatch::IdleSeconds() {
    Connection& c = *connection_;
    if (c.protocol == Protocol::NotOffered || !c.Dispatch()) {
        return std::nullopt;
    }
    if (!c.idleSince) {
        return 0.0;
    }
    return c.now() - *c.idleSince + c.timeoutSeconds;
}

std::unique_ptr<WaylandIdleWatch> WaylandIdleWatch::OnQtsDisplay(
    std::function<double()> monotonicSeconds) {
    if (qGuiApp == nullptr || !QGuiApplication::platformName().startsWith(u"wayland")) {
        return nullptr;
    }
    // Qt 6.4 has no public Wayland interface; its platform plugin hands out the display.
    QPlatformNativeInterface* native = QGuiApplication::platformNativeInterface();
    auto* display =
        native != nullptr
            ? static_cast<wl_display*>(native->nativeResourceForIntegration("wl_display"))
            : nullptr;
    if (display == nullptr) {
        return nullptr;
    }
    return std::make_unique<WaylandIdleWatch>(display, std::move(monotonicSeconds));
}
