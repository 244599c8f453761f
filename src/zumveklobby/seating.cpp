#include "zumveklobby/seating.h"

#include "lobbyproto/tables.h"

#include <QRegularExpression>

namespace zumvek {

lobby::Element atPayload(const Seat& seat) {
    return lobby::make(QStringLiteral("at"), QString::fromLatin1(lobby::kNs))
        .set(QStringLiteral("key"), seat.key)
        .set(QStringLiteral("as"),
             seat.spectator ? QStringLiteral("spectator") : QStringLiteral("player"));
}

std::optional<Seat> seatOf(const lobby::Element& presence) {
    const lobby::Element* at =
        presence.child(QStringLiteral("at"), QString::fromLatin1(lobby::kNs));
    if (!at) return std::nullopt;
    static const QRegularExpression keyPattern(QStringLiteral("^[A-Za-z0-9_-]{1,16}$"));
    const QString key = at->attr(QStringLiteral("key"));
    const QString as = at->attr(QStringLiteral("as"));
    if (!keyPattern.match(key).hasMatch()) return std::nullopt;
    if (as != QLatin1String("player") && as != QLatin1String("spectator")) return std::nullopt;
    return Seat{key, as == QLatin1String("spectator")};
}

SeatCount countAt(const QString& key, const QList<lobby::Element>& presences) {
    SeatCount n;
    for (const lobby::Element& p : presences) {
        const auto seat = seatOf(p);
        if (!seat || seat->key != key) continue;
        if (seat->spectator)
            n.spectators = qMin(n.spectators + 1, lobby::kSpectators);
        else
            n.players = qMin(n.players + 1, lobby::kSeats);
    }
    return n;
}

} // namespace zumvek
