#include "zumveklobby/homeaddresses.h"

#include "net/hostport.h"

#include <QCoreApplication>
#include <QNetworkInterface>

namespace zumvek {

namespace {

// Global, in the sense that others may reach it: not loopback, link-local or multicast.
bool usable(const QHostAddress& a) {
    return a.isGlobal() && !a.isLoopback() && !a.isLinkLocal() && !a.isMulticast();
}

// Addresses of a home or carrier network (RFC 1918, RFC 6598), which serve a LAN only.
bool privateIPv4(const QHostAddress& a) {
    return a.isInSubnet(QHostAddress(QStringLiteral("10.0.0.0")), 8) ||
           a.isInSubnet(QHostAddress(QStringLiteral("172.16.0.0")), 12) ||
           a.isInSubnet(QHostAddress(QStringLiteral("192.168.0.0")), 16) ||
           a.isInSubnet(QHostAddress(QStringLiteral("100.64.0.0")), 10);
}

} // namespace

HomeAddresses homeAddresses(const QString& configured, const QList<QHostAddress>& local,
                            quint16 gamePort) {
    HomeAddresses out;
    out.port = gamePort;
    if (!configured.trimmed().isEmpty()) {
        const auto hp = hostport::split(configured);
        QHostAddress address;
        if (!hp || !address.setAddress(hp->host)) {
            out.error = QCoreApplication::translate(
                            "HomeAddresses",
                            "The public address \"%1\" in the settings is not an IPv4 or IPv6 "
                            "address.")
                            .arg(configured.trimmed().left(64));
            return out;
        }
        if (hp->port) out.port = hp->port;
        if (address.protocol() == QAbstractSocket::IPv4Protocol)
            out.ipv4 = address.toString();
        else
            out.ipv6 = address.toString();
        return out;
    }
    // A private IPv4 address still serves a LAN; a public one is better when there is one.
    for (const QHostAddress& a : local) {
        if (!usable(a)) continue;
        if (a.protocol() == QAbstractSocket::IPv4Protocol) {
            if (out.ipv4.isEmpty() || (!privateIPv4(a) && privateIPv4(QHostAddress(out.ipv4))))
                out.ipv4 = a.toString();
        } else if (a.protocol() == QAbstractSocket::IPv6Protocol) {
            if (out.ipv6.isEmpty() ||
                (!a.isUniqueLocalUnicast() && QHostAddress(out.ipv6).isUniqueLocalUnicast()))
                out.ipv6 = a.toString();
        }
    }
    if (out.ipv4.isEmpty() && out.ipv6.isEmpty())
        out.error = QCoreApplication::translate(
            "HomeAddresses", "This computer has no network address others could reach.");
    return out;
}

QList<QHostAddress> localAddresses() {
    QList<QHostAddress> out;
    for (const QHostAddress& a : QNetworkInterface::allAddresses())
        out << QHostAddress(a.toString().section(QLatin1Char('%'), 0, 0)); // no scope id
    return out;
}

quint16 gamePort() {
    bool ok = false;
    const int port = qEnvironmentVariable("VIMBREL_PORT").toInt(&ok);
    return ok && port > 0 && port < 65536 ? quint16(port) : quint16(7772);
}

} // namespace zumvek
