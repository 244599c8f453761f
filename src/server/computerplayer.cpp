#include "server/computerplayer.h"

namespace server {

ComputerPlayer::ComputerPlayer(std::function<void(Stage)> step) : m_step(std::move(step)) {
    m_timer.setObjectName(QStringLiteral("computertimer"));
    m_timer.setSingleShot(true);
    QObject::connect(&m_timer, &QTimer::timeout, [this] { tick(); });
}

void ComputerPlayer::setInterval(int ms) {
    m_interval = ms;
    if (m_waiting && m_interval > 0) start(m_stage);
}

void ComputerPlayer::start(Stage stage) {
    m_stage = stage;
    m_timer.stop();
    // An interval of 0 would fire at once: wait for the first bot speed instead.
    m_waiting = m_interval <= 0;
    if (m_waiting) return;
    m_timer.setInterval(m_interval);
    m_timer.start();
}

void ComputerPlayer::stop() {
    m_timer.stop();
    m_waiting = false;
}

void ComputerPlayer::tick() {
    const Stage due = m_stage;
    stop();
    if (m_step) m_step(due);
}

ComputerPlayer::Move ComputerPlayer::next(const rules::Plan& plan, int rollno, int maxRolls) {
    Move move;
    QList<int> toRoll, kept;
    for (int d = 1; d <= rules::kDice; ++d) {
        if (plan[d] == 0) toRoll.append(d);
        if (plan[d] == 1) kept.append(d);
    }
    move.endTurn = rollno >= maxRolls || toRoll.isEmpty();
    move.dice = move.endTurn ? kept : toRoll;
    return move;
}

} // namespace server
