#pragma once
// How long the person has been away from the keyboard and mouse.

#include <optional>

class IdleSource {
  public:
    virtual ~IdleSource() = default;
    // Seconds since the desktop last saw keyboard or mouse input, or nothing when it cannot tell.
    virtual std::optional<double> IdleSeconds() = 0;
};

// Asks the X server's screen-saver extension, else the desktop's screen saver over D-Bus;
// the first that answers is asked from then on. Where neither answers, it tells nothing.
class DesktopIdleSource : public IdleSource {
  public:
    std::optional<double> IdleSeconds() override;

  private:
    enum class Route { Unknown, X11, DBus, Neither };
    Route route_ = Route::Unknown;
};
