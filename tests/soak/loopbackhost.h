// The host as the program wires it (TServer on SockServerLink on a listening
// TSock), on an ephemeral loopback port, and plain clients that speak the wire
// format with exact bytes.
#pragma once

#include "net/Sock.h"
#include "net/sockserverlink.h"
#include "protocol/wiretext.h"
#include "server/tserver.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QTcpSocket>
#include <functional>
#include <memory>

#include <netinet/in.h>
#include <sys/socket.h>
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

// A client on a QTcpSocket: sends raw bytes, collects the host's messages.
class WireClient : public QObject {
public:
    QTcpSocket socket;
    QStringList messages;
    int record = 0;           // from CMD_sendlogininfo
    bool keepMessages = true; // false: only onMessage sees them (long runs)
    std::function<void(const QString&)> onMessage;

    explicit WireClient(quint16 port, const QString& host = QStringLiteral("127.0.0.1")) {
        connect(&socket, &QTcpSocket::readyRead, this, [this] { takeBytes(); });
        socket.connectToHost(host, port);
    }
    void send(const QByteArray& text) { socket.write(text + wire::kTerminator); }
    void sendRaw(const QByteArray& bytes) { socket.write(bytes); }
    bool closed() const { return socket.state() == QAbstractSocket::UnconnectedState; }
    int count(const QString& message) const { return int(messages.count(message)); }
    // Ends the connection with a reset instead of an orderly close.
    void reset() {
        const int fd = int(socket.socketDescriptor());
        const linger hard{1, 0};
        if (fd >= 0) ::setsockopt(fd, SOL_SOCKET, SO_LINGER, &hard, sizeof hard);
        socket.abort();
    }

private:
    void takeBytes() {
        m_pending += socket.readAll();
        qsizetype end;
        while ((end = m_pending.indexOf(wire::kTerminator)) >= 0) {
            const QString m = wire::decode(m_pending.left(end));
            m_pending.remove(0, end + 1);
            if (m.startsWith(QLatin1String("CMD_sendlogininfo+"))) record = m.mid(18).toInt();
            if (onMessage) onMessage(m);
            if (keepMessages) messages.append(m);
        }
    }
    QByteArray m_pending;
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
