#include "platform/menu_popper.h"

#include <QMenu>

void QtMenuPopper::Popup(QMenu* menu, QPoint globalPosition) {
    menu->exec(globalPosition);
}
