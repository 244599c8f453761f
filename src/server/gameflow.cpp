// The flow of a game: starting it, rolling, passing the turn, the pause after a
// scored turn and the winner.
#include "server/tserver.h"

#include "protocol/messages.h"
#include "server/logtext.h"

#include <string>
#include <utility>

using namespace server;

// Sender first, then the game state: only the current seat, only before its turn
// was scored, and not while the computer plays it (one turn has one player).
bool TServer::turnOpenFor(int seat, int sender) const {
    if (sender != 0 && (sender != seat || playedByComputer(seat))) return false;
    return m_game.turnOpenFor(seat);
}

void TServer::startgame(const wire::req::StartGame& request, int sender) {
    // A running game is its owner's to end; a new one any seated player may start.
    if (sender != 0 && (m_game.gameon ? sender != 1 : !SeatTable::isSeat(sender))) return;
    if (!takeRequest(sender)) return;
    reportResult(GameEnd::Abandoned);
    m_computer.stop();
    m_timer1.stop();
    m_game.start();
    broadcast(wire::msg::startgameRelay(request.fields));
    // The log names who asked, not whom the request names.
    log(QStringLiteral("game started by %1")
            .arg(logField(sender != 0 ? record(sender).name : request.fields[0])));
    for (int s = 1; s <= kSeatCount; ++s)
        giveUpHeldSeat(s);
    m_held.clear();
    m_resume.fill(false);
    m_seats.resetGame();
    // Every seated player gets the secret that lets them back in if they drop.
    for (int s = 1; s <= kSeatCount; ++s)
        if (record(s).connected) sendToken(s);
    findplayer();
    noteTable();
}

void TServer::rollthedice(const wire::req::Roll& request, int sender) {
    if (request.allHeld) {
        // Every die held: the request ends the turn with all ten.
        alldone({request.seat, request.dice}, sender);
        return;
    }
    if (!turnOpenFor(request.seat, sender)) return;
    // Honest tables stop offering the roll after the third; anything more is refused.
    if (!m_game.mayRoll()) return;

    ++m_game.rollno;
    QList<wire::DieFace> rolled;
    rolled.reserve(request.dice.size());
    for (int d : request.dice) {
        rolldice(d);
        rolled.append({d, m_game.dice[d].value, m_game.dice[d].colour});
    }
    broadcast(wire::msg::createdice(request.seat, m_game.rollno, rolled));
    if (playedByComputer(m_game.currentseat)) m_computer.start(ComputerPlayer::Stage::Decide);
}

void TServer::rolldice(int die) {
    if (die < 1 || die > rules::kDice) return;
    rules::rolldice(m_game.dice, die, m_draw);
}

void TServer::findplayer() {
    m_computer.stop();
    // Players who came back during their own turn take their seats over now.
    for (int s = 1; s <= kSeatCount; ++s) {
        if (!std::exchange(m_resume[s], false)) continue;
        m_seats.at(s).computer = false;
        broadcast(wire::msg::justwatching(s, 2));
    }
    // A pause still running would pass the turn a second time.
    m_timer1.stop();
    const int seat = GameState::nextSeat(m_game.currentseat, m_seats);
    if (seat == 0) {
        checkforwin();
        return;
    }
    m_game.beginTurn(seat);
    SeatRecord& rec = m_seats.at(seat);
    rec.points = 0;
    broadcast(wire::msg::nextplayer(seat, rec.phase, m_game.round));
    if (playedByComputer(seat)) {
        rec.plan.fill(0);
        m_computer.start(ComputerPlayer::Stage::Roll);
    }
}

void TServer::timer1Timer() {
    --m_game.countdown;
    if (m_game.countdown >= 1) return;
    m_timer1.stop();
    findplayer();
}

bool TServer::checkforwin() {
    std::array<std::string, 4> names;
    std::array<int, 4> scores{};
    for (int s = 1; s <= kSeatCount; ++s) {
        names[s - 1] = m_seats.seatName(s).toStdString();
        scores[s - 1] = record(s).score;
    }
    const QString winner = QString::fromStdString(rules::winnerText(names, scores));
    // Built before the held seats are given up: a seat still held was not present.
    reportResult(GameEnd::Finished);
    // Nobody comes back to a finished game; the winner is the game's last word.
    for (int s = 1; s <= kSeatCount; ++s)
        giveUpHeldSeat(s);
    m_held.clear();
    broadcast(wire::msg::winner(winner));
    log(QStringLiteral("game over: %1 won").arg(logField(winner, 4 * kLogFieldLength)));
    m_game.gameon = false;
    noteTable();
    return true;
}
