// The state of the game itself, apart from the seats: the dice, whose turn it is,
// the round, the rolls of this turn and the pause after a scored turn.
#pragma once

#include "rules/rules.h"

namespace server {

class SeatTable;

inline constexpr int kMaxRolls = 3;    // a turn has at most three rolls
inline constexpr int kScoredRolls = 5; // rollno once a turn is scored (the snapshot's marker)

struct GameState {
    rules::Dice dice{};
    bool gameon = false;
    bool someoneout = false;
    bool turnScored = false;     // the current turn was scored; the pause is running
    bool computerInTurn = false; // the computer made a move in the current turn
    int currentseat = 0;
    int round = 0;
    int rollno = 0;
    int countdown = 0;

    // A new game: nobody's turn yet, round 0.
    void start();
    // The seat after `from` in the turn order that takes part; 0 when none does.
    static int nextSeat(int from, const SeatTable& seats);
    // The turn passes to `seat`: fresh dice, no rolls, a new round at seat 1.
    void beginTurn(int seat);
    // Requests for this turn come from its seat, and only until it is scored.
    bool turnOpenFor(int seat) const { return gameon && seat == currentseat && !turnScored; }
    bool mayRoll() const { return rollno < kMaxRolls; }
    void score() {
        turnScored = true;
        rollno = kScoredRolls;
    }
};

} // namespace server
