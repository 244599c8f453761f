// The players' skill ratings: the Weng-Lin Bayesian model with the Plackett-Luce update
// (Weng & Lin, "A Bayesian Approximation Method for Online Ranking", JMLR 12, 2011), for
// free-for-all games of 2 to 4 players, one player per team, ties by equal rank.
//
// The defaults and every step follow the npm package openskill 5.0.1 with its default
// options, which the tests check this against (tests/ratings): a rating starts at mu 25,
// sigma 25/3; beta is 25/6, kappa 1e-4, and before each game every sigma grows by
// tau = 25/300 (sigma' = sqrt(sigma^2 + tau^2)), so a regular player's rating keeps
// moving; sigma is not capped at its old value afterwards. gamma is sigma'/c.
//
// Standard library only, so the bot, a server module or a tool can all use it.
#pragma once

#include <optional>
#include <span>
#include <vector>

namespace ratings {

constexpr double kMu = 25.0;           // a new player's mean skill
constexpr double kSigma = 25.0 / 3.0;  // and its uncertainty
constexpr double kBeta = 25.0 / 6.0;   // the spread of one game's performance
constexpr double kKappa = 1e-4;        // the least share of sigma^2 one game keeps
constexpr double kTau = 25.0 / 300.0;  // the drift added to sigma before each game
constexpr double kDisplaySigmas = 3.0; // the ordinal counts this many sigmas off mu
constexpr int kMinPlayers = 2;
constexpr int kMaxPlayers = 4;

struct Rating {
    double mu = kMu;
    double sigma = kSigma;
};

// One game's update. `before` holds the players' ratings in seat order; `ranks` each
// one's place, in the same order: lower is better, equal places are a tie (1, 1, 3 and
// 0, 0, 1 mean the same). Returns the new ratings in seat order, or nothing (and nobody's
// rating changes) when the game cannot be rated: fewer than 2 or more than 4 players,
// lists of different lengths, or a mu, sigma or place that is not a finite number, or a
// sigma that is not above 0.
std::optional<std::vector<Rating>> rateByRank(std::span<const Rating> before,
                                              std::span<const double> ranks);

// The same from final scores: the higher score places better, equal scores tie.
std::optional<std::vector<Rating>> rateByScore(std::span<const Rating> before,
                                               std::span<const double> scores);

// The conservative skill estimate mu - 3 sigma (openskill's ordinal): a new player
// stands at 0 and climbs as games make the rating surer. Tables of the best sort on it.
double ordinal(Rating rating);

// What the lobby shows beside a name: the ordinal rounded to a whole number.
int displayed(Rating rating);

} // namespace ratings
