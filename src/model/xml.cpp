#include "model/xml.h"

#include <stdexcept>

namespace XML {

namespace {

void AppendTextContent(pugi::xml_node node, std::string& out) {
    // Iterative walk: element content can be nested arbitrarily deep in a loaded file.
    pugi::xml_node current = node.first_child();
    while (current && current != node) {
        if (current.type() == pugi::node_pcdata || current.type() == pugi::node_cdata) {
            out += current.value();
        }
        if (current.first_child()) {
            current = current.first_child();
            continue;
        }
        while (current != node && !current.next_sibling()) {
            current = current.parent();
        }
        if (current != node) {
            current = current.next_sibling();
        }
    }
}

bool IsNameStart(unsigned char c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '_' || c == ':' || c >= 0x80;
}

bool IsNameChar(unsigned char c) {
    return IsNameStart(c) || (c >= '0' && c <= '9') || c == '-' || c == '.';
}

void RequireXmlName(std::string_view name, std::string_view step) {
    bool valid = !name.empty() && IsNameStart(static_cast<unsigned char>(name.front()));
    for (char c : name) {
        valid = valid && IsNameChar(static_cast<unsigned char>(c));
    }
    if (!valid) {
        throw std::invalid_argument("node path step '" + std::string(step) +
                                    "' does not name an element or attribute");
    }
}

pugi::xml_node FirstChildElement(pugi::xml_node parent, std::string_view name) {
    for (pugi::xml_node child = parent.first_child(); child; child = child.next_sibling()) {
        if (child.type() == pugi::node_element && name == child.name()) {
            return child;
        }
    }
    return {};
}

pugi::xml_attribute FindAttribute(pugi::xml_node element, std::string_view name) {
    for (pugi::xml_attribute a = element.first_attribute(); a; a = a.next_attribute()) {
        if (name == a.name()) {
            return a;
        }
    }
    return {};
}

// Nothing is ever created beside or instead of a document's top-level element.
void RefuseCreationAtDocument(const Node& current, std::string_view step) {
    if (current.isDocument()) {
        throw std::invalid_argument("node path step '" + std::string(step) +
                                    "' would create a node at document level");
    }
}

Node ApplyStep(const Node& current, std::string_view step) {
    if (step.empty()) {
        throw std::invalid_argument("node path has an empty step");
    }
    if (!current.node()) {
        throw std::invalid_argument("node path step '" + std::string(step) +
                                    "' applied to an attribute");
    }
    pugi::xml_node node = current.node();  // pugixml's mutators are non-const
    const char prefix = step.front();
    const std::string_view name = step.substr(1);
    const std::string nameText(name);

    switch (prefix) {
        case '%': {
            RequireXmlName(name, step);
            if (pugi::xml_node found = FirstChildElement(node, name)) {
                return found;
            }
            RefuseCreationAtDocument(current, step);
            return node.append_child(nameText.c_str());
        }
        case '!':
            RequireXmlName(name, step);
            RefuseCreationAtDocument(current, step);
            return node.append_child(nameText.c_str());
        case '^':
            RequireXmlName(name, step);
            return FindAttribute(node, name);
        case '@': {
            RequireXmlName(name, step);
            if (pugi::xml_attribute found = FindAttribute(node, name)) {
                return found;
            }
            RefuseCreationAtDocument(current, step);
            return node.append_attribute(nameText.c_str());
        }
        case '*':
            RequireXmlName(name, step);
            return FirstChildElement(node, name);
        default:
            RequireXmlName(step, step);
            return FirstChildElement(node, step);
    }
}

}  // namespace

Node::Node(pugi::xml_node node) {
    if (node.type() == pugi::node_document || node.type() == pugi::node_element) {
        node_ = node;
    }
}

Node::Node(pugi::xml_attribute attribute) : attribute_(attribute) {}

std::string Node::text() const {
    if (attribute_) {
        return attribute_.value();
    }
    std::string out;
    AppendTextContent(node_, out);
    return out;
}

void Node::setText(std::string_view text) const {
    const std::string value(text);
    if (pugi::xml_attribute attribute = attribute_) {
        attribute.set_value(value.c_str());
        return;
    }
    pugi::xml_node element = this->element();
    if (!element) {
        return;
    }
    while (element.first_child()) {
        element.remove_child(element.first_child());
    }
    if (!value.empty()) {
        element.append_child(pugi::node_pcdata).set_value(value.c_str());
    }
}

pugi::xml_node Node::element() const {
    return node_.type() == pugi::node_element ? node_ : pugi::xml_node();
}

pugi::xml_attribute Node::attribute() const {
    return attribute_;
}

Node ResolvePath(Node node, std::string_view path) {
    Node current = node;
    std::string_view rest = path;
    while (!rest.empty() && current) {
        const size_t slash = rest.find('/');
        const std::string_view step = rest.substr(0, slash);
        rest = slash == std::string_view::npos ? std::string_view() : rest.substr(slash + 1);
        current = ApplyStep(current, step);
    }
    return current;
}

std::string NodeText(Node node, std::string_view fallback) {
    return node ? node.text() : std::string(fallback);
}

}  // namespace XML
