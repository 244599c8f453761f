// The one free-port helper, for the desktop program, which cannot take port 0: its own
// table joins the port it hosts on, so the port must be known before it starts.
//
// A port found free can still be taken before the program binds it. Most of that race
// comes from the kernel, which hands out ports of its ephemeral range to every port-0
// listener and outgoing connection of the machine; so the port is drawn at random from
// below that range, where only another caller of this helper could land.
#pragma once

#include <QFile>
#include <QHostAddress>
#include <QRandomGenerator>
#include <QTcpServer>

inline quint16 freePort() {
    quint16 ephemeralStart = 32768;
    QFile range(QStringLiteral("/proc/sys/net/ipv4/ip_local_port_range"));
    if (range.open(QIODevice::ReadOnly)) {
        const quint16 first = range.readAll().simplified().split(' ').value(0).toUShort();
        if (first > 12000) ephemeralStart = first;
    }
    for (;;) {
        const auto port = quint16(QRandomGenerator::global()->bounded(10000, int(ephemeralStart)));
        QTcpServer four, six;
        if (!four.listen(QHostAddress::AnyIPv4, port)) continue;
        // Both families: the desktop host listens on both.
        if (six.listen(QHostAddress::AnyIPv6, port) ||
            six.serverError() != QAbstractSocket::AddressInUseError)
            return port;
    }
}
