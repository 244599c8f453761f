#include "lobbybot/reachprober.h"

#include <QHostAddress>
#include <QPointer>
#include <QTcpSocket>
#include <chrono>

namespace lobbybot {

namespace {

qint64 nowMs() {
    using namespace std::chrono;
    return qint64(duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count());
}

QString endpoint(const QString& address, quint16 port) {
    return address.contains(QLatin1Char(':')) ? QStringLiteral("[%1]:%2").arg(address).arg(port)
                                              : QStringLiteral("%1:%2").arg(address).arg(port);
}

// The game's first message to anyone who connects: a login request or "table full".
enum class Greeting { Incomplete, Game, NotGame };
Greeting readGreeting(const QByteArray& bytes) {
    const qsizetype end = bytes.indexOf(char(0xFF));
    if (end < 0) return bytes.size() >= kMaxGreeting ? Greeting::NotGame : Greeting::Incomplete;
    const QByteArray message = bytes.left(end);
    if (message == "CMD_full" || message.startsWith("CMD_sendlogininfo+")) return Greeting::Game;
    return Greeting::NotGame;
}

} // namespace

QString unusableAddress(const QString& address, bool allowLoopback) {
    QHostAddress a(address);
    if (a.isNull()) return QStringLiteral("not an address");
    bool mapped = false;
    const quint32 v4 = a.toIPv4Address(&mapped);
    if (mapped) a = QHostAddress(v4); // ::ffff:127.0.0.1 is loopback too
    if (a.isMulticast() || a.isBroadcast() || a == QHostAddress::AnyIPv4 ||
        a == QHostAddress::AnyIPv6)
        return QStringLiteral("not a table's address");
    if (a.isLoopback() && !allowLoopback) return QStringLiteral("a loopback address");
    return {};
}

// One check of one table: each address in turn until one greets.
class ReachProber::Probe : public QObject {
public:
    Probe(const QString& key, quint64 gen, const ReachTarget& t, bool allowLoopback, int timeoutMs,
          ReachProber* owner)
        : key(key), gen(gen), target(t), m_owner(owner), m_timeoutMs(timeoutMs) {
        for (const QString& a : {t.ipv4, t.ipv6}) {
            if (a.isEmpty()) continue;
            const QString bad = unusableAddress(a, allowLoopback);
            if (bad.isEmpty())
                m_addresses << a;
            else
                m_reasons << QStringLiteral("%1: %2").arg(endpoint(a, t.port), bad);
        }
        m_deadline.setSingleShot(true);
        connect(&m_deadline, &QTimer::timeout, this, [this] {
            fail(QStringLiteral("no answer from %1").arg(endpoint(m_current, m_port)));
        });
    }

    void start() { next(); }

    const QString key;
    const quint64 gen;
    const ReachTarget target;

private:
    void next() {
        if (m_addresses.isEmpty()) {
            // Reported from the event loop, never from inside check() or a socket's signal.
            QTimer::singleShot(0, this, [this] {
                m_owner->finished(this, false, m_reasons.join(QStringLiteral("; ")));
            });
            return;
        }
        m_current = m_addresses.takeFirst();
        m_bytes.clear();
        m_socket = new QTcpSocket(this);
        m_socket->setReadBufferSize(kMaxGreeting);
        connect(m_socket, &QTcpSocket::readyRead, this, &Probe::read);
        connect(m_socket, &QTcpSocket::errorOccurred, this, &Probe::socketError);
        m_socket->connectToHost(QHostAddress(m_current), m_port);
        m_deadline.start(m_timeoutMs);
    }

    void read() {
        m_bytes += m_socket->read(kMaxGreeting - m_bytes.size());
        switch (readGreeting(m_bytes)) {
        case Greeting::Incomplete:
            return;
        case Greeting::Game:
            drop();
            QTimer::singleShot(0, this, [this] { m_owner->finished(this, true, {}); });
            return;
        case Greeting::NotGame:
            fail(QStringLiteral("not a game at %1").arg(endpoint(m_current, m_port)));
            return;
        }
    }

    void socketError(QAbstractSocket::SocketError e) {
        const QString at = endpoint(m_current, m_port);
        switch (e) {
        case QAbstractSocket::ConnectionRefusedError:
            fail(QStringLiteral("connection refused by %1").arg(at));
            return;
        case QAbstractSocket::RemoteHostClosedError:
            fail(QStringLiteral("%1 closed without a greeting").arg(at));
            return;
        case QAbstractSocket::NetworkError:
        case QAbstractSocket::HostNotFoundError:
            fail(QStringLiteral("no route to %1").arg(at));
            return;
        default:
            fail(QStringLiteral("could not connect to %1").arg(at));
        }
    }

    void fail(const QString& reason) {
        drop();
        m_reasons << reason;
        next();
    }

    // The socket goes later: this may run inside one of its own signals.
    void drop() {
        m_deadline.stop();
        if (!m_socket) return;
        m_socket->disconnect(this);
        m_socket->abort();
        m_socket->deleteLater();
        m_socket = nullptr;
    }

    ReachProber* m_owner;
    int m_timeoutMs;
    quint16 m_port = target.port;
    QStringList m_addresses;
    QStringList m_reasons;
    QString m_current;
    QByteArray m_bytes;
    QTcpSocket* m_socket = nullptr;
    QTimer m_deadline;
};

ReachProber::ReachProber(QObject* parent) : QObject(parent) {
    m_recheck.setSingleShot(true);
    connect(&m_recheck, &QTimer::timeout, this, &ReachProber::recheckDue);
}

ReachProber::~ReachProber() = default; // the probes are children

void ReachProber::setTimings(int timeoutMs, int recheckMs) {
    m_timeoutMs = timeoutMs;
    m_recheckMs = recheckMs;
}

void ReachProber::check(const QString& key, const ReachTarget& target) {
    m_gen[key] = m_nextGen++;
    m_unreachable.remove(key);
    if (!m_waiting.contains(key)) m_queue.append(key);
    m_waiting[key] = target;
    armRecheck();
    startWaiting();
}

void ReachProber::forget(const QString& key) {
    m_gen.remove(key);
    m_unreachable.remove(key);
    if (m_waiting.remove(key)) m_queue.removeAll(key);
    armRecheck();
}

void ReachProber::startWaiting() {
    while (m_running.size() < kProbesAtOnce && !m_queue.isEmpty()) {
        const QString key = m_queue.takeFirst();
        const ReachTarget target = m_waiting.take(key);
        auto* probe = new Probe(key, m_gen.value(key), target, m_allowLoopback, m_timeoutMs, this);
        probe->setParent(this);
        m_running.append(probe);
        probe->start();
    }
}

void ReachProber::finished(Probe* probe, bool reachable, const QString& reason) {
    m_running.removeOne(probe);
    probe->deleteLater();
    const QString key = probe->key;
    // A newer check for the key, or a table that went meanwhile: this verdict is stale.
    const bool current = m_gen.value(key) == probe->gen && !m_waiting.contains(key);
    if (current) {
        if (!reachable) {
            // Rechecked later with the target it was checked at.
            m_unreachable.insert(key, {probe->target, nowMs() + m_recheckMs});
        }
        armRecheck();
        emit verdict(key, reachable, reason);
    }
    startWaiting();
}

void ReachProber::recheckDue() {
    const qint64 now = nowMs();
    QList<QPair<QString, ReachTarget>> due;
    for (auto it = m_unreachable.cbegin(); it != m_unreachable.cend(); ++it)
        if (it->due <= now) due.append({it.key(), it->target});
    for (const auto& [key, target] : due)
        check(key, target);
    armRecheck();
}

void ReachProber::armRecheck() {
    if (m_unreachable.isEmpty()) {
        m_recheck.stop();
        return;
    }
    qint64 earliest = -1;
    for (const Unreachable& u : m_unreachable)
        if (earliest < 0 || u.due < earliest) earliest = u.due;
    m_recheck.start(int(std::max<qint64>(0, earliest - nowMs())));
}

} // namespace lobbybot
