// The desktop host's connections: its own table in-process, always as record 1, and
// everybody else through the listener Sock1. A stranger who connects the moment the
// port opens can then never take record 1 (the one that starts games and removes
// players) from the player who hosts.
#pragma once

#include "net/sockserverlink.h"
#include "protocol/clientlink.h"

#include <QObject>
#include <deque>
#include <functional>

class DesktopHostLink : public QObject, public ServerLink, private ServerEvents {
    Q_OBJECT
public:
    // Binds Sock1 as SockServerLink does; Sock1 must outlive this link or be
    // destroyed with it.
    explicit DesktopHostLink(TSock* Sock1, QObject* parent = nullptr);
    ~DesktopHostLink() override;

    // The host's own table's end of its in-process connection (owned here).
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
    // The own table's end. Each connection has a number; an event in flight for an
    // earlier one (bytes, a departure) is dropped where it lands.
    class OwnTable : public ClientLink {
    public:
        explicit OwnTable(DesktopHostLink& host) : m_host(host) {}
        void attach(ClientEvents* events) override { m_events = events; }
        void open(const QString& host) override;
        void send(const QByteArray& bytes) override;
        void close() override;

    private:
        friend class DesktopHostLink;
        DesktopHostLink& m_host;
        ClientEvents* m_events = nullptr;
        bool m_opening = false;   // opened, not yet taken by the host
        quint64 m_connection = 0; // the connection the table is on (0: none)
        QByteArray m_early;       // sent before the host took the connection
    };

    // ServerEvents from the sockets, passed on unchanged.
    void Sock1Accept() override;
    void Sock1Read(int record, const QByteArray& bytes) override;
    void tempsockDisconnect(int record, Departure why) override;

    // Everything between the host and its own table goes through here, in order, from
    // the event loop (or listen()), never from inside the call that caused it.
    void post(std::function<void()> event);
    void pump();

    static constexpr int kOwnRecord = 1;

    TSock* m_sock1;
    ServerEvents* m_events = nullptr;
    SockServerLink m_sockets;
    std::deque<std::function<void()>> m_pending;
    bool m_scheduled = false;
    quint64 m_connections = 0;
    quint64 m_ownHeld = 0; // the own table's connection in record 1 (0: none)
    OwnTable m_ownTable{*this};
};
