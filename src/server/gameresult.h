// What a game came to, as the host saw it: one plain value built when a game ends,
// for whoever keeps results (the dedicated host passes it to the lobby). The host
// cannot tell a guest from a registered player; whoever reads the result decides that.
#pragma once

#include <QList>
#include <QString>

namespace server {

class SeatTable;

enum class GameEnd {
    Finished,  // played to the end: the winners are known
    Abandoned, // ended before that (a new game started over it, the host went down)
};

struct SeatResult {
    int seat = 0;  // 1..4
    QString name;  // the name the seat went by at its last turn
    int score = 0; // the seat's total, bonuses included
    int turns = 0; // turns the seat played to the end (scored or not)
    // Of those turns, how many the computer played in whole or in part (a player who
    // just watched, a held seat, the computer's own seat). Counted in turns, not time,
    // so the figure is the same however fast the computer plays.
    int computerTurns = 0;
    // The seat's player was at the table when the game ended (not gone, not held).
    bool present = false;
    bool winner = false;
    friend bool operator==(const SeatResult&, const SeatResult&) = default;
};

struct GameResult {
    GameEnd end = GameEnd::Finished;
    int rounds = 0;
    // Every seat that played at least one turn, by seat number. Winners are the seats
    // with the highest score when the game finished; nobody wins an abandoned game.
    QList<SeatResult> seats;
    friend bool operator==(const GameResult&, const GameResult&) = default;
};

// The result of the game the seat table holds now; `rounds` is the game's last round.
GameResult gameResult(const SeatTable& seats, GameEnd end, int rounds);

} // namespace server
