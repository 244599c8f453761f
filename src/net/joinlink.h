// The links a web page offers to join a table: "vimbrel://join/HOST[:PORT]", where HOST
// is a host name, an IPv4 address or a bracketed IPv6 address ("[2001:db8::5]:7800").
// The desktop entry hands such a link to the game as its only parameter.
#pragma once

#include "net/hostport.h"

#include <QString>
#include <optional>

namespace joinlink {

// True when `arg` is meant as a link (it begins with "vimbrel:", in any case), whether or
// not it is a good one: such a parameter is never a player's name.
bool isLink(const QString& arg);

// The table a link names, or nullopt for anything else: another scheme or action, a
// query, fragment, user or path, percent-escapes, blanks or control characters, a host
// that is no name or address, a bare IPv6 address, a port outside 1..65535. The port is
// 0 when the link gives none (the game's own port).
std::optional<hostport::HostPort> parse(const QString& link);

// The link for a table, as parse() reads it back.
QString make(const QString& host, quint16 port);

} // namespace joinlink
