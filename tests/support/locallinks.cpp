#include "support/locallinks.h"

#include <QTimer>
#include <algorithm>
#include <utility>

LocalServerLink::LocalServerLink(QObject* parent) : QObject(parent) {}

LocalServerLink::~LocalServerLink() {
    for (LocalClientLink* c : m_clients) {
        c->m_opening = false;
        c->m_connection = 0;
    }
}

void LocalServerLink::post(Event event) {
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
        const Event event = std::move(m_pending.front());
        m_pending.pop_front();
        deliver(event);
        ++delivered;
    }
    return delivered;
}

void LocalServerLink::deliver(const Event& e) {
    using Kind = Event::Kind;
    switch (e.kind) {
    case Kind::Arrival:
        if (m_events) m_events->Sock1Accept();
        return;
    case Kind::HostReads: {
        // Bytes sent before the table closed still count; the host's close drops them.
        // A connection the host moved to another record speaks from there.
        const int record = recordOf(e.connection);
        if (record != 0 && m_events) m_events->Sock1Read(record, e.bytes);
        return;
    }
    case Kind::HostHearsEnd: {
        const int record = recordOf(e.connection);
        if (record == 0) return; // the host let it go first
        slot(record) = {};
        if (m_events) m_events->tempsockDisconnect(record, e.why);
        return;
    }
    case Kind::TableReads:
        if (alive(e.client) && e.client->m_connection == e.connection && e.client->m_events)
            e.client->m_events->sockRead(e.bytes);
        return;
    case Kind::TableHearsEnd:
        if (!alive(e.client)) return;
        if (e.connection != 0) {
            if (e.client->m_connection != e.connection) return; // it ended already
            e.client->m_connection = 0;
        }
        if (e.client->m_events) e.client->m_events->departed(e.why);
        return;
    }
}

bool LocalServerLink::alive(const LocalClientLink* client) const {
    return std::find(m_clients.begin(), m_clients.end(), client) != m_clients.end();
}

int LocalServerLink::recordOf(quint64 connection) const {
    if (connection == 0) return 0;
    for (size_t record = 0; record < m_records.size(); ++record)
        if (m_records[record].connection == connection) return int(record);
    return 0;
}

const LocalServerLink::Held* LocalServerLink::heldAt(int record) const {
    if (record < 0 || size_t(record) >= m_records.size()) return nullptr;
    const Held& held = m_records[size_t(record)];
    return held.connection != 0 ? &held : nullptr;
}

LocalServerLink::Held& LocalServerLink::slot(int record) {
    if (size_t(record) >= m_records.size()) m_records.resize(size_t(record) + 1);
    return m_records[size_t(record)];
}

void LocalServerLink::arrive(LocalClientLink* client) {
    m_waiting.push_back(client);
    post({Event::Kind::Arrival});
}

bool LocalServerLink::accept(int record) {
    if (record < 0 || m_waiting.empty()) return false;
    LocalClientLink* client = m_waiting.front();
    m_waiting.pop_front();
    close(record); // an earlier connection of the record, as the sockets do
    const quint64 connection = ++m_connections;
    slot(record) = {client, connection};
    client->m_opening = false;
    client->m_connection = connection;
    if (!client->m_early.isEmpty())
        post({Event::Kind::HostReads, connection, nullptr, std::exchange(client->m_early, {})});
    return true;
}

void LocalServerLink::send(int record, const QByteArray& bytes) {
    const Held* held = heldAt(record);
    if (!held) return;
    // A table end nobody listens to (the fuzz targets' many) would drop them on arrival.
    if (!held->client->m_events) return;
    post({Event::Kind::TableReads, held->connection, held->client, bytes});
}

void LocalServerLink::close(int record) {
    const Held* at = heldAt(record);
    if (!at) return;
    const Held held = std::exchange(slot(record), {});
    // Posted after the bytes already sent to it, so the table reads them first.
    post({Event::Kind::TableHearsEnd, held.connection, held.client, {}, Departure::ClosedByPeer});
}

bool LocalServerLink::move(int from, int to) {
    if (!heldAt(from) || from == to || to < 0 || heldAt(to)) return false;
    const Held held = std::exchange(slot(from), {});
    slot(to) = held;
    return true;
}

void LocalServerLink::depart(quint64 connection, Departure why) {
    post({Event::Kind::HostHearsEnd, connection, nullptr, {}, why});
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
    m_host.post({LocalServerLink::Event::Kind::HostReads, m_connection, nullptr, bytes});
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
    m_host.post({LocalServerLink::Event::Kind::TableHearsEnd, 0, this, {}, Departure::ClosedByUs});
}
