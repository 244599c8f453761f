#include "server/heldseats.h"

#include <QRandomGenerator>

namespace server {

namespace {

bool isSeat(int s) {
    return s >= 1 && s <= 4;
}

} // namespace

HeldSeats::WordSource HeldSeats::systemWords() {
    return [] { return QRandomGenerator::system()->generate(); };
}

QByteArray HeldSeats::issue(int seat) {
    if (!isSeat(seat)) return {};
    // 128 bits, as 32 hex digits written into one buffer.
    static constexpr char kHex[] = "0123456789abcdef";
    QByteArray token(32, Qt::Uninitialized);
    char* out = token.data();
    for (int i = 0; i < 4; ++i) {
        const quint32 w = m_words();
        for (int shift = 28; shift >= 0; shift -= 4)
            *out++ = kHex[(w >> shift) & 0xF];
    }
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
