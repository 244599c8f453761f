// Checks from the server that a table answers: connects to its IPv4 address, then its
// IPv6 address, and waits for the game's greeting (a login request or "table full",
// ending in 0xFF). It sends nothing and reads at most 64 bytes, so it cannot be used to
// talk to anything else. A few checks run at once; the rest wait their turn.
#pragma once

#include <QHash>
#include <QObject>
#include <QStringList>
#include <QTimer>

namespace lobbybot {

struct ReachTarget {
    QString ipv4; // empty when none
    QString ipv6; // empty when none, without brackets
    quint16 port = 0;
    bool operator==(const ReachTarget&) const = default;
};

inline constexpr int kProbeTimeoutMs = 5000; // per address
inline constexpr int kMaxGreeting = 64;      // bytes read at most
inline constexpr int kProbesAtOnce = 4;
inline constexpr int kRecheckMs = 5 * 60 * 1000; // a table that did not answer

class ReachProber : public QObject {
    Q_OBJECT
public:
    explicit ReachProber(QObject* parent = nullptr);
    ~ReachProber() override;

    // Loopback addresses are checked only when the lobby itself runs on loopback (a
    // development or test lobby); on a public server they would reach the server's own
    // services, so they count as not reachable.
    void setAllowLoopback(bool allow) { m_allowLoopback = allow; }
    // Tests shorten these; the bot keeps the defaults.
    void setTimings(int timeoutMs, int recheckMs);

    // Checks the table `key` at `target`, after any check already waiting. A newer call
    // for the same key replaces the older one; the older one's verdict is dropped.
    void check(const QString& key, const ReachTarget& target);
    // The table is gone: no verdict, no recheck.
    void forget(const QString& key);

    int running() const { return int(m_running.size()); }
    int waiting() const { return int(m_queue.size()); }
    bool recheckArmed() const { return m_recheck.isActive(); }
    // Checks again every table whose recheck is due; the recheck timer calls it.
    void recheckDue();

signals:
    // `reason` says in words why not, for people; empty when reachable.
    void verdict(const QString& key, bool reachable, const QString& reason);

private:
    class Probe;
    struct Unreachable {
        ReachTarget target;
        qint64 due; // steady ms
    };
    void startWaiting();
    void finished(Probe* probe, bool reachable, const QString& reason);
    void armRecheck();

    bool m_allowLoopback = false;
    int m_timeoutMs = kProbeTimeoutMs;
    int m_recheckMs = kRecheckMs;
    quint64 m_nextGen = 1;
    QHash<QString, quint64> m_gen; // key → the check whose verdict counts
    QStringList m_queue;
    QHash<QString, ReachTarget> m_waiting;
    QList<Probe*> m_running;
    QHash<QString, Unreachable> m_unreachable;
    QTimer m_recheck; // single shot, armed only while some table did not answer
};

// The reason a target cannot even be tried, or empty when it can.
QString unusableAddress(const QString& address, bool allowLoopback);

} // namespace lobbybot
