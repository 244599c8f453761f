// Players' ratings as this program knows them: the bot's answer to a ratings request,
// then the changes it sends to the room (docs/lobby-protocol.md, "Ratings"). Every
// element is read with lobby::readRatings first; what it refuses changes nothing.
#pragma once

#include "lobbyproto/tables.h"

#include <QHash>
#include <QList>
#include <QString>
#include <optional>

namespace zumvek {

class RatingBook {
public:
    // The bot's answer, the whole iq. A result carrying ratings that read replaces
    // everything; an error (a bot that does not rate answers service-unavailable) or an
    // answer that does not read leaves the book empty. True when it held ratings.
    bool takeAnswer(const lobby::Element& reply);
    // A <ratings> element the bot sent to the room: `best` replaces the whole list when
    // present, each `online` entry replaces that nick's. False, and nothing changed, when
    // readRatings refuses it.
    bool takeChange(const lobby::Element& ratings);
    // The occupant `nick` left the room; a newcomer under that nick is not given its
    // rating. True when there was one.
    bool forget(const QString& nick);
    void clear();

    // The best players, best first, as the bot ranks them.
    const QList<lobby::RatedPlayer>& best() const { return m_best; }
    // The rating of the occupant `nick`; nullopt for a player without a rated game.
    std::optional<lobby::RatedPlayer> of(const QString& nick) const;

private:
    void apply(const lobby::Ratings& r);

    QList<lobby::RatedPlayer> m_best;
    QHash<QString, lobby::RatedPlayer> m_online; // by nick
};

} // namespace zumvek
