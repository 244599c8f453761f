// The seat table: connections, log-in, departures, removal, just watch, chat and
// bot speed, with the exact bytes each record receives.
#include "server/logtext.h"
#include "serverharness.h"

#include <QTest>

class TestServerSeats : public QObject {
    Q_OBJECT
private slots:
    void firstConnectionIsRecordOne();
    void loginAnnouncesInOrder();
    void loginRefusedForBadSeats();
    void oneLogInPerConnectionAndNothingBefore();
    void newcomerCatchesUpDuringGame();
    void tenthConnectionIsTurnedAway();
    void freedRecordIsReused();
    void departureIsAnnouncedOnce();
    void removalOnlyByRecordOne();
    void justWatchRelayAndLimits();
    void chatAndActionRelay();
    void botSpeedOnlyFromRecordOne();
    void botSkillOnlyFromRecordOne();
    void conversionErrorsReachTheSink();
    void logLinesAreCleanedAndRationed();
    void tableObserverHearsEachChangeOnce();
};

void TestServerSeats::firstConnectionIsRecordOne() {
    Host h;
    QCOMPARE(h.server.queue().timer().objectName(), QStringLiteral("socktimer"));
    QCOMPARE(h.server.queue().timer().interval(), 10);
    QCOMPARE(h.connectOne(), 1);
    QCOMPARE(h.server.recordcount(), 1);
    QCOMPARE(h.link.take(1), QByteArrayList{framed("CMD_sendlogininfo+1")});
    // Nothing waiting on the listener: nothing changes.
    h.server.Sock1Accept();
    QCOMPARE(h.server.recordcount(), 1);
    QVERIFY(h.link.sent.isEmpty());
}

void TestServerSeats::loginAnnouncesInOrder() {
    Host h;
    h.join(QStringLiteral("Ann"));
    h.join(QStringLiteral("Bob"));
    const int r = h.connectOne();
    QCOMPARE(r, 3);
    h.link.clear();
    h.send(3, framed("CMD_logininfo+3+0.9+Cid\ndy"));

    QCOMPARE(h.server.record(3).name, QStringLiteral("Ciddy"));
    QCOMPARE(texts(h.link.take(1)),
             QStringList({"CMD_newplayerinfo+3+Ciddy", "CMD_havewrongversion+Ciddy"}));
    QCOMPARE(texts(h.link.take(2)), QStringList({"CMD_newplayerinfo+3+Ciddy"}));
    QCOMPARE(texts(h.link.take(3)),
             QStringList({"CMD_newplayerinfo+3+Ciddy", "CMD_existingplayers+1+Ann",
                          "CMD_existingplayers+2+Bob", "CMD_wrongversion+"}));
    // No game runs: no catch-up.
    QVERIFY(h.link.sent.isEmpty());
}

void TestServerSeats::loginRefusedForBadSeats() {
    Host h;
    h.join(QStringLiteral("Ann"));
    h.connectOne();
    h.link.clear();
    h.send(2, framed("CMD_logininfo+0+1.0.7+Zero"));
    h.send(2, framed("CMD_logininfo+10+1.0.7+Ten"));
    h.send(2, framed("CMD_logininfo+1+1.0.7+Spoof")); // record 2 posing as record 1
    h.send(2, framed("CMD_logininfo+5+1.0.7+Ghost")); // a record nobody holds
    QVERIFY(h.link.sent.isEmpty());
    QCOMPARE(h.server.record(1).name, QStringLiteral("Ann"));
    QVERIFY(!h.server.record(5).connected);

    // A log-in still queued when its connection closed does not bring the record back.
    h.server.received(2, QStringLiteral("CMD_logininfo+2+1.0.7+Late"));
    h.link.depart(2);
    h.drain();
    QVERIFY(!h.server.record(2).connected);
    QVERIFY(h.server.record(2).name.isEmpty());
}

void TestServerSeats::oneLogInPerConnectionAndNothingBefore() {
    Host h;
    h.join(QStringLiteral("Ann"));
    const int r = h.connectOne();
    h.link.clear();
    // Until its log-in a connection is nobody: nothing else it sends is even read.
    for (const char* m : {"CMD_justwatch+2+2", "CMD_chat+2+hi|clBlack", "CMD_startgame+Eve+0+0+f+",
                          "CMD_action+x+y", "CMD_rejoin+2+abcd"})
        h.send(r, framed(m));
    QVERIFY(h.link.sent.isEmpty());
    QVERIFY(h.errors.isEmpty());
    QVERIFY(!h.server.gameon());

    // Its one log-in, with a name cut to the length every table keeps.
    const QString longName(wire::kMaxNameLength + 40, QLatin1Char('M'));
    h.send(r, "CMD_logininfo+2+1.0.7+" + longName.toUtf8());
    const QString kept = longName.left(wire::kMaxNameLength);
    QCOMPARE(h.server.record(r).name, kept);
    QCOMPARE(texts(h.link.take(1)), QStringList{"CMD_newplayerinfo+2+" + kept});
    h.link.clear();
    // Sent again, a log-in is heard by nobody.
    for (int i = 0; i < 5; ++i)
        h.send(r, "CMD_logininfo+2+1.0.7+" + longName.toUtf8());
    h.send(r, framed("CMD_logininfo+2+1.0.7+Bob"));
    QVERIFY(h.link.sent.isEmpty());
    QCOMPARE(h.server.record(r).name, kept);
}

void TestServerSeats::newcomerCatchesUpDuringGame() {
    Host h;
    h.join(QStringLiteral("Ann"));
    h.join(QStringLiteral("Bob"));
    h.join(QStringLiteral("Cid"));
    h.send(1, framed("CMD_startgame+Ann+0+0+f+"));
    // Seat 1: six 5s on dice 5..10 make phase 1 for 30.
    h.script({1, 1, 2, 2, 1, 1, 1, 1, 1, 1});
    h.send(1, framed("CMD_rollthedice+1+1+2+3+4+5+6+7+8+9+10"));
    h.send(1, framed("CMD_alldone+1+5+6+7+8+9+10"));
    h.finishPause();
    QCOMPARE(h.server.currentseat(), 2);
    // Seat 2 rolls dice 1 (face 6: a wild of colour 2) and 5 (face 3: 7 of colour 3).
    h.script({6, 3});
    h.send(2, framed("CMD_rollthedice+2+1+5"));

    // Bob leaves his seat to the computer. Seat 3 is removed (no seat waits for a
    // removed player); the newcomer takes it over and sees the game as it stands,
    // Bob's eyes included.
    h.send(2, framed("CMD_justwatch+2+1"));
    h.send(1, framed("CMD_kickhim+1+3+"));
    h.link.clear();
    QCOMPARE(h.join(QStringLiteral("Dan")), 3);
    QCOMPARE(
        texts(h.link.take(3)),
        QStringList({"CMD_sendlogininfo+3", "CMD_newplayerinfo+3+Dan", "CMD_existingplayers+1+Ann",
                     "CMD_existingplayers+2+Bob", "CMD_loadstats+3+2+1+1+1+30+0+0+0+1+0+2+5+7+3",
                     "CMD_loadpscores+3+1+1+30", "CMD_justwatching+2+1"}));
    // A spectator too.
    QCOMPARE(h.join(QStringLiteral("Eve")), 4);
    QCOMPARE(h.join(QStringLiteral("Fay")), 5);
    QCOMPARE(texts(h.link.take(5)).constLast(), QStringLiteral("CMD_justwatching+2+1"));
}

void TestServerSeats::tenthConnectionIsTurnedAway() {
    Host h;
    for (int i = 1; i <= 9; ++i)
        QCOMPARE(h.connectOne(), i);
    h.link.clear();
    QCOMPARE(h.connectOne(), 0);
    QCOMPARE(h.server.recordcount(), 9);
    QCOMPARE(h.link.take(10), QByteArrayList{framed("CMD_full+")});
    QCOMPARE(h.link.closed, QList<int>{10});
    QVERIFY(!h.server.record(10).connected);
    QVERIFY(h.link.sent.isEmpty());
}

void TestServerSeats::freedRecordIsReused() {
    Host h;
    for (int i = 0; i < 3; ++i)
        h.connectOne();
    h.link.depart(2);
    QCOMPARE(h.connectOne(), 2);
    QCOMPARE(h.connectOne(), 4);
    QCOMPARE(h.server.recordcount(), 4);
}

void TestServerSeats::departureIsAnnouncedOnce() {
    Host h;
    h.join(QStringLiteral("Ann"));
    h.join(QStringLiteral("Bob"));
    h.join(QStringLiteral("Cid"));
    h.link.clear();
    h.link.depart(2);
    // The departure reported again changes nothing.
    h.link.depart(2);

    const QStringList notice{"CMD_playerdisconnected+2+Bob"};
    QCOMPARE(texts(h.link.take(1)), notice);
    QCOMPARE(texts(h.link.take(3)), notice);
    QVERIFY(h.link.sent.isEmpty());
    QVERIFY(!h.server.record(2).connected);
    QVERIFY(h.server.record(2).name.isEmpty());
    QVERIFY(h.server.record(3).connected);
}

void TestServerSeats::removalOnlyByRecordOne() {
    Host h;
    h.join(QStringLiteral("Ann"));
    h.join(QStringLiteral("Bob"));
    h.join(QStringLiteral("Cid"));
    h.link.clear();
    h.send(2, framed("CMD_kickhim+2+3+")); // requester 2
    h.send(2, framed("CMD_kickhim+1+3+")); // record 2 claiming to be record 1
    h.send(1, framed("CMD_kickhim+1+0+"));
    h.send(1, framed("CMD_kickhim+1+12+"));
    h.send(1, framed("CMD_kickhim+1+7+")); // beyond recordcount
    QVERIFY(h.link.closed.isEmpty());
    QVERIFY(h.link.sent.isEmpty());

    h.send(1, framed("CMD_kickhim+1+3+"));
    QCOMPARE(h.link.closed, QList<int>{3});
    // Everyone reads why Cid goes; Cid hears it before the connection closes.
    const QStringList removal{"CMD_removed+3+Cid", "CMD_playerdisconnected+3+Cid"};
    QCOMPARE(texts(h.link.take(1)), removal);
    QCOMPARE(texts(h.link.take(2)), removal);
    QCOMPARE(texts(h.link.take(3)), QStringList{"CMD_removed+3+Cid"});
    QVERIFY(h.link.sent.isEmpty());
    QVERIFY(!h.server.record(3).connected);
}

void TestServerSeats::justWatchRelayAndLimits() {
    Host h;
    for (const char* n : {"Ann", "Bob", "Cid", "Dan", "Eve"})
        h.join(QString::fromLatin1(n));
    h.link.clear();
    h.send(2, framed("CMD_justwatch+3+1")); // no game: ignored
    h.send(1, framed("CMD_justwatch+5+2")); // a spectator
    h.send(1, framed("CMD_justwatch+0+2"));
    h.send(1, framed("CMD_justwatch+3+7"));
    QVERIFY(h.link.sent.isEmpty());
    QVERIFY(!h.server.record(3).computer);

    h.send(4, framed("CMD_justwatch+3+2")); // another player's seat
    QVERIFY(h.link.sent.isEmpty());
    h.send(1, framed("CMD_justwatch+3+2")); // record 1 may
    for (int r = 1; r <= 5; ++r)
        QCOMPARE(texts(h.link.take(r)), QStringList{"CMD_justwatching+3+2"});

    h.send(1, framed("CMD_startgame+Ann+0+0+f+"));
    h.link.clear();
    // Nobody but record 1 hands another player's seat to the computer.
    h.send(2, framed("CMD_justwatch+3+1"));
    h.send(5, framed("CMD_justwatch+3+1"));
    QVERIFY(h.link.sent.isEmpty());
    QVERIFY(!h.server.record(3).computer);
    h.send(3, framed("CMD_justwatch+3+1"));
    QVERIFY(h.server.record(3).computer);
    for (int r = 1; r <= 5; ++r)
        QCOMPARE(texts(h.link.take(r)), QStringList{"CMD_justwatching+3+1"});
    h.send(3, framed("CMD_justwatch+3+2"));
    QVERIFY(!h.server.record(3).computer);
    h.send(1, framed("CMD_justwatch+4+1"));
    QVERIFY(h.server.record(4).computer);
}

void TestServerSeats::chatAndActionRelay() {
    Host h;
    h.join(QStringLiteral("Ann"));
    h.join(QStringLiteral("Bob"));
    h.link.clear();
    h.send(1, framed("CMD_chat+1+hello|clBlack"));
    const QByteArrayList expected{QByteArray("CMD_chat+Ann chats: hello|clBlack\xFF")};
    QCOMPARE(h.link.take(1), expected);
    QCOMPARE(h.link.take(2), expected);

    h.send(2, framed("CMD_action+2+waves\r\nCMD_kickhim+1+1+|$00FF0000"));
    const QStringList action{"CMD_action+Bob wavesCMD_kickhim+1+1+|$00FF0000"};
    QCOMPARE(texts(h.link.take(1)), action);
    QCOMPARE(texts(h.link.take(2)), action);

    h.send(2, framed("CMD_chat+1+I am Ann|clRed")); // speaking under another name
    h.send(2, framed("CMD_chat+12+hi|clRed"));
    QVERIFY(h.link.sent.isEmpty());
}

void TestServerSeats::botSpeedOnlyFromRecordOne() {
    Host h;
    h.join(QStringLiteral("Ann"));
    h.join(QStringLiteral("Bob"));
    QCOMPARE(h.server.botinterval(), 0);
    h.send(2, framed("CMD_botspeed+2+500+"));
    h.send(2, framed("CMD_botspeed+1+500+"));
    QCOMPARE(h.server.botinterval(), 0);
    h.send(1, framed("CMD_botspeed+1+2000+"));
    QCOMPARE(h.server.botinterval(), 2000);
    // A speed no table offers would stall or race every seat the computer plays.
    for (const char* m : {"CMD_botspeed+1+0+", "CMD_botspeed+1+499+", "CMD_botspeed+1+2001+",
                          "CMD_botspeed+1+2147483647+"})
        h.send(1, framed(m));
    QCOMPARE(h.server.botinterval(), 2000);
    h.send(1, framed("CMD_botspeed+1+500+"));
    QCOMPARE(h.server.botinterval(), 500);
}

void TestServerSeats::botSkillOnlyFromRecordOne() {
    Host h;
    h.join(QStringLiteral("Ann"));
    h.join(QStringLiteral("Bob"));
    QCOMPARE(h.server.botSkill(), rules::Skill::Normal);
    h.link.clear();
    h.send(2, framed("CMD_botskill+2+expert+"));
    h.send(2, framed("CMD_botskill+1+expert+"));
    h.send(1, framed("CMD_botskill+1+hard+"));
    QCOMPARE(h.server.botSkill(), rules::Skill::Normal);
    h.send(1, framed("CMD_botskill+1+expert+"));
    QCOMPARE(h.server.botSkill(), rules::Skill::Expert);
    QVERIFY(h.link.sent.isEmpty()); // nobody is told
    h.send(1, framed("CMD_botskill+1+normal+"));
    QCOMPARE(h.server.botSkill(), rules::Skill::Normal);
}

void TestServerSeats::conversionErrorsReachTheSink() {
    Host h;
    h.join(QStringLiteral("Ann"));
    h.join(QStringLiteral("Bob"));
    h.link.clear();
    h.send(1, framed("CMD_kickhim+1+x2+"));
    h.send(1, framed("CMD_chat+one+hi|clRed"));
    QCOMPARE(h.errors, QStringList({"'x2' is not a valid integer value",
                                    "'one' is not a valid integer value"}));
    QVERIFY(h.link.sent.isEmpty());
    QVERIFY(h.link.closed.isEmpty());
}

void TestServerSeats::logLinesAreCleanedAndRationed() {
    Host h;
    QStringList log;
    h.server.setEventLog([&log](const QString& line) { log << line; });
    // A right-to-left override would turn the rest of the line around on a terminal.
    h.join(QStringLiteral("Ann\u202Enimda"));
    h.join(QStringLiteral("Bob"));
    QCOMPARE(log.value(1), QStringLiteral("record 1 logged in as Ann?nimda"));

    // Line breaks and terminal escapes in a field that should be a number stay inside
    // one line of the log, and a long field is cut.
    h.send(2, "CMD_kickhim+1+x\nrecord 1 logged in as admin\x1b[31m+");
    h.send(2, "CMD_kickhim+1+" + QByteArray(300, '9') + '+');
    QCOMPARE(h.errors,
             QStringList({"'x?record 1 logged in as admin?[31m' is not a valid integer value",
                          "'" + QString(server::kLogFieldLength, QLatin1Char('9')) + QChar(0x2026) +
                              "' is not a valid integer value"}));
    // Each connection has a ration of log lines; the log says once that it cut some.
    for (int i = 0; i < 3 * wire::kLogBurst; ++i)
        h.send(2, "CMD_kickhim+1+x+");
    QCOMPARE(h.errors.size(), wire::kLogBurst);
    QCOMPARE(log.filter(QStringLiteral("record 2: too many bad requests")).size(), 1);
    h.send(1, "CMD_kickhim+1+y+");
    QCOMPARE(h.errors.last(), QStringLiteral("'y' is not a valid integer value"));
}

// What a lobby lists follows log-ins, departures, a held seat and the game; a connection
// that never logs in changes nothing.
void TestServerSeats::tableObserverHearsEachChangeOnce() {
    Host h;
    QList<server::TableCount> told;
    h.server.setTableObserver([&told](const server::TableCount& c) { told.append(c); });
    using C = server::TableCount;
    const int probe = h.connectOne();
    h.link.depart(probe);
    QCOMPARE(told, QList<C>{});
    h.join(QStringLiteral("Ann"));
    h.join(QStringLiteral("Bob"));
    for (int r = 3; r <= 4; ++r)
        h.connectOne(); // seats 3 and 4 taken, never logged in
    const int spy = h.join(QStringLiteral("Eve"));
    QCOMPARE(spy, 5);
    QCOMPARE(told, QList<C>({{1, 0, false}, {2, 0, false}, {2, 1, false}}));
    told.clear();
    h.send(1, framed("CMD_startgame+Ann+0+0+f+"));
    h.link.depart(2); // Bob's seat waits for him: still taken
    h.link.depart(spy);
    h.send(1, framed("CMD_kickhim+1+2+")); // Ann gives Bob's seat up
    QCOMPARE(told, QList<C>({{2, 1, true}, {2, 0, true}, {1, 0, true}}));
    QCOMPARE(h.server.tableCount(), (C{1, 0, true}));
}

QTEST_MAIN(TestServerSeats)
#include "tst_serverseats.moc"
