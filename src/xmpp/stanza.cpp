#include "xmpp/stanza.h"

namespace xmpp::detail {
namespace {
constexpr int kMaxDepth = 32; // deeper nesting is no stanza of ours; it is dropped
constexpr char kStanzasNs[] = "urn:ietf:params:xml:ns:xmpp-stanzas";

lobby::Element fromStanzaAt(xmpp_stanza_t* s, const QString& parentNs, int depth) {
    lobby::Element e;
    e.name = QString::fromUtf8(xmpp_stanza_get_name(s));
    const char* ns = xmpp_stanza_get_ns(s);
    e.ns = ns ? QString::fromUtf8(ns) : parentNs;
    const int n = xmpp_stanza_get_attribute_count(s);
    if (n > 0) {
        std::vector<const char*> kv(size_t(n) * 2);
        xmpp_stanza_get_attributes(s, kv.data(), n * 2);
        for (int i = 0; i < n; ++i) {
            if (qstrcmp(kv[2 * i], "xmlns") == 0) continue;
            e.attrs.append({QString::fromUtf8(kv[2 * i]), QString::fromUtf8(kv[2 * i + 1])});
        }
    }
    for (xmpp_stanza_t* c = xmpp_stanza_get_children(s); c; c = xmpp_stanza_get_next(c)) {
        if (xmpp_stanza_is_text(c)) {
            e.text += QString::fromUtf8(xmpp_stanza_get_text_ptr(c));
        } else if (xmpp_stanza_is_tag(c) && depth < kMaxDepth) {
            e.children.append(fromStanzaAt(c, e.ns, depth + 1));
        }
    }
    return e;
}

} // namespace

xmpp_stanza_t* toStanza(xmpp_ctx_t* ctx, const lobby::Element& e, const QString& parentNs) {
    xmpp_stanza_t* s = xmpp_stanza_new(ctx);
    xmpp_stanza_set_name(s, e.name.toUtf8().constData());
    if (!e.ns.isEmpty() && e.ns != parentNs) xmpp_stanza_set_ns(s, e.ns.toUtf8().constData());
    for (const auto& a : e.attrs) {
        if (a.first == QLatin1String("xmlns") || a.first.isEmpty()) continue;
        xmpp_stanza_set_attribute(s, a.first.toUtf8().constData(), a.second.toUtf8().constData());
    }
    if (!e.text.isEmpty()) {
        xmpp_stanza_t* t = xmpp_stanza_new(ctx);
        const QByteArray text = e.text.toUtf8();
        xmpp_stanza_set_text_with_size(t, text.constData(), size_t(text.size()));
        xmpp_stanza_add_child_ex(s, t, 0);
    }
    for (const auto& c : e.children) {
        if (c.isNull()) continue;
        xmpp_stanza_add_child_ex(s, toStanza(ctx, c, e.ns.isEmpty() ? parentNs : e.ns), 0);
    }
    return s;
}

lobby::Element fromStanza(xmpp_stanza_t* s, const QString& parentNs) {
    return fromStanzaAt(s, parentNs, 0);
}

QString errorCondition(const lobby::Element& stanza) {
    const lobby::Element* err = stanza.child("error");
    if (!err) return {};
    for (const auto& c : err->children)
        if (c.ns == QLatin1String(kStanzasNs) && c.name != QLatin1String("text")) return c.name;
    return QStringLiteral("undefined-condition");
}

QString errorText(const lobby::Element& stanza) {
    const lobby::Element* err = stanza.child("error");
    if (!err) return {};
    if (const lobby::Element* t = err->child("text", kStanzasNs); t && !t->text.isEmpty())
        return t->text;
    return errorCondition(stanza);
}

} // namespace xmpp::detail
