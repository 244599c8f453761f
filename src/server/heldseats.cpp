#include "server/heldseats.h"

#include <QRandomGenerator>

namespace server {

namespace {

bool isSeat(int s) {
    return s >= 1 && s <= 4;
}

} // namespace

QByteArray HeldSeats::issue(int seat) {
    if (!isSeat(seat)) return {};
    // 128 bits from the system's generator: not guessable from the wire or the clock.
    std::array<quint32, 4> words{};
    QRandomGenerator::system()->fillRange(words.data(), words.size());
    QByteArray token;
    for (quint32 w : words)
        token += QByteArray::number(w, 16).rightJustified(8, '0');
    m_seats[seat].token = token;
    return token;
}

bool HeldSeats::hold(int seat, qint64 now) {
    if (!isSeat(seat) || m_seats[seat].token.isEmpty()) return false;
    QList<qint64>& returns = m_seats[seat].returns;
    returns.removeIf([now](qint64 t) { return now - t >= kReturnWindowMs; });
    if (returns.size() >= kMaxReturns) return false;
    m_seats[seat].held = true;
    return true;
}

bool HeldSeats::isHeld(int seat) const {
    return isSeat(seat) && m_seats[seat].held;
}

int HeldSeats::find(const QByteArray& token) const {
    if (token.isEmpty()) return 0;
    for (int s = 1; s <= 4; ++s)
        if (m_seats[s].held && m_seats[s].token == token) return s;
    return 0;
}

void HeldSeats::returned(int seat, qint64 now) {
    if (!isSeat(seat)) return;
    m_seats[seat].held = false;
    m_seats[seat].token.clear();
    m_seats[seat].returns.append(now);
}

void HeldSeats::release(int seat) {
    if (!isSeat(seat)) return;
    m_seats[seat].held = false;
    m_seats[seat].token.clear();
}

void HeldSeats::clear() {
    m_seats = {};
}

} // namespace server
