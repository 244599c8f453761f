// The bot's book of ratings: each rated account's Weng-Lin rating, its rated games and
// the name it last played as, and the operators whose tables are trusted. Which results
// count is decided here too, from the result and who is in the room right now. Plain
// QtCore: the copy on the XMPP server is RatingStore's (the bot program's) business.
#pragma once

#include "lobbyproto/tables.h"
#include "ratings/ratings.h"

#include <QHash>
#include <QList>
#include <QSet>
#include <QString>
#include <optional>

namespace lobbybot {

struct PlayerRating {
    ratings::Rating rating;
    int games = 0; // rated games played
    QString name;  // the nick the account last played as
};

// One seat of a game that counts: the account behind it, its name and final score.
struct RatedSeat {
    QString account; // bare JID on the lobby domain
    QString name;
    int score = 0;
};

// Whether a result counts. `why` says in words why not; empty when it is rated.
struct Verdict {
    QString why;
    QList<RatedSeat> seats; // seat order, when rated
    bool rated() const { return why.isEmpty(); }
};

// What the judge needs to know about the table and the room.
struct ResultContext {
    bool trustedTable = false;         // one of the bot's own tables, or a trusted operator's
    QHash<QString, QString> occupants; // nick → real JID (full), as the room shows them
    // nick → the key of the table that occupant's lobby program says it plays at (its
    // presence's <at as="player"/>): the game's names are the players' word, this is
    // their lobby's, so nobody rates a game under the name of someone else in the room.
    QHash<QString, QString> playingAt;
    QString tableKey;   // the key of the table that reported the result
    QString domain;     // the lobby domain D
    QString botAccount; // lobbybot@D
};

// A finished game of 2 to 4 seats on a trusted table, with no turn of the computer's,
// every player there to the end, and every seat a different registered account (name@D,
// not a guest, not the bot) in the room under the seat's name, whose lobby program says
// it plays at this table. Anything else is not rated.
Verdict judgeResult(const lobby::Result& result, const ResultContext& context);

// "name@D" exactly: an account a player registered on the lobby domain.
bool isAccountOn(const QString& bareJid, const QString& domain);

// A name every ratings reader takes: 1 to kMaxNick characters, no control characters.
bool isListableName(const QString& name);

class RatingBook {
public:
    // Everything the store held. Until this is called nothing is rated.
    void load(QHash<QString, PlayerRating> players, QSet<QString> trusted);
    bool loaded() const { return m_loaded; }

    const PlayerRating* find(const QString& account) const;
    int size() const { return int(m_players.size()); }

    bool isTrusted(const QString& account) const { return m_trusted.contains(account); }
    void setTrusted(const QString& account, bool trusted);
    int trustedCount() const { return int(m_trusted.size()); }

    // Rates one game (new accounts start at the model's default) and records each seat's
    // name. Returns the accounts in seat order, or nothing when the model refused the game
    // (then nothing changed).
    std::optional<QStringList> rate(const QList<RatedSeat>& seats);

    // Up to kBestPlayers, highest ordinal first, ties by name then account.
    QList<lobby::RatedPlayer> best() const;
    // An account's entry under `name` (a nick in the room); the account must be rated.
    lobby::RatedPlayer entry(const QString& account, const QString& name) const;

private:
    bool m_loaded = false;
    QHash<QString, PlayerRating> m_players; // bare JID → rating
    QSet<QString> m_trusted;                // bare JIDs
};

// The stored form of one rating, the payload of its item (item id: the account):
// <player xmlns=kNs mu sigma games name/>, mu and sigma with 17 significant digits so
// they read back exactly.
lobby::Element playerPayload(const PlayerRating& p);
// nullopt for anything damaged: a number that does not read, a sigma not above 0, no games.
std::optional<PlayerRating> readPlayerPayload(const lobby::Element& e);

} // namespace lobbybot
