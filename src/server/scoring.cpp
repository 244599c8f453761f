// Ending a turn: checking the held dice against the seat's phase, the two bonuses,
// going out, and the pause before the next turn.
#include "server/tserver.h"

#include "protocol/messages.h"

using namespace server;

namespace {

QList<int> diceMarked(const rules::Marks& used, int lowest, int highest) {
    QList<int> out;
    for (int d = 1; d <= rules::kDice; ++d)
        if (used[d] >= lowest && used[d] <= highest) out.append(d);
    return out;
}

} // namespace

void TServer::alldone(const wire::req::Dice& request, int sender) {
    if (!turnOpenFor(request.seat, sender)) return;

    m_game.score();
    countTurn(request.seat);
    rules::Marks used{};
    // A die not rolled this turn shows nothing; it must not pass for a wild.
    for (int d : request.dice)
        if (m_game.dice[d].colour != 0) used[d] = 1;
    const int phase = record(request.seat).phase;
    const bool checkable = phase >= 1 && phase <= rules::kPhases;
    const int result = checkable ? rules::checkforphase(phase, m_game.dice, used) : 0;
    if (result > 0)
        scorePhase(request.seat, result, used);
    else
        failPhase(request.seat, used);

    m_computer.stop(); // nothing of this turn is left for the computer to do
    m_game.countdown = kPauseTicks;
    m_timer1.start();
}

void TServer::countTurn(int seat) {
    SeatRecord& rec = m_seats.at(seat);
    ++rec.turns;
    if (m_game.computerInTurn) ++rec.computerTurns;
    rec.resultName = m_seats.seatName(seat);
}

void TServer::scorePhase(int seat, int result, const rules::Marks& used) {
    SeatRecord& rec = m_seats.at(seat);
    rec.points = result;
    rec.score += result;
    rec.phasepoints[rec.phase] = result;
    ++rec.phase;
    int bonus = 0;
    QString marker = QStringLiteral("none");
    if (rec.phase == 6) {
        marker = QStringLiteral("bonus");
        if (rec.score > kBonusThreshold) {
            bonus = kBonus;
            rec.score += kBonus;
            rec.scorebonus = kBonus;
        }
    }
    if (rec.phase == rules::kPhases + 1) {
        rec.status = 2;
        if (!m_game.someoneout) {
            m_game.someoneout = true;
            marker = QStringLiteral("goneout");
            bonus = kBonus;
            rec.score += kBonus;
            rec.outbonus = kBonus;
            for (int s = 1; s <= kSeatCount; ++s)
                if (s != seat) m_seats.at(s).status = 1;
        }
    }
    broadcast(wire::msg::scores(seat, rec.phase - 1, rec.score, rec.points, bonus, marker,
                                diceMarked(used, 2, 2)));
}

void TServer::failPhase(int seat, const rules::Marks& used) {
    SeatRecord& rec = m_seats.at(seat);
    if (rec.status == 1) {
        rec.status = 2;
        broadcast(wire::msg::markoff(seat, rec.phase));
    }
    broadcast(wire::msg::noscore(seat, diceMarked(used, 1, 2)));
}
