// An address to join as people write it, with or without a port: "host", "host:7800",
// "192.0.2.5:7800", "2001:db8::5", "[2001:db8::5]", "[2001:db8::5]:7800". An IPv6
// address takes a port only in brackets, since its own colons would swallow it.
#pragma once

#include <QString>
#include <optional>

namespace hostport {

struct HostPort {
    QString host;     // without brackets
    quint16 port = 0; // 0: none was given
};

// Nullopt for text that is no address: empty, blanks inside, a port that is not
// 1..65535, unbalanced brackets.
std::optional<HostPort> split(const QString& text);

// The address as split() reads it back: "host", "host:7800", "[2001:db8::5]:7800".
// A port of 0 is left out.
QString join(const QString& host, quint16 port);

} // namespace hostport
