// The computer player: a roll step and a decide step, paced by computertimer, using
// the same requests a client would send.
#include "server/serverform.h"

using namespace server;

namespace {

QString diceText(int seat, const rules::Plan& plan, int wanted, bool noneWhenEmpty) {
    QString text = QString::number(seat);
    bool any = false;
    for (int d = 1; d <= rules::kDice; ++d) {
        if (plan[d] != wanted) continue;
        text += QLatin1Char('+') + QString::number(d);
        any = true;
    }
    if (!any && noneWhenEmpty) text += QStringLiteral("+none");
    return text;
}

} // namespace

void TServer::startComputer(int stage) {
    m_computerStage = stage;
    m_computertimer.stop();
    // An interval of 0 would fire at once: wait for the first bot speed instead.
    m_computerWaiting = m_botinterval <= 0;
    if (m_computerWaiting) return;
    m_computertimer.setInterval(m_botinterval);
    m_computertimer.start();
}

void TServer::stopComputer() {
    m_computertimer.stop();
    m_computerWaiting = false;
}

void TServer::computertimerTimer() {
    stopComputer();
    if (!m_gameon || m_turnScored || !playedByComputer(m_currentseat)) return;
    if (m_computerStage == 2)
        computerplay(m_currentseat);
    else
        computerroll(m_currentseat);
}

void TServer::computerroll(int seat) {
    if (seat < 1 || seat > m_seatcount) return;
    const rules::Plan& plan = m_seats[seat].plan;
    bool anyToRoll = false;
    for (int d = 1; d <= rules::kDice; ++d)
        anyToRoll = anyToRoll || plan[d] == 0;
    if (m_rollno >= kMaxRolls || !anyToRoll)
        alldone(diceText(seat, plan, 1, true), 0);
    else
        rollthedice(diceText(seat, plan, 0, false), 0);
}

void TServer::computerplay(int seat) {
    if (seat < 1 || seat > m_seatcount) return;
    SeatRecord& rec = m_seats[seat];
    rec.plan.fill(0);
    if (rec.phase >= 1 && rec.phase <= rules::kPhases)
        rec.plan = rules::computerplay(rec.phase, m_dice);
    startComputer(1);
}
