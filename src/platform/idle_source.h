#pragma once
// How long the person has been away from the keyboard and mouse.

#include <QDBusConnection>

#include <functional>
#include <memory>
#include <optional>

class ScreenLockWatch;
class WaylandIdleWatch;

class IdleSource {
  public:
    virtual ~IdleSource() = default;
    // Seconds since the desktop last saw keyboard or mouse input, or nothing when it cannot tell.
    virtual std::optional<double> IdleSeconds() = 0;
};

// Asks, in this order, the Wayland compositor's idle protocols (only when Qt runs on
// wayland), GNOME's idle monitor, the X server's screen-saver extension (only when Qt runs
// on xcb) and the desktop's screen saver over D-Bus; the first that answers is asked from
// then on. Where none answers, it tells nothing. A locked screen counts as
// idle from the moment it locked.
class DesktopIdleSource : public IdleSource {
  public:
    // `monotonicSeconds` reads a clock that only moves forward; by default the system's.
    DesktopIdleSource(QDBusConnection sessionBus = QDBusConnection::sessionBus(),
                      QDBusConnection systemBus = QDBusConnection::systemBus(),
                      std::function<double()> monotonicSeconds = {});
    ~DesktopIdleSource() override;
    std::optional<double> IdleSeconds() override;

  private:
    enum class Route { Unknown, Wayland, Mutter, X11, ScreenSaver, Nowhere };
    std::optional<double> Ask(Route route);

    QDBusConnection session_;
    Route route_ = Route::Unknown;
    std::function<double()> now_;
    std::unique_ptr<ScreenLockWatch> lock_;
    std::unique_ptr<WaylandIdleWatch> wayland_;
};
