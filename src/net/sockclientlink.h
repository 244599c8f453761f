// The table window's one connection to the host, on TSock.
#pragma once

#include "net/Sock.h"
#include "net/clientlink.h"
#include "protocol/framing.h"

#include <QObject>
#include <QString>
#include <functional>

class SockClientLink : public QObject, public ClientLink {
    Q_OBJECT
public:
    explicit SockClientLink(const QString& portName = QStringLiteral("7772"),
                            QObject* parent = nullptr);

    // One complete message from the host, without its terminator.
    std::function<void(const QString& message)> onMessage;
    // Every info text of the connection ("Socket Closed" when it ends).
    std::function<void(TSocketInfo info, const QString& text)> onInfo;

    // Throws ESockException or wire::ConvertError when the port name is bad.
    void open(const QString& host) override;
    // Bytes given after the connection closed go nowhere.
    void send(const QByteArray& bytes) override;
    void close() override;

    TSock* socket() { return &sock; }

private:
    void sockRead(TSock* sender);

    TSock sock;
    wire::ReceiveRemainder m_remainder;
};
