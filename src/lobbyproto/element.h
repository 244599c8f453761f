// One XML element as the lobby code sees a stanza: a name, its namespace, attributes in
// order, child elements and the element's own text. Plain data, so the lobby's protocol
// is read and written without a live connection, and tests build stanzas by hand.
#pragma once

#include <QList>
#include <QPair>
#include <QString>

namespace lobby {

struct Element {
    QString name;  // empty: no element (a missing child, an empty payload)
    QString ns;    // the xmlns this element declares or inherits; empty when none
    QList<QPair<QString, QString>> attrs;
    QList<Element> children;
    QString text;  // the element's character data, already unescaped

    bool isNull() const { return name.isEmpty(); }
    // The attribute's value, or an empty string when it is absent.
    QString attr(const QString& key) const;
    bool hasAttr(const QString& key) const;
    // Sets (or replaces) an attribute; returns *this so calls chain.
    Element& set(const QString& key, const QString& value);
    // The first child with that name (and namespace, when `ns` is not empty), or nullptr.
    const Element* child(const QString& childName, const QString& childNs = {}) const;
    Element& add(Element c);
};

// A new element: `make("message").set("to", jid)`.
Element make(const QString& name, const QString& ns = {});

} // namespace lobby
