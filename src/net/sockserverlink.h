// The host's connections on TSock: the listener Sock1 and one accepted socket per
// seat record, whose Tag is the record number. It reports to the host through
// ServerEvents, always from a socket event, never from inside a call the host made.
#pragma once

#include "net/Sock.h"
#include "protocol/serverlink.h"

#include <QElapsedTimer>
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

    void attach(ServerEvents* events) override { m_events = events; }
    bool accept(int record) override;
    void send(int record, const QByteArray& bytes) override;
    void close(int record) override;
    bool move(int from, int to) override;
    QString peerName(int record) const override;

    // Closes a connection as it arrives when its address already holds `max` (0: no
    // limit, the default), before the host hears of it. `log` gets one line per address
    // per burst: a refusal after kRefusalQuietMs without one from that address.
    void limitPerAddress(int max, std::function<void(const QString&)> log);

    // The record's socket, or null (tests and diagnostics).
    TSock* socketOf(int record) const;

    // A peer that leaves more than this unread behind is dropped.
    static constexpr qsizetype kMaxOutgoing = 1024 * 1024;
    static constexpr qint64 kRefusalQuietMs = 10000;

private:
    struct Connection {
        QPointer<TSock> sock;
        bool overflowing = false;
        bool broken = false; // an error came first: the end is a reset, not a close
    };

    void Sock1Read(TSock* sender);
    void sockInfo(TSock* sender, TSocketInfo info);
    void departed(TSock* sender, Departure why);
    Connection* connectionOf(TSock* sender);
    void let(int record);
    static void silence(TSock* sock);
    void refused(const QString& address);

    QPointer<TSock> m_sock1;
    ServerEvents* m_events = nullptr;
    std::map<int, Connection> m_connections;
    std::function<void(const QString&)> m_refusalLog;
    std::map<QString, qint64> m_lastRefusal; // address -> m_clock ms, recent bursts only
    QElapsedTimer m_clock;
};
