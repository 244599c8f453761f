#include "rules/rules.h"

namespace rules {

const std::string& phaseName(int phase) {
    static const std::array<std::string, kPhases + 1> kNames = {std::string(),
                                                                "Two Sets of 3",
                                                                "Set of 3 + Run of 3",
                                                                "Set of 4 + Run of 4",
                                                                "Run of 7",
                                                                "Run of 8",
                                                                "Run of 9",
                                                                "Two Sets of 4",
                                                                "7 of one color",
                                                                "Set of 5 + Set of 2",
                                                                "Set of 5 + Set of 3"};
    // Phase 11 (all done) and anything else has no name.
    if (phase < 1 || phase > kPhases) return kNames[0];
    return kNames[phase];
}

std::string winnerText(const std::array<std::string, 4>& names, const std::array<int, 4>& scores) {
    std::size_t best = 0;
    for (std::size_t seat = 1; seat < scores.size(); ++seat) {
        if (scores[seat] > scores[best]) best = seat;
    }
    std::string text = names[best];
    for (std::size_t seat = 0; seat < scores.size(); ++seat) {
        if (seat != best && scores[seat] == scores[best]) text += " and " + names[seat];
    }
    return text;
}

} // namespace rules
