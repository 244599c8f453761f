// Turns and rounds: the solo game against the computer, roll and end-of-turn
// requests (the all-held roll, refused malformed, foreign and late requests),
// departures during a turn or its pause, and the computer's timer.
#include "serverharness.h"

#include "protocol/messages.h"

#include <QTest>

namespace {

const char* kAllTen = "+1+2+3+4+5+6+7+8+9+10";

// Plays the computer's seat until its turn is scored; returns its messages.
QStringList runComputerTurn(Host& h) {
    QStringList out;
    for (int steps = 0; steps < 20 && h.server.computertimer().isActive(); ++steps) {
        h.server.computertimerTimer();
        out += texts(h.link.take(1));
    }
    return out;
}

} // namespace

class TestServerGame : public QObject {
    Q_OBJECT
private slots:
    void soloGameAlternatesWithKlot();
    void allHeldRollScoresAllTen();
    void malformedRequestsChangeNothing_data();
    void malformedRequestsChangeNothing();
    void foreignAndLateRequestsAreRefused();
    void aFourthRollIsRefused();
    void hostLeavingDuringItsTurnKeepsTheTurn();
    void dedicatedHostsRecordOneIsAnyPlayer();
    void departureDuringPauseKeepsNextTurn();
    void computerWaitsForBotSpeed();
    void justWatchHandsTheTurnToTheComputer();
    void computerPlayedSeatIgnoresItsTable();
    void onlyRecordOneEndsARunningGame();
    void connectionThatNeverLogsInLeavesKlotsTurnAlone();
};

void TestServerGame::soloGameAlternatesWithKlot() {
    Host h;
    h.join(QStringLiteral("You"));
    h.send(1, framed("CMD_botspeed+1+1000+"));
    h.link.clear();
    h.send(1, framed("CMD_startgame+You+0+0+f+"));
    QCOMPARE(texts(h.link.take(1)),
             QStringList({"CMD_startgame+You+0+0+f+", "CMD_nextplayer+1+1+1+"}));

    QList<int> seats, rounds;
    for (int turn = 0; turn < 6; ++turn) {
        seats.append(h.server.currentseat());
        rounds.append(h.server.round());
        if (h.server.currentseat() == 1) {
            h.send(1, framed("CMD_alldone+1+none"));
            QCOMPARE(texts(h.link.take(1)), QStringList{"CMD_noscore+1+none"});
        } else {
            QCOMPARE(h.server.computertimer().interval(), 1000);
            const QStringList msgs = runComputerTurn(h);
            QVERIFY(h.server.timer1().isActive());
            QVERIFY(msgs.size() >= 2 && msgs.size() <= 4);
            // The first roll of a turn throws all ten dice; rolls count up from 1.
            const auto first = wire::read::createdice(msgs[0].mid(15));
            QCOMPARE(first.seat, 2);
            QCOMPARE(first.dice.size(), 10);
            for (int i = 0; i + 1 < msgs.size(); ++i) {
                QVERIFY(msgs[i].startsWith(QLatin1String("CMD_createdice+2+")));
                QCOMPARE(wire::read::createdice(msgs[i].mid(15)).rolls, i + 1);
            }
            QVERIFY(msgs.last().startsWith(QLatin1String("CMD_scores+2+")) ||
                    msgs.last().startsWith(QLatin1String("CMD_noscore+2+")));
        }
        h.finishPause();
        const QStringList next = texts(h.link.take(1));
        QCOMPARE(next.size(), 1);
        QVERIFY(next[0].startsWith(QLatin1String("CMD_nextplayer+")));
    }
    QCOMPARE(seats, QList<int>({1, 2, 1, 2, 1, 2}));
    QCOMPARE(rounds, QList<int>({1, 1, 2, 2, 3, 3}));
}

void TestServerGame::allHeldRollScoresAllTen() {
    const QByteArray requests[] = {framed("CMD_rollthedice+1"),
                                   QByteArray("CMD_alldone+1") + kAllTen + '\xFF'};
    QStringList results;
    for (const QByteArray& request : requests) {
        Host h;
        h.join(QStringLiteral("You"));
        h.send(1, framed("CMD_startgame+You+0+0+f+"));
        h.script({1, 1, 2, 2, 1, 1, 1, 1, 1, 1});
        h.send(1, QByteArray("CMD_rollthedice+1") + kAllTen);
        h.link.clear();
        h.send(1, request);
        QCOMPARE(h.server.rollno(), 5);
        results.append(texts(h.link.take(1)).join(QLatin1Char('|')));
    }
    QCOMPARE(results[0], QStringLiteral("CMD_scores+1+1+30+30+0+none+5+6+7+8+9+10"));
    QCOMPARE(results[1], results[0]);
}

void TestServerGame::malformedRequestsChangeNothing_data() {
    QTest::addColumn<QString>("request");
    QTest::addColumn<QString>("error");
    QTest::newRow("roll: die not a number") << "CMD_rollthedice+1+2+x"
                                            << "'x' is not a valid integer value";
    QTest::newRow("roll: seat not a number") << "CMD_rollthedice+one+2"
                                             << "'one' is not a valid integer value";
    QTest::newRow("roll: all held, seat not a number") << "CMD_rollthedice+1x"
                                                       << "'1x' is not a valid integer value";
    QTest::newRow("roll: empty field") << "CMD_rollthedice+1+2++3"
                                       << "'' is not a valid integer value";
    QTest::newRow("roll: die 0") << "CMD_rollthedice+1+0+2"
                                 << "";
    QTest::newRow("roll: die 11") << "CMD_rollthedice+1+2+11"
                                  << "";
    QTest::newRow("roll: die twice") << "CMD_rollthedice+1+3+3"
                                     << "";
    QTest::newRow("roll: negative die") << "CMD_rollthedice+1+-2"
                                        << "";
    QTest::newRow("roll: no dice") << "CMD_rollthedice+1+"
                                   << "";
    QTest::newRow("done: die not a number") << "CMD_alldone+1+5+six"
                                            << "'six' is not a valid integer value";
    QTest::newRow("done: die 11") << "CMD_alldone+1+5+11"
                                  << "";
    QTest::newRow("done: die twice") << "CMD_alldone+1+5+6+7+8+9+10+10"
                                     << "";
    QTest::newRow("done: no list") << "CMD_alldone+1"
                                   << "";
}

void TestServerGame::malformedRequestsChangeNothing() {
    QFETCH(QString, request);
    QFETCH(QString, error);
    Host h;
    h.join(QStringLiteral("You"));
    h.send(1, framed("CMD_startgame+You+0+0+f+"));
    h.send(1, QByteArray("CMD_rollthedice+1") + kAllTen);
    const rules::Dice before = h.server.dice();
    h.link.clear();
    h.send(1, request.toUtf8());
    QVERIFY(h.link.sent.isEmpty());
    QCOMPARE(h.server.rollno(), 1);
    QVERIFY(!h.server.timer1().isActive());
    for (int d = 1; d <= 10; ++d) {
        QCOMPARE(h.server.dice()[d].value, before[d].value);
        QCOMPARE(h.server.dice()[d].colour, before[d].colour);
    }
    QCOMPARE(h.errors, error.isEmpty() ? QStringList() : QStringList{error});
    // The turn goes on as if nothing had come.
    h.send(1, framed("CMD_rollthedice+1+4"));
    QCOMPARE(h.server.rollno(), 2);
}

void TestServerGame::foreignAndLateRequestsAreRefused() {
    Host h;
    h.join(QStringLiteral("Ann"));
    h.join(QStringLiteral("Bob"));
    h.send(1, framed("CMD_startgame+Ann+0+0+f+"));
    h.link.clear();
    h.send(2, framed("CMD_rollthedice+2+1+2")); // not seat 2's turn
    h.send(2, framed("CMD_rollthedice+1+1+2")); // record 2 posing as seat 1
    h.send(2, framed("CMD_alldone+1+none"));
    h.send(2, framed("CMD_rollthedice+1"));
    QVERIFY(h.link.sent.isEmpty());
    QCOMPARE(h.server.rollno(), 0);

    h.send(1, framed("CMD_alldone+1+none"));
    h.link.clear();
    // The turn is scored: nothing more from seat 1 until the next turn.
    h.send(1, framed("CMD_rollthedice+1+1+2"));
    h.send(1, framed("CMD_alldone+1+none"));
    h.send(1, framed("CMD_rollthedice+1"));
    QVERIFY(h.link.sent.isEmpty());
    QCOMPARE(h.server.rollno(), 5);
    QCOMPARE(h.server.countdown(), 5);
    h.finishPause();
    QCOMPARE(h.server.currentseat(), 2);
}

void TestServerGame::aFourthRollIsRefused() {
    Host h;
    h.join(QStringLiteral("You"));
    h.send(1, framed("CMD_botspeed+1+1000+"));
    h.send(1, framed("CMD_startgame+You+0+0+f+"));
    h.send(1, QByteArray("CMD_rollthedice+1") + kAllTen);
    h.send(1, framed("CMD_rollthedice+1+1+2+3"));
    h.send(1, framed("CMD_rollthedice+1+4+5"));
    QCOMPARE(h.server.rollno(), 3);
    const rules::Dice before = h.server.dice();
    h.link.clear();
    h.send(1, framed("CMD_rollthedice+1+1+2+3"));
    h.send(1, QByteArray("CMD_rollthedice+1") + kAllTen);
    QVERIFY(h.link.sent.isEmpty());
    QCOMPARE(h.server.rollno(), 3);
    for (int d = 1; d <= 10; ++d) {
        QCOMPARE(h.server.dice()[d].value, before[d].value);
        QCOMPARE(h.server.dice()[d].colour, before[d].colour);
    }
    QVERIFY(h.errors.isEmpty());
    // Ending the turn is still open.
    h.send(1, framed("CMD_alldone+1+none"));
    QCOMPARE(texts(h.link.take(1)), QStringList{"CMD_noscore+1+none"});

    // The computer still rolls up to three times and always ends its turn.
    int most = 0;
    for (int turn = 0; turn < 8; ++turn) {
        h.finishPause();
        QCOMPARE(h.server.currentseat(), 2);
        h.link.clear();
        const QStringList msgs = runComputerTurn(h);
        QVERIFY(!msgs.isEmpty());
        for (int i = 0; i + 1 < msgs.size(); ++i)
            QCOMPARE(wire::read::createdice(msgs[i].mid(15)).rolls, i + 1);
        most = std::max(most, int(msgs.size()) - 1);
        QVERIFY(h.server.timer1().isActive()); // scored, the pause runs
        h.finishPause();
        h.send(1, framed("CMD_alldone+1+none"));
    }
    QCOMPARE(most, 3);
}

void TestServerGame::hostLeavingDuringItsTurnKeepsTheTurn() {
    Host h;
    h.join(QStringLiteral("Ann"));
    h.join(QStringLiteral("Bob"));
    h.send(1, framed("CMD_startgame+Ann+0+0+f+"));
    h.link.clear();
    h.link.depart(1);
    QCOMPARE(texts(h.link.take(2)),
             QStringList({"CMD_playerdisconnected+1+Ann", "CMD_seatheld+1+Ann"}));
    QCOMPARE(h.server.currentseat(), 1);
    QVERIFY(h.link.sent.isEmpty());
}

// A dedicated host has no player of its own: record 1 gets the powers at log-in, and
// its departure during its turn passes the turn like anybody's.
void TestServerGame::dedicatedHostsRecordOneIsAnyPlayer() {
    Host h;
    h.server.setDedicated(true);
    h.join(QStringLiteral("Ann"));
    QCOMPARE(texts(h.link.take(1)).last(), QStringLiteral("CMD_hostpowers+"));
    h.join(QStringLiteral("Bob"));
    QVERIFY(!texts(h.link.take(2)).contains(QStringLiteral("CMD_hostpowers+")));
    h.send(1, framed("CMD_startgame+Ann+0+0+f+"));
    h.link.clear();
    // Closed by the host (a limit), not dropped: no seat waits, and the turn moves on.
    h.server.disconnectsock(1);
    QCOMPARE(texts(h.link.take(2)),
             QStringList({"CMD_playerdisconnected+1+Ann", "CMD_nextplayer+2+1+1+"}));
    // Whoever takes record 1 next runs the table, and catches up with the game first.
    QCOMPARE(h.join(QStringLiteral("Cid")), 1);
    const QStringList cid = texts(h.link.take(1));
    QVERIFY(cid.indexOf(QRegularExpression("^CMD_loadstats\\+")) < cid.indexOf("CMD_hostpowers+"));
    h.send(1, framed("CMD_kickhim+1+2+"));
    QVERIFY(!h.server.record(2).connected);
}

void TestServerGame::departureDuringPauseKeepsNextTurn() {
    Host h;
    h.join(QStringLiteral("Ann"));
    h.join(QStringLiteral("Bob"));
    h.join(QStringLiteral("Cid"));
    h.send(1, framed("CMD_startgame+Ann+0+0+f+"));
    h.send(1, framed("CMD_alldone+1+none"));
    h.finishPause();
    h.send(2, framed("CMD_alldone+2+none"));
    h.server.timer1Timer();
    h.link.clear();
    // Removed during the pause after his scored turn: the turn passes once, at once.
    h.send(1, framed("CMD_kickhim+1+2+"));
    QCOMPARE(texts(h.link.take(3)),
             QStringList(
                 {"CMD_removed+2+Bob", "CMD_playerdisconnected+2+Bob", "CMD_nextplayer+3+1+1+"}));
    QVERIFY(!h.server.timer1().isActive());
    QCOMPARE(h.server.currentseat(), 3);
    h.send(3, framed("CMD_rollthedice+3+1+2+3"));
    QCOMPARE(h.server.rollno(), 1);
    // Dropped during the pause instead: the seat waits, the pause runs to its end.
    h.send(3, framed("CMD_alldone+3+none"));
    h.server.timer1Timer();
    h.link.clear();
    h.link.depart(3);
    QCOMPARE(texts(h.link.take(1)),
             QStringList({"CMD_playerdisconnected+3+Cid", "CMD_seatheld+3+Cid"}));
    QVERIFY(h.server.timer1().isActive());
    h.finishPause();
    QCOMPARE(texts(h.link.take(1)), QStringList{"CMD_nextplayer+1+1+2+"});
}

void TestServerGame::computerWaitsForBotSpeed() {
    Host h;
    h.join(QStringLiteral("You"));
    h.send(1, framed("CMD_startgame+You+0+0+f+"));
    h.send(1, framed("CMD_alldone+1+none"));
    h.finishPause();
    QCOMPARE(h.server.currentseat(), 2);
    QVERIFY(!h.server.computertimer().isActive());
    h.link.clear();
    h.send(1, framed("CMD_botspeed+1+500+"));
    QVERIFY(h.server.computertimer().isActive());
    QCOMPARE(h.server.computertimer().interval(), 500);
    h.server.computertimerTimer();
    const QStringList msgs = texts(h.link.take(1));
    QCOMPARE(msgs.size(), 1);
    QVERIFY(msgs[0].startsWith(QLatin1String("CMD_createdice+2+1+1+")));
    QCOMPARE(h.server.computerStage(), 2);
}

void TestServerGame::justWatchHandsTheTurnToTheComputer() {
    Host h;
    h.join(QStringLiteral("You"));
    h.send(1, framed("CMD_botspeed+1+2000+"));
    h.send(1, framed("CMD_startgame+You+0+0+f+"));
    h.link.clear();
    h.send(1, framed("CMD_justwatch+1+1"));
    QCOMPARE(texts(h.link.take(1)), QStringList{"CMD_justwatching+1+1"});
    QVERIFY(h.server.computertimer().isActive());
    h.server.computertimerTimer();
    const QStringList msgs = texts(h.link.take(1));
    QCOMPARE(msgs.size(), 1);
    QCOMPARE(wire::read::createdice(msgs[0].mid(15)).dice.size(), 10);

    // The player takes the seat back before the decide step: the tick does nothing.
    h.send(1, framed("CMD_justwatch+1+2"));
    h.link.clear();
    h.server.computertimerTimer();
    QVERIFY(h.link.sent.isEmpty());
    QVERIFY(!h.server.computertimer().isActive());
    h.send(1, framed("CMD_rollthedice+1+1+2"));
    QCOMPARE(h.server.rollno(), 2);
}

void TestServerGame::computerPlayedSeatIgnoresItsTable() {
    Host h;
    h.join(QStringLiteral("You"));
    h.send(1, framed("CMD_botspeed+1+2000+"));
    h.send(1, framed("CMD_startgame+You+0+0+f+"));
    h.send(1, framed("CMD_justwatch+1+1"));
    h.link.clear();
    // While the computer plays the seat, its table's roll and end of turn are not its own.
    h.send(1, framed("CMD_rollthedice+1+1+2+3"));
    h.send(1, framed("CMD_rollthedice+1"));
    h.send(1, framed("CMD_alldone+1+none"));
    QVERIFY(h.link.sent.isEmpty());
    QCOMPARE(h.server.rollno(), 0);
    QVERIFY(!h.server.timer1().isActive());
    h.server.computertimerTimer();
    QCOMPARE(h.server.rollno(), 1); // the computer's roll
}

void TestServerGame::onlyRecordOneEndsARunningGame() {
    Host h;
    for (const char* n : {"Ann", "Bob", "Cid", "Dan", "Eve"})
        h.join(QString::fromLatin1(n));
    const int stranger = h.connectOne(); // never logs in
    h.link.clear();
    // No game: a spectator (record 5) and a stranger start nothing; a seated player may.
    h.send(5, framed("CMD_startgame+Eve+0+0+f+"));
    h.send(stranger, framed("CMD_startgame+Zed+0+0+f+"));
    QVERIFY(!h.server.gameon());
    QVERIFY(h.link.sent.isEmpty());
    h.send(3, framed("CMD_startgame+Cid+0+0+f+"));
    QVERIFY(h.server.gameon());
    QCOMPARE(texts(h.link.take(5)),
             QStringList({"CMD_startgame+Cid+0+0+f+", "CMD_nextplayer+1+1+1+"}));

    // Running: only record 1 starts over.
    h.send(1, framed("CMD_alldone+1+none"));
    h.finishPause();
    QCOMPARE(h.server.currentseat(), 2);
    h.link.clear();
    for (int r : {2, 3, 5, stranger})
        h.send(r, framed("CMD_startgame+Mallory+0+0+f+"));
    QVERIFY(h.link.sent.isEmpty());
    QCOMPARE(h.server.currentseat(), 2);
    h.send(1, framed("CMD_startgame+Ann+0+0+f+"));
    QCOMPARE(texts(h.link.take(5)),
             QStringList({"CMD_startgame+Ann+0+0+f+", "CMD_nextplayer+1+1+1+"}));
}

// A lobby's reachability check takes record 2, the computer's seat, during Klot's turn
// and leaves again: the computer goes on playing, the turn stays, and nobody hears of it.
void TestServerGame::connectionThatNeverLogsInLeavesKlotsTurnAlone() {
    Host h;
    h.join(QStringLiteral("You"));
    h.send(1, framed("CMD_startgame+You+0+0+f+"));
    h.send(1, framed("CMD_alldone+1+none"));
    h.finishPause();
    QCOMPARE(h.server.currentseat(), 2);
    h.link.clear();
    QCOMPARE(h.connectOne(), 2);
    QVERIFY(h.server.playedByComputer(2));
    h.server.computertimerTimer();
    QCOMPARE(h.server.rollno(), 1); // the computer's roll, not a wait for the stranger
    h.link.depart(2);
    QCOMPARE(h.server.currentseat(), 2);
    const QStringList heard = texts(h.link.take(1));
    QCOMPARE(heard.size(), 1);
    QVERIFY(heard[0].startsWith(QLatin1String("CMD_createdice+2+1+")));
}

QTEST_MAIN(TestServerGame)
#include "tst_servergame.moc"
