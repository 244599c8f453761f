// The rating update's cost: seeded games of 2, 3 and 4 players, the time per game.
//
//   ratingsbench [--games 1000000]
#include "ratings/ratings.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <random>
#include <vector>

int main(int argc, char** argv) {
    long games = 1000000;
    for (int i = 1; i + 1 < argc; i += 2)
        if (std::strcmp(argv[i], "--games") == 0) games = std::strtol(argv[i + 1], nullptr, 10);
    if (games <= 0) {
        std::fprintf(stderr, "usage: ratingsbench [--games N]\n");
        return 2;
    }
    for (int players = ratings::kMinPlayers; players <= ratings::kMaxPlayers; ++players) {
        std::mt19937_64 random(24);
        std::uniform_real_distribution<double> mu(0, 50), sigma(0.5, 9);
        std::uniform_int_distribution<int> place(1, players);
        std::vector<ratings::Rating> seats(players);
        std::vector<double> ranks(players);
        double sink = 0;
        std::chrono::nanoseconds spent{0};
        for (long g = 0; g < games; ++g) {
            for (int i = 0; i < players; ++i) {
                seats[i] = {mu(random), sigma(random)};
                ranks[i] = place(random);
            }
            const auto start = std::chrono::steady_clock::now();
            const auto after = ratings::rateByRank(seats, ranks);
            spent += std::chrono::steady_clock::now() - start;
            sink += (*after)[0].mu;
        }
        std::printf("%d players: %.0f ns per game over %ld games (checksum %.3f)\n", players,
                    double(spent.count()) / double(games), games, sink / double(games));
    }
    return 0;
}
