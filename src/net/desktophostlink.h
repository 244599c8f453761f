// The desktop host's connections: its own table in-process, always as record 1, and
// everybody else through the listener Sock1. A stranger who connects the moment the
// port opens can then never take record 1 (the one that starts games and removes
// players) from the player who hosts.
#pragma once

#include "net/sockserverlink.h"
#include "protocol/locallinks.h"

#include <QObject>

class DesktopHostLink : public QObject, public ServerLink, private ServerEvents {
    Q_OBJECT
public:
    // Binds Sock1 as SockServerLink does; Sock1 must outlive this link or be
    // destroyed with it.
    explicit DesktopHostLink(TSock* Sock1, QObject* parent = nullptr);
    ~DesktopHostLink() override;

    // The host's own table's end of the in-process pair (owned here).
    ClientLink* ownTable() { return &m_ownTable; }

    // Makes Sock1 listen, then seats the own table as record 1 before returning:
    // nothing that connects to the port is heard before the event loop runs again,
    // so record 1 is the own table's whatever races for it. The table must be
    // attached to ownTable() first, to hear its record. Throws ESockException (and
    // seats nothing) when the port cannot be had.
    void listen();

    // ServerLink
    void attach(ServerEvents* events) override { m_events = events; }
    bool accept(int record) override;
    void send(int record, const QByteArray& bytes) override;
    void close(int record) override;
    bool move(int from, int to) override;
    QString peerName(int record) const override;

private:
    // ServerEvents, from either side, passed on unchanged.
    void Sock1Accept() override;
    void Sock1Read(int record, const QByteArray& bytes) override;
    void tempsockDisconnect(int record) override;

    static constexpr int kOwnRecord = 1;

    TSock* m_sock1;
    ServerEvents* m_events = nullptr;
    SockServerLink m_sockets;
    LocalServerLink m_local; // before m_ownTable: the client link leaves it on its way out
    LocalClientLink m_ownTable{m_local};
};
