// The best play of a turn, worked out exactly, for every phase made of values (all but
// phase 8, which is made of colours).
//
// Why exact play is within reach: for these phases a die matters only through its face.
// The value is the face's (dice 1..4: 1..4 or a wild; dice 5..10: face + 4), and a reroll
// draws evenly among the faces of another colour, which are the same faces on every die:
// faces 1 and 5 share a colour, so do 2 and 6, while 3 and 4 stand alone. So dice 1..4 are
// interchangeable with each other, and so are dice 5..10, and a turn's position is two
// multisets of faces: 126 x 462 = 58,212 positions. A dynamic programme over them, rolling
// the released dice one at a time, gives the best expected worth and the hold that reaches
// it for every position and every number of rolls left. A phase the dice already make is
// never given up for more points: every hold from such a position still makes it.
#pragma once

#include "rules/rules.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

namespace rules {

class TurnProgramme {
public:
    // What ending the turn with `points` (0 = not complete) is worth. Values phases only.
    using Worth = std::function<double(int points)>;
    TurnProgramme(int phase, const Worth& worth);
    ~TurnProgramme();
    TurnProgramme(const TurnProgramme&) = delete;
    TurnProgramme& operator=(const TurnProgramme&) = delete;

    // The phase is one this programme can play (1..10 but 8).
    static bool covers(int phase);

    // The best expected worth from `dice` (all rolled) with `rollsLeft` rolls to come (0..2).
    double value(const Dice& dice, int rollsLeft) const;
    // The hold that reaches it; with no rolls left, the dice to end the turn with.
    Plan bestHold(const Dice& dice, int rollsLeft) const;
    // The expected worth after holding `hold` (rolled dice only) and playing best after.
    double holdValue(const Dice& dice, const Plan& hold, int rollsLeft) const;
    // A whole turn played best, from before the first roll.
    double turnValue() const;

    // Positions and holds as numbers, for tables worked out ahead of play.
    static constexpr int kPositions = 126 * 462;
    // The position of `dice`, all rolled; 0 .. kPositions - 1.
    static int positionOf(const Dice& dice);
    // The best hold at `position` with 1 or 2 rolls left, as a number below 1024.
    std::uint16_t holdCode(int position, int rollsLeft) const;
    // The dice that hold number `code` keeps at the position of `dice`.
    static Plan planFor(const Dice& dice, std::uint16_t code);

    struct Tables;

private:
    void workOutEnds();
    void workOutRoll(int rollsLeft);

    int m_phase;
    Worth m_worth;
    std::unique_ptr<Tables> m_t;
};

// What ending a turn with `points` is worth when only completing counts.
double completionOnly(int points);

} // namespace rules
