#include "tree/element_removal.h"

void RemoveElement(pugi::xml_node element) {
    pugi::xml_node current = element;
    while (current != element || current.first_child()) {
        if (pugi::xml_node child = current.last_child()) {
            current = child;
            continue;
        }
        pugi::xml_node parent = current.parent();
        parent.remove_child(current);
        current = parent;
    }
    element.parent().remove_child(element);
}
