#pragma once
// Taking an element out of its document without recursion.

#include <pugixml.hpp>

// Removes the element, with everything below it, from its parent. pugixml frees a removed
// subtree recursively, and a loaded project can nest deeper than the stack allows, so the
// subtree is taken apart leaf first.
void RemoveElement(pugi::xml_node element);
