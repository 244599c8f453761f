// Phase 8's chances, which depend on colours alone: a reroll draws among the faces of
// the die's other colours, so each die moves between colours with chances of its own.
#pragma once

#include "rules/rules.h"

#include <vector>

namespace rules {

class ColourOdds {
public:
    ColourOdds();

    // The ten colours as one number, two bits a die (die n at bits 2(n-1)); all rolled.
    using Colours = unsigned;
    static Colours coloursOf(const Dice& dice);
    static int colourOf(Colours colours, int die);

    // With one roll to come, the best chance of seven dice of one colour: hold the dice of
    // that colour and roll the rest. `colour` receives the colour (1..4) that gives it.
    double lastRoll(Colours colours, int* colour = nullptr);
    // The expected lastRoll() after holding the dice in `held` (bit n-1 for die n) and
    // rolling the others once.
    double afterHold(Colours colours, unsigned held);

private:
    double expect(Colours colours, unsigned held, int die, Colours next, double chance);

    // m_next[die][from][to]: a die of colour `from` shows `to` after a reroll.
    std::array<std::array<std::array<double, 5>, 5>, kDice + 1> m_next{};
    std::vector<float> m_last; // lastRoll by colours, filled as asked (-1 = not yet)
};

} // namespace rules
