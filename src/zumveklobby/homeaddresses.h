// The addresses to announce for a table hosted on this computer: the one the player
// configured (a router's public address, with its forwarded port), else this computer's
// own global IPv4 and IPv6 addresses.
#pragma once

#include <QHostAddress>
#include <QList>
#include <QString>

namespace zumvek {

struct HomeAddresses {
    QString ipv4;
    QString ipv6;
    quint16 port = 0;
    QString error; // in words, when nothing usable was found
};

// `configured`: "ADDRESS", "ADDRESS:PORT" or "[IPV6]:PORT", empty when none is set.
// `local`: this computer's addresses. `gamePort`: the port the game listens on.
HomeAddresses homeAddresses(const QString& configured, const QList<QHostAddress>& local,
                            quint16 gamePort);
// This computer's addresses, from its network interfaces.
QList<QHostAddress> localAddresses();
// The port the game hosts on: 7772, or VIMBREL_PORT as the game reads it.
quint16 gamePort();

} // namespace zumvek
