// The host as the program wires it (TServer on SockServerLink on a listening
// TSock), on an ephemeral loopback port, and plain clients that speak the wire
// format with exact bytes.
#pragma once

#include "common/wireclient.h"
#include "net/Sock.h"
#include "net/sockserverlink.h"
#include "server/tserver.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <memory>

#include <unistd.h>

struct LoopbackHost {
    TSock Sock1;
    SockServerLink link{&Sock1};
    TServer server{link};
    QStringList errors;

    LoopbackHost() {
        Sock1.setPortName(QStringLiteral("0"));
        server.setErrorSink([this](const QString& e) { errors.append(e); });
        Sock1.setListen(true);
    }
    quint16 port() const { return Sock1.localPort(); }
};

// Lets events run until `done` holds or `ms` pass; returns `done`'s last answer.
template <typename Pred> bool runUntil(Pred done, int ms = 10000) {
    QDeadlineTimer deadline(ms);
    while (!done()) {
        if (deadline.hasExpired()) return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    }
    return true;
}

inline int openDescriptors() {
    return int(QDir(QStringLiteral("/proc/self/fd")).entryList(QDir::NoDotAndDotDot).size());
}

// Resident memory in KiB, from /proc/self/status.
inline qint64 residentKiB() {
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly)) return -1;
    for (const QByteArray& line : status.readAll().split('\n'))
        if (line.startsWith("VmRSS:"))
            return line.mid(6).trimmed().split(' ').value(0).toLongLong();
    return -1;
}
