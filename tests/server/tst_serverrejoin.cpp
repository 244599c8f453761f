// Coming back after a drop: the seat waits for its player while the computer plays it,
// and only the secret the host gave that player opens it again.
#include "serverharness.h"

#include <QtTest>

namespace {

QByteArray tokenOf(Host& h, int record) {
    const QByteArrayList sent = h.link.tokens.value(record);
    if (sent.isEmpty()) return {};
    QByteArray t = sent.last().mid(int(qstrlen("CMD_seattoken+")));
    t.chop(1);
    return t;
}

// Ann (1), Bob (2) and Cid (3) at the table, a game running, Ann's first turn scored
// and passed: Bob's turn, before his first roll.
void seatThree(Host& h) {
    h.join(QStringLiteral("Ann"));
    h.join(QStringLiteral("Bob"));
    h.join(QStringLiteral("Cid"));
    h.send(1, framed("CMD_botspeed+1+1000+"));
    h.send(1, framed("CMD_startgame+Ann+0+0+f+"));
    // Two sets of three: 1 1 1 and 2 2 2 on dice 5..10.
    h.script({1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 2, 2, 2, 2, 2, 2, 2, 2, 2, 2, 1, 1, 1, 2, 2, 2});
    h.send(1, framed("CMD_rollthedice+1+5+6+7+8+9+10"));
    h.send(1, framed("CMD_alldone+1+5+6+7+8+9+10"));
    h.finishPause();
    h.link.clear();
}

// A new connection logs in as Bob and presents `token`; returns its record.
int comeBack(Host& h, const QByteArray& token) {
    const int r = h.join(QStringLiteral("Bob"));
    h.send(r, "CMD_rejoin+" + QByteArray::number(r) + '+' + token);
    return r;
}

} // namespace

class TestServerRejoin : public QObject {
    Q_OBJECT
private slots:
    void dropAndReturnAtEveryPointOfATurn_data();
    void dropAndReturnAtEveryPointOfATurn();
    void tokensThatOpenNothing();
    void reconnectLimitAndRemoval();
    void returnFromTheNewSeatsTurnPassesIt();
    void returningRecordOneGetsItsPowersBack();
    void aNamesakeWithoutTheSecretIsANewcomer();
};

void TestServerRejoin::dropAndReturnAtEveryPointOfATurn_data() {
    QTest::addColumn<QString>("when");
    QTest::addColumn<bool>("ownTurnGoesOn"); // the computer finishes Bob's turn
    QTest::newRow("before his first roll") << "first" << true;
    QTest::newRow("between his rolls") << "between" << true;
    QTest::newRow("in the pause after his turn") << "pause" << false;
    QTest::newRow("during another seat's turn") << "other" << false;
}

void TestServerRejoin::dropAndReturnAtEveryPointOfATurn() {
    QFETCH(QString, when);
    QFETCH(bool, ownTurnGoesOn);
    Host h;
    seatThree(h);
    const QByteArray token = tokenOf(h, 2);
    QCOMPARE(token.size(), 32);
    if (when == "between") h.send(2, framed("CMD_rollthedice+2+1+2+3+4+5+6+7+8+9+10"));
    if (when == "pause" || when == "other") h.send(2, framed("CMD_alldone+2+none"));
    if (when == "other") h.finishPause();
    const int current = h.server.currentseat();
    const int rolls = h.server.rollno();
    const int bobScore = h.server.record(2).score;
    h.link.clear();

    h.link.depart(2);
    QCOMPARE(texts(h.link.take(1)), QStringList({"CMD_playerdisconnected+2+Bob", "CMD_seatheld+2+Bob"}));
    QVERIFY(h.server.record(2).held && h.server.takesPart(2) && h.server.playedByComputer(2));
    QCOMPARE(h.server.computertimer().isActive(), ownTurnGoesOn);
    QCOMPARE(h.server.currentseat(), current);

    // Bob's new connection gets a spectator's record first, then his seat back.
    h.link.clear();
    const int r = comeBack(h, token);
    QCOMPARE(r, 4);
    QCOMPARE(h.link.moved, (QList<QPair<int, int>>{{4, 2}}));
    // The connection he came in by (record 4) was never announced: he learns who is
    // here once he is back in his seat, and the others hear of him only there.
    const QStringList bob = texts(h.link.take(2));
    QCOMPARE(bob.mid(0, 4),
             QStringList({"CMD_rejoined+2", "CMD_newplayerinfo+2+Bob", "CMD_existingplayers+1+Ann",
                          "CMD_existingplayers+3+Cid"}));
    // The game as it stands: whose turn, Bob's phase and the totals, his own among them.
    const QString stats = QStringLiteral("CMD_loadstats+2+%1+1+1+%2+30+%3+0+0+").arg(current).arg(rolls).arg(bobScore);
    QVERIFY2(bob.value(4).startsWith(stats), qPrintable(bob.value(4)));
    QCOMPARE(bob.value(5), QStringLiteral("CMD_loadpscores+2+1+1+30"));
    QStringList others{"CMD_newplayerinfo+2+Bob"};
    if (!ownTurnGoesOn) others << "CMD_justwatching+2+2";
    QCOMPARE(texts(h.link.take(1)), others);
    QCOMPARE(texts(h.link.take(3)), others);
    QCOMPARE(bob.mid(6), ownTurnGoesOn ? QStringList() : QStringList{"CMD_justwatching+2+2"});
    QVERIFY(!h.server.record(2).held && h.server.record(2).connected && !h.server.record(4).connected);
    QCOMPARE(h.server.record(2).score, bobScore);
    QCOMPARE(h.server.record(2).phase, 1);
    QVERIFY(tokenOf(h, 2) != token); // a fresh secret; the old one is spent

    // The turn in progress is the computer's to finish; from the next, Bob plays.
    if (ownTurnGoesOn) {
        QVERIFY(h.server.record(2).computer);
        for (int steps = 0; steps < 20 && h.server.currentseat() == 2 && !h.server.timer1().isActive(); ++steps)
            h.server.computertimerTimer();
        h.finishPause();
        QVERIFY(texts(h.link.take(1)).contains("CMD_justwatching+2+2"));
    }
    QVERIFY(!h.server.record(2).computer);
    h.finishPause();
    while (h.server.currentseat() != 2) {
        h.send(h.server.currentseat(), framed("CMD_alldone+" + QByteArray::number(h.server.currentseat()) + "+none"));
        h.finishPause();
    }
    QVERIFY(!h.server.computertimer().isActive());
    h.send(2, framed("CMD_rollthedice+2+1+2"));
    QCOMPARE(h.server.rollno(), 1);
}

void TestServerRejoin::tokensThatOpenNothing() {
    Host h;
    seatThree(h);
    const QByteArray stale = tokenOf(h, 2);
    // A new game: every seated player gets a new secret; the old ones open nothing.
    h.send(1, framed("CMD_startgame+Ann+0+0+f+"));
    const QByteArray fresh = tokenOf(h, 2);
    QVERIFY(fresh != stale && fresh.size() == 32);
    h.link.depart(2);

    for (const QByteArray& wrong : {stale, QByteArray("0123456789abcdef0123456789abcdef"), QByteArray("xyz")}) {
        h.link.clear();
        const int r = comeBack(h, wrong);
        QVERIFY(h.link.moved.isEmpty());
        QVERIFY(h.server.record(r).connected && h.server.record(2).held);
        QVERIFY(!texts(h.link.take(r)).contains(QStringLiteral("CMD_rejoined+2")));
        h.link.depart(r);
    }
    // Two connections present one secret: the first is back, the second stays a spectator.
    const int first = h.join(QStringLiteral("Bob"));
    const int second = h.join(QStringLiteral("Bob"));
    h.link.clear();
    h.send(first, "CMD_rejoin+" + QByteArray::number(first) + '+' + fresh);
    h.send(second, "CMD_rejoin+" + QByteArray::number(second) + '+' + fresh);
    QCOMPARE(h.link.moved, (QList<QPair<int, int>>{{first, 2}}));
    QVERIFY(h.server.record(second).connected);
    QCOMPARE(h.server.record(2).name, QStringLiteral("Bob"));
}

void TestServerRejoin::reconnectLimitAndRemoval() {
    Host h;
    seatThree(h);
    for (int back = 0; back < server::HeldSeats::kMaxReturns; ++back) {
        h.link.depart(2);
        QVERIFY(h.server.record(2).held);
        comeBack(h, tokenOf(h, 2));
        QVERIFY(h.server.record(2).connected);
    }
    // The sixth drop in ten minutes: not held, the seat is free.
    h.link.clear();
    h.link.depart(2);
    const QStringList sixth = texts(h.link.take(1));
    QCOMPARE(sixth.value(0), QStringLiteral("CMD_playerdisconnected+2+Bob"));
    QVERIFY(!sixth.contains(QStringLiteral("CMD_seatheld+2+Bob")));
    QVERIFY(!h.server.record(2).held && h.server.record(2).name.isEmpty());

    // Cid drops and is held; record 1 gives his seat up; his secret opens nothing now.
    const QByteArray cid = tokenOf(h, 3);
    h.link.depart(3);
    QVERIFY(h.server.record(3).held);
    h.link.clear();
    h.send(1, framed("CMD_kickhim+1+3+"));
    QCOMPARE(texts(h.link.take(1)), QStringList({"CMD_removed+3+Cid", "CMD_seatheld+3+"}));
    QVERIFY(!h.server.record(3).held && h.server.record(3).name.isEmpty());
    const int r = h.join(QStringLiteral("Cid"));
    QCOMPARE(r, 2); // the lowest free record
    h.send(r, "CMD_rejoin+" + QByteArray::number(r) + '+' + cid);
    QVERIFY(h.link.moved.size() == 5); // only Bob's five returns
}

void TestServerRejoin::returnFromTheNewSeatsTurnPassesIt() {
    Host h;
    seatThree(h);
    QStringList log;
    h.server.setEventLog([&log](const QString& line) { log << line; });
    const QByteArray cid = tokenOf(h, 3);
    h.link.depart(3);
    // Cid is back on a new connection, record 4, which takes part, under a name that
    // a chained format would have garbled.
    const int r = h.join(QStringLiteral("Cid%3"));
    QCOMPARE(r, 4);
    for (int guard = 0; guard < 40 && h.server.currentseat() != 4; ++guard) {
        const int seat = h.server.currentseat();
        if (h.server.playedByComputer(seat))
            h.server.computertimerTimer();
        else
            h.send(seat, "CMD_alldone+" + QByteArray::number(seat) + "+none");
        h.finishPause();
    }
    QCOMPARE(h.server.currentseat(), 4);
    h.link.clear();
    // Presented during record 4's own turn: the turn goes on to the next seat.
    h.send(4, "CMD_rejoin+4+" + cid);
    QCOMPARE(h.link.moved, (QList<QPair<int, int>>{{4, 3}}));
    QCOMPARE(texts(h.link.take(1)),
             QStringList({"CMD_playerdisconnected+4+Cid%3", "CMD_newplayerinfo+3+Cid%3",
                          "CMD_justwatching+3+2", "CMD_nextplayer+1+2+2+"}));
    QCOMPARE(h.server.currentseat(), 1);
    QVERIFY(log.contains(QStringLiteral("record 4 (Cid%3) is back in seat 3")));
}

void TestServerRejoin::returningRecordOneGetsItsPowersBack() {
    Host h;
    h.server.setDedicated(true);
    h.join(QStringLiteral("Ann"));
    h.join(QStringLiteral("Bob"));
    QCOMPARE(texts(h.link.take(1)).count(QStringLiteral("CMD_hostpowers+")), 1);
    h.send(1, framed("CMD_startgame+Ann+0+0+f+"));
    const QByteArray ann = tokenOf(h, 1);
    h.link.depart(1);
    QVERIFY(h.server.record(1).held);
    h.send(2, framed("CMD_justwatch+2+1"));
    const int r = h.join(QStringLiteral("Ann"));
    h.link.clear();
    h.send(r, "CMD_rejoin+" + QByteArray::number(r) + '+' + ann);
    QCOMPARE(h.link.moved, (QList<QPair<int, int>>{{r, 1}}));
    const QStringList back = texts(h.link.take(1));
    QCOMPARE(back.count(QStringLiteral("CMD_hostpowers+")), 1);
    // She sees the eyes on Bob's seat, as the others do.
    QVERIFY(back.contains(QStringLiteral("CMD_justwatching+2+1")));
}

void TestServerRejoin::aNamesakeWithoutTheSecretIsANewcomer() {
    qint64 now = 1000;
    Host h;
    h.server.setClock([&now] { return now; });
    seatThree(h);
    h.link.depart(2);
    h.link.clear();
    // Another "Bob" that presents no secret: the table hears of him once the wait is over.
    const int quiet = h.join(QStringLiteral("Bob"));
    QVERIFY(h.link.take(1).isEmpty());
    QCOMPARE(texts(h.link.take(quiet)), QStringList{"CMD_sendlogininfo+4"});
    QVERIFY(h.server.logintimer().isActive());
    now += server::kQuietArrivalMs;
    h.server.logintimerTimer();
    QCOMPARE(texts(h.link.take(1)), QStringList{"CMD_newplayerinfo+4+Bob"});
    QCOMPARE(texts(h.link.take(quiet)).mid(0, 2),
             QStringList({"CMD_newplayerinfo+4+Bob", "CMD_existingplayers+1+Ann"}));
    // One that speaks first is announced before his line; one that leaves unannounced
    // is never said to go.
    const int talker = h.join(QStringLiteral("Bob"));
    h.send(talker, framed("CMD_chat+5+hi|clBlack"));
    QCOMPARE(texts(h.link.take(1)),
             QStringList({"CMD_newplayerinfo+5+Bob", "CMD_chat+Bob chats: hi|clBlack"}));
    const int gone = h.join(QStringLiteral("Bob"));
    h.link.depart(gone);
    QVERIFY(h.link.take(1).isEmpty());
    QCOMPARE(h.server.tableCount().spectators, 1);
}

QTEST_GUILESS_MAIN(TestServerRejoin)
#include "tst_serverrejoin.moc"
