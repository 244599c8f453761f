#include "net/sockserverlink.h"

#include "protocol/wiretext.h"

#include <QTimer>

#include <utility>

SockServerLink::SockServerLink(TSock* Sock1, QObject* parent) : QObject(parent), m_sock1(Sock1) {
    Sock1->OnAccept = [this](TSock*) {
        if (onAccept) onAccept();
    };
    Sock1->OnRead = [this](TSock* sender, int) { Sock1Read(sender); };
    m_tempsock.OnDisconnect = [this](TSock* sender) { tempsockDisconnect(sender); };
    m_tempsock.OnInfo = [this](TSock* sender, TSocketInfo, const QString& text) {
        tempsockInfo(sender, text);
    };
}

SockServerLink::~SockServerLink() {
    for (auto& [record, connection] : m_connections) {
        if (connection.sock) silence(connection.sock);
    }
    if (m_sock1) {
        m_sock1->OnAccept = nullptr;
        m_sock1->OnRead = nullptr;
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
    Connection& connection = m_connections[record];
    if (connection.sock && connection.sock != accepted) dropLater(connection.sock);
    connection.sock = accepted;
    connection.remainder.clear();
    connection.overflowing = false;
    accepted->Tag = record;
    accepted->OnDisconnect = m_tempsock.OnDisconnect;
    accepted->OnRead = m_sock1->OnRead;
    accepted->OnInfo = m_tempsock.OnInfo;
    return true;
}

void SockServerLink::dropLater(TSock* sock) {
    // The record's earlier connection, closed by now; it must not report again.
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
        return; // closed: nothing reaches a record without a connection
    }
    if (sock->pendingOutgoing() > kMaxOutgoing && !connection.overflowing) {
        // Closed from the event loop, so the host never hears of it in the middle
        // of one of its own broadcasts.
        connection.overflowing = true;
        QPointer<TSock> guard(sock);
        QTimer::singleShot(0, this, [guard] {
            if (guard && guard->hasHandle()) guard->Close();
        });
    }
}

void SockServerLink::close(int record) {
    TSock* sock = socketOf(record);
    if (!sock) return;
    // The host hears "Socket Closed" from the event loop, not from inside this call,
    // which it may make in the middle of its own work.
    const TSock::InfoEvent handler = std::exchange(sock->OnInfo, nullptr);
    sock->Close();
    sock->OnInfo = handler;
    QPointer<TSock> guard(sock);
    QTimer::singleShot(0, this, [this, guard] {
        if (guard) tempsockInfo(guard, QStringLiteral("Socket Closed"));
    });
}

void SockServerLink::destroy(int record) {
    const auto it = m_connections.find(record);
    if (it == m_connections.end() || !it->second.sock) return;
    TSock* sock = it->second.sock;
    silence(sock);
    // The close is graceful: bytes still queued (the table-full notice) go first.
    sock->Close();
    sock->deleteLater();
    m_connections.erase(it);
}

void SockServerLink::Sock1Read(TSock* sender) {
    QByteArray bytes;
    try {
        bytes = sender->Receive();
    } catch (const ESockException&) {
        return;
    }
    Connection* connection = connectionOf(sender);
    if (!connection) return; // not taken into a record: its bytes have no reader
    const int record = sender->Tag;
    QList<QByteArray> messages;
    const bool withinCap = connection->remainder.feed(bytes, messages);
    QPointer<TSock> guard(sender);
    for (const QByteArray& message : messages) {
        if (onMessage) onMessage(record, wire::decode(message));
    }
    if (!withinCap && guard && guard->hasHandle()) guard->Close();
}

void SockServerLink::tempsockDisconnect(TSock* sender) {
    if (connectionOf(sender) && onDisconnect) onDisconnect(sender->Tag);
}

void SockServerLink::tempsockInfo(TSock* sender, const QString& text) {
    if (connectionOf(sender) && onInfo) onInfo(sender->Tag, text);
}
