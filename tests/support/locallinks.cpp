#include "support/locallinks.h"

#include <QTimer>
#include <algorithm>

LocalServerLink::LocalServerLink(QObject* parent) : QObject(parent) {}

LocalServerLink::~LocalServerLink() {
    for (LocalClientLink* c : m_clients) {
        c->m_opening = false;
        c->m_connection = 0;
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

int LocalServerLink::recordOf(quint64 connection) const {
    for (const auto& [record, held] : m_records)
        if (held.connection == connection) return record;
    return 0;
}

void LocalServerLink::arrive(LocalClientLink* client) {
    m_waiting.push_back(client);
    post([this] {
        if (m_events) m_events->Sock1Accept();
    });
}

bool LocalServerLink::accept(int record) {
    if (m_waiting.empty()) return false;
    LocalClientLink* client = m_waiting.front();
    m_waiting.pop_front();
    close(record); // an earlier connection of the record, as the sockets do
    const quint64 connection = ++m_connections;
    m_records[record] = {client, connection};
    client->m_opening = false;
    client->m_connection = connection;
    if (!client->m_early.isEmpty()) {
        const QByteArray early = std::exchange(client->m_early, {});
        post([this, connection, early] {
            const int now = recordOf(connection);
            if (now != 0 && m_events) m_events->Sock1Read(now, early);
        });
    }
    return true;
}

void LocalServerLink::send(int record, const QByteArray& bytes) {
    const auto it = m_records.find(record);
    if (it == m_records.end()) return;
    const Held held = it->second;
    post([this, held, bytes] {
        if (alive(held.client) && held.client->m_connection == held.connection &&
            held.client->m_events)
            held.client->m_events->sockRead(bytes);
    });
}

void LocalServerLink::close(int record) {
    const auto it = m_records.find(record);
    if (it == m_records.end()) return;
    const Held held = it->second;
    m_records.erase(it);
    // Posted after the bytes already sent to it, so the table reads them first.
    post([this, held] {
        if (!alive(held.client) || held.client->m_connection != held.connection) return;
        held.client->m_connection = 0;
        if (held.client->m_events) held.client->m_events->departed(Departure::ClosedByPeer);
    });
}

bool LocalServerLink::move(int from, int to) {
    const auto it = m_records.find(from);
    if (it == m_records.end() || from == to || m_records.contains(to)) return false;
    m_records[to] = it->second;
    m_records.erase(it);
    return true;
}

void LocalServerLink::depart(quint64 connection, Departure why) {
    post([this, connection, why] {
        const int record = recordOf(connection);
        if (record == 0) return; // the host let it go first
        m_records.erase(record);
        if (m_events) m_events->tempsockDisconnect(record, why);
    });
}

void LocalServerLink::forget(LocalClientLink* client) {
    std::erase(m_waiting, client);
    std::erase(m_clients, client);
    if (client->m_connection != 0) depart(client->m_connection, Departure::ClosedByPeer);
}

LocalClientLink::LocalClientLink(LocalServerLink& host) : m_host(host) {
    m_host.m_clients.push_back(this);
}

LocalClientLink::~LocalClientLink() {
    if (m_host.alive(this)) m_host.forget(this);
}

int LocalClientLink::record() const {
    return m_connection == 0 ? 0 : m_host.recordOf(m_connection);
}

void LocalClientLink::open(const QString&) {
    if (m_opening || m_connection != 0) return;
    m_opening = true;
    m_host.arrive(this);
}

void LocalClientLink::send(const QByteArray& bytes) {
    if (m_opening) {
        m_early += bytes;
        return;
    }
    if (m_connection == 0) return;
    LocalServerLink& host = m_host;
    host.post([&host, connection = m_connection, bytes] {
        // Bytes sent before the table closed still count; the host's close drops them.
        // A connection the host moved to another record speaks from there.
        const int record = host.recordOf(connection);
        if (record != 0 && host.m_events) host.m_events->Sock1Read(record, bytes);
    });
}

void LocalClientLink::close() {
    end(Departure::ClosedByPeer);
}

void LocalClientLink::reset() {
    end(Departure::Reset);
}

void LocalClientLink::end(Departure hostHears) {
    if (!m_opening && m_connection == 0) return;
    std::erase(m_host.m_waiting, this);
    m_opening = false;
    m_early.clear();
    if (m_connection != 0) m_host.depart(std::exchange(m_connection, 0), hostHears);
    m_host.post([this, &host = m_host] {
        if (host.alive(this) && m_events) m_events->departed(Departure::ClosedByUs);
    });
}
