#include "net/joinlink.h"

#include <QHostAddress>
#include <QStringList>

namespace joinlink {

namespace {

const QString kPrefix = QStringLiteral("vimbrel://join/");
// Far longer than any address; a longer text is no link to a table.
constexpr qsizetype kMaxLength = 300;

bool isDigits(QStringView s) {
    if (s.isEmpty()) return false;
    for (const QChar c : s)
        if (c < u'0' || c > u'9') return false;
    return true;
}

// Four decimal parts of 0..255, as people write them; QHostAddress alone would also
// take "127.1" and octal.
bool isIPv4(const QString& host) {
    const QStringList parts = host.split(u'.');
    if (parts.size() != 4) return false;
    for (const QString& p : parts)
        if (!isDigits(p) || p.size() > 3 || (p.size() > 1 && p.startsWith(u'0')) || p.toInt() > 255)
            return false;
    return true;
}

// Letters, digits and inner hyphens in labels of up to 63, ASCII only (international
// names come as "xn--" labels), and not all digits at the end, which would be a
// mistyped IPv4 address.
bool isHostName(const QString& host) {
    if (host.isEmpty() || host.size() > 253) return false;
    const QStringList labels = host.split(u'.');
    for (const QString& l : labels) {
        if (l.isEmpty() || l.size() > 63 || l.startsWith(u'-') || l.endsWith(u'-')) return false;
        for (const QChar c : l)
            if (!(c.isDigit() || (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z') ||
                  c == u'-') ||
                c.unicode() > 127)
                return false;
    }
    return !isDigits(labels.last());
}

bool isIPv6(const QString& host) {
    // A zone ("%eth0") names an interface of the page's machine, not of this one.
    if (host.contains(u'%')) return false;
    QHostAddress a;
    return a.setAddress(host) && a.protocol() == QAbstractSocket::IPv6Protocol;
}

} // namespace

bool isLink(const QString& arg) {
    return arg.startsWith(QLatin1String("vimbrel:"), Qt::CaseInsensitive);
}

std::optional<hostport::HostPort> parse(const QString& link) {
    if (link.size() > kMaxLength || !link.startsWith(kPrefix, Qt::CaseInsensitive))
        return std::nullopt;
    const QString where = link.mid(kPrefix.size());
    // hostport::split trims and allows more than a link may hold; these never belong.
    for (const QChar c : where)
        if (c.unicode() <= 32 || c.unicode() >= 127 || QStringLiteral("/?#%@\\").contains(c))
            return std::nullopt;
    const auto target = hostport::split(where);
    if (!target) return std::nullopt;
    const bool bracketed = where.startsWith(u'[');
    const bool good =
        bracketed ? isIPv6(target->host) : (isIPv4(target->host) || isHostName(target->host));
    if (!good) return std::nullopt;
    return target;
}

QString make(const QString& host, quint16 port) {
    const QString where = hostport::join(host, port);
    // join() leaves a port-less IPv6 address bare; a link always brackets it.
    return kPrefix + (host.contains(u':') && port == 0 ? u'[' + host + u']' : where);
}

} // namespace joinlink
