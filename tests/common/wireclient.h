// A client on a QTcpSocket that speaks the wire format with exact bytes, for tests
// against a host over real sockets.
#pragma once

#include "protocol/wiretext.h"

#include <QHostAddress>
#include <QObject>
#include <QStringList>
#include <QTcpSocket>
#include <functional>

#include <netinet/in.h>
#include <sys/socket.h>

// A client on a QTcpSocket: sends raw bytes, collects the host's messages.
class WireClient : public QObject {
public:
    QTcpSocket socket;
    QStringList messages;
    int record = 0;           // from CMD_sendlogininfo
    bool keepMessages = true; // false: only onMessage sees them (long runs)
    std::function<void(const QString&)> onMessage;

    // `from`, when given, is the local address to connect from (another loopback address
    // looks like another computer to a host that counts connections per address).
    explicit WireClient(quint16 port, const QString& host = QStringLiteral("127.0.0.1"),
                        const QString& from = {}) {
        connect(&socket, &QTcpSocket::readyRead, this, [this] { takeBytes(); });
        if (!from.isEmpty()) socket.bind(QHostAddress(from));
        socket.connectToHost(host, port);
    }
    void send(const QByteArray& text) { socket.write(text + wire::kTerminator); }
    void sendRaw(const QByteArray& bytes) { socket.write(bytes); }
    bool closed() const { return socket.state() == QAbstractSocket::UnconnectedState; }
    int count(const QString& message) const { return int(messages.count(message)); }
    qsizetype indexOf(const QString& message) const { return messages.indexOf(message); }
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
