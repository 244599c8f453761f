// Whole computer-against-computer games from seeded dice, driven by ticking the
// timers by hand. Every message the first record receives is checked against a
// model of the game: totals, phases, rounds, turn order, dice and the winner.
#include "serverharness.h"

#include "protocol/messages.h"

#include <QTest>

namespace {

constexpr int kGames = 2000;
constexpr int kMaxTurns = 4000; // far beyond any game seen; a game must end

struct SeatModel {
    bool inGame = false;
    QString name;
    int phase = 1;
    int total = 0;
    int status = 0;
};

class GameModel {
public:
    std::array<SeatModel, 5> seats;
    int current = 0, round = 0, rolls = 0, turns = 0;
    bool someoneOut = false, awaitingNoscore = false, won = false;
    rules::Dice dice{};
    const TServer* server = nullptr;

    void check(const QString& m) {
        const QString body = m.mid(m.indexOf(QLatin1Char('+')) + 1);
        if (m.startsWith(QLatin1String("CMD_nextplayer+"))) return nextplayer(body);
        if (m.startsWith(QLatin1String("CMD_createdice+"))) return createdice(body);
        if (m.startsWith(QLatin1String("CMD_scores+"))) return scores(body);
        if (m.startsWith(QLatin1String("CMD_markoff+"))) return markoff(body);
        if (m.startsWith(QLatin1String("CMD_noscore+"))) return noscore(body);
        if (m.startsWith(QLatin1String("CMD_winner+"))) return winner(body);
        if (!m.startsWith(QLatin1String("CMD_justwatching+")) &&
            !m.startsWith(QLatin1String("CMD_startgame+")))
            QFAIL(qPrintable(QStringLiteral("unexpected message ") + m));
    }

private:
    bool playing(int s) const { return seats[s].inGame && seats[s].status < 2; }

    void nextplayer(const QString& body) {
        const auto np = wire::read::nextplayer(body);
        int expected = current;
        do
            expected = expected % 4 + 1;
        while (!playing(expected));
        QCOMPARE(np.seat, expected);
        QCOMPARE(np.phase, seats[np.seat].phase);
        if (np.seat == 1) ++round;
        QCOMPARE(np.round, QString::number(round));
        current = np.seat;
        rolls = 0;
        dice = rules::Dice{};
        QVERIFY(++turns < kMaxTurns);
    }

    void createdice(const QString& body) {
        const auto cd = wire::read::createdice(body);
        QCOMPARE(cd.seat, current);
        QCOMPARE(cd.rolls, ++rolls);
        QVERIFY(rolls <= 3);
        for (const auto& f : cd.dice) {
            QVERIFY(f.die >= 1 && f.die <= 10);
            // The colour must belong to a face that shows this value, and change.
            const int face = f.die > 4 ? f.value - 4 : f.value;
            if (f.value == 0)
                QVERIFY(f.die <= 4 && (f.colour == rules::findcolor(f.die, 5) ||
                                       f.colour == rules::findcolor(f.die, 6)));
            else {
                QVERIFY(face >= 1 && face <= (f.die > 4 ? 6 : 4));
                QCOMPARE(f.colour, rules::findcolor(f.die, face));
            }
            QVERIFY(f.colour != dice[f.die].colour);
            dice[f.die] = {f.value, f.colour, false};
        }
    }

    void scores(const QString& body) {
        const auto s = wire::read::scores(body);
        SeatModel& seat = seats[current];
        QCOMPARE(s.seat, current);
        QCOMPARE(s.phase, seat.phase);
        int sum = 0;
        for (int d : s.used)
            sum += dice[d].value;
        QCOMPARE(s.points, sum);
        QVERIFY(s.points > 0);
        int bonus = 0;
        QString marker = QStringLiteral("none");
        if (s.phase == 5) {
            marker = QStringLiteral("bonus");
            if (seat.total + s.points > 220) bonus = 40;
        }
        if (s.phase == 10) {
            seat.status = 2;
            if (!someoneOut) {
                someoneOut = true;
                marker = QStringLiteral("goneout");
                bonus = 40;
                for (int o = 1; o <= 4; ++o)
                    if (o != current) seats[o].status = 1;
            }
        }
        QCOMPARE(s.marker, marker);
        QCOMPARE(s.bonus, bonus);
        seat.total += s.points + bonus;
        QCOMPARE(s.total, seat.total);
        ++seat.phase;
        const auto& rec = server->record(current);
        int stored = rec.scorebonus + rec.outbonus;
        for (int p = 1; p <= 10; ++p)
            stored += rec.phasepoints[p];
        QCOMPARE(rec.score, stored);
        QCOMPARE(rec.score, seat.total);
    }

    void markoff(const QString& body) {
        const auto mo = wire::read::markoff(body);
        QCOMPARE(mo.seat, current);
        QCOMPARE(seats[current].status, 1);
        QCOMPARE(mo.phase, seats[current].phase);
        seats[current].status = 2;
        awaitingNoscore = true;
    }

    void noscore(const QString& body) {
        const auto ns = wire::read::noscore(body);
        QCOMPARE(ns.seat, current);
        // A seat in its last turns is marked off before its failure is told.
        QCOMPARE(seats[current].status == 2, awaitingNoscore);
        QVERIFY(seats[current].status != 1);
        awaitingNoscore = false;
    }

    void winner(const QString& body) {
        QVERIFY(!won);
        won = true;
        for (int s = 1; s <= 4; ++s)
            QVERIFY(!playing(s));
        int best = 1;
        for (int s = 2; s <= 4; ++s)
            if (seats[s].total > seats[best].total) best = s;
        QString text = seats[best].name;
        for (int s = 1; s <= 4; ++s)
            if (s != best && seats[s].total == seats[best].total) text += " and " + seats[s].name;
        QCOMPARE(body, text + QLatin1Char('+'));
    }
};

// Seat 1 just watches so the computer plays it against seat 2; with four seats,
// seats 3 and 4 are connected and just watch too, and seat 2 is left to the computer.
void startComputerGame(Host& h, GameModel& model, bool fourSeats, bool expert) {
    model.server = &h.server;
    h.join(QStringLiteral("P1"));
    if (fourSeats) {
        for (const char* n : {"P2", "P3", "P4"})
            h.join(QString::fromLatin1(n));
        h.link.depart(2);
    }
    h.send(1, framed("CMD_botspeed+1+500+"));
    if (expert) h.send(1, framed("CMD_botskill+1+expert+"));
    h.link.clear();
    h.send(1, framed("CMD_startgame+P1+0+0+f+"));
    h.send(1, framed("CMD_justwatch+1+1"));
    if (fourSeats) {
        h.send(3, framed("CMD_justwatch+3+1"));
        h.send(4, framed("CMD_justwatch+4+1"));
    }
    const char* names[] = {"", "P1", "Klot", fourSeats ? "P3" : "Klock",
                           fourSeats ? "P4" : "Kling"};
    for (int s = 1; s <= 4; ++s) {
        model.seats[s].name = QString::fromLatin1(names[s]);
        model.seats[s].inGame = s <= 2 || fourSeats;
    }
}

} // namespace

class TestServerGames : public QObject {
    Q_OBJECT
private slots:
    void computerGamesKeepTheirInvariants();
    // Expert differs only in the dice it holds: the same messages in the same order.
    void expertGamesKeepTheirInvariants();

private:
    void playGames(int games, bool expert);
};

void TestServerGames::computerGamesKeepTheirInvariants() {
    playGames(kGames, false);
}

void TestServerGames::expertGamesKeepTheirInvariants() {
    playGames(12, true);
}

void TestServerGames::playGames(int games, bool expert) {
    int longest = 0;
    qint64 totalTurns = 0;
    for (int game = 0; game < games; ++game) {
        Host h;
        h.faces->random.seed(static_cast<unsigned>(1000 + game));
        GameModel model;
        const bool fourSeats = game % 4 == 3;
        startComputerGame(h, model, fourSeats, expert);

        while (h.server.gameon()) {
            if (h.server.queue().pending() > 0)
                h.server.queue().tick();
            else if (h.server.computertimer().isActive())
                h.server.computertimerTimer();
            else if (h.server.timer1().isActive())
                h.server.timer1Timer();
            else
                QFAIL(qPrintable(QStringLiteral("game %1 stalled").arg(game)));
            const QByteArrayList sent = h.link.take(1);
            if (fourSeats) {
                QCOMPARE(h.link.take(3), sent);
                QCOMPARE(h.link.take(4), sent);
            }
            for (const QString& m : texts(sent)) {
                model.check(m);
                if (QTest::currentTestFailed())
                    QFAIL(qPrintable(QStringLiteral("game %1: %2").arg(game).arg(m)));
            }
        }
        QVERIFY2(model.won, qPrintable(QStringLiteral("game %1 ended without a winner").arg(game)));
        QVERIFY(!h.server.computertimer().isActive() && !h.server.timer1().isActive());
        longest = std::max(longest, model.turns);
        totalTurns += model.turns;
    }
    qInfo("%d games, %lld turns, longest game %d turns", games, totalTurns, longest);
}

QTEST_MAIN(TestServerGames)
#include "tst_servergames.moc"
