// The Expert computer player: it looks ahead over the rolls left in the turn.
//
// Exact probabilities are out of reach: the state is ten dice of 6 faces whose reroll
// depends on the colour they show, and the best continuation differs per phase. So each
// candidate hold is scored by sampling the remaining rolls with a cheap greedy
// continuation, using the same samples for every candidate so that their differences are
// not drowned in noise. Candidates come from the phase's structure: for each way the
// phase can be made (set values, run windows, colours) the dice that already fit it.
#include "rules/rules.h"

#include <algorithm>
#include <random>

namespace rules {

namespace {

// Points are worth far less than completion: a phase completed moves the seat on.
constexpr double kPointWeight = 0.002;
// Only the most promising holds are sampled; the rest are far behind by construction.
constexpr int kMaxCandidates = 12;

// One way to make the phase: how many dice of each value it needs, or a colour.
struct Target {
    std::array<int, 11> need{}; // value 1..10 -> dice needed
    int colour = 0;             // phase 8 only
    int worth = 0;              // the points it would score, to break ties
};

using Targets = std::vector<Target>;

Target sets(int a, int sa, int b, int sb) {
    Target t;
    t.need[a] += sa;
    t.need[b] += sb;
    t.worth = a * sa + b * sb;
    return t;
}

Target setAndRunOf(int a, int size, int lo, int length) {
    Target t = sets(a, size, a, 0);
    for (int v = lo; v < lo + length; ++v) {
        ++t.need[v];
        t.worth += v;
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

Best bestCompleting(int phase, const Dice& dice, bool onlyReady) {
    Best best;
    const auto consider = [&](const Plan& plan) {
        const int points = scoreHold(phase, dice, plan);
        if (points > best.points) best = {plan, points};
    };
    const Tally have = tally(dice);
    for (const Target& t : targetsFor(phase)) {
        if (!onlyReady || missingFor(t, have) == 0) consider(fit(t, dice));
    }
    // Phase 8 takes its colour from the highest held die, so holding everything is no
    // candidate there; elsewhere the check's own choices may find what a target missed.
    if (phase != 8) consider(holdAll(dice));
    return best;
}

// The continuation inside a sample: the target lacking the fewest dice, worth most on a tie.
Plan greedy(int phase, const Dice& dice) {
    const Tally have = tally(dice);
    int bestMissing = kDice + 1;
    const Target* best = nullptr;
    for (const Target& t : targetsFor(phase)) {
        const int missing = missingFor(t, have);
        if (missing < bestMissing || (missing == bestMissing && t.worth > best->worth)) {
            bestMissing = missing;
            best = &t;
        }
    }
    return best ? fit(*best, dice) : Plan{};
}

// rules::rolldice with the sampler's own generator, without a std::function per face.
void rollSample(Dice& dice, int n, std::mt19937& gen) {
    std::uniform_int_distribution<int> face(1, 6);
    int f = 0;
    int colour = 0;
    do {
        f = face(gen);
        colour = findcolor(n, f);
    } while (colour == dice[n].colour);
    dice[n].value = faceValue(n, f);
    dice[n].colour = colour;
}

// One sampled rest of the turn after holding `plan`: the points at the end (0 = failed).
int playOut(int phase, Dice dice, Plan plan, int rollsLeft, std::mt19937& gen) {
    for (int roll = 1; roll <= rollsLeft; ++roll) {
        bool any = false;
        for (int n = 1; n <= kDice; ++n) {
            if (plan[n] == 0) {
                rollSample(dice, n, gen);
                any = true;
            }
        }
        if (!any) break; // everything held ends the turn
        if (roll < rollsLeft) plan = greedy(phase, dice);
    }
    return bestCompleting(phase, dice, true).points;
}

} // namespace

Outlook expertOutlook(int phase, const Dice& dice, const Plan& hold, int rollsLeft,
                      std::uint32_t seed, int samples) {
    Outlook out;
    if (samples <= 0) return out;
    int completed = 0;
    double points = 0;
    for (int s = 0; s < samples; ++s) {
        std::mt19937 gen(seed + std::uint32_t(s));
        const int p = playOut(phase, dice, hold, rollsLeft, gen);
        if (p > 0) {
            ++completed;
            points += p;
        }
    }
    out.complete = double(completed) / samples;
    out.points = completed > 0 ? points / completed : 0.0;
    return out;
}

Plan expertplay(int phase, const Dice& dice, int rollsLeft, const FaceSource& draw, int samples) {
    if (phase < 1 || phase > kPhases) return Plan{};
    // Complete already, or nothing left to roll: the best completing hold, if any.
    const Best now = bestCompleting(phase, dice, false);
    if (now.points > 0) return now.plan;
    Plan fallback = computerplay(phase, dice);
    for (int n = 1; n <= kDice; ++n)
        if (!rolled(dice[n])) fallback[n] = 0;
    if (rollsLeft <= 0 || samples <= 0) return fallback;

    // Candidates: each target's fitting dice, fewest missing first, and Normal's plan.
    struct Candidate {
        Plan plan;
        int missing;
        int worth;
    };
    std::vector<Candidate> candidates;
    const Tally have = tally(dice);
    for (const Target& t : targetsFor(phase))
        candidates.push_back({fit(t, dice), missingFor(t, have), t.worth});
    std::stable_sort(candidates.begin(), candidates.end(), [](const Candidate& a, const Candidate& b) {
        return a.missing != b.missing ? a.missing < b.missing : a.worth > b.worth;
    });
    std::vector<Plan> pool{fallback};
    for (const Candidate& c : candidates) {
        if (int(pool.size()) > kMaxCandidates) break;
        if (std::find(pool.begin(), pool.end(), c.plan) == pool.end()) pool.push_back(c.plan);
    }

    // The seed comes from the game's own face source, so a seeded game replays exactly.
    std::uint32_t seed = 0;
    if (draw) {
        for (int i = 0; i < 12; ++i)
            seed = seed * 6 + std::uint32_t(draw() - 1);
    }
    Plan best = fallback;
    double bestValue = -1;
    for (const Plan& plan : pool) {
        const Outlook o = expertOutlook(phase, dice, plan, rollsLeft, seed, samples);
        const double value = o.complete * (1.0 + kPointWeight * o.points);
        if (value > bestValue) {
            bestValue = value;
            best = plan;
        }
    }
    return best;
}

Plan computerplayFor(Skill skill, int phase, const Dice& dice, int rollsLeft, const FaceSource& draw) {
    if (skill == Skill::Expert) return expertplay(phase, dice, rollsLeft, draw);
    return computerplay(phase, dice);
}

} // namespace rules
