#pragma once
// Pop-up menus: the modal loop of QMenu::exec stays behind this seam.

#include <QPoint>

class QMenu;

class MenuPopper {
  public:
    virtual ~MenuPopper() = default;
    // Opens the menu at the global position and returns when it closes; the chosen entry's
    // action has fired by then.
    virtual void Popup(QMenu* menu, QPoint globalPosition) = 0;
};

class QtMenuPopper : public MenuPopper {
  public:
    void Popup(QMenu* menu, QPoint globalPosition) override;
};
