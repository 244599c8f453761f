#include "rules/colourodds.h"

#include <algorithm>

namespace rules {

ColourOdds::ColourOdds() {
    for (int d = 1; d <= kDice; ++d)
        for (int x = 1; x <= 4; ++x) {
            int others = 0;
            for (int f = 1; f <= 6; ++f)
                others += findcolor(d, f) != x ? 1 : 0;
            for (int f = 1; f <= 6; ++f) {
                const int y = findcolor(d, f);
                if (y != x) m_next[d][x][y] += 1.0 / others;
            }
        }
}

ColourOdds::Colours ColourOdds::coloursOf(const Dice& dice) {
    Colours c = 0;
    for (int n = 1; n <= kDice; ++n)
        c |= Colours(std::clamp(dice[n].colour, 1, 4) - 1) << (2 * (n - 1));
    return c;
}

int ColourOdds::colourOf(Colours colours, int die) {
    return int((colours >> (2 * (die - 1))) & 3u) + 1;
}

double ColourOdds::lastRoll(Colours colours, int* colour) {
    if (m_last.empty()) m_last.assign(std::size_t(1) << (2 * kDice), -1.0f);
    float& memo = m_last[colours];
    if (memo >= 0 && !colour) return memo;
    double best = -1;
    int bestColour = 1;
    for (int c = 1; c <= 4; ++c) {
        // How many dice show c once every die of another colour is rolled.
        std::array<double, kDice + 1> count{};
        count[0] = 1;
        for (int d = 1; d <= kDice; ++d) {
            const int x = colourOf(colours, d);
            const double hit = x == c ? 1.0 : m_next[d][x][c];
            for (int k = d; k >= 1; --k)
                count[k] = count[k] * (1 - hit) + count[k - 1] * hit;
            count[0] *= 1 - hit;
        }
        double reach = 0;
        for (int k = 7; k <= kDice; ++k)
            reach += count[k];
        if (reach > best) {
            best = reach;
            bestColour = c;
        }
    }
    memo = float(best);
    if (colour) *colour = bestColour;
    return best;
}

double ColourOdds::afterHold(Colours colours, unsigned held) {
    return expect(colours, held, 1, 0, 1.0);
}

double ColourOdds::expect(Colours colours, unsigned held, int die, Colours next, double chance) {
    if (die > kDice) return chance * lastRoll(next);
    const int x = colourOf(colours, die);
    const int shift = 2 * (die - 1);
    if (held & (1u << (die - 1)))
        return expect(colours, held, die + 1, next | Colours(x - 1) << shift, chance);
    double sum = 0;
    for (int y = 1; y <= 4; ++y)
        if (m_next[die][x][y] > 0)
            sum += expect(colours, held, die + 1, next | Colours(y - 1) << shift,
                          chance * m_next[die][x][y]);
    return sum;
}

} // namespace rules
