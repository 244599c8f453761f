#include "server/gamestate.h"

#include "server/seattable.h"

namespace server {

void GameState::start() {
    gameon = true;
    someoneout = false;
    round = 0;
    currentseat = 0;
    turnScored = false;
}

int GameState::nextSeat(int from, const SeatTable& seats) {
    for (int step = 1; step <= kSeatCount; ++step) {
        const int seat = (from + step - 1) % kSeatCount + 1;
        if (seats.takesPart(seat)) return seat;
    }
    return 0;
}

void GameState::beginTurn(int seat) {
    currentseat = seat;
    if (seat == 1) ++round;
    dice = rules::Dice{};
    rollno = 0;
    turnScored = false;
    computerInTurn = false;
}

} // namespace server
