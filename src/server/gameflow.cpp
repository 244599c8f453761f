// The flow of a game: starting it, rolling, passing the turn, the pause after a
// scored turn and the winner.
#include "server/serverform.h"

#include "protocol/fields.h"
#include "protocol/messages.h"
#include "protocol/wiretext.h"

#include <string>

using namespace server;

bool TServer::takesPart(int seat) const {
    if (seat < 1 || seat > m_seatcount) return false;
    const SeatRecord& rec = m_seats[seat];
    return (rec.connected || seat == 2) && rec.status < 2;
}

bool TServer::playedByComputer(int seat) const {
    if (seat < 1 || seat > m_seatcount) return false;
    return !m_seats[seat].connected || m_seats[seat].computer;
}

// Sender first, then the game state: only the current seat, only before its turn
// was scored.
bool TServer::turnOpenFor(int seat, int sender) const {
    if (sender != 0 && sender != seat) return false;
    return m_gameon && seat == m_currentseat && !m_turnScored;
}

void TServer::startgame(const QString& body, int /*sender*/) {
    stopComputer();
    m_timer1.stop();
    m_gameon = true;
    m_someoneout = false;
    std::array<QString, 4> fields = wire::read::startgame(body);
    for (QString& f : fields)
        f = wire::singleLine(f);
    broadcast(wire::msg::startgameRelay(fields));
    for (int s = 1; s <= m_seatcount; ++s) {
        SeatRecord& rec = m_seats[s];
        rec.score = 0;
        rec.computer = false;
        rec.phase = 1;
        rec.status = 0;
        rec.phasepoints.fill(0);
        rec.scorebonus = 0;
        rec.outbonus = 0;
    }
    m_round = 0;
    m_currentseat = 0;
    m_turnScored = false;
    findplayer();
}

void TServer::rollthedice(const QString& body, int sender) {
    if (!body.contains(QLatin1Char('+'))) {
        // Every die held: the request ends the turn with all ten.
        const int seat = wire::toInt(body);
        if (sender != 0 && sender != seat) return;
        alldone(body + QStringLiteral("+1+2+3+4+5+6+7+8+9+10"), sender);
        return;
    }
    const auto req = wire::read::diceRequest(body);
    std::array<bool, rules::kDice + 1> seen{};
    for (int d : req.dice) {
        if (d < 1 || d > rules::kDice || seen[d]) return;
        seen[d] = true;
    }
    if (req.dice.isEmpty() || !turnOpenFor(req.seat, sender)) return;
    // Honest tables stop offering the roll after the third; anything more is refused.
    if (m_rollno >= kMaxRolls) return;

    ++m_rollno;
    QList<wire::DieFace> rolled;
    for (int d : req.dice) {
        rolldice(d);
        rolled.append({d, m_dice[d].value, m_dice[d].colour});
    }
    broadcast(wire::msg::createdice(req.seat, m_rollno, rolled));
    if (playedByComputer(m_currentseat)) startComputer(2);
}

void TServer::rolldice(int die) {
    if (die < 1 || die > rules::kDice) return;
    rules::rolldice(m_dice, die, m_draw);
}

void TServer::findplayer() {
    stopComputer();
    // A pause still running would pass the turn a second time.
    m_timer1.stop();
    bool anyone = false;
    for (int s = 1; s <= m_seatcount; ++s)
        anyone = anyone || takesPart(s);
    if (!anyone) {
        checkforwin();
        return;
    }
    do {
        m_currentseat = m_currentseat >= m_seatcount ? 1 : m_currentseat + 1;
    } while (!takesPart(m_currentseat));
    if (m_currentseat == 1) ++m_round;

    m_dice = rules::Dice{};
    m_rollno = 0;
    m_turnScored = false;
    SeatRecord& rec = m_seats[m_currentseat];
    rec.points = 0;
    broadcast(wire::msg::nextplayer(m_currentseat, rec.phase, m_round));
    if (playedByComputer(m_currentseat)) {
        rec.plan.fill(0);
        startComputer(1);
    }
}

void TServer::timer1Timer() {
    --m_countdown;
    if (m_countdown >= 1) return;
    m_timer1.stop();
    findplayer();
}

bool TServer::checkforwin() {
    std::array<std::string, 4> names;
    std::array<int, 4> scores{};
    for (int s = 1; s <= kSeatCount; ++s) {
        const SeatRecord& rec = m_seats[s];
        names[s - 1] = (rec.name.isEmpty() ? rec.botname : rec.name).toStdString();
        scores[s - 1] = rec.score;
    }
    broadcast(wire::msg::winner(QString::fromStdString(rules::winnerText(names, scores))));
    m_gameon = false;
    return true;
}
