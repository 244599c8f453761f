// The rules of the game as plain functions over plain data: faces and colours,
// the phase checks with their per-die marks, the computer's strategies and the
// winner text. Standard library only; the host calls these, they never call back.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace rules {

inline constexpr int kDice = 10;
inline constexpr int kPhases = 10;

struct Die {
    int value = 0;  // 0 = wild (dice 1..4 only), 1..10
    int colour = 0; // 1..4; 0 = not rolled yet this turn
    bool held = false;
};

// Index 0 is unused so that die n lives at [n], as everywhere in the game.
using Dice = std::array<Die, kDice + 1>;

// Per-die marks during a phase check: 0 not held, 1 held and free, 2 used, 3 set aside.
using Marks = std::array<int, kDice + 1>;

// One draw of a face 1..6, each equally likely. Injected so tests can seed or script it.
using FaceSource = std::function<int()>;

// Colour 1..4 of `face` (1..6) on die `die` (1..10); anything else gives 1.
int findcolor(int die, int face);
// Value of `face` on `die`: dice 1..4 show 1..4 or a wild (0); dice 5..10 show face + 4.
int faceValue(int die, int face);
// Rolls die n: redraws while the colour equals the die's present colour; clears held.
void rolldice(Dice& dice, int n, const FaceSource& draw);
// Uniform faces 1..6 from a generator seeded with `seed`; copies share one generator.
FaceSource seededFaces(std::uint32_t seed);

// A set of n / a run of n among the dice marked 1; marks the dice used 2; returns the
// points (0 = not found).
int checkforkinds(const Dice& dice, Marks& used, int n);
int checkforruns(const Dice& dice, Marks& used, int n);
// Phases 1..10; phase 8 may mark dice 3 (set aside).
int checkforphase(int phase, const Dice& dice, Marks& used);

// The individual phase checks behind checkforphase. Each returns the points of the
// phase; on 0 (not complete) `used` is left exactly as it was given.
int checkforp1(const Dice& dice, Marks& used);  // two sets of 3
int checkforp2(const Dice& dice, Marks& used);  // set of 3, then run of 3
int checkforp3(const Dice& dice, Marks& used);  // set of 4, then run of 4
int checkforp4(const Dice& dice, Marks& used);  // run of 7
int checkforp5(const Dice& dice, Marks& used);  // run of 8
int checkforp6(const Dice& dice, Marks& used);  // run of 9
int checkforp7(const Dice& dice, Marks& used);  // two sets of 4
int checkforp8(const Dice& dice, Marks& used);  // seven of one colour
int checkforp9(const Dice& dice, Marks& used);  // set of 5, then set of 2
int checkforp10(const Dice& dice, Marks& used); // set of 5, then set of 3

// The phase names shown to players, 1..10 ("Two Sets of 3" ...).
const std::string& phaseName(int phase);

// The computer's decision for `phase` on the dice as they lie: plan[n] = 1 holds die n.
using Plan = std::array<int, kDice + 1>;
// Any phase outside 1..10 gives an empty plan (roll everything).
Plan computerplay(int phase, const Dice& dice);

// The strategies behind computerplay, one per phase; each looks at every die, held or not.
Plan computerplayp1(const Dice& dice);
Plan computerplayp2(const Dice& dice);
Plan computerplayp3(const Dice& dice);
Plan computerplayp4(const Dice& dice);
Plan computerplayp5(const Dice& dice);
Plan computerplayp6(const Dice& dice);
Plan computerplayp7(const Dice& dice);
Plan computerplayp8(const Dice& dice);
Plan computerplayp9(const Dice& dice);
Plan computerplayp10(const Dice& dice);

// The ways `phase` can be made of values (set values, run windows): for each, how many
// dice of each value 1..10 it needs. None for phase 8, which is made of a colour.
std::vector<std::array<int, 11>> phaseWays(int phase);

// The hold that completes `phase` with the dice as they lie for the most points, found among
// the phase's ways to be made; returns its points, 0 (and an empty plan) if none completes.
int finishingHold(int phase, const Dice& dice, Plan& plan);

// How well the computer plays. Normal is the strategies above; Expert plays the rest of
// the turn as well as it can be played, for what a turn is worth (expertWorth).
enum class Skill { Normal, Expert };

// What ending a turn with `points` (0 = not complete) is worth to Expert: the points, and
// kCompletionWorth for completing at all. A failed turn costs the seat a turn of the race,
// about one phase's points, so completing counts as much again; within a phase that means
// a sure phase beats a likely one worth a little more.
inline constexpr int kCompletionWorth = 40;
double expertWorth(int points);

// Expert's hold for `phase` with `rollsLeft` rolls still to come in the turn: the hold with
// the best expected worth. Whenever the dice make the phase the hold makes it too (with no
// roll left, for the most points). Needs the dice as the game rolls them; for any others
// it keeps what completes, else Normal's plan. Only rolled dice are held.
Plan expertplay(int phase, const Dice& dice, int rollsLeft);
// Normal or Expert.
Plan computerplayFor(Skill skill, int phase, const Dice& dice, int rollsLeft);

// The winner sentence: the best seat's name (lowest seat on a tie), then " and " and
// each other seat with the same score, in seat order. names[i]/scores[i] for seats 1..4
// at index i-1; the caller has already put a seat's bot name where its name is empty.
std::string winnerText(const std::array<std::string, 4>& names, const std::array<int, 4>& scores);

} // namespace rules
