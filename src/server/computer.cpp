// The computer player's steps: the same requests a table would send for its seat.
#include "server/tserver.h"

using namespace server;

void TServer::computerStep(ComputerPlayer::Stage stage) {
    if (!m_game.gameon || m_game.turnScored || !playedByComputer(m_game.currentseat)) return;
    m_game.computerInTurn = true;
    if (stage == ComputerPlayer::Stage::Decide)
        computerplay(m_game.currentseat);
    else
        computerroll(m_game.currentseat);
}

void TServer::computerroll(int seat) {
    if (!SeatTable::isSeat(seat)) return;
    const ComputerPlayer::Move move =
        ComputerPlayer::next(record(seat).plan, m_game.rollno, kMaxRolls);
    if (move.endTurn)
        alldone({seat, move.dice}, 0);
    else
        rollthedice({seat, move.dice, false}, 0);
}

void TServer::computerplay(int seat) {
    if (!SeatTable::isSeat(seat)) return;
    SeatRecord& rec = m_seats.at(seat);
    rec.plan.fill(0);
    // Neither skill draws from the face source, so seeded games replay exactly.
    if (rec.phase >= 1 && rec.phase <= rules::kPhases)
        rec.plan =
            rules::computerplayFor(m_skill, rec.phase, m_game.dice, kMaxRolls - m_game.rollno);
    m_computer.start(ComputerPlayer::Stage::Roll);
}
