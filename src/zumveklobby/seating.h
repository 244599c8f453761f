// Who sits where: a lobby program names the table its player is at in its room
// presence, <at xmlns=kNs key="t3" as="player|spectator"/>. Everything read here came
// from other people's presences, so it is checked like any other field.
#pragma once

#include "lobbyproto/element.h"

#include <QList>
#include <QString>
#include <optional>

namespace zumvek {

struct Seat {
    QString key;            // the table's key in the bot's list
    bool spectator = false; // as="spectator"
};

// The <at> payload for our own presence.
lobby::Element atPayload(const Seat& seat);
// The seat a presence names, or nullopt when it names none or a malformed one.
std::optional<Seat> seatOf(const lobby::Element& presence);

struct SeatCount {
    int players = 0;    // at most lobby::kSeats
    int spectators = 0; // at most lobby::kSpectators
};
// How many of `presences` sit at `key`, capped at what a table can hold, so the count
// can be announced as it is.
SeatCount countAt(const QString& key, const QList<lobby::Element>& presences);

} // namespace zumvek
