// The host's connections on TSock: the listener Sock1 (owned by the host window)
// and one accepted socket per seat record, whose Tag is the record number.
#pragma once

#include "net/Sock.h"
#include "net/serverlink.h"
#include "protocol/framing.h"

#include <QObject>
#include <QPointer>
#include <QString>
#include <functional>
#include <map>

class SockServerLink : public QObject, public ServerLink {
    Q_OBJECT
public:
    // Binds Sock1's OnAccept and OnRead; Sock1 must outlive this link or be
    // destroyed with it.
    explicit SockServerLink(TSock* Sock1, QObject* parent = nullptr);
    // Unbinds every handler it set, so sockets that outlive it report to nobody.
    ~SockServerLink() override;

    // A connection waits on the listener (the host calls accept from here).
    std::function<void()> onAccept;
    // One complete message (without its terminator) from the record's connection.
    std::function<void(int record, const QString& message)> onMessage;
    // The record's peer closed its connection.
    std::function<void(int record)> onDisconnect;
    // Every info text of the record's connection ("Socket Closed" among them).
    std::function<void(int record, const QString& text)> onInfo;

    bool accept(int record) override;
    void send(int record, const QByteArray& bytes) override;
    // Reports the close through onInfo later, from the event loop.
    void close(int record) override;
    void destroy(int record) override;

    // The record's socket, or null (tests and diagnostics).
    TSock* socketOf(int record) const;
    // The never-opened socket whose handlers every accepted socket gets.
    TSock* tempsock() { return &m_tempsock; }

    // A peer that leaves more than this unread behind is dropped.
    static constexpr qsizetype kMaxOutgoing = 1024 * 1024;

private:
    struct Connection {
        QPointer<TSock> sock;
        wire::ReceiveRemainder remainder;
        bool overflowing = false;
    };

    void Sock1Read(TSock* sender);
    void tempsockDisconnect(TSock* sender);
    void tempsockInfo(TSock* sender, const QString& text);
    Connection* connectionOf(TSock* sender);
    void dropLater(TSock* sock);
    static void silence(TSock* sock);

    QPointer<TSock> m_sock1;
    TSock m_tempsock;
    std::map<int, Connection> m_connections;
};
