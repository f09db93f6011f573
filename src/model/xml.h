#pragma once
// Node paths: the one way the program reads and writes values in a project document.

#include <pugixml.hpp>

#include <string>
#include <string_view>

namespace XML {

// A handle to what a node path can yield: the document, an element, an attribute, or none.
// Cheap to copy; every method is safe on none (empty text, null handles, no effect).
class Node {
  public:
    Node() = default;
    // A document or element handle; a null handle (or any other node kind) makes none.
    Node(pugi::xml_node node);  // NOLINT(google-explicit-constructor): handles convert freely
    // An attribute handle; a null handle makes none.
    Node(pugi::xml_attribute attribute);  // NOLINT(google-explicit-constructor)

    explicit operator bool() const { return node_ || attribute_; }

    // An element's text content (all its descendant text), an attribute's value, the
    // document's text content; "" for none.
    std::string text() const;
    // Replaces an element's content by the text (no child at all for ""), or sets an
    // attribute's value. Does nothing on none or on the document, which holds no text.
    void setText(std::string_view text) const;

    // The element, or a null handle when this is not an element.
    pugi::xml_node element() const;
    // The attribute, or a null handle when this is not an attribute.
    pugi::xml_attribute attribute() const;
    // The document or element itself, or a null handle for an attribute or none.
    pugi::xml_node node() const { return node_; }
    bool isDocument() const { return node_.type() == pugi::node_document; }

    friend bool operator==(const Node& a, const Node& b) {
        return a.node_ == b.node_ && a.attribute_ == b.attribute_;
    }

  private:
    pugi::xml_node node_;
    pugi::xml_attribute attribute_;
};

// Walks the path from the node, step by step, and returns what it leads to, or none.
// Steps are separated by "/", each a prefix character and a name:
//   %name  first child element of that name, created (appended) when missing
//   !name  always a new child element of that name, appended
//   @name  attribute of that name, created empty (after the others) when missing
//   ^name  attribute of that name, or none
//   *name  first child element of that name, or none
//   other  the whole step is an element name looked up like *, or none
// An empty path returns the node itself; a trailing "/" is ignored.
// Throws std::invalid_argument for a malformed path (an empty step, a prefix without a
// name, a name that is not an XML name), for any step applied to an attribute, and for a
// step that would create something at document level.
Node ResolvePath(Node node, std::string_view path);

// The node's text, or the fallback when there is no node.
std::string NodeText(Node node, std::string_view fallback);

}  // namespace XML
