#include "net/hostport.h"

namespace hostport {

namespace {

std::optional<quint16> portOf(const QString& digits) {
    if (digits.isEmpty() || digits.size() > 5) return std::nullopt;
    for (const QChar c : digits)
        if (c < u'0' || c > u'9') return std::nullopt;
    const int port = digits.toInt();
    if (port < 1 || port > 65535) return std::nullopt;
    return quint16(port);
}

} // namespace

std::optional<HostPort> split(const QString& text) {
    const QString t = text.trimmed();
    if (t.isEmpty()) return std::nullopt;
    for (const QChar c : t)
        if (c.isSpace() || c == u'/') return std::nullopt;
    if (t.startsWith(u'[')) {
        const qsizetype close = t.indexOf(u']');
        if (close < 2) return std::nullopt;
        HostPort hp{t.mid(1, close - 1), 0};
        if (hp.host.contains(u'[') || hp.host.contains(u']')) return std::nullopt;
        const QString rest = t.mid(close + 1);
        if (rest.isEmpty()) return hp;
        if (!rest.startsWith(u':')) return std::nullopt;
        const auto port = portOf(rest.mid(1));
        if (!port) return std::nullopt;
        hp.port = *port;
        return hp;
    }
    if (t.contains(u'[') || t.contains(u']')) return std::nullopt;
    const qsizetype colons = t.count(u':');
    if (colons != 1) return HostPort{t, 0}; // a name, an IPv4 address, or a bare IPv6 one
    const qsizetype colon = t.indexOf(u':');
    const auto port = portOf(t.mid(colon + 1));
    if (colon == 0 || !port) return std::nullopt;
    return HostPort{t.left(colon), *port};
}

QString join(const QString& host, quint16 port) {
    if (port == 0) return host;
    // An IPv6 address's own colons would swallow the port without brackets.
    const QString h = host.contains(u':') ? u'[' + host + u']' : host;
    return h + u':' + QString::number(port);
}

} // namespace hostport
