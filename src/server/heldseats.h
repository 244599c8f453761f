// Seats kept for players whose connection dropped during a game, and the secrets that
// let them back in. A name proves nothing: the host hands each seated player a random
// token, and only that token opens the seat again.
#pragma once

#include <QByteArray>
#include <QList>
#include <array>
#include <functional>

namespace server {

class HeldSeats {
public:
    // Where a token's random words come from: the system's generator, which nobody can
    // guess from the wire or the clock. Tests and the fuzzer give a seeded one, so a
    // run is the same every time.
    using WordSource = std::function<quint32()>;
    static WordSource systemWords();
    void setWordSource(WordSource words) { m_words = std::move(words); }

    // Coming back more often than this within the window: the next drop is not held, so
    // nobody can stall a game by reconnecting.
    static constexpr int kMaxReturns = 5;
    static constexpr qint64 kReturnWindowMs = 10 * 60 * 1000;

    // A fresh secret for the seat's player in this game; it replaces any earlier one.
    QByteArray issue(int seat);
    // The seat's connection dropped at `now`: true when the seat is held for it.
    bool hold(int seat, qint64 now);
    bool isHeld(int seat) const;
    // The held seat `token` opens, or 0.
    int find(const QByteArray& token) const;
    // The player is back in `seat` at `now`: the seat is no longer held, the token used.
    void returned(int seat, qint64 now);
    // Forgets the seat's hold and token (the player was removed).
    void release(int seat);
    // A game ended or began: no seat is held, no token opens anything.
    void clear();

private:
    struct Seat {
        QByteArray token;
        bool held = false;
        QList<qint64> returns;
    };
    std::array<Seat, 5> m_seats{}; // [1..4]
    WordSource m_words = systemWords();
};

} // namespace server
