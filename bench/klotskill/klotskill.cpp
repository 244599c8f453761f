// Klot's skill levels by the figures: per phase, the chance of completing it in one turn
// for Normal, for Expert and for the best possible play (exact where it can be worked
// out, a hindsight bound beside it); the points of a completed phase; Expert's decision
// times; and seeded two-seat games, Expert against Normal.
//
//   klotskill [--turns 100000] [--games 4000] [--exact-turns 2000]
#include "rules/colourodds.h"
#include "rules/rules.h"
#include "rules/turnprogramme.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

struct Options {
    int turns = 100000;
    int games = 4000;
    int exactTurns = 2000;
};

// Decision times of Expert, in microseconds.
std::vector<double> g_decisions;
// Turns whose dice made the phase before the last roll, and those of them that failed.
long g_madeEarly = 0;
long g_madeEarlyFailed = 0;

rules::Plan decide(rules::Skill skill, int phase, const rules::Dice& dice, int rollsLeft) {
    if (skill == rules::Skill::Normal) return rules::computerplay(phase, dice);
    const auto start = Clock::now();
    const rules::Plan plan = rules::expertplay(phase, dice, rollsLeft);
    g_decisions.push_back(std::chrono::duration<double, std::micro>(Clock::now() - start).count());
    return plan;
}

// One turn as the host runs it: roll all, decide, roll the rest, ... end with the plan.
int playTurn(rules::Skill skill, int phase, const rules::FaceSource& draw) {
    rules::Dice dice{};
    rules::Plan plan{};
    bool madeEarly = false;
    for (int rollno = 1; rollno <= 3; ++rollno) {
        bool any = false;
        for (int n = 1; n <= rules::kDice; ++n)
            if (plan[n] == 0) {
                rules::rolldice(dice, n, draw);
                any = true;
            }
        if (!any) break;
        rules::Plan finish{};
        if (rollno < 3 && rules::finishingHold(phase, dice, finish) > 0) madeEarly = true;
        plan = decide(skill, phase, dice, 3 - rollno);
        bool all = true;
        for (int n = 1; n <= rules::kDice; ++n)
            all = all && plan[n] == 1;
        if (all) break;
    }
    rules::Marks used{};
    for (int n = 1; n <= rules::kDice; ++n)
        used[n] = plan[n];
    const int points = rules::checkforphase(phase, dice, used);
    if (skill == rules::Skill::Expert && madeEarly) {
        ++g_madeEarly;
        g_madeEarlyFailed += points == 0 ? 1 : 0;
    }
    return points;
}

// ---- the hindsight bound --------------------------------------------------------------
// Each die's three rolls drawn in advance (each reroll of another colour, as the game
// rolls). Whatever a player holds, a die ends on one of its three faces, so a phase no
// choice of one face per die can make is out of every policy's reach. Wilds are let fill
// any slot, which only loosens the bound.

struct Slots {
    std::vector<int> values; // one entry per die the target needs
};

// The phase's ways to be made, as the game's own rules list them, one slot per die.
std::vector<Slots> valueTargets(int phase) {
    std::vector<Slots> out;
    for (const std::array<int, 11>& need : rules::phaseWays(phase)) {
        Slots t;
        for (int v = 1; v <= 10; ++v)
            t.values.insert(t.values.end(), std::size_t(need[std::size_t(v)]), v);
        out.push_back(std::move(t));
    }
    return out;
}

// can[d] bit v (0 = wild) set if die d+1 shows v on one of its rolls.
bool matches(const Slots& t, const std::array<unsigned, 10>& can) {
    std::array<int, 10> owner{};
    owner.fill(-1); // die -> slot
    const int slots = int(t.values.size());
    for (int s = 0; s < slots; ++s) {
        std::array<bool, 10> seen{};
        // Augmenting path search, small enough to recurse.
        std::function<bool(int)> place = [&](int slot) {
            for (int d = 0; d < 10; ++d) {
                if (seen[d]) continue;
                if (!(can[d] & (1u << t.values[slot])) && !(can[d] & 1u)) continue;
                seen[d] = true;
                if (owner[d] < 0 || place(owner[d])) {
                    owner[d] = slot;
                    return true;
                }
            }
            return false;
        };
        if (!place(s)) return false;
    }
    return true;
}

bool hindsight(int phase, const rules::FaceSource& draw, const std::vector<Slots>& targets) {
    std::array<unsigned, 10> can{};
    std::array<unsigned, 10> colours{};
    rules::Dice dice{};
    for (int roll = 0; roll < 3; ++roll)
        for (int n = 1; n <= rules::kDice; ++n) {
            rules::rolldice(dice, n, draw);
            can[n - 1] |= 1u << dice[n].value;
            colours[n - 1] |= 1u << dice[n].colour;
        }
    if (phase == 8) {
        for (int c = 1; c <= 4; ++c) {
            int count = 0;
            for (unsigned mask : colours)
                count += (mask >> c) & 1u;
            if (count >= 7) return true;
        }
        return false;
    }
    for (const Slots& t : targets)
        if (matches(t, can)) return true;
    return false;
}

// ---- phase 8 exactly ------------------------------------------------------------------
// Only colours matter there: from the second roll on, the best play is worked out exactly
// by trying every one of the 1024 holds before the second roll (the last roll's best is
// exact in ColourOdds). The first roll is sampled. Expert's own choice (the dice of one
// colour) is valued exactly on the same first rolls, so the gap between the two is exact
// for those rolls even where the level itself carries sampling error.

struct Phase8 {
    double best = 0;
    double expert = 0;
};

Phase8 exactPhase8(int turns) {
    rules::ColourOdds odds;
    const rules::FaceSource draw = rules::seededFaces(3008u);
    Phase8 sum;
    for (int t = 0; t < turns; ++t) {
        rules::Dice dice{};
        for (int n = 1; n <= rules::kDice; ++n)
            rules::rolldice(dice, n, draw);
        const rules::ColourOdds::Colours colours = rules::ColourOdds::coloursOf(dice);
        double best = 0;
        for (unsigned held = 0; held < (1u << rules::kDice); ++held)
            best = std::max(best, odds.afterHold(colours, held));
        const rules::Plan plan = rules::expertplay(8, dice, 2);
        unsigned held = 0;
        for (int n = 1; n <= rules::kDice; ++n)
            held |= unsigned(plan[n] == 1) << (n - 1);
        sum.best += best;
        sum.expert += odds.afterHold(colours, held);
    }
    sum.best /= std::max(1, turns);
    sum.expert /= std::max(1, turns);
    return sum;
}

// ---- games -----------------------------------------------------------------------------

struct Seat {
    rules::Skill skill;
    int phase = 1;
    int score = 0;
    int status = 0; // 0 playing, 1 playing its last turns, 2 finished
};

// Two seats alternate until both are finished; returns the winning seat (0 on a tie).
int playGame(rules::Skill first, rules::Skill second, std::uint32_t seed) {
    const rules::FaceSource draw = rules::seededFaces(seed);
    std::array<Seat, 2> seats{Seat{first}, Seat{second}};
    bool someoneout = false;
    for (int turn = 0; turn < 1000; ++turn) {
        Seat& s = seats[turn % 2];
        if (s.status == 2) {
            if (seats[(turn + 1) % 2].status == 2) break;
            continue;
        }
        const int points = playTurn(s.skill, s.phase, draw);
        if (points > 0) {
            s.score += points;
            ++s.phase;
            if (s.phase == 6 && s.score > 220) s.score += 40;
            if (s.phase == 11) {
                s.status = 2;
                if (!someoneout) {
                    someoneout = true;
                    s.score += 40;
                    for (Seat& o : seats)
                        if (o.status == 0) o.status = 1;
                }
            }
        } else if (s.status == 1) {
            s.status = 2;
        }
    }
    if (seats[0].score == seats[1].score) return 0;
    return seats[0].score > seats[1].score ? 1 : 2;
}

double percentile(std::vector<double> v, double q) {
    if (v.empty()) return 0;
    std::sort(v.begin(), v.end());
    return v[std::min(v.size() - 1, std::size_t(q * double(v.size())))];
}

} // namespace

int main(int argc, char** argv) {
    Options o;
    for (int i = 1; i + 1 < argc; i += 2) {
        const int value = std::atoi(argv[i + 1]);
        if (!std::strcmp(argv[i], "--turns"))
            o.turns = value;
        else if (!std::strcmp(argv[i], "--games"))
            o.games = value;
        else if (!std::strcmp(argv[i], "--exact-turns"))
            o.exactTurns = value;
        else {
            std::fprintf(stderr, "unknown option %s\n", argv[i]);
            return 2;
        }
    }
    const auto begin = Clock::now();
    std::printf("%d seeded turns a phase for Normal, Expert and the bound\n", o.turns);
    std::printf("%-5s %9s %9s %9s %9s %9s %9s\n", "phase", "Normal", "Expert", "best", "bound",
                "pts N", "pts E");
    for (int phase = 1; phase <= rules::kPhases; ++phase) {
        const auto rate = [&](rules::Skill skill, double* meanPoints) {
            const rules::FaceSource draw = rules::seededFaces(1000u + std::uint32_t(phase));
            int done = 0;
            double points = 0;
            for (int t = 0; t < o.turns; ++t) {
                const int p = playTurn(skill, phase, draw);
                if (p > 0) {
                    ++done;
                    points += p;
                }
            }
            *meanPoints = done ? points / done : 0;
            return double(done) / o.turns;
        };
        double normalPoints = 0, expertPoints = 0;
        const double normal = rate(rules::Skill::Normal, &normalPoints);
        const double expert = rate(rules::Skill::Expert, &expertPoints);
        const std::vector<Slots> targets = valueTargets(phase);
        const rules::FaceSource draw = rules::seededFaces(2000u + std::uint32_t(phase));
        int reach = 0;
        for (int t = 0; t < o.turns; ++t)
            reach += hindsight(phase, draw, targets) ? 1 : 0;
        char best[16] = "see below";
        if (rules::TurnProgramme::covers(phase))
            std::snprintf(best, sizeof best, "%8.2f%%",
                          100 * rules::TurnProgramme(phase, rules::completionOnly).turnValue());
        std::printf("%-5d %8.2f%% %8.2f%% %9s %8.2f%% %9.1f %9.1f\n", phase, 100 * normal,
                    100 * expert, best, 100.0 * reach / o.turns, normalPoints, expertPoints);
        std::fflush(stdout);
    }
    const double half = 1.96 * std::sqrt(0.25 / std::max(1, o.turns));
    std::printf("a sampled chance's 95%% interval is at most +-%.2f%%; \"best\" is exact\n",
                100 * half);
    std::printf(
        "Expert's dice made the phase before the last roll in %ld turns; %ld of them (%.3f%%) were "
        "played on for points and failed\n",
        g_madeEarly, g_madeEarlyFailed,
        100.0 * double(g_madeEarlyFailed) / double(std::max(1L, g_madeEarly)));
    const Phase8 p8 = exactPhase8(o.exactTurns);
    std::printf(
        "phase 8 best policy %.2f%%, Expert %.2f%% on the same %d sampled first rolls, exact from "
        "there (gap %.2f points; the level's 95%% interval +-%.2f%%)\n",
        100 * p8.best, 100 * p8.expert, o.exactTurns, 100 * (p8.best - p8.expert),
        100 * 1.96 * std::sqrt(p8.best * (1 - p8.best) / std::max(1, o.exactTurns)));
    std::printf(
        "Expert decision: mean %.3f ms, p99 %.3f ms, max %.3f ms over %zu decisions\n",
        [] {
            double sum = 0;
            for (double d : g_decisions)
                sum += d;
            return g_decisions.empty() ? 0 : sum / double(g_decisions.size()) / 1000;
        }(),
        percentile(g_decisions, 0.99) / 1000, percentile(g_decisions, 1.0) / 1000,
        g_decisions.size());

    double wins = 0;
    for (int g = 0; g < o.games; ++g) {
        const bool expertFirst = g % 2 == 0;
        const int winner = expertFirst
                               ? playGame(rules::Skill::Expert, rules::Skill::Normal, 5000u + g)
                               : playGame(rules::Skill::Normal, rules::Skill::Expert, 5000u + g);
        const int expertSeat = expertFirst ? 1 : 2;
        wins += winner == 0 ? 0.5 : (winner == expertSeat ? 1.0 : 0.0);
    }
    const double p = wins / std::max(1, o.games);
    const double gamesHalf = 1.96 * std::sqrt(p * (1 - p) / std::max(1, o.games));
    std::printf("head to head: Expert wins %.1f%% of %d games (ties half), 95%% interval %.1f%% .. "
                "%.1f%%\n",
                100 * p, o.games, 100 * (p - gamesHalf), 100 * (p + gamesHalf));
    std::printf("elapsed %.0f s\n", std::chrono::duration<double>(Clock::now() - begin).count());
    return 0;
}
