// The reachability check against real listeners on loopback: one that greets like the
// game, one that stays silent, a port nobody holds, and one that sends something else.
#include "lobbybot/reachprober.h"

#include <QDeadlineTimer>
#include <QSignalSpy>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTest>

using namespace lobbybot;

namespace {

// A listener on loopback (port 0) that answers every connection with `greeting`, and
// keeps what it received so a test sees that the check sent nothing.
class Listener : public QTcpServer {
public:
    explicit Listener(QByteArray greeting, const QHostAddress& at = QHostAddress::LocalHost)
        : m_greeting(std::move(greeting)) {
        listen(at, 0);
        connect(this, &QTcpServer::newConnection, this, [this] {
            while (QTcpSocket* s = nextPendingConnection()) {
                ++accepted;
                connect(s, &QTcpSocket::readyRead, this, [this, s] { received += s->readAll(); });
                if (!m_greeting.isEmpty()) s->write(m_greeting);
            }
        });
    }
    int accepted = 0;
    QByteArray received;

private:
    QByteArray m_greeting;
};

quint16 closedPort() {
    QTcpServer s;
    s.listen(QHostAddress::LocalHost, 0);
    return s.serverPort(); // closed again when `s` goes
}

struct Verdict {
    bool reachable = false;
    QString reason;
};

// Waits for the one verdict about `key`.
Verdict verdictOf(QSignalSpy& spy, const QString& key) {
    QDeadlineTimer deadline(15000);
    for (;;) {
        for (const QList<QVariant>& v : std::as_const(spy))
            if (v.at(0).toString() == key) return {v.at(1).toBool(), v.at(2).toString()};
        if (deadline.hasExpired() || !spy.wait(int(deadline.remainingTime())))
            return {false, QStringLiteral("(no verdict)")};
    }
}

} // namespace

class TstReachProber : public QObject {
    Q_OBJECT
private slots:
    void greetingOrFullIsAGame();
    void silenceRefusalAndGarbageAreNotReachable();
    void loopbackOnlyOnALoopbackLobby();
    void triesIpv6WhenIpv4DoesNotAnswer();
    void fewChecksAtOnceAndNewestWins();
    void recheckRunsOnlyWhileSomeTableDidNotAnswer();
};

void TstReachProber::greetingOrFullIsAGame() {
    Listener login(QByteArray("CMD_sendlogininfo+2\xff", 20));
    Listener full(QByteArray("CMD_full\xff", 9));
    ReachProber prober;
    prober.setAllowLoopback(true);
    QSignalSpy spy(&prober, &ReachProber::verdict);
    prober.check(QStringLiteral("t1"), {QStringLiteral("127.0.0.1"), {}, login.serverPort()});
    prober.check(QStringLiteral("t2"), {QStringLiteral("127.0.0.1"), {}, full.serverPort()});
    const Verdict a = verdictOf(spy, QStringLiteral("t1"));
    QVERIFY2(a.reachable, qPrintable(a.reason));
    QVERIFY(verdictOf(spy, QStringLiteral("t2")).reachable);
    QTRY_COMPARE(prober.running(), 0);
    QVERIFY(login.received.isEmpty()); // the check only listens
    QVERIFY(!prober.recheckArmed());
}

void TstReachProber::silenceRefusalAndGarbageAreNotReachable() {
    Listener silent({});
    Listener web("HTTP/1.1 200 OK\r\nServer: x\r\n\r\n" + QByteArray(4000, 'A'));
    Listener almost(QByteArray("CMD_sendlogininfo+1", 19) + QByteArray(100, '1')); // no 0xFF
    Listener spoof(QByteArray("CMD_chat+hello\xff", 15));
    ReachProber prober;
    prober.setAllowLoopback(true);
    prober.setTimings(400, kRecheckMs);
    QSignalSpy spy(&prober, &ReachProber::verdict);
    const QString lo = QStringLiteral("127.0.0.1");
    prober.check(QStringLiteral("silent"), {lo, {}, silent.serverPort()});
    prober.check(QStringLiteral("refused"), {lo, {}, closedPort()});
    prober.check(QStringLiteral("web"), {lo, {}, web.serverPort()});
    prober.check(QStringLiteral("almost"), {lo, {}, almost.serverPort()});
    prober.check(QStringLiteral("spoof"), {lo, {}, spoof.serverPort()});
    const Verdict s = verdictOf(spy, QStringLiteral("silent"));
    QVERIFY(!s.reachable);
    QVERIFY2(s.reason.startsWith(QLatin1String("no answer from 127.0.0.1:")), qPrintable(s.reason));
    const Verdict r = verdictOf(spy, QStringLiteral("refused"));
    QVERIFY2(r.reason.startsWith(QLatin1String("connection refused")), qPrintable(r.reason));
    for (const char* key : {"web", "almost", "spoof"}) {
        const Verdict g = verdictOf(spy, QString::fromLatin1(key));
        QVERIFY(!g.reachable);
        QVERIFY2(g.reason.startsWith(QLatin1String("not a game")), qPrintable(g.reason));
    }
    QCOMPARE(silent.accepted, 1);
    QVERIFY(silent.received.isEmpty());
    QVERIFY(prober.recheckArmed());
}

void TstReachProber::loopbackOnlyOnALoopbackLobby() {
    Listener login(QByteArray("CMD_sendlogininfo+2\xff", 20));
    ReachProber prober; // loopback not allowed: a public lobby
    QSignalSpy spy(&prober, &ReachProber::verdict);
    const quint16 port = login.serverPort();
    prober.check(QStringLiteral("t1"), {QStringLiteral("127.0.0.1"), {}, port});
    prober.check(QStringLiteral("t2"), {{}, QStringLiteral("::ffff:127.0.0.1"), port});
    prober.check(QStringLiteral("t3"), {QStringLiteral("224.0.0.1"), QStringLiteral("::"), port});
    QVERIFY(verdictOf(spy, QStringLiteral("t1")).reason.contains(QLatin1String("loopback")));
    QVERIFY(verdictOf(spy, QStringLiteral("t2")).reason.contains(QLatin1String("loopback")));
    const Verdict v = verdictOf(spy, QStringLiteral("t3"));
    QVERIFY(!v.reachable);
    QVERIFY2(v.reason.contains(QLatin1String("not a table's address")), qPrintable(v.reason));
    QCOMPARE(login.accepted, 0);
}

void TstReachProber::triesIpv6WhenIpv4DoesNotAnswer() {
    Listener six(QByteArray("CMD_sendlogininfo+1\xff", 20), QHostAddress::LocalHostIPv6);
    if (!six.isListening()) QSKIP("no IPv6 loopback here");
    ReachProber prober;
    prober.setAllowLoopback(true);
    QSignalSpy spy(&prober, &ReachProber::verdict);
    // Nothing holds the port on IPv4 loopback, so the IPv4 attempt is refused.
    prober.check(QStringLiteral("t1"),
                 {QStringLiteral("127.0.0.1"), QStringLiteral("::1"), six.serverPort()});
    const Verdict v = verdictOf(spy, QStringLiteral("t1"));
    QVERIFY2(v.reachable, qPrintable(v.reason));
}

void TstReachProber::fewChecksAtOnceAndNewestWins() {
    Listener silent({});
    Listener login(QByteArray("CMD_sendlogininfo+2\xff", 20));
    ReachProber prober;
    prober.setAllowLoopback(true);
    prober.setTimings(300, kRecheckMs);
    QSignalSpy spy(&prober, &ReachProber::verdict);
    const QString lo = QStringLiteral("127.0.0.1");
    for (int i = 0; i < 10; ++i)
        prober.check(QStringLiteral("t%1").arg(i), {lo, {}, silent.serverPort()});
    QCOMPARE(prober.running(), kProbesAtOnce);
    QCOMPARE(prober.waiting(), 10 - kProbesAtOnce);
    // t0 moves while its check runs: only the check of its new address counts.
    prober.check(QStringLiteral("t0"), {lo, {}, login.serverPort()});
    // t9 goes before its turn comes.
    prober.forget(QStringLiteral("t9"));
    QTRY_COMPARE_WITH_TIMEOUT(prober.running() + prober.waiting(), 0, 10000);
    QList<QString> keys;
    for (const QList<QVariant>& v : std::as_const(spy))
        keys << v.at(0).toString();
    QCOMPARE(keys.count(QStringLiteral("t0")), 1);
    QVERIFY(verdictOf(spy, QStringLiteral("t0")).reachable);
    QCOMPARE(keys.count(QStringLiteral("t9")), 0);
    QCOMPARE(keys.size(), 9);
}

void TstReachProber::recheckRunsOnlyWhileSomeTableDidNotAnswer() {
    Listener silent({});
    ReachProber prober;
    prober.setAllowLoopback(true);
    prober.setTimings(200, 300);
    QSignalSpy spy(&prober, &ReachProber::verdict);
    prober.check(QStringLiteral("t1"), {QStringLiteral("127.0.0.1"), {}, silent.serverPort()});
    QVERIFY(spy.wait(5000));
    QVERIFY(prober.recheckArmed());
    // The recheck connects again by itself.
    QTRY_COMPARE_WITH_TIMEOUT(silent.accepted, 2, 5000);
    prober.forget(QStringLiteral("t1"));
    QVERIFY(!prober.recheckArmed());
}

QTEST_GUILESS_MAIN(TstReachProber)
#include "tst_reachprober.moc"
