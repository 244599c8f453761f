#include "net/sockserverlink.h"

#include <QTimer>

SockServerLink::SockServerLink(TSock* Sock1, QObject* parent) : QObject(parent), m_sock1(Sock1) {
    Sock1->OnAccept = [this](TSock*) {
        if (m_events) m_events->Sock1Accept();
    };
    Sock1->OnRead = [this](TSock* sender, int) { Sock1Read(sender); };
}

void SockServerLink::limitPerAddress(int max, std::function<void(const QString&)> log) {
    if (!m_sock1) return;
    m_refusalLog = std::move(log);
    m_clock.start();
    m_sock1->MaxPerAddress = max;
    m_sock1->OnRefuse = [this](TSock*, const QString& address) { refused(address); };
}

void SockServerLink::refused(const QString& address) {
    const qint64 now = m_clock.elapsed();
    std::erase_if(m_lastRefusal,
                  [now](const auto& entry) { return now - entry.second >= kRefusalQuietMs; });
    const bool newBurst = !m_lastRefusal.contains(address);
    m_lastRefusal[address] = now;
    if (newBurst && m_refusalLog)
        m_refusalLog(QStringLiteral(
                         "connection from %1 closed: the limit of %2 connections from one address "
                         "(more are closed without a line until none come for %3 s)")
                         .arg(address, QString::number(m_sock1->MaxPerAddress),
                              QString::number(kRefusalQuietMs / 1000)));
}

SockServerLink::~SockServerLink() {
    for (auto& [record, connection] : m_connections) {
        if (connection.sock) silence(connection.sock);
    }
    if (m_sock1) {
        m_sock1->OnAccept = nullptr;
        m_sock1->OnRead = nullptr;
        m_sock1->OnRefuse = nullptr;
    }
}

void SockServerLink::silence(TSock* sock) {
    sock->OnRead = nullptr;
    sock->OnWrite = nullptr;
    sock->OnDisconnect = nullptr;
    sock->OnInfo = nullptr;
}

TSock* SockServerLink::socketOf(int record) const {
    const auto it = m_connections.find(record);
    return it == m_connections.end() ? nullptr : it->second.sock.data();
}

QString SockServerLink::peerName(int record) const {
    const TSock* sock = socketOf(record);
    return sock ? sock->HostName() : QString();
}

SockServerLink::Connection* SockServerLink::connectionOf(TSock* sender) {
    const auto it = m_connections.find(sender->Tag);
    if (it == m_connections.end() || it->second.sock != sender) return nullptr;
    return &it->second;
}

bool SockServerLink::accept(int record) {
    if (!m_sock1) return false;
    TSock* accepted = nullptr;
    try {
        if (!m_sock1->Accept(accepted)) return false;
    } catch (const ESockException&) {
        return false;
    }
    let(record); // an earlier connection of the record, long closed by now
    m_connections[record] = {accepted, false, false};
    accepted->Tag = record;
    accepted->OnRead = m_sock1->OnRead;
    // The peer's end (a close, or a reset that an error report came before) and our
    // own close of it all end the record; the event's kind says which, never its text.
    accepted->OnDisconnect = [this](TSock* sender) {
        const Connection* connection = connectionOf(sender);
        departed(sender,
                 connection && connection->broken ? Departure::Reset : Departure::ClosedByPeer);
    };
    accepted->OnInfo = [this](TSock* sender, TSocketInfo info, const QString&) {
        sockInfo(sender, info);
    };
    return true;
}

void SockServerLink::sockInfo(TSock* sender, TSocketInfo info) {
    Connection* connection = connectionOf(sender);
    if (!connection) return;
    if (info == TSocketInfo::Error) connection->broken = true;
    // Only the link's own drop closes a socket that is still in a record: the host's
    // closes let the record go (and silence the socket) first.
    if (info == TSocketInfo::Close) departed(sender, Departure::ClosedByUs);
}

// Forgets the record's connection without a word to anybody: the close is graceful,
// so bytes still queued (a last notice) go first.
void SockServerLink::let(int record) {
    const auto it = m_connections.find(record);
    if (it == m_connections.end()) return;
    TSock* sock = it->second.sock;
    m_connections.erase(it);
    if (!sock) return;
    silence(sock);
    if (sock->hasHandle()) sock->Close();
    sock->deleteLater();
}

void SockServerLink::send(int record, const QByteArray& bytes) {
    const auto it = m_connections.find(record);
    if (it == m_connections.end() || !it->second.sock) return;
    Connection& connection = it->second;
    TSock* sock = connection.sock;
    try {
        sock->Send(bytes);
    } catch (const ESockException&) {
        return; // closed: its departure is on its way from the event loop
    }
    if (sock->pendingOutgoing() > kMaxOutgoing && !connection.overflowing) {
        // Dropped from the event loop, so the host never hears of it in the middle
        // of one of its own broadcasts.
        connection.overflowing = true;
        QPointer<TSock> guard(sock);
        QTimer::singleShot(0, this, [guard] {
            if (guard && guard->hasHandle()) guard->Close();
        });
    }
}

void SockServerLink::close(int record) {
    let(record);
}

bool SockServerLink::move(int from, int to) {
    const auto it = m_connections.find(from);
    if (it == m_connections.end() || !it->second.sock || from == to) return false;
    if (const auto occupant = m_connections.find(to); occupant != m_connections.end()) {
        if (occupant->second.sock) return false; // taken: see ServerLink::move
        m_connections.erase(occupant);
    }
    Connection connection = it->second;
    m_connections.erase(it);
    connection.sock->Tag = to;
    m_connections[to] = connection;
    return true;
}

void SockServerLink::Sock1Read(TSock* sender) {
    QByteArray bytes;
    try {
        bytes = sender->Receive();
    } catch (const ESockException&) {
        return;
    }
    if (!connectionOf(sender) || !m_events) return; // not taken into a record: nobody reads it
    m_events->Sock1Read(sender->Tag, bytes);
}

void SockServerLink::departed(TSock* sender, Departure why) {
    if (!connectionOf(sender)) return;
    const int record = sender->Tag;
    let(record);
    if (m_events) m_events->tempsockDisconnect(record, why);
}
