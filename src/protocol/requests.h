// What the tables ask of the host, read and checked once, at the edge, so the host's
// handlers receive typed values. A reader throws ConvertError when a numeric field is
// not a number (the host reports that), and gives nothing when the fields are numbers
// but make no valid request (the host drops it without a word). Who may ask, and
// whether the game allows it now, is for the handler to judge.
#pragma once

#include <QList>
#include <QString>
#include <array>
#include <optional>

namespace wire {

// The longest player name, in UTF-16 units: the table's name entry keeps to it, and
// the host cuts a longer one at log-in.
inline constexpr int kMaxNameLength = 24;

} // namespace wire

namespace wire::req {

inline constexpr int kRecords = 9; // connection records 1..9
inline constexpr int kDice = 10;
// The bot speeds a table may ask for; outside them the computer would stall or race.
inline constexpr int kMinBotSpeedMs = 500;
inline constexpr int kMaxBotSpeedMs = 2000;

struct LogIn {
    int seat = 0; // 1..9
    QString version;
    QString name; // one line, at most kMaxNameLength
};
struct SeatValue {
    int seat = 0;
    int value = 0;
};
struct BotSkill {
    int seat = 0;
    bool expert = false;
};
struct JustWatch {
    int seat = 0;
    int mode = 0; // 1 the computer plays the seat, 2 its player plays again
};
struct Line {
    int seat = 0; // 1..9
    QString rest; // the text, "|" and its colour, on one line
};
struct StartGame {
    std::array<QString, 4> fields; // each on one line
};
struct Dice {
    int seat = 0;
    QList<int> dice; // distinct, each 1..10
};
struct Roll {
    int seat = 0;
    QList<int> dice;      // the dice to roll: distinct, each 1..10, at least one
    bool allHeld = false; // the body named only the seat: every die kept, the turn ends
};

struct Rejoin {
    int record = 0;   // 1..9: the record the connection has now
    QByteArray token; // 1..64 hexadecimal digits
};

// True when every die is 1..10 and none is named twice.
bool distinctDice(const QList<int>& dice);

std::optional<LogIn> logininfo(const QString& body);
std::optional<SeatValue> kickhim(const QString& body);  // requester, target
std::optional<SeatValue> botspeed(const QString& body); // requester, kMinBotSpeedMs..kMaxBotSpeedMs
std::optional<BotSkill> botskill(const QString& body); // requester, "normal" or "expert"
std::optional<JustWatch> justwatch(const QString& body);
std::optional<Line> line(const QString& body); // CMD_chat and CMD_action
std::optional<StartGame> startgame(const QString& body);
std::optional<Roll> rollthedice(const QString& body);
std::optional<Dice> alldone(const QString& body); // a body without its list ends nothing
std::optional<Rejoin> rejoin(const QString& body);

} // namespace wire::req
