// The host's abuse limits: a connection that floods its queue is closed through the
// one teardown path, chat and action lines are rationed per connection, and what a
// closed connection left waiting never speaks for the record's next occupant.
#include "serverharness.h"

#include <QTest>

namespace {

QString chatFrom(int record, int n) {
    return QStringLiteral("CMD_chat+%1+line %2|clBlack").arg(record).arg(n);
}

int countStarting(const QStringList& list, const QString& prefix) {
    int n = 0;
    for (const QString& s : list)
        n += s.startsWith(prefix) ? 1 : 0;
    return n;
}

} // namespace

class TestServerLimits : public QObject {
    Q_OBJECT
private slots:
    void floodingConnectionIsClosedOnce();
    void honestBacklogIsKept();
    void chatLinesAreRationedPerConnection();
    void leftoversDoNotSpeakForTheNextConnection();
    void requestsEveryoneHearsAreRationed();
    void silentConnectionIsClosedAtTheLogInDeadline();
};

void TestServerLimits::floodingConnectionIsClosedOnce() {
    Host h;
    h.join(QStringLiteral("Ann"));
    h.join(QStringLiteral("Bob"));
    h.join(QStringLiteral("Cid"));
    h.link.clear();

    for (int i = 0; i < server::kMaxWaiting; ++i)
        h.server.received(2, chatFrom(2, i));
    QVERIFY(h.server.record(2).connected);
    QCOMPARE(h.server.queue().pendingFrom(2), server::kMaxWaiting);

    h.server.received(2, chatFrom(2, 64)); // one more than any honest client
    QVERIFY(!h.server.record(2).connected);
    QCOMPARE(h.link.closed, QList<int>{2});
    QCOMPARE(h.server.queue().pendingFrom(2), 0);
    // The rest of the same read, and a late departure, change nothing more.
    h.server.received(2, chatFrom(2, 65));
    h.link.depart(2);
    h.drain();

    for (int r : {1, 3})
        QCOMPARE(texts(h.link.take(r)),
                 QStringList{QStringLiteral("CMD_playerdisconnected+2+Bob")});
    QVERIFY(h.link.sent.isEmpty()); // none of the flood was relayed
}

void TestServerLimits::honestBacklogIsKept() {
    // Several busy connections together stay within their own allowance.
    Host h;
    h.join(QStringLiteral("Ann"));
    h.join(QStringLiteral("Bob"));
    h.link.clear();
    for (int i = 0; i < server::kMaxWaiting; ++i) {
        h.server.received(1, QStringLiteral("CMD_botspeed+1+%1+").arg(500 + i));
        h.server.received(2, QStringLiteral("CMD_justwatch+2+2"));
    }
    QVERIFY(h.server.record(1).connected && h.server.record(2).connected);
    h.drain();
    QCOMPARE(h.server.botinterval(), 500 + server::kMaxWaiting - 1);
    // All handled; what everyone hears of them is rationed (see below).
    QCOMPARE(countStarting(texts(h.link.take(1)), "CMD_justwatching+2+2"), wire::kRequestBurst);
    QVERIFY(h.link.closed.isEmpty());
}

void TestServerLimits::chatLinesAreRationedPerConnection() {
    Host h;
    qint64 now = 1000;
    h.server.setClock([&now] { return now; });
    h.join(QStringLiteral("Ann"));
    h.join(QStringLiteral("Bob"));
    h.link.clear();

    // Chat and action share one allowance of kLineBurst lines per window.
    for (int i = 0; i < 8; ++i)
        h.server.received(1, chatFrom(1, i));
    for (int i = 0; i < 4; ++i)
        h.server.received(1, QStringLiteral("CMD_action+1+waves %1|clRed").arg(i));
    // A spoofed line naming record 1 is dropped before it can use up Ann's allowance.
    h.server.received(2, chatFrom(1, 99));
    h.server.received(2, chatFrom(2, 0));
    h.drain();
    QStringList seen = texts(h.link.take(2));
    QCOMPARE(countStarting(seen, "CMD_chat+Ann chats: "), 8);
    QCOMPARE(countStarting(seen, "CMD_action+Ann waves"), 2);
    QVERIFY(!seen.contains(QStringLiteral("CMD_chat+Ann chats: line 99|clBlack")));
    QCOMPARE(countStarting(seen, "CMD_chat+Bob chats: "), 1); // Bob has his own allowance
    QVERIFY(h.server.record(1).connected); // dropping lines is all the limit does

    now += server::kLineWindowMs - 1;
    h.send(1, chatFrom(1, 10).toUtf8());
    QVERIFY(h.link.take(2).isEmpty());
    now += 1; // the first lines leave the window
    h.send(1, chatFrom(1, 11).toUtf8());
    QCOMPARE(texts(h.link.take(2)), QStringList{"CMD_chat+Ann chats: line 11|clBlack"});
}

void TestServerLimits::leftoversDoNotSpeakForTheNextConnection() {
    Host h;
    h.join(QStringLiteral("Ann"));
    h.join(QStringLiteral("Bob"));
    h.server.received(2, chatFrom(2, 1));
    h.server.received(2, QStringLiteral("CMD_justwatch+2+2"));
    h.link.depart(2);
    // Nothing arrives from a record without a connection.
    h.server.received(2, chatFrom(2, 2));
    QCOMPARE(h.server.queue().pendingFrom(2), 2);

    QCOMPARE(h.connectOne(), 2); // Cid takes Bob's record before the queue got there
    QCOMPARE(h.server.queue().pendingFrom(2), 0);
    h.link.clear();
    h.send(2, "CMD_logininfo+2+1.0.7+Cid");
    h.send(2, chatFrom(2, 3).toUtf8());
    QCOMPARE(texts(h.link.take(1)),
             QStringList({"CMD_newplayerinfo+2+Cid", "CMD_chat+Cid chats: line 3|clBlack"}));
}

void TestServerLimits::requestsEveryoneHearsAreRationed() {
    Host h;
    qint64 now = 1000;
    h.server.setClock([&now] { return now; });
    h.join(QStringLiteral("Ann"));
    h.join(QStringLiteral("Bob"));
    h.link.clear();
    for (int i = 0; i < 3 * wire::kRequestBurst; ++i)
        h.server.received(2, QStringLiteral("CMD_justwatch+2+2"));
    h.drain();
    QCOMPARE(countStarting(texts(h.link.take(1)), "CMD_justwatching+2+2"), wire::kRequestBurst);
    // Bob's chat has an allowance of its own, and the window moves on.
    h.send(2, chatFrom(2, 1).toUtf8());
    QCOMPARE(texts(h.link.take(1)), QStringList{"CMD_chat+Bob chats: line 1|clBlack"});
    now += server::kLineWindowMs;
    h.send(2, framed("CMD_justwatch+2+2"));
    QCOMPARE(texts(h.link.take(1)), QStringList{"CMD_justwatching+2+2"});
}

void TestServerLimits::silentConnectionIsClosedAtTheLogInDeadline() {
    Host h;
    qint64 now = 1000;
    h.server.setClock([&now] { return now; });
    QStringList log;
    h.server.setEventLog([&log](const QString& line) { log << line; });
    QVERIFY(!h.server.logintimer().isActive()); // nobody waits: no timer
    h.join(QStringLiteral("Ann"));
    now += 4000;
    const int silent = h.connectOne();
    QVERIFY(h.server.logintimer().isActive());
    now += server::kLoginDeadlineMs - 1;
    h.server.logintimerTimer();
    QVERIFY(h.server.record(silent).connected);
    QVERIFY(h.server.logintimer().isActive());
    h.link.clear();
    now += 1;
    h.server.logintimerTimer();
    QCOMPARE(h.link.closed, QList<int>{silent});
    // Nobody heard of its arrival, so nobody hears of its departure.
    QCOMPARE(texts(h.link.take(1)), QStringList{});
    QVERIFY(log.contains(QStringLiteral("record 2 closed: no log-in within 10 s")));
    QVERIFY(h.server.record(1).connected);
    QVERIFY(!h.server.logintimer().isActive());
}

QTEST_MAIN(TestServerLimits)
#include "tst_serverlimits.moc"
