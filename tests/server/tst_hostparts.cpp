// The host's parts alone: the seat table's record rule, the turn order, and the
// computer player's pace and moves.
#include "server/computerplayer.h"
#include "server/gamestate.h"
#include "server/heldseats.h"
#include "server/seattable.h"

#include <QtTest>
#include <utility>

using namespace server;

class TestHostParts : public QObject {
    Q_OBJECT
private slots:
    void recordsFillFromTheLowestFree();
    void turnOrderSkipsWhoDoesNotTakePart();
    void computerMovesAndPace();
    void tokensComeFromTheirSource();
};

void TestHostParts::recordsFillFromTheLowestFree() {
    SeatTable t;
    for (int r = 1; r <= kMaxRecords; ++r) {
        QCOMPARE(t.chooseRecord(), r);
        t.take(r);
    }
    QCOMPARE(t.chooseRecord(), kFullRecord);
    t.at(3).name = QStringLiteral("Cid");
    t.at(3).score = 42;
    t.release(3);
    QCOMPARE(t.chooseRecord(), 3);
    QVERIFY(t.record(3).name.isEmpty());
    QCOMPARE(t.record(3).score, 42); // a newcomer continues the seat's game
    QCOMPARE(t.connectedRecords().toList(), QList<int>({1, 2, 4, 5, 6, 7, 8, 9}));
    QCOMPARE(t.recordcount(), 9);
    QCOMPARE(t.record(12).name, QString());
}

void TestHostParts::turnOrderSkipsWhoDoesNotTakePart() {
    SeatTable t;
    t.take(1);
    t.take(3); // a connection still to log in is nobody yet
    t.take(4);
    t.at(1).loggedIn = t.at(4).loggedIn = true;
    // Seat 2 is the computer's when empty; seat 3 has nobody and is skipped.
    QCOMPARE(GameState::nextSeat(0, t), 1);
    QCOMPARE(GameState::nextSeat(1, t), 2);
    QCOMPARE(GameState::nextSeat(2, t), 4);
    QCOMPARE(GameState::nextSeat(4, t), 1);
    QVERIFY(t.playedByComputer(2) && t.playedByComputer(3) && !t.playedByComputer(1));
    QCOMPARE(t.seatName(2), QStringLiteral("Klot"));
    t.at(1).status = 2;
    t.at(2).status = 2;
    t.at(4).status = 2;
    QCOMPARE(GameState::nextSeat(4, t), 0);

    GameState g;
    g.start();
    g.beginTurn(4);
    QCOMPARE(g.round, 0);
    g.beginTurn(1);
    QCOMPARE(g.round, 1);
    QVERIFY(g.turnOpenFor(1) && !g.turnOpenFor(2));
    for (int r = 0; r < kMaxRolls; ++r) {
        QVERIFY(g.mayRoll());
        ++g.rollno;
    }
    QVERIFY(!g.mayRoll());
    g.score();
    QVERIFY(!g.turnOpenFor(1));
}

void TestHostParts::computerMovesAndPace() {
    rules::Plan plan{};
    plan[2] = plan[5] = 1;
    ComputerPlayer::Move m = ComputerPlayer::next(plan, 1, kMaxRolls);
    QVERIFY(!m.endTurn);
    QCOMPARE(m.dice, QList<int>({1, 3, 4, 6, 7, 8, 9, 10}));
    m = ComputerPlayer::next(plan, kMaxRolls, kMaxRolls);
    QVERIFY(m.endTurn);
    QCOMPARE(m.dice, QList<int>({2, 5}));
    plan.fill(1);
    QVERIFY(ComputerPlayer::next(plan, 1, kMaxRolls).endTurn);

    QList<ComputerPlayer::Stage> steps;
    ComputerPlayer c([&](ComputerPlayer::Stage s) { steps << s; });
    c.start(ComputerPlayer::Stage::Decide);
    QVERIFY(c.waiting() && !c.timer().isActive()); // no bot speed yet
    c.setInterval(5);
    QVERIFY(!c.waiting() && c.timer().isActive());
    QTRY_COMPARE(steps, QList<ComputerPlayer::Stage>{ComputerPlayer::Stage::Decide});
    QVERIFY(!c.timer().isActive());
}

void TestHostParts::tokensComeFromTheirSource() {
    // A given source: the same tokens every run, 32 hex digits from four words.
    HeldSeats held;
    quint32 next = 0x1;
    held.setWordSource([&next] { return std::exchange(next, next * 0x100 + 0xab); });
    const QByteArray token = held.issue(2);
    QCOMPARE(token, QByteArray("00000001000001ab0001abab01ababab"));
    QVERIFY(held.hold(2, 0));
    QCOMPARE(held.find(token), 2);
    QCOMPARE(held.find("00000001000001ab0001abab01ababac"), 0);
    // The system's generator by default: two tokens in a row differ.
    HeldSeats fresh;
    const QByteArray a = fresh.issue(1), b = fresh.issue(1);
    QCOMPARE(a.size(), 32);
    QVERIFY(a != b);
    QVERIFY(QByteArray::fromHex(a).toHex() == a);
}

QTEST_GUILESS_MAIN(TestHostParts)
#include "tst_hostparts.moc"
