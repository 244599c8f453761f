// The in-process pair: a host's link and any number of tables' links joined to it,
// with no sockets. Everything one side does reaches the other from the event loop
// (or from pump()), in the order it was done, never from inside the call that did
// it: the same promise the socket adapters keep, held to it by tst_linkcontract.
// Whole-game tests, soak tests, benchmarks and the fuzz targets run on it.
//
// Each connection has a number; an event in flight for one that has since ended
// (bytes, a departure) is dropped where it lands, so a departure is heard once.
#pragma once

#include "protocol/clientlink.h"
#include "protocol/serverlink.h"

#include <QObject>
#include <QString>
#include <deque>
#include <vector>

class LocalClientLink;

class LocalServerLink : public QObject, public ServerLink {
    Q_OBJECT
public:
    explicit LocalServerLink(QObject* parent = nullptr);
    ~LocalServerLink() override;

    void attach(ServerEvents* events) override { m_events = events; }
    bool accept(int record) override;
    void send(int record, const QByteArray& bytes) override;
    void close(int record) override;
    bool move(int from, int to) override;

    // Delivers everything waiting, and whatever that brings about, in order. Returns
    // how many events were delivered. The event loop runs it by itself too.
    int pump();
    bool idle() const { return m_pending.empty(); }
    // Whether the record holds a connection (until its departure is heard).
    bool holds(int record) const { return heldAt(record) != nullptr; }

private:
    friend class LocalClientLink;
    struct Held {
        LocalClientLink* client = nullptr;
        quint64 connection = 0; // 0: nobody holds the record
    };
    // What one side did, for the other to hear: plain values in one queue rather than
    // a closure each, as the fuzz targets post thousands per input.
    struct Event {
        enum class Kind { Arrival, HostReads, HostHearsEnd, TableReads, TableHearsEnd } kind;
        quint64 connection = 0; // the connection it is about (0: any, for TableHearsEnd)
        LocalClientLink* client = nullptr;
        QByteArray bytes;
        Departure why = Departure::ClosedByPeer;
    };
    void post(Event event);
    void deliver(const Event& event);
    void arrive(LocalClientLink* client);
    // The table's end went (closed, reset or destroyed): the host hears it after
    // everything the table sent before, unless it let the connection go first.
    void depart(quint64 connection, Departure why);
    void forget(LocalClientLink* client);
    bool alive(const LocalClientLink* client) const;
    int recordOf(quint64 connection) const;
    // Who holds the record, or null; the records are a few small numbers, so they
    // index a plain array (the fuzz targets look them up after every step).
    const Held* heldAt(int record) const;
    Held& slot(int record);

    ServerEvents* m_events = nullptr;
    std::deque<LocalClientLink*> m_waiting;
    std::vector<Held> m_records; // by record number
    std::deque<LocalClientLink*> m_clients; // every live client link
    std::deque<Event> m_pending;
    bool m_scheduled = false;
    quint64 m_connections = 0;
};

class LocalClientLink : public ClientLink {
public:
    explicit LocalClientLink(LocalServerLink& host);
    ~LocalClientLink() override;

    // Attach before open(): bytes the host sends while nobody listens are dropped.
    void attach(ClientEvents* events) override { m_events = events; }
    // The host name is not looked at: there is only the one host.
    void open(const QString& host) override;
    void send(const QByteArray& bytes) override;
    void close() override;
    // Ends the connection as a reset would: the host hears Departure::Reset.
    void reset();

    // The record the host gave this connection (0 before and after).
    int record() const;
    bool connected() const { return m_connection != 0; }

private:
    friend class LocalServerLink;
    void end(Departure hostHears);

    LocalServerLink& m_host;
    ClientEvents* m_events = nullptr;
    bool m_opening = false;   // opened, not yet taken by the host
    quint64 m_connection = 0; // the connection this table is on (0: none)
    QByteArray m_early;       // sent before the host took the connection
};
