// Tables the bot runs on the server for players whose router stays shut: one
// vimbrel-host per port of a configured range, started on request, stopped (SIGTERM, by
// its PID) once nobody has been seated for a few minutes. Each host announces itself
// through the lobby under the bot's own account; the pool learns its key from that.
#pragma once

#include "lobbyproto/tables.h"

#include <QHash>
#include <QObject>
#include <QProcess>
#include <QSet>
#include <QStringList>
#include <QTimer>
#include <functional>

namespace lobbybot {

inline constexpr int kServerTableIdleMs = 3 * 60 * 1000;
inline constexpr int kServerTableStartMs = 20'000; // to start, log in and announce
inline constexpr int kServerTableStopMs = 5000;    // SIGTERM, then SIGKILL

struct PoolConfig {
    QString program;       // vimbrel-host
    quint16 firstPort = 0; // the range, both ends included; empty when firstPort is 0
    quint16 lastPort = 0;
    QStringList addresses; // the server's public IPv4 and/or IPv6 address
    QStringList lobbyArgs; // --lobby-server … --lobby-account … --lobby-password-file …
    int idleMs = kServerTableIdleMs;
    int startMs = kServerTableStartMs;
};

// What a requester hears: the table's key, address and port, or why not.
struct PoolAnswer {
    bool ok = false;
    QString condition; // an XMPP error condition when not ok
    QString text;
    QString key;
    QString address;
    quint16 port = 0;
};

class ServerTablePool : public QObject {
    Q_OBJECT
public:
    explicit ServerTablePool(PoolConfig config, QObject* parent = nullptr);
    ~ServerTablePool() override;

    bool enabled() const { return m_config.firstPort != 0 && !m_config.program.isEmpty(); }
    int size() const { return enabled() ? m_config.lastPort - m_config.firstPort + 1 : 0; }
    int running() const { return int(m_tables.size()); }

    // Starts a table named `name` for `account`; `done` is called once, when the host
    // has announced itself or could not. One server table per account at a time.
    void request(const QString& account, const QString& name,
                 std::function<void(const PoolAnswer&)> done);
    // What the registry heard from one of the pool's hosts (the bot's own account).
    void tableAnnounced(const QString& key, const lobby::Table& table);
    // Stops every host the pool started; returns at once (they end within seconds).
    void stopAll();

signals:
    void logLine(const QString& line);

private:
    struct Running {
        QProcess* process = nullptr;
        QString account;
        QString name;
        QString key;
        std::function<void(const PoolAnswer&)> done; // until the host announced itself
        QTimer* idle = nullptr;                      // runs while nobody is seated
        QTimer* startDeadline = nullptr;
        QSet<quint16> tried; // ports whose host would not start
    };
    quint16 freePort(const QSet<quint16>& skip) const;
    void launch(quint16 port, Running r);
    void exited(quint16 port);
    void answer(Running& r, const PoolAnswer& a);
    void stop(quint16 port, const QString& why);
    void forwardOutput(quint16 port);

    PoolConfig m_config;
    QHash<quint16, Running> m_tables; // by port
};

} // namespace lobbybot
