#include "net/desktophostlink.h"

#include <QTimer>

DesktopHostLink::DesktopHostLink(TSock* Sock1, QObject* parent)
    : QObject(parent), m_sock1(Sock1), m_sockets(Sock1) {
    m_sockets.attach(this);
}

DesktopHostLink::~DesktopHostLink() {
    m_sockets.attach(nullptr);
}

void DesktopHostLink::listen() {
    m_sock1->setListen(true);
    m_ownTable.open(QString());
    // The own table's arrival, its record and whatever follows, delivered now: a
    // connection that came in meanwhile waits for the event loop, which is ours.
    pump();
}

void DesktopHostLink::post(std::function<void()> event) {
    m_pending.push_back(std::move(event));
    if (m_scheduled) return;
    m_scheduled = true;
    QTimer::singleShot(0, this, [this] {
        m_scheduled = false;
        pump();
    });
}

void DesktopHostLink::pump() {
    while (!m_pending.empty()) {
        const std::function<void()> event = std::move(m_pending.front());
        m_pending.pop_front();
        event();
    }
}

// Record 1 is the own table's alone; a connection from outside is never taken into it.
bool DesktopHostLink::accept(int record) {
    if (record != kOwnRecord) return m_sockets.accept(record);
    if (!m_ownTable.m_opening) return false;
    m_ownTable.m_opening = false;
    m_ownHeld = m_ownTable.m_connection = ++m_connections;
    if (!m_ownTable.m_early.isEmpty()) {
        const QByteArray early = std::exchange(m_ownTable.m_early, {});
        post([this, early, connection = m_ownHeld] {
            if (m_ownHeld == connection) Sock1Read(kOwnRecord, early);
        });
    }
    return true;
}

void DesktopHostLink::send(int record, const QByteArray& bytes) {
    if (record != kOwnRecord) return m_sockets.send(record, bytes);
    if (m_ownHeld == 0) return;
    post([this, bytes, connection = m_ownHeld] {
        if (m_ownTable.m_connection == connection && m_ownTable.m_events)
            m_ownTable.m_events->sockRead(bytes);
    });
}

void DesktopHostLink::close(int record) {
    if (record != kOwnRecord) return m_sockets.close(record);
    if (m_ownHeld == 0) return;
    // Posted after the bytes already sent, so the table reads them first.
    post([this, connection = std::exchange(m_ownHeld, 0)] {
        if (m_ownTable.m_connection != connection) return; // the table closed first
        m_ownTable.m_connection = 0;
        if (m_ownTable.m_events) m_ownTable.m_events->departed(Departure::ClosedByPeer);
    });
}

// A player coming back moves between outside records; the own table never moves,
// and nobody moves into its record.
bool DesktopHostLink::move(int from, int to) {
    if (from == kOwnRecord || to == kOwnRecord) return false;
    return m_sockets.move(from, to);
}

QString DesktopHostLink::peerName(int record) const {
    return record == kOwnRecord ? QString() : m_sockets.peerName(record);
}

void DesktopHostLink::OwnTable::open(const QString&) {
    if (m_opening || m_connection != 0) return;
    m_opening = true;
    m_host.post([host = &m_host] { host->Sock1Accept(); });
}

void DesktopHostLink::OwnTable::send(const QByteArray& bytes) {
    if (m_opening) {
        m_early += bytes;
        return;
    }
    if (m_connection == 0) return;
    m_host.post([host = &m_host, bytes, connection = m_connection] {
        // Bytes sent before the table closed still count; the host's own close drops them.
        if (host->m_ownHeld == connection) host->Sock1Read(kOwnRecord, bytes);
    });
}

void DesktopHostLink::OwnTable::close() {
    if (!m_opening && m_connection == 0) return;
    const quint64 connection = std::exchange(m_connection, 0);
    m_opening = false;
    m_early.clear();
    DesktopHostLink* host = &m_host;
    if (connection != 0) {
        host->post([host, connection] {
            if (host->m_ownHeld != connection) return; // the host closed it first
            host->m_ownHeld = 0;
            host->tempsockDisconnect(kOwnRecord, Departure::ClosedByPeer);
        });
    }
    host->post([this] {
        if (m_events) m_events->departed(Departure::ClosedByUs);
    });
}

void DesktopHostLink::Sock1Accept() {
    if (m_events) m_events->Sock1Accept();
}

void DesktopHostLink::Sock1Read(int record, const QByteArray& bytes) {
    if (m_events) m_events->Sock1Read(record, bytes);
}

void DesktopHostLink::tempsockDisconnect(int record, Departure why) {
    if (m_events) m_events->tempsockDisconnect(record, why);
}
