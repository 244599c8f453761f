// The lobby's table list as it travels over XMPP (docs/lobby-protocol.md): what a host
// announces, what the bot lists, and the changes it sends to the room. Reading checks
// every field against its limit; nothing read here is ever markup.
#pragma once

#include "lobbyproto/element.h"

#include <QString>
#include <QStringList>
#include <optional>

namespace lobby {

inline constexpr char kNs[] = "urn:zumvek:vimbrel:lobby:1";

// Limits every reader applies, in characters.
inline constexpr int kMaxTableName = 32;
inline constexpr int kMaxTableId = 16;    // [A-Za-z0-9_-]
inline constexpr int kMaxVersion = 16;    // digits and dots
inline constexpr int kMaxReason = 80;
inline constexpr int kMaxNick = 24;       // the game's name limit
inline constexpr int kSeats = 4;
inline constexpr int kSpectators = 5;

enum class TableState { Waiting, Playing };
enum class Reach { Checking, Reachable, Unreachable };

struct Table {
    // As the host announces it.
    QString id;           // the announcer's own id for this table, unique per account
    QString name;
    QString ipv4;         // empty when none; a dotted quad otherwise
    QString ipv6;         // empty when none; without brackets
    quint16 port = 0;     // 1..65535
    int seats = 0;        // players seated, 0..4
    int spectators = 0;   // 0..5
    TableState state = TableState::Waiting;
    QString version;      // the game's protocol version, "1.0.7"
    bool serverTable = false; // a table the bot runs on the server
    // Added by the bot when it lists the table.
    QString key;          // the list's own key, "t17"; never the announcer's address
    QString host;         // who announced it: the announcer's nick in the room
    Reach reach = Reach::Checking;
    QString reason;       // why not reachable, in words; empty otherwise
};

// <table xmlns=kNs id name ipv4 ipv6 port seats spectators state version server/>
Element announcement(const Table& t);
// The announced fields only, each checked; nullopt with `why` set on the first bad field.
std::optional<Table> readAnnouncement(const Element& e, QString* why = nullptr);

// A listed table: the announcement plus key, host, reach and reason.
Element listEntry(const Table& t);
std::optional<Table> readListEntry(const Element& e, QString* why = nullptr);

// <tables xmlns=kNs seq="N" full="0|1"> listEntry… <gone key="t3"/>… </tables>
// `full` marks a whole list (the answer to a request); otherwise these are changes
// that follow the change numbered seq-1.
struct Change {
    quint64 seq = 0;
    bool full = false;
    QList<Table> tables; // added or changed (or, when full, every table)
    QStringList gone;    // keys of tables that left the list
};
Element changeElement(const Change& c);
std::optional<Change> readChange(const Element& e, QString* why = nullptr);

// A game's result as a host reports it to the bot, in an iq set like its announcement:
// <result xmlns=kNs id end="finished|abandoned" rounds>
//   <seat n name score turns computer present="0|1" winner="0|1"/>…   (1 to 4, by n)
// </result>
// `id` is the announced table's id; `computer` counts the seat's turns the computer
// played in whole or in part. Whether a player was a guest is for the reader to know.
inline constexpr int kMaxRounds = 100000;
inline constexpr int kMaxTurns = 100000;
inline constexpr int kMaxScore = 1000000;

struct ResultSeat {
    int seat = 0; // 1..4
    QString name;
    int score = 0;
    int turns = 0;         // at least 1
    int computerTurns = 0; // 0..turns
    bool present = false;  // the player was at the table at the end
    bool winner = false;
    friend bool operator==(const ResultSeat&, const ResultSeat&) = default;
};
struct Result {
    QString id;
    bool finished = false; // false: abandoned
    int rounds = 0;
    QList<ResultSeat> seats;
    friend bool operator==(const Result&, const Result&) = default;
};
Element resultElement(const Result& r);
// Every field checked, and the whole agreeing with itself: seats in order and unique,
// a finished game's winners exactly the seats with the top score, an abandoned one's
// none. Anything else in the element refuses it.
std::optional<Result> readResult(const Element& e, QString* why = nullptr);

// Players' ratings, as the bot tells them: in the answer to
//   <iq type="get"><ratings xmlns=kNs/></iq>
// and, without a body, in the room whenever they change:
// <ratings xmlns=kNs>
//   <best><player name rating games/>…</best>      the best players, best first
//   <online><player name rating games/>…</online>  occupants of the room, by nick
// </ratings>
// The answer carries both parts whole: `best` lists up to kBestPlayers, `online` every
// occupant with a rating. A change in the room carries `best` whole when it changed, and
// in `online` only the occupants whose rating changed or who just came in.
// `rating` is the displayed rating (it may be negative), `games` the rated games played.
inline constexpr int kBestPlayers = 20;
inline constexpr int kMaxRatedPlayers = 5000; // entries in one <online>
inline constexpr int kMaxRating = 1000000;

struct RatedPlayer {
    QString name; // a nick in the room, or in `best` the name the account last played as
    int rating = 0;
    int games = 0;
    friend bool operator==(const RatedPlayer&, const RatedPlayer&) = default;
};
struct Ratings {
    bool hasBest = false; // whether `best` is part of this element (it may be empty)
    QList<RatedPlayer> best;
    QList<RatedPlayer> online;
    friend bool operator==(const Ratings&, const Ratings&) = default;
};
Element ratingsElement(const Ratings& r);
// Names as the game's (1 to kMaxNick characters, no control characters), ratings within
// ±kMaxRating, games at least 1, no more than kBestPlayers best; anything else refuses it.
std::optional<Ratings> readRatings(const Element& e, QString* why = nullptr);

// The room for this protocol version on a lobby domain: "vimbrel-1-0-7@conference.DOMAIN".
QString roomJid(const QString& domain, const QString& protocolVersion);
// The bot's full JID on a lobby domain: "lobbybot@DOMAIN/bot".
QString botJid(const QString& domain);
// The guest (anonymous) domain for a lobby domain: "guest.DOMAIN".
QString guestDomain(const QString& domain);

QString stateName(TableState s);  // "waiting" / "playing"
QString reachName(Reach r);       // "checking" / "yes" / "no"

} // namespace lobby
