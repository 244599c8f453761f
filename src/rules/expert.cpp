// The Expert computer player: the best play of the rest of the turn, worked out exactly.
//
// Phases made of values: TurnProgramme works out the best hold of every position exactly
// (see turnprogramme.h for why that is within reach). That takes about a second a phase,
// too long to wait for in a turn, so the holds are worked out when the game is built and
// looked up here. Phase 8 is made of colours, whose positions are too many for a table
// but few enough per turn: its chances are worked out as the turn goes (ColourOdds).
// Exact play needs no chance of its own, so a seeded game replays exactly.
#include "rules/colourodds.h"
#include "rules/expertpolicy.h"
#include "rules/turnprogramme.h"

#include <cstdio>
#include <cstdlib>

namespace rules {

namespace {

// Each die shows one of its own faces, as the game's rolls leave it.
bool dealt(const Dice& dice) {
    for (int n = 1; n <= kDice; ++n) {
        bool face = false;
        for (int f = 1; f <= 6 && !face; ++f)
            face = faceValue(n, f) == dice[n].value && findcolor(n, f) == dice[n].colour;
        if (!face) return false;
    }
    return true;
}

Plan coloursPlay(const Dice& dice, int rollsLeft) {
    // One table per thread: it fills as positions are met, and games may run side by side.
    thread_local ColourOdds odds;
    const ColourOdds::Colours colours = ColourOdds::coloursOf(dice);
    const auto diceOf = [&](int c) {
        unsigned held = 0;
        for (int n = 1; n <= kDice; ++n)
            if (dice[n].colour == c) held |= 1u << (n - 1);
        return held;
    };
    // A die kept is only worth keeping for its own colour, and a die of the colour aimed
    // at is never rolled (it would come back another colour), so a hold is one colour.
    unsigned best = 0;
    if (rollsLeft == 1) {
        int colour = 1;
        odds.lastRoll(colours, &colour);
        best = diceOf(colour);
    } else {
        double bestChance = -1;
        for (int c = 1; c <= 4; ++c) {
            const unsigned held = diceOf(c);
            if (held == 0) continue;
            const double chance = odds.afterHold(colours, held);
            if (chance > bestChance) {
                bestChance = chance;
                best = held;
            }
        }
    }
    Plan plan{};
    for (int n = 1; n <= kDice; ++n)
        plan[n] = (best >> (n - 1)) & 1u;
    return plan;
}

} // namespace

std::uint16_t expertPolicy(int phase, int rollsLeft, int position) {
    // A lookup outside the table is a fault in the game: a hold read from a neighbouring
    // phase, or none, would play on quietly and wrongly.
    const auto noHold = [&] {
        std::fprintf(stderr,
                     "expertPolicy: no hold for phase %d, %d rolls left, position %d "
                     "(a table of %zu characters)\n",
                     phase, rollsLeft, position, kExpertPolicySize);
        std::abort();
    };
    if (!TurnProgramme::covers(phase) || rollsLeft < 1 || rollsLeft > 2 || position < 0 ||
        position >= TurnProgramme::kPositions)
        noHold();
    const std::size_t at = ((std::size_t(policySlot(phase)) * 2 + std::size_t(rollsLeft - 1)) *
                                std::size_t(TurnProgramme::kPositions) +
                            std::size_t(position)) *
                           2;
    if (at + 1 >= kExpertPolicySize) noHold();
    const auto digit = [](char c) { return c <= '9' ? c - '0' : c - 'a' + 10; };
    return std::uint16_t(digit(kExpertPolicy[at]) << 5 | digit(kExpertPolicy[at + 1]));
}

Plan expertplay(int phase, const Dice& dice, int rollsLeft) {
    if (phase < 1 || phase > kPhases) return Plan{};
    Plan finish{};
    const bool complete = finishingHold(phase, dice, finish) > 0;
    // The last decision ends the turn: the best completing hold if there is one. Earlier,
    // the table's hold for a made phase of values keeps it made, with whatever else is
    // worth keeping for points.
    if (complete && (rollsLeft <= 0 || phase == 8 || !dealt(dice))) return finish;
    if (rollsLeft <= 0 || !dealt(dice)) {
        Plan plan = computerplay(phase, dice);
        for (int n = 1; n <= kDice; ++n)
            if (dice[n].colour == 0) plan[n] = 0;
        return plan;
    }
    rollsLeft = std::min(rollsLeft, 2);
    if (phase == 8) return coloursPlay(dice, rollsLeft);
    return TurnProgramme::planFor(dice,
                                  expertPolicy(phase, rollsLeft, TurnProgramme::positionOf(dice)));
}

Plan computerplayFor(Skill skill, int phase, const Dice& dice, int rollsLeft) {
    if (skill == Skill::Expert) return expertplay(phase, dice, rollsLeft);
    return computerplay(phase, dice);
}

} // namespace rules
