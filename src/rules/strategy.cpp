#include "rules/rules.h"

#include <algorithm>

namespace rules {

namespace {

// How many of all ten dice show each value 1..10; wilds are not counted.
using Counts = std::array<int, 11>;

Counts countValues(const Dice& dice) {
    Counts counts{};
    for (int n = 1; n <= kDice; ++n) {
        if (dice[n].value >= 1 && dice[n].value <= 10) ++counts[dice[n].value];
    }
    return counts;
}

void holdWilds(const Dice& dice, Plan& plan) {
    for (int n = 1; n <= kDice; ++n) {
        if (dice[n].value == 0) plan[n] = 1;
    }
}

// Holds up to `limit` more dice showing `value`, lowest die first.
void holdUpTo(const Dice& dice, Plan& plan, int value, int limit) {
    for (int n = 1; n <= kDice && limit > 0; ++n) {
        if (plan[n] == 0 && dice[n].value == value) {
            plan[n] = 1;
            --limit;
        }
    }
}

// Holds the first die not yet held of each value lo..10.
void holdOneOfEach(const Dice& dice, Plan& plan, int lo) {
    std::array<bool, 11> seen{};
    for (int n = 1; n <= kDice; ++n) {
        const int value = dice[n].value;
        if (plan[n] == 0 && value >= lo && value <= 10 && !seen[value]) {
            seen[value] = true;
            plan[n] = 1;
        }
    }
}

// Two sets of `size`: the two highest values 4..10 shown at least twice. Low values make
// poor sets, so without two candidates the 10s are kept as a start.
Plan twoSets(const Dice& dice, int size) {
    Plan plan{};
    const Counts counts = countValues(dice);
    holdWilds(dice, plan);
    int found = 0;
    for (int value = 10; value >= 4 && found < 2; --value) {
        if (counts[value] >= 2) {
            holdUpTo(dice, plan, value, size);
            ++found;
        }
    }
    if (found < 2) holdUpTo(dice, plan, 10, kDice);
    return plan;
}

// A set of `size` (highest value 4..10 shown at least twice) and one die each of 6..10.
Plan setAndRun(const Dice& dice, int size) {
    Plan plan{};
    const Counts counts = countValues(dice);
    holdWilds(dice, plan);
    for (int value = 10; value >= 4; --value) {
        if (counts[value] >= 2) {
            holdUpTo(dice, plan, value, size);
            break;
        }
    }
    holdOneOfEach(dice, plan, 6);
    return plan;
}

Plan run(const Dice& dice, int lo) {
    Plan plan{};
    holdWilds(dice, plan);
    holdOneOfEach(dice, plan, lo);
    return plan;
}

// A set of 5 on the most common value 4..10, then a second set of `second` on the most
// common other value 1..10, highest value first on a tie.
Plan fiveAndMore(const Dice& dice, int second) {
    Plan plan{};
    const Counts counts = countValues(dice);
    holdWilds(dice, plan);
    const int most = *std::max_element(counts.begin() + 1, counts.end());
    int first = 0;
    for (int value = 10; value >= 4 && first == 0 && most > 0; --value) {
        if (counts[value] == most) first = value;
    }
    if (first != 0) holdUpTo(dice, plan, first, 5);
    int next = 0;
    for (int value = 1; value <= 10; ++value) {
        if (value != first) next = std::max(next, counts[value]);
    }
    for (int value = 10; value >= 1; --value) {
        if (value != first && counts[value] == next) {
            holdUpTo(dice, plan, value, second);
            break;
        }
    }
    return plan;
}

} // namespace

Plan computerplayp1(const Dice& dice) {
    return twoSets(dice, 3);
}
Plan computerplayp2(const Dice& dice) {
    return setAndRun(dice, 3);
}
Plan computerplayp3(const Dice& dice) {
    return setAndRun(dice, 4);
}
Plan computerplayp4(const Dice& dice) {
    return run(dice, 4);
}
Plan computerplayp5(const Dice& dice) {
    return run(dice, 3);
}
Plan computerplayp6(const Dice& dice) {
    return run(dice, 2);
}
Plan computerplayp7(const Dice& dice) {
    return twoSets(dice, 4);
}
Plan computerplayp9(const Dice& dice) {
    return fiveAndMore(dice, 2);
}
Plan computerplayp10(const Dice& dice) {
    return fiveAndMore(dice, 3);
}

// The most common colour among all ten dice (lower colour on a tie), wilds included.
Plan computerplayp8(const Dice& dice) {
    std::array<int, 5> counts{};
    for (int n = 1; n <= kDice; ++n) {
        if (dice[n].colour >= 1 && dice[n].colour <= 4) ++counts[dice[n].colour];
    }
    int best = 1;
    for (int colour = 2; colour <= 4; ++colour) {
        if (counts[colour] > counts[best]) best = colour;
    }
    Plan plan{};
    for (int n = 1; n <= kDice; ++n)
        plan[n] = dice[n].colour == best ? 1 : 0;
    return plan;
}

Plan computerplay(int phase, const Dice& dice) {
    using Strategy = Plan (*)(const Dice&);
    static constexpr std::array<Strategy, kPhases + 1> kStrategies = {
        nullptr,        computerplayp1, computerplayp2, computerplayp3,
        computerplayp4, computerplayp5, computerplayp6, computerplayp7,
        computerplayp8, computerplayp9, computerplayp10};
    if (phase < 1 || phase > kPhases) return Plan{};
    return kStrategies[phase](dice);
}

} // namespace rules
