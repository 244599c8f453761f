// What the lobby passes the game: its three parameters for joining a listed table or
// hosting one on this computer, and where the game program is.
#pragma once

#include "lobbyproto/tables.h"

#include <QString>
#include <QStringList>

namespace zumvek {

// The game's own port; an address gets ":PORT" only for another one.
inline constexpr quint16 kGamePort = 7772;

// Where to reach a table: its IPv4 address, else its IPv6 address in brackets, with
// ":PORT" when the port is not the game's own. Empty when it has no address.
QString joinAddress(const QString& ipv4, const QString& ipv6, quint16 port);
QString joinAddress(const lobby::Table& table);

// The game's command line to join `table` as `name`: NAME ADDRESS join. Empty when the
// table has no address.
QStringList joinArguments(const QString& name, const lobby::Table& table);
// The same for an address given directly (a server table's answer).
QStringList joinArguments(const QString& name, const QString& address);
// The game's command line to host on this computer: NAME 127.0.0.1 true.
QStringList hostArguments(const QString& name);

// The game program: `configured` when set, else `vimbrel` in `ownFolder` when it is
// there, else the first `vimbrel` on the PATH. Empty when none is found.
QString findGame(const QString& configured, const QString& ownFolder);

} // namespace zumvek
