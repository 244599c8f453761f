#include "rules/turnprogramme.h"

#include <cmath>
#include <limits>
#include <unordered_map>

namespace rules {

namespace {

constexpr int kFaces = 6;
constexpr int kClasses = 4;
// The colour class of each face: a reroll draws among the faces of the other classes.
constexpr std::array<int, kFaces> kClassOf = {0, 1, 2, 3, 0, 1};

using Counts = std::array<int, kFaces>;
using ClassCounts = std::array<int, kClasses>;

// Dice 1..4 or dice 5..10: their multisets of faces, and the positions part-way through
// rolling the released dice one at a time (kept faces, classes of the dice still to roll).
struct Kind {
    int dice = 0;
    int firstDie = 0;
    std::vector<Counts> sets;  // every multiset of at most `dice` faces
    std::vector<int> byCode;   // code -> index in sets
    std::vector<int> fullRank; // index in sets -> rank among the full ones, or -1
    std::vector<int> fullSets; // rank -> index in sets
    struct Pair {
        int kept = 0;
        ClassCounts rolling{};
        int left = 0;
    };
    std::vector<Pair> pairs;
    std::vector<int> pairByKey;                // kept * base^4 + classes code -> pair
    std::vector<std::array<int, kFaces>> next; // rolling one die: the pair after each face
    std::vector<float> chance;                 // ... each reached with this chance
    std::vector<std::vector<int>> holds;       // full rank -> the pair of each hold
    std::vector<std::vector<int>> holdKept;    // full rank -> the kept set of each hold

    int code(const Counts& c) const {
        int k = 0;
        for (int f = kFaces - 1; f >= 0; --f)
            k = k * (dice + 1) + c[f];
        return k;
    }
    int classCode(const ClassCounts& c) const {
        int k = 0;
        for (int x = kClasses - 1; x >= 0; --x)
            k = k * (dice + 1) + c[x];
        return k;
    }
    int pairOf(int kept, const ClassCounts& rolling) const {
        int span = 1;
        for (int x = 0; x < kClasses; ++x)
            span *= dice + 1;
        return pairByKey[std::size_t(kept) * std::size_t(span) + std::size_t(classCode(rolling))];
    }

    explicit Kind(int diceCount, int first) : dice(diceCount), firstDie(first) {
        int codes = 1;
        for (int f = 0; f < kFaces; ++f)
            codes *= dice + 1;
        byCode.assign(std::size_t(codes), -1);
        Counts c{};
        enumerate(c, 0, 0);
        for (std::size_t i = 0; i < sets.size(); ++i) {
            byCode[std::size_t(code(sets[i]))] = int(i);
            int size = 0;
            for (int n : sets[i])
                size += n;
            fullRank.push_back(size == dice ? int(fullSets.size()) : -1);
            if (size == dice) fullSets.push_back(int(i));
        }
        holdKept.resize(fullSets.size());
        for (std::size_t rank = 0; rank < fullSets.size(); ++rank) {
            Counts kept{};
            addHolds(int(rank), sets[std::size_t(fullSets[rank])], kept, 0);
        }
    }

    // The programme's moves: only built where a programme is worked out, not for play.
    void buildMoves() {
        buildPairs();
        holds.resize(fullSets.size());
        for (std::size_t rank = 0; rank < fullSets.size(); ++rank) {
            const Counts& all = sets[std::size_t(fullSets[rank])];
            for (int keptIndex : holdKept[rank]) {
                const Counts& kept = sets[std::size_t(keptIndex)];
                ClassCounts rolling{};
                for (int f = 0; f < kFaces; ++f)
                    rolling[std::size_t(kClassOf[std::size_t(f)])] +=
                        all[std::size_t(f)] - kept[std::size_t(f)];
                holds[rank].push_back(pairOf(keptIndex, rolling));
            }
        }
    }

    void enumerate(Counts& c, int face, int used) {
        if (face == kFaces) {
            sets.push_back(c);
            return;
        }
        for (int n = 0; used + n <= dice; ++n) {
            c[face] = n;
            enumerate(c, face + 1, used + n);
        }
        c[face] = 0;
    }

    void buildPairs() {
        int span = 1;
        for (int x = 0; x < kClasses; ++x)
            span *= dice + 1;
        pairByKey.assign(sets.size() * std::size_t(span), -1);
        for (std::size_t s = 0; s < sets.size(); ++s) {
            int size = 0;
            for (int n : sets[s])
                size += n;
            ClassCounts r{};
            addPairs(int(s), r, 0, dice - size);
        }
        next.resize(pairs.size());
        chance.resize(pairs.size());
        for (std::size_t p = 0; p < pairs.size(); ++p) {
            next[p].fill(-1);
            const Pair& pair = pairs[p];
            if (pair.left == 0) continue;
            int cls = 0;
            while (pair.rolling[cls] == 0)
                ++cls;
            ClassCounts rest = pair.rolling;
            --rest[cls];
            int options = 0;
            for (int f = 0; f < kFaces; ++f) {
                if (kClassOf[f] == cls) continue;
                Counts kept = sets[pair.kept];
                ++kept[f];
                next[p][f] = pairOf(byCode[std::size_t(code(kept))], rest);
                ++options;
            }
            chance[p] = 1.0f / float(options);
        }
    }

    void addPairs(int kept, ClassCounts& r, int cls, int left) {
        if (cls == kClasses - 1) {
            r[cls] = left;
            Pair p{kept, r, 0};
            for (int n : r)
                p.left += n;
            int span = 1;
            for (int x = 0; x < kClasses; ++x)
                span *= dice + 1;
            pairByKey[std::size_t(kept) * std::size_t(span) + std::size_t(classCode(r))] =
                int(pairs.size());
            pairs.push_back(p);
            r[cls] = 0;
            return;
        }
        for (int n = 0; n <= left; ++n) {
            r[cls] = n;
            addPairs(kept, r, cls + 1, left - n);
        }
        r[cls] = 0;
    }

    void addHolds(int rank, const Counts& all, Counts& kept, int face) {
        if (face == kFaces) {
            holdKept[std::size_t(rank)].push_back(byCode[std::size_t(code(kept))]);
            return;
        }
        for (int n = 0; n <= all[std::size_t(face)]; ++n) {
            kept[std::size_t(face)] = n;
            addHolds(rank, all, kept, face + 1);
        }
        kept[std::size_t(face)] = 0;
    }

    // The face die `n` of this kind shows; wilds are faces 5 and 6, told apart by colour.
    int faceOf(int n, const Die& d) const {
        if (firstDie == 5) return d.value - 5;
        if (d.value >= 1 && d.value <= 4) return d.value - 1;
        return findcolor(n, 5) == d.colour ? 4 : 5;
    }

    Counts countsOf(const Dice& dice, const Plan* only) const {
        Counts c{};
        for (int n = firstDie; n < firstDie + this->dice; ++n)
            if (!only || (*only)[n] == 1) ++c[faceOf(n, dice[n])];
        return c;
    }
};

const Kind& low() {
    static const Kind k(4, 1);
    return k;
}
const Kind& high() {
    static const Kind k(6, 5);
    return k;
}
Kind withMoves(int dice, int firstDie) {
    Kind k(dice, firstDie);
    k.buildMoves();
    return k;
}
const Kind& lowMoves() {
    static const Kind k = withMoves(4, 1);
    return k;
}
const Kind& highMoves() {
    static const Kind k = withMoves(6, 5);
    return k;
}

// The dice of a full position, each die showing its face with that face's colour.
Dice diceOf(const Counts& lo, const Counts& hi) {
    Dice dice{};
    const auto place = [&](const Counts& c, int first) {
        int n = first;
        for (int f = 0; f < kFaces; ++f)
            for (int k = 0; k < c[f]; ++k, ++n) {
                dice[n].value = faceValue(n, f + 1);
                dice[n].colour = findcolor(n, f + 1);
            }
    };
    place(lo, 1);
    place(hi, 5);
    return dice;
}

double factorial(int n) {
    double r = 1;
    for (int k = 2; k <= n; ++k)
        r *= k;
    return r;
}

// The chance of a full multiset on a first roll, where every face is equally likely.
double firstRollChance(const Counts& c, int dice) {
    double r = factorial(dice);
    for (int n : c)
        r /= factorial(n);
    return r / std::pow(double(kFaces), dice);
}

} // namespace

struct TurnProgramme::Tables {
    int highFull = 0;
    std::array<std::vector<float>, 3> value;        // by rolls left, over full positions
    std::array<std::vector<std::uint16_t>, 3> hold; // rolls left 1, 2: (low hold << 6) | high hold
    std::vector<char> made;                         // over full positions: the dice make the phase
    std::vector<char> makes;                        // scratch: kept dice of both kinds make it
    std::vector<float> g;                           // scratch: kept and still rolling, both kinds

    int position(int lowRank, int highRank) const { return lowRank * highFull + highRank; }

    // The expected worth of a part-rolled position, with `next` the worths once all is
    // rolled; `memo(key)` gives the slot that remembers each part-rolled position's worth.
    template <typename Memo>
    float expect(int lp, int hp, const std::vector<float>& next, Memo& memo) {
        const Kind& lo = lowMoves();
        const Kind& hi = highMoves();
        float& known = memo(std::size_t(lp) * hi.pairs.size() + std::size_t(hp));
        if (!std::isnan(known)) return known;
        float r = 0;
        if (hi.pairs[std::size_t(hp)].left > 0) {
            for (int to : hi.next[std::size_t(hp)])
                if (to >= 0) r += hi.chance[std::size_t(hp)] * expect(lp, to, next, memo);
        } else if (lo.pairs[std::size_t(lp)].left > 0) {
            for (int to : lo.next[std::size_t(lp)])
                if (to >= 0) r += lo.chance[std::size_t(lp)] * expect(to, hp, next, memo);
        } else {
            r = next[std::size_t(
                position(lo.fullRank[std::size_t(lo.pairs[std::size_t(lp)].kept)],
                         hi.fullRank[std::size_t(hi.pairs[std::size_t(hp)].kept)]))];
        }
        // The slot is looked up again: the calls above may have moved a growing memo.
        memo(std::size_t(lp) * hi.pairs.size() + std::size_t(hp)) = r;
        return r;
    }

    void resetScratch() {
        g.assign(lowMoves().pairs.size() * highMoves().pairs.size(),
                 std::numeric_limits<float>::quiet_NaN());
    }
};

double completionOnly(int points) {
    return points > 0 ? 1.0 : 0.0;
}

bool TurnProgramme::covers(int phase) {
    return phase >= 1 && phase <= kPhases && phase != 8;
}

TurnProgramme::TurnProgramme(int phase, const Worth& worth)
    : m_phase(phase), m_worth(worth), m_t(std::make_unique<Tables>()) {
    Tables& t = *m_t;
    t.highFull = int(highMoves().fullSets.size());
    workOutEnds();
    for (int left = 1; left <= 2; ++left)
        workOutRoll(left);
    t.g.clear();
    t.g.shrink_to_fit();
    t.makes.clear();
    t.makes.shrink_to_fit();
}

void TurnProgramme::workOutEnds() {
    const Kind& lo = lowMoves();
    const Kind& hi = highMoves();
    Tables& t = *m_t;
    const std::size_t positions = lo.fullSets.size() * hi.fullSets.size();
    t.value[0].resize(positions);
    t.made.resize(positions);
    for (std::size_t l = 0; l < lo.fullSets.size(); ++l)
        for (std::size_t h = 0; h < hi.fullSets.size(); ++h) {
            const Dice dice =
                diceOf(lo.sets[std::size_t(lo.fullSets[l])], hi.sets[std::size_t(hi.fullSets[h])]);
            Plan plan{};
            const int points = covers(m_phase) ? finishingHold(m_phase, dice, plan) : 0;
            const std::size_t at = std::size_t(t.position(int(l), int(h)));
            t.value[0][at] = float(m_worth(points));
            t.made[at] = points > 0;
        }
    // Which kept dice make the phase on their own (the others unrolled, so not counted).
    t.makes.resize(lo.sets.size() * hi.sets.size());
    for (std::size_t l = 0; l < lo.sets.size(); ++l)
        for (std::size_t h = 0; h < hi.sets.size(); ++h) {
            Plan plan{};
            t.makes[l * hi.sets.size() + h] =
                covers(m_phase) && finishingHold(m_phase, diceOf(lo.sets[l], hi.sets[h]), plan) > 0;
        }
}

void TurnProgramme::workOutRoll(int left) {
    const Kind& lo = lowMoves();
    const Kind& hi = highMoves();
    Tables& t = *m_t;
    t.resetScratch();
    const auto memo = [&t](std::size_t key) -> float& { return t.g[key]; };
    const std::vector<float>& next = t.value[std::size_t(left - 1)];
    t.value[std::size_t(left)].resize(next.size());
    t.hold[std::size_t(left)].resize(next.size());
    for (std::size_t l = 0; l < lo.fullSets.size(); ++l)
        for (std::size_t h = 0; h < hi.fullSets.size(); ++h) {
            const std::size_t at = std::size_t(t.position(int(l), int(h)));
            float best = -1;
            std::uint16_t choice = 0;
            for (std::size_t a = 0; a < lo.holds[l].size(); ++a)
                for (std::size_t b = 0; b < hi.holds[h].size(); ++b) {
                    // A phase the dice make is never given up: the hold must still make it.
                    if (t.made[at] && !t.makes[std::size_t(lo.holdKept[l][a]) * hi.sets.size() +
                                               std::size_t(hi.holdKept[h][b])])
                        continue;
                    const float v = t.expect(lo.holds[l][a], hi.holds[h][b], next, memo);
                    if (v > best) {
                        best = v;
                        choice = std::uint16_t(a << 6 | b);
                    }
                }
            t.value[std::size_t(left)][at] = best;
            t.hold[std::size_t(left)][at] = choice;
        }
}

TurnProgramme::~TurnProgramme() = default;

namespace {

int rankOf(const Kind& k, const Dice& dice) {
    return k.fullRank[std::size_t(k.byCode[std::size_t(k.code(k.countsOf(dice, nullptr)))])];
}

} // namespace

double TurnProgramme::value(const Dice& dice, int rollsLeft) const {
    if (rollsLeft < 0 || rollsLeft > 2) return 0;
    return m_t->value[std::size_t(rollsLeft)]
                     [std::size_t(m_t->position(rankOf(low(), dice), rankOf(high(), dice)))];
}

int TurnProgramme::positionOf(const Dice& dice) {
    return rankOf(low(), dice) * int(high().fullSets.size()) + rankOf(high(), dice);
}

std::uint16_t TurnProgramme::holdCode(int position, int rollsLeft) const {
    if (position < 0 || position >= kPositions || rollsLeft < 1 || rollsLeft > 2) return 0;
    return m_t->hold[std::size_t(rollsLeft)][std::size_t(position)];
}

Plan TurnProgramme::planFor(const Dice& dice, std::uint16_t code) {
    Plan plan{};
    const auto holdFrom = [&](const Kind& k, int which) {
        const auto& kept = k.holdKept[std::size_t(rankOf(k, dice))];
        if (which >= int(kept.size())) return;
        Counts left = k.sets[std::size_t(kept[std::size_t(which)])];
        for (int n = k.firstDie; n < k.firstDie + k.dice; ++n) {
            int& more = left[std::size_t(k.faceOf(n, dice[n]))];
            if (more > 0) {
                plan[n] = 1;
                --more;
            }
        }
    };
    holdFrom(low(), code >> 6);
    holdFrom(high(), code & 63);
    return plan;
}

Plan TurnProgramme::bestHold(const Dice& dice, int rollsLeft) const {
    Plan plan{};
    if (rollsLeft <= 0) {
        finishingHold(m_phase, dice, plan);
        return plan;
    }
    return planFor(dice, holdCode(positionOf(dice), std::min(rollsLeft, 2)));
}

double TurnProgramme::holdValue(const Dice& dice, const Plan& hold, int rollsLeft) const {
    if (rollsLeft <= 0) {
        Marks used{};
        for (int n = 1; n <= kDice; ++n)
            used[n] = hold[n] == 1 ? 1 : 0;
        return m_worth(checkforphase(m_phase, dice, used));
    }
    const auto pairOf = [&](const Kind& k) {
        Counts kept = k.countsOf(dice, &hold);
        ClassCounts rolling{};
        for (int n = k.firstDie; n < k.firstDie + k.dice; ++n)
            if (hold[n] != 1) ++rolling[std::size_t(kClassOf[std::size_t(k.faceOf(n, dice[n]))])];
        return k.pairOf(k.byCode[std::size_t(k.code(kept))], rolling);
    };
    // Only the positions this hold can reach are visited, so they are remembered apart.
    std::unordered_map<std::size_t, float> seen;
    const auto memo = [&seen](std::size_t key) -> float& {
        return seen.try_emplace(key, std::numeric_limits<float>::quiet_NaN()).first->second;
    };
    return m_t->expect(pairOf(lowMoves()), pairOf(highMoves()),
                       m_t->value[std::size_t(std::min(rollsLeft, 2) - 1)], memo);
}

double TurnProgramme::turnValue() const {
    const Kind& lo = low();
    const Kind& hi = high();
    double sum = 0;
    for (std::size_t l = 0; l < lo.fullSets.size(); ++l) {
        const double pl = firstRollChance(lo.sets[std::size_t(lo.fullSets[l])], lo.dice);
        for (std::size_t h = 0; h < hi.fullSets.size(); ++h)
            sum += pl * firstRollChance(hi.sets[std::size_t(hi.fullSets[h])], hi.dice) *
                   m_t->value[2][std::size_t(m_t->position(int(l), int(h)))];
    }
    return sum;
}

} // namespace rules
