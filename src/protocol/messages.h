// Every message of the game, built to its exact bytes (terminator included) and
// read back into plain structs. Readers throw ConvertError on a numeric field that
// is not a number; range checks belong to the handler that knows the ranges.
#pragma once

#include <QByteArray>
#include <QList>
#include <QString>
#include <array>

namespace wire {

// Wraps a message text: UTF-8 bytes and the terminator.
QByteArray frame(const QString& text);

struct DieFace {
    int die = 0;    // 1..10
    int value = 0;  // 0 = wild, 1..10
    int colour = 0; // 1..4
    friend bool operator==(const DieFace&, const DieFace&) = default;
};

struct ScoreCell {
    int seat = 0;   // 1..4
    int column = 0; // 1..12
    int points = 0;
    friend bool operator==(const ScoreCell&, const ScoreCell&) = default;
};

namespace msg {

// What a dedicated host tells every table as it stops. The tables know it, and show it in
// their player's language.
inline constexpr char kClosingNotice[] = "The table is closing. Thanks for playing!";

// ---- client to host -------------------------------------------------------
QByteArray logininfo(int seat, const QString& version, const QString& name);
QByteArray kickhim(int seat, int target);
QByteArray botspeed(int seat, int milliseconds);
// Klot's skill, "normal" or "expert"; hosts that do not know it drop it.
QByteArray botskill(int seat, bool expert);
QByteArray chat(int seat, const QString& text, const QString& colourText);
QByteArray action(int seat, const QString& text, const QString& colourText);
QByteArray startgame(const QString& name);
QByteArray justwatch(int seat, int mode);
// After its log-in, a table that dropped from this host's game presents the secret
// it was given for its seat.
QByteArray rejoin(int record, const QByteArray& token);
QByteArray rollthedice(int seat, const QList<int>& dice);
QByteArray alldone(int seat, const QList<int>& dice);

// ---- host to client -------------------------------------------------------
QByteArray sendlogininfo(int record);
QByteArray full();
QByteArray newplayerinfo(int record, const QString& name);
QByteArray existingplayers(int record, const QString& name);
QByteArray havewrongversion(const QString& name);
QByteArray wrongversion();
struct LoadStats {
    int record = 0, currentSeat = 0, phase = 0, round = 0, rolls = 0;
    std::array<int, 4> scores{};
    QList<DieFace> dice; // only dice worth listing; empty list is "+none"
};
QByteArray loadstats(const LoadStats& s);
QByteArray loadpscores(int record, const QList<ScoreCell>& cells);
QByteArray playerdisconnected(int record, const QString& name);
// Record 1 removed this record: said to everyone, the removed one included, before
// its connection closes.
QByteArray removed(int record, const QString& name);
QByteArray justwatching(int seat, int mode);
QByteArray chatRelay(const QString& name, const QString& rest);
QByteArray actionRelay(const QString& name, const QString& rest);
QByteArray startgameRelay(const std::array<QString, 4>& fields);
QByteArray nextplayer(int seat, int phase, int round);
QByteArray createdice(int seat, int rolls, const QList<DieFace>& dice);
QByteArray scores(int seat, int phaseDone, int total, int points, int bonus, const QString& marker,
                  const QList<int>& used);
QByteArray noscore(int seat, const QList<int>& held);
QByteArray markoff(int seat, int phase);
QByteArray winner(const QString& names);
// A dedicated host tells record 1 that it holds the host's powers (start, remove,
// bot speed). Tables that do not know it ignore it.
QByteArray hostpowers();
// Seat players' secrets and coming back (tables that do not know these drop them):
// the secret that lets this connection's player back into its seat in this game;
QByteArray seattoken(const QByteArray& token);
// a seat waits for its player, who dropped (an empty name: it waits no longer);
QByteArray seatheld(int seat, const QString& name);
// this connection is back in its seat, which is now its record.
QByteArray rejoined(int seat);
// A line from the host itself, shown in the system colour (blue) on every table.
QByteArray hostNotice(const QString& line);

} // namespace msg

// ---- the table's readers (given the body after "CMD_x+"); the host's are in requests.h
namespace read {

struct SeatValue { int seat; int value; };
SeatValue justwatching(const QString& body); // seat, mode (non-numeric mode gives 0)

std::array<QString, 4> startgame(const QString& body);

struct Record { int record; QString name; };
Record recordName(const QString& body); // sendlogininfo, newplayerinfo, ...

msg::LoadStats loadstats(const QString& body);
struct PScores { int record; QList<ScoreCell> cells; };
PScores loadpscores(const QString& body);

struct NextPlayer { int seat; int phase; QString round; };
NextPlayer nextplayer(const QString& body);

struct CreateDice { int seat; int rolls; QList<DieFace> dice; };
CreateDice createdice(const QString& body);

struct Scores {
    int seat, phase, total, points, bonus;
    QString marker;
    QList<int> used;
};
Scores scores(const QString& body);

struct NoScore { int seat; QList<int> held; };
NoScore noscore(const QString& body);

struct MarkOff { int seat; int phase; };
MarkOff markoff(const QString& body);

QString winner(const QString& body);

// Chat and action lines: the line, and its colour (clRed when missing or unreadable).
struct ChatLine { QString line; quint32 colour; };
ChatLine chatLine(const QString& body);

} // namespace read
} // namespace wire
