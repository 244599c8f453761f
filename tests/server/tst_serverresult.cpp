// The result a host reports when a game ends: whole games through the recorder,
// with players who pass every turn, who let the computer play for a while, who
// drop and do not come back, and games that end before their end.
#include "serverharness.h"

#include <QTest>

using server::GameEnd;
using server::GameResult;
using server::SeatResult;

namespace {

struct ResultHost : Host {
    QList<GameResult> results;
    // Turns the human seats played by hand, by seat.
    std::array<int, 5> handTurns{};

    ResultHost() {
        server.setResultObserver([this](const GameResult& r) { results.append(r); });
    }

    // One step of virtual time. A seat the computer does not play passes its turn
    // with nothing held (a turn played, never scored).
    bool step() {
        const int seat = server.currentseat();
        if (server.gameon() && !server.game().turnScored && !server.playedByComputer(seat)) {
            ++handTurns[seat];
            send(seat, QStringLiteral("CMD_alldone+%1+none").arg(seat).toUtf8());
        } else if (server.queue().pending() > 0)
            server.queue().tick();
        else if (server.computertimer().isActive())
            server.computertimerTimer();
        else if (server.timer1().isActive())
            server.timer1Timer();
        else
            return false;
        return true;
    }
    // Plays until the game ends, or until `seat` is about to begin turn `turn` of it.
    void playUntil(int seat = 0, int turns = 0) {
        for (int guard = 0; guard < 100000 && server.gameon(); ++guard) {
            if (seat != 0 && server.currentseat() == seat && !server.game().turnScored &&
                server.rollno() == 0 && seatTurns(seat) == turns)
                return;
            QVERIFY2(step(), "the game stalled");
        }
        QVERIFY(!server.gameon());
    }
    int seatTurns(int seat) const { return server.record(seat).turns; }
};

// Seats the players; "-" leaves a seat whose connection goes before the game starts,
// so the computer plays it under its own name.
void startGame(ResultHost& h, std::initializer_list<const char*> names) {
    for (const char* n : names)
        h.join(QString::fromUtf8(n));
    int seat = 0;
    for (const char* n : names)
        if (++seat, qstrcmp(n, "-") == 0) h.link.depart(seat);
    h.send(1, framed("CMD_botspeed+1+500+"));
    h.send(1, framed("CMD_startgame+P1+0+0+f+"));
}

const SeatResult* seatOf(const GameResult& r, int seat) {
    for (const SeatResult& s : r.seats)
        if (s.seat == seat) return &s;
    return nullptr;
}

} // namespace

class TestServerResult : public QObject {
    Q_OBJECT
private slots:
    void finishedGameNamesEverySeatAndTheWinner();
    void computerTurnsAreCountedPerSeat();
    void heldSeatIsNotPresentAtTheEnd();
    void gamesCutShortAreAbandoned();
};

// P1 never scores; the computer's own seat goes out and wins.
void TestServerResult::finishedGameNamesEverySeatAndTheWinner() {
    ResultHost h;
    h.faces->random.seed(7);
    startGame(h, {"P1"});
    h.playUntil();
    QCOMPARE(h.results.size(), 1);
    const GameResult& r = h.results.first();
    QCOMPARE(r.end, GameEnd::Finished);
    QCOMPARE(r.rounds, h.server.round());
    QCOMPARE(r.seats.size(), 2);
    const SeatResult p1 = *seatOf(r, 1), klot = *seatOf(r, 2);
    QCOMPARE(p1, (SeatResult{1, "P1", 0, h.handTurns[1], 0, true, false}));
    QCOMPARE(klot.name, QStringLiteral("Klot"));
    QCOMPARE(klot.score, h.server.record(2).score);
    QVERIFY(klot.score > 0 && klot.winner && !klot.present);
    QCOMPARE(klot.computerTurns, klot.turns);
    QCOMPARE(p1.turns, r.rounds); // seat 1 opens every round and has the last turn of it
}

// P1 lets the computer play their first three turns, then takes the seat back while
// seat 2 plays; P3 plays every turn by hand.
void TestServerResult::computerTurnsAreCountedPerSeat() {
    ResultHost h;
    h.faces->random.seed(11);
    startGame(h, {"P1", "-", "P3"});
    h.send(1, framed("CMD_justwatch+1+1"));
    h.playUntil(2, 2); // seat 1 has played its third turn
    QCOMPARE(h.seatTurns(1), 3);
    h.send(1, framed("CMD_justwatch+1+2"));
    h.playUntil();
    QCOMPARE(h.results.size(), 1);
    const GameResult& r = h.results.first();
    QCOMPARE(r.seats.size(), 3);
    QCOMPARE(seatOf(r, 1)->computerTurns, 3);
    QCOMPARE(seatOf(r, 1)->turns, 3 + h.handTurns[1]);
    QVERIFY(h.handTurns[1] > 0);
    QCOMPARE(seatOf(r, 3)->computerTurns, 0);
    QCOMPARE(seatOf(r, 3)->name, QStringLiteral("P3"));
    QCOMPARE(seatOf(r, 2)->name, QStringLiteral("Klot"));
    QVERIFY(seatOf(r, 1)->present && seatOf(r, 3)->present);
}

// P3 drops after two turns and never comes back: the computer plays on in the held
// seat under P3's name, and the result says P3 was not there at the end.
void TestServerResult::heldSeatIsNotPresentAtTheEnd() {
    ResultHost h;
    h.faces->random.seed(5);
    startGame(h, {"P1", "-", "P3"});
    h.playUntil(3, 2);
    h.link.depart(3);
    QVERIFY(h.server.record(3).held);
    h.playUntil();
    QCOMPARE(h.results.size(), 1);
    const SeatResult p3 = *seatOf(h.results.first(), 3);
    QCOMPARE(p3.name, QStringLiteral("P3"));
    QVERIFY(!p3.present);
    QCOMPARE(p3.computerTurns, p3.turns - 2);
    QVERIFY(p3.turns > 2);
}

// A new game over a running one, and the host closing mid-game: both report the game
// abandoned, without a winner; a game that ended reports nothing more.
void TestServerResult::gamesCutShortAreAbandoned() {
    ResultHost h;
    h.faces->random.seed(3);
    startGame(h, {"P1"});
    h.playUntil(1, 2);
    h.send(1, framed("CMD_startgame+P1+0+0+f+"));
    QCOMPARE(h.results.size(), 1);
    const GameResult first = h.results.first();
    QCOMPARE(first.end, GameEnd::Abandoned);
    QCOMPARE(first.rounds, 3); // seat 1's third turn had begun
    QCOMPARE(first.seats.size(), 2);
    for (const SeatResult& s : first.seats) {
        QVERIFY(!s.winner);
        QCOMPARE(s.turns, 2);
    }
    QCOMPARE(seatOf(first, 1)->present, true);

    // The new game counts from nothing.
    h.playUntil(1, 1);
    h.server.closeAll(QStringLiteral("closing"));
    QCOMPARE(h.results.size(), 2);
    QCOMPARE(h.results.last().end, GameEnd::Abandoned);
    QCOMPARE(seatOf(h.results.last(), 1)->turns, 1);
    QVERIFY(!h.server.gameon());
    h.server.abandonGame();
    h.server.closeAll(QStringLiteral("closing"));
    QCOMPARE(h.results.size(), 2);
}

QTEST_GUILESS_MAIN(TestServerResult)
#include "tst_serverresult.moc"
