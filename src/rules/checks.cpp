#include "rules/rules.h"

namespace rules {

namespace {

constexpr int kFree = 1;
constexpr int kUsed = 2;
constexpr int kSetAside = 3;

bool isFree(const Marks& used, int n) {
    return used[n] == kFree;
}
bool isWild(const Die& die) {
    return die.value == 0;
}
bool isNumbered(const Die& die) {
    return die.value >= 1 && die.value <= 10;
}

// Values 1..10 present among the free numbered dice, and the number of free wilds.
struct Tally {
    std::array<int, 11> count{};
    int wilds = 0;
};

Tally tallyFree(const Dice& dice, const Marks& used) {
    Tally tally;
    for (int n = 1; n <= kDice; ++n) {
        if (!isFree(used, n)) continue;
        if (isWild(dice[n]))
            ++tally.wilds;
        else if (isNumbered(dice[n]))
            ++tally.count[dice[n].value];
    }
    return tally;
}

// Marks up to `limit` free dice satisfying `pick` as used, lowest die first.
template <typename Pick> int markFree(const Dice& dice, Marks& used, int limit, Pick pick) {
    int marked = 0;
    for (int n = 1; n <= kDice && marked < limit; ++n) {
        if (isFree(used, n) && pick(dice[n])) {
            used[n] = kUsed;
            ++marked;
        }
    }
    return marked;
}

// Takes one free die of each value lo..hi, lowest die first; returns their sum.
int takeRun(const Dice& dice, Marks& used, int lo, int hi) {
    std::array<bool, 11> taken{};
    int points = 0;
    for (int n = 1; n <= kDice; ++n) {
        const int value = dice[n].value;
        if (isFree(used, n) && isNumbered(dice[n]) && value >= lo && value <= hi && !taken[value]) {
            taken[value] = true;
            used[n] = kUsed;
            points += value;
        }
    }
    return points;
}

// Run with wilds: the top must be a numbered die, and each candidate top starts again with
// every held wild. Once a gap is filled all free wilds count as used.
int runWithWilds(const Dice& dice, Marks& used, int n, const Tally& tally) {
    for (int top = 10; top >= n; --top) {
        if (tally.count[top] == 0) continue;
        int wildsLeft = tally.wilds;
        int length = 0;
        bool filled = false;
        for (int value = top - n + 1; value <= top; ++value) {
            if (tally.count[value] > 0) {
                ++length;
            } else if (wildsLeft > 0) {
                --wildsLeft;
                ++length;
                filled = true;
            }
        }
        if (length < n) continue;
        const int points = takeRun(dice, used, top - n + 1, top);
        if (filled) markFree(dice, used, kDice, isWild);
        return points;
    }
    return 0;
}

// Two searches in a row; the first one's choice stands. A failure leaves `used` untouched.
template <typename First, typename Second>
int twoParts(const Dice& dice, Marks& used, First first, Second second) {
    const Marks before = used;
    const int a = first(dice, used);
    const int b = a > 0 ? second(dice, used) : 0;
    if (b == 0) {
        used = before;
        return 0;
    }
    return a + b;
}

auto kinds(int n) {
    return [n](const Dice& dice, Marks& used) { return checkforkinds(dice, used, n); };
}
auto runs(int n) {
    return [n](const Dice& dice, Marks& used) { return checkforruns(dice, used, n); };
}

} // namespace

int checkforkinds(const Dice& dice, Marks& used, int n) {
    if (n < 1) return 0;
    const Tally tally = tallyFree(dice, used);
    int best = 0;
    for (int value = 1; value <= 10; ++value) {
        if (tally.count[value] > tally.count[best]) best = value;
    }
    if (best == 0) // wilds alone never make a set
        return 0;
    const int have = tally.count[best];
    if (have < n) {
        if (have + tally.wilds < n) return 0;
        markFree(dice, used, n - have, isWild);
    }
    const int marked = markFree(dice, used, n, [best](const Die& d) { return d.value == best; });
    return marked * best;
}

int checkforruns(const Dice& dice, Marks& used, int n) {
    if (n < 1 || n > 10) return 0;
    const Tally tally = tallyFree(dice, used);
    for (int top = 10; top >= n; --top) {
        bool complete = true;
        for (int value = top - n + 1; value <= top && complete; ++value)
            complete = tally.count[value] > 0;
        if (complete) return takeRun(dice, used, top - n + 1, top);
    }
    if (tally.wilds == 0) return 0;
    return runWithWilds(dice, used, n, tally);
}

int checkforp8(const Dice& dice, Marks& used) {
    int top = kDice;
    while (top >= 1 && !isFree(used, top))
        --top;
    // Nothing held, or the deciding die has not been rolled this turn (colour 0).
    if (top < 1 || dice[top].colour == 0) return 0;
    const int colour = dice[top].colour;
    const auto ofColour = [&](int n) { return isFree(used, n) && dice[n].colour == colour; };
    int count = 0;
    for (int n = 1; n <= kDice; ++n)
        count += ofColour(n) ? 1 : 0;
    if (count < 7) return 0;
    for (; count > 7; --count) {
        int lowest = 0;
        for (int n = 1; n <= kDice; ++n) {
            if (ofColour(n) && (lowest == 0 || dice[n].value < dice[lowest].value)) lowest = n;
        }
        used[lowest] = kSetAside;
    }
    int points = 0;
    for (int n = 1; n <= kDice; ++n) {
        if (ofColour(n)) {
            used[n] = kUsed;
            points += dice[n].value;
        }
    }
    return points;
}

int checkforp1(const Dice& dice, Marks& used) {
    return twoParts(dice, used, kinds(3), kinds(3));
}
int checkforp2(const Dice& dice, Marks& used) {
    return twoParts(dice, used, kinds(3), runs(3));
}
int checkforp3(const Dice& dice, Marks& used) {
    return twoParts(dice, used, kinds(4), runs(4));
}
int checkforp4(const Dice& dice, Marks& used) {
    return checkforruns(dice, used, 7);
}
int checkforp5(const Dice& dice, Marks& used) {
    return checkforruns(dice, used, 8);
}
int checkforp6(const Dice& dice, Marks& used) {
    return checkforruns(dice, used, 9);
}
int checkforp7(const Dice& dice, Marks& used) {
    return twoParts(dice, used, kinds(4), kinds(4));
}
int checkforp9(const Dice& dice, Marks& used) {
    return twoParts(dice, used, kinds(5), kinds(2));
}
int checkforp10(const Dice& dice, Marks& used) {
    return twoParts(dice, used, kinds(5), kinds(3));
}

int checkforphase(int phase, const Dice& dice, Marks& used) {
    using Check = int (*)(const Dice&, Marks&);
    static constexpr std::array<Check, kPhases + 1> kChecks = {
        nullptr,    checkforp1, checkforp2, checkforp3, checkforp4, checkforp5,
        checkforp6, checkforp7, checkforp8, checkforp9, checkforp10};
    if (phase < 1 || phase > kPhases) return 0;
    return kChecks[phase](dice, used);
}

} // namespace rules
