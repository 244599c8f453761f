#include "lobbyproto/element.h"

namespace lobby {

QString Element::attr(const QString& key) const {
    for (const auto& a : attrs)
        if (a.first == key) return a.second;
    return {};
}

bool Element::hasAttr(const QString& key) const {
    for (const auto& a : attrs)
        if (a.first == key) return true;
    return false;
}

Element& Element::set(const QString& key, const QString& value) {
    for (auto& a : attrs) {
        if (a.first == key) {
            a.second = value;
            return *this;
        }
    }
    attrs.append({key, value});
    return *this;
}

const Element* Element::child(const QString& childName, const QString& childNs) const {
    for (const auto& c : children)
        if (c.name == childName && (childNs.isEmpty() || c.ns == childNs)) return &c;
    return nullptr;
}

Element& Element::add(Element c) {
    if (c.isNull()) // an empty payload adds nothing
        return *this;
    // A child written without a namespace inherits ours, as it would in the XML.
    if (c.ns.isEmpty()) c.ns = ns;
    children.append(std::move(c));
    return *this;
}

Element make(const QString& name, const QString& ns) {
    Element e;
    e.name = name;
    e.ns = ns;
    return e;
}

} // namespace lobby
