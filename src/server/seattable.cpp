#include "server/seattable.h"

namespace server {

SeatTable::SeatTable() {
    m_records[2].botname = QStringLiteral("Klot");
    m_records[3].botname = QStringLiteral("Klock");
    m_records[4].botname = QStringLiteral("Kling");
}

SeatTable::Allowances SeatTable::allowances(int burst) {
    Allowances all;
    all.fill(wire::LineAllowance(wire::kLineWindowMs, burst));
    return all;
}

int SeatTable::chooseRecord() const {
    if (m_recordcount == 0) return 1;
    auto taken = [this](int r) { return m_records[r].connected || m_records[r].held; };
    int r = 1;
    while (r < m_recordcount && taken(r))
        ++r;
    if (!taken(r)) return r;
    return r >= kMaxRecords ? kFullRecord : r + 1;
}

void SeatTable::take(int r) {
    SeatRecord& rec = m_records.at(r);
    rec.connected = true;
    rec.loggedIn = false;
    rec.quiet = false;
    m_recordcount = std::max(m_recordcount, r);
    m_inboxes.at(r).clear();
    m_lines.at(r).clear();
    m_requests.at(r).clear();
    m_logLines.at(r).clear();
    m_logMuted.at(r) = false;
}

void SeatTable::release(int r) {
    SeatRecord& rec = m_records.at(r);
    rec.connected = false;
    rec.loggedIn = false;
    rec.quiet = false;
    rec.name.clear();
    rec.computer = false;
    m_inboxes.at(r).clear();
}

void SeatTable::hold(int r) {
    const QString name = m_records.at(r).name;
    release(r);
    m_records.at(r).name = name;
    m_records.at(r).held = true;
}

void SeatTable::unhold(int r) {
    SeatRecord& rec = m_records.at(r);
    if (!rec.held) return;
    rec.held = false;
    if (!rec.connected) rec.name.clear();
}

void SeatTable::resetGame() {
    for (int s = 1; s <= kSeatCount; ++s) {
        SeatRecord& rec = m_records[s];
        rec.score = 0;
        rec.computer = false;
        rec.phase = 1;
        rec.status = 0;
        rec.phasepoints.fill(0);
        rec.scorebonus = 0;
        rec.outbonus = 0;
        rec.turns = 0;
        rec.computerTurns = 0;
        rec.resultName.clear();
        unhold(s);
    }
}

bool SeatTable::takesPart(int seat) const {
    if (!isSeat(seat)) return false;
    const SeatRecord& rec = m_records[seat];
    // A connection still to log in is nobody yet: it neither plays nor takes a turn.
    return ((rec.connected && rec.loggedIn && !rec.quiet) || rec.held || seat == 2) &&
           rec.status < 2;
}

bool SeatTable::playedByComputer(int seat) const {
    if (!isSeat(seat)) return false;
    const SeatRecord& rec = m_records[seat];
    return !(rec.connected && rec.loggedIn && !rec.quiet) || rec.computer;
}

QString SeatTable::seatName(int seat) const {
    const SeatRecord& rec = record(seat);
    return rec.name.isEmpty() ? rec.botname : rec.name;
}

} // namespace server
