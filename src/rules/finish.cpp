// Ending a turn well: the hold that completes the phase for the most points. The phase's
// ways to be made (set values, run windows, colours) each give the dice that fit them.
#include "rules/rules.h"

#include <algorithm>

namespace rules {

namespace {

// One way to make the phase: how many dice of each value it needs, or a colour.
struct Target {
    std::array<int, 11> need{}; // value 1..10 -> dice needed
    int colour = 0;             // phase 8 only
};

using Targets = std::vector<Target>;

Target sets(int a, int sa, int b, int sb) {
    Target t;
    t.need[a] += sa;
    t.need[b] += sb;
    return t;
}

Target setAndRunOf(int a, int size, int lo, int length) {
    Target t = sets(a, size, a, 0);
    for (int v = lo; v < lo + length; ++v) {
        ++t.need[v];
    }
    return t;
}

Targets buildTargets(int phase) {
    Targets out;
    switch (phase) {
    case 1:
    case 7: {
        const int size = phase == 1 ? 3 : 4;
        for (int a = 1; a <= 10; ++a)
            for (int b = a; b <= 10; ++b)
                out.push_back(sets(a, size, b, size));
        break;
    }
    case 2:
    case 3: {
        const int size = phase == 2 ? 3 : 4;
        for (int a = 1; a <= 10; ++a)
            for (int lo = 1; lo + size - 1 <= 10; ++lo)
                out.push_back(setAndRunOf(a, size, lo, size));
        break;
    }
    case 4:
    case 5:
    case 6: {
        const int length = phase + 3;
        for (int lo = 1; lo + length - 1 <= 10; ++lo)
            out.push_back(setAndRunOf(1, 0, lo, length));
        break;
    }
    case 8:
        for (int c = 1; c <= 4; ++c) {
            Target t;
            t.colour = c;
            out.push_back(t);
        }
        break;
    case 9:
    case 10: {
        const int second = phase == 9 ? 2 : 3;
        for (int a = 1; a <= 10; ++a)
            for (int b = 1; b <= 10; ++b)
                out.push_back(sets(a, 5, b, second));
        break;
    }
    default:
        break;
    }
    return out;
}

const Targets& targetsFor(int phase) {
    static const std::array<Targets, kPhases + 1> all = [] {
        std::array<Targets, kPhases + 1> t;
        for (int p = 1; p <= kPhases; ++p)
            t[p] = buildTargets(p);
        return t;
    }();
    static const Targets none;
    return phase >= 1 && phase <= kPhases ? all[phase] : none;
}

bool rolled(const Die& d) {
    return d.colour != 0;
}

// What the dice offer a target: counts of each value among the rolled dice (wilds
// apart) and of each colour.
struct Tally {
    std::array<int, 11> values{};
    std::array<int, 5> colours{};
    int wilds = 0;
};

Tally tally(const Dice& dice) {
    Tally t;
    for (int n = 1; n <= kDice; ++n) {
        if (!rolled(dice[n])) continue;
        const int v = dice[n].value;
        if (v == 0)
            ++t.wilds;
        else if (v >= 1 && v <= 10)
            ++t.values[v];
        if (dice[n].colour >= 1 && dice[n].colour <= 4) ++t.colours[dice[n].colour];
    }
    return t;
}

// How many dice `t` still lacks. Wilds are counted as able to fill any gap: the check decides.
int missingFor(const Target& t, const Tally& have) {
    if (t.colour != 0) return std::max(0, 7 - have.colours[t.colour]);
    int missing = 0;
    for (int v = 1; v <= 10; ++v)
        missing += std::max(0, t.need[v] - have.values[v]);
    return std::max(0, missing - have.wilds);
}

// The dice that fit `t`, lowest die first; value targets keep every wild.
Plan fit(const Target& t, const Dice& dice) {
    Plan plan{};
    std::array<int, 11> taken{};
    for (int n = 1; n <= kDice; ++n) {
        if (!rolled(dice[n])) continue;
        const int v = dice[n].value;
        if (t.colour != 0) {
            plan[n] = dice[n].colour == t.colour ? 1 : 0;
        } else if (v == 0) {
            plan[n] = 1;
        } else if (v >= 1 && v <= 10 && taken[v] < t.need[v]) {
            plan[n] = 1;
            ++taken[v];
        }
    }
    return plan;
}

int scoreHold(int phase, const Dice& dice, const Plan& plan) {
    Marks used{};
    for (int n = 1; n <= kDice; ++n)
        used[n] = plan[n] == 1 ? 1 : 0;
    return checkforphase(phase, dice, used);
}

Plan holdAll(const Dice& dice) {
    Plan plan{};
    for (int n = 1; n <= kDice; ++n)
        plan[n] = rolled(dice[n]) ? 1 : 0;
    return plan;
}

// The best completing hold the candidates offer (points, then first found); 0 points if
// none completes.
struct Best {
    Plan plan{};
    int points = 0;
};

Best bestCompleting(int phase, const Dice& dice) {
    Best best;
    const auto consider = [&](const Plan& plan) {
        const int points = scoreHold(phase, dice, plan);
        if (points > best.points) best = {plan, points};
    };
    const Tally have = tally(dice);
    for (const Target& t : targetsFor(phase)) {
        // A way still lacking dice cannot be made by its fit, so only ready ones are checked.
        if (missingFor(t, have) == 0) consider(fit(t, dice));
    }
    // Phase 8 takes its colour from the highest held die, so holding everything is no
    // candidate there; elsewhere the check's own choices may find what a target missed.
    if (phase != 8) consider(holdAll(dice));
    return best;
}

} // namespace

std::vector<std::array<int, 11>> phaseWays(int phase) {
    std::vector<std::array<int, 11>> out;
    for (const Target& t : targetsFor(phase))
        if (t.colour == 0) out.push_back(t.need);
    return out;
}

double expertWorth(int points) {
    return points > 0 ? kCompletionWorth + points : 0.0;
}

int finishingHold(int phase, const Dice& dice, Plan& plan) {
    const Best best = bestCompleting(phase, dice);
    plan = best.plan;
    return best.points;
}

} // namespace rules
