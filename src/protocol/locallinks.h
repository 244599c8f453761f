// The in-process pair: a host's link and any number of tables' links joined to it,
// with no sockets. Everything one side does reaches the other from the event loop
// (or from pump()), in the order it was done, never from inside the call that did
// it: the same promise the socket adapters keep. Whole-game tests, soak tests and
// the fuzz targets run the host and the tables on it.
#pragma once

#include "protocol/clientlink.h"
#include "protocol/serverlink.h"

#include <QObject>
#include <QString>
#include <deque>
#include <functional>
#include <map>

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

private:
    friend class LocalClientLink;
    void post(std::function<void()> event);
    void arrive(LocalClientLink* client);
    void leave(LocalClientLink* client);
    void forget(LocalClientLink* client);
    bool alive(const LocalClientLink* client) const;

    ServerEvents* m_events = nullptr;
    std::deque<LocalClientLink*> m_waiting;
    std::map<int, LocalClientLink*> m_records;
    std::deque<LocalClientLink*> m_clients; // every live client link
    std::deque<std::function<void()>> m_pending;
    bool m_scheduled = false;
    quint64 m_connections = 0;
};

class LocalClientLink : public ClientLink {
public:
    explicit LocalClientLink(LocalServerLink& host);
    ~LocalClientLink() override;

    void attach(ClientEvents* events) override { m_events = events; }
    // The host name is not looked at: there is only the one host.
    void open(const QString& host) override;
    void send(const QByteArray& bytes) override;
    void close() override;

    // The record the host gave this connection (0 before and after).
    int record() const { return m_record; }
    bool connected() const { return m_record != 0; }

private:
    friend class LocalServerLink;
    enum class State { Closed, Waiting, Connected };
    void closedByHost();

    LocalServerLink& m_host;
    ClientEvents* m_events = nullptr;
    State m_state = State::Closed;
    int m_record = 0;
    // Which of this link's connections the host holds (0: none); bytes sent on an
    // earlier one must not reach whoever holds the record now.
    quint64 m_connection = 0;
    QByteArray m_early; // sent before the host took the connection
};
