// The table window's one connection to the host, on TSock.
#pragma once

#include "net/Sock.h"
#include "protocol/clientlink.h"

#include <QObject>
#include <QString>

class SockClientLink : public QObject, public ClientLink {
    Q_OBJECT
public:
    explicit SockClientLink(const QString& portName = QStringLiteral("7772"),
                            QObject* parent = nullptr);
    ~SockClientLink() override;

    void attach(ClientEvents* events) override { m_events = events; }
    // `host` may carry a port of its own ("192.0.2.5:7800", "[2001:db8::5]:7800"), which
    // then replaces the link's. Throws ESockException or wire::ConvertError when the port
    // name is bad (and then no departure is owed).
    void open(const QString& host) override;
    // Bytes given after the connection closed go nowhere.
    void send(const QByteArray& bytes) override;
    void close() override;

    TSock* socket() { return &sock; }

private:
    void sockRead(TSock* sender);
    void sockInfo(TSocketInfo info, const QString& text);
    void peerEnded();
    void depart(Departure why);

    TSock sock;
    QString m_portName; // the game port, for an address that names none
    ClientEvents* m_events = nullptr;
    bool m_open = false;   // an open() whose departure is still owed
    bool m_broken = false; // an error came while connected: the end is a reset
};
