#pragma once
// Idle time from the Wayland compositor itself: ext-idle-notify-v1 where it is offered,
// else KDE's older org_kde_kwin_idle. Both only tell "no input for the timeout" and "input
// again"; the seconds in between are counted here.

#include <functional>
#include <memory>
#include <optional>

struct wl_display;

class WaylandIdleWatch {
  public:
    enum class Protocol { NotOffered, ExtIdleNotify, KdeIdle };
    // A short timeout: the compositor says "idle" after it, and the idle time counts from
    // that moment less the timeout.
    static constexpr int kTimeoutMs = 1000;

    // Binds the globals on a queue of its own, so that no other dispatching on `display`
    // runs our handlers; asks the compositor once and waits for its answer.
    WaylandIdleWatch(wl_display* display, std::function<double()> monotonicSeconds,
                     int timeoutMs = kTimeoutMs);
    ~WaylandIdleWatch();
    WaylandIdleWatch(const WaylandIdleWatch&) = delete;
    WaylandIdleWatch& operator=(const WaylandIdleWatch&) = delete;

    // The Qt application's own connection, when Qt runs on the wayland platform.
    static std::unique_ptr<WaylandIdleWatch> OnQtsDisplay(std::function<double()> monotonicSeconds);

    Protocol protocol() const;
    // Reads what the compositor sent, without waiting; 0 while the person is active, nothing
    // where the compositor offers neither protocol or the connection failed.
    std::optional<double> IdleSeconds();

    struct Connection;

  private:
    std::unique_ptr<Connection> connection_;
};
