#include "ratings/ratings.h"

#include <algorithm>
#include <cmath>
#include <numeric>

namespace ratings {

namespace {

bool usable(std::span<const Rating> before, std::span<const double> ranks) {
    const auto n = before.size();
    if (n < std::size_t(kMinPlayers) || n > std::size_t(kMaxPlayers) || ranks.size() != n)
        return false;
    for (std::size_t i = 0; i < n; ++i) {
        if (!std::isfinite(before[i].mu) || !std::isfinite(before[i].sigma) ||
            !(before[i].sigma > 0) || !std::isfinite(ranks[i]))
            return false;
    }
    return true;
}

} // namespace

std::optional<std::vector<Rating>> rateByRank(std::span<const Rating> before,
                                              std::span<const double> ranks) {
    if (!usable(before, ranks)) return std::nullopt;
    const std::size_t n = before.size();

    // Best place first; a stable sort keeps tied players in seat order, which fixes the
    // order of the sums below and so the last bits of the result.
    std::vector<std::size_t> order(n);
    std::iota(order.begin(), order.end(), 0);
    std::stable_sort(order.begin(), order.end(),
                     [&](std::size_t a, std::size_t b) { return ranks[a] < ranks[b]; });

    // In sorted order: mu, sigma^2 after the drift, and the place as the index of the
    // first player sharing it.
    std::vector<double> mu(n), sigmaSq(n), expMu(n);
    std::vector<std::size_t> place(n);
    for (std::size_t j = 0; j < n; ++j) {
        const Rating& r = before[order[j]];
        mu[j] = r.mu;
        const double sigma = std::sqrt(r.sigma * r.sigma + kTau * kTau);
        sigmaSq[j] = sigma * sigma;
        place[j] = (j > 0 && ranks[order[j - 1]] == ranks[order[j]]) ? place[j - 1] : j;
    }

    double cSq = 0;
    for (std::size_t j = 0; j < n; ++j)
        cSq += sigmaSq[j] + kBeta * kBeta;
    const double c = std::sqrt(cSq);
    for (std::size_t j = 0; j < n; ++j)
        expMu[j] = std::exp(mu[j] / c);

    // sumQ[q]: the weight of everyone placed no better than q; tied[q]: how many share
    // q's place.
    std::vector<double> sumQ(n, 0.0);
    std::vector<double> tied(n, 0.0);
    for (std::size_t q = 0; q < n; ++q) {
        for (std::size_t i = 0; i < n; ++i) {
            if (place[i] >= place[q]) sumQ[q] += expMu[i];
            if (place[i] == place[q]) tied[q] += 1;
        }
    }

    std::vector<Rating> after(n);
    for (std::size_t i = 0; i < n; ++i) {
        double omega = 0, delta = 0;
        for (std::size_t q = 0; q < n; ++q) {
            if (place[q] > place[i]) continue;
            const double quotient = expMu[i] / sumQ[q];
            omega += (i == q ? 1 - quotient : -quotient) / tied[q];
            delta += quotient * (1 - quotient) / tied[q];
        }
        const double sigma = std::sqrt(sigmaSq[i]);
        const double gamma = sigma / c;
        // One player per team, so the player carries the whole team's update.
        omega = omega * (sigmaSq[i] / c);
        delta = delta * (sigmaSq[i] / (c * c)) * gamma;
        after[order[i]] = {mu[i] + omega, sigma * std::sqrt(std::max(1 - delta, kKappa))};
    }
    return after;
}

std::optional<std::vector<Rating>> rateByScore(std::span<const Rating> before,
                                               std::span<const double> scores) {
    std::vector<double> ranks(scores.size());
    std::transform(scores.begin(), scores.end(), ranks.begin(), [](double s) { return -s; });
    return rateByRank(before, ranks);
}

double ordinal(Rating rating) {
    return rating.mu - kDisplaySigmas * rating.sigma;
}

int displayed(Rating rating) {
    const double value = std::round(ordinal(rating));
    // A rating far outside any real one (a damaged record) still shows as a number.
    if (!(value > -1e9)) return -1000000000;
    if (value > 1e9) return 1000000000;
    return int(value);
}

} // namespace ratings
