#include "protocol/locallinks.h"

#include <QTimer>
#include <algorithm>

LocalServerLink::LocalServerLink(QObject* parent) : QObject(parent) {}

LocalServerLink::~LocalServerLink() {
    for (LocalClientLink* c : m_clients) {
        c->m_state = LocalClientLink::State::Closed;
        c->m_record = 0;
    }
}

void LocalServerLink::post(std::function<void()> event) {
    m_pending.push_back(std::move(event));
    if (m_scheduled) return;
    m_scheduled = true;
    QTimer::singleShot(0, this, [this] {
        m_scheduled = false;
        pump();
    });
}

int LocalServerLink::pump() {
    int delivered = 0;
    while (!m_pending.empty()) {
        const std::function<void()> event = std::move(m_pending.front());
        m_pending.pop_front();
        event();
        ++delivered;
    }
    return delivered;
}

bool LocalServerLink::alive(const LocalClientLink* client) const {
    return std::find(m_clients.begin(), m_clients.end(), client) != m_clients.end();
}

void LocalServerLink::arrive(LocalClientLink* client) {
    m_waiting.push_back(client);
    post([this] {
        if (m_events) m_events->Sock1Accept();
    });
}

bool LocalServerLink::accept(int record) {
    while (!m_waiting.empty() && !alive(m_waiting.front()))
        m_waiting.pop_front();
    if (m_waiting.empty()) return false;
    LocalClientLink* client = m_waiting.front();
    m_waiting.pop_front();
    m_records[record] = client;
    client->m_state = LocalClientLink::State::Connected;
    client->m_record = record;
    client->m_connection = ++m_connections;
    if (!client->m_early.isEmpty()) {
        const QByteArray early = std::exchange(client->m_early, {});
        post([this, record, early] {
            if (m_events) m_events->Sock1Read(record, early);
        });
    }
    return true;
}

void LocalServerLink::send(int record, const QByteArray& bytes) {
    const auto it = m_records.find(record);
    if (it == m_records.end()) return;
    LocalClientLink* client = it->second;
    post([this, client, bytes] {
        if (alive(client) && client->m_events) client->m_events->sockRead(bytes);
    });
}

void LocalServerLink::close(int record) {
    const auto it = m_records.find(record);
    if (it == m_records.end()) return;
    LocalClientLink* client = it->second;
    m_records.erase(it);
    client->m_connection = 0;
    // Bytes sent before the close are delivered first: they were posted first.
    post([this, client] {
        if (alive(client)) client->closedByHost();
    });
}

bool LocalServerLink::move(int from, int to) {
    const auto it = m_records.find(from);
    if (it == m_records.end() || from == to || m_records.count(to)) return false;
    LocalClientLink* client = it->second;
    m_records.erase(it);
    m_records[to] = client;
    client->m_record = to;
    return true;
}

void LocalServerLink::leave(LocalClientLink* client) {
    std::erase(m_waiting, client);
    for (auto it = m_records.begin(); it != m_records.end(); ++it) {
        if (it->second != client) continue;
        const int record = it->first;
        m_records.erase(it);
        post([this, record] {
            if (m_events) m_events->tempsockDisconnect(record);
        });
        return;
    }
}

void LocalServerLink::forget(LocalClientLink* client) {
    leave(client);
    std::erase(m_clients, client);
}

LocalClientLink::LocalClientLink(LocalServerLink& host) : m_host(host) {
    m_host.m_clients.push_back(this);
}

LocalClientLink::~LocalClientLink() {
    if (m_host.alive(this)) m_host.forget(this);
}

void LocalClientLink::open(const QString&) {
    if (m_state != State::Closed) return;
    m_state = State::Waiting;
    m_host.arrive(this);
}

void LocalClientLink::send(const QByteArray& bytes) {
    if (m_state == State::Waiting) {
        m_early += bytes;
        return;
    }
    if (m_state != State::Connected) return;
    const int record = m_record;
    const quint64 connection = m_connection;
    LocalServerLink& host = m_host;
    host.post([&host, record, connection, bytes, self = this] {
        // Sent on a connection the host has not dropped: bytes before a close still count.
        if (!host.alive(self) || self->m_connection != connection || connection == 0 || !host.m_events) return;
        // A connection the host moved to another record speaks from there.
        host.m_events->Sock1Read(self->m_record != 0 ? self->m_record : record, bytes);
    });
}

void LocalClientLink::close() {
    if (m_state == State::Closed) return;
    m_state = State::Closed;
    m_record = 0;
    m_early.clear();
    m_host.leave(this);
    ClientLink* self = this;
    m_host.post([this, self, &host = m_host] {
        if (host.alive(static_cast<LocalClientLink*>(self)) && m_events)
            m_events->sockInfo(QStringLiteral("Socket Closed"));
    });
}

void LocalClientLink::closedByHost() {
    m_state = State::Closed;
    m_record = 0;
    if (m_events) m_events->sockInfo(QStringLiteral("Socket Closed"));
}
