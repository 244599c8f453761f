#include "server/gameresult.h"

#include "server/seattable.h"

#include <algorithm>

namespace server {

GameResult gameResult(const SeatTable& seats, GameEnd end, int rounds) {
    GameResult out;
    out.end = end;
    out.rounds = rounds;
    for (int s = 1; s <= kSeatCount; ++s) {
        const SeatRecord& rec = seats.record(s);
        if (rec.turns == 0) continue;
        SeatResult r;
        r.seat = s;
        r.name = rec.resultName;
        r.score = rec.score;
        r.turns = rec.turns;
        r.computerTurns = rec.computerTurns;
        r.present = rec.connected && rec.loggedIn && !rec.quiet && !rec.held;
        out.seats.append(r);
    }
    if (end == GameEnd::Finished && !out.seats.isEmpty()) {
        const int best = std::ranges::max(out.seats, {}, &SeatResult::score).score;
        for (SeatResult& r : out.seats)
            r.winner = r.score == best;
    }
    return out;
}

} // namespace server
