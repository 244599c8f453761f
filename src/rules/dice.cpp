#include "rules/rules.h"

#include <memory>
#include <random>

namespace rules {

namespace {

// Colour offset of each die's group; the groups share one face-to-colour cycle.
constexpr std::array<int, kDice + 1> kColourOffset = {0, 0, 1, 2, 3, 0, 1, 2, 3, 2, 3};

bool validDie(int die) {
    return die >= 1 && die <= kDice;
}
bool validFace(int face) {
    return face >= 1 && face <= 6;
}

} // namespace

int findcolor(int die, int face) {
    if (!validDie(die) || !validFace(face)) return 1;
    return ((face - 1 + kColourOffset[die]) % 4) + 1;
}

int faceValue(int die, int face) {
    if (!validDie(die) || !validFace(face)) return 0;
    if (die <= 4) return face <= 4 ? face : 0;
    return face + 4;
}

void rolldice(Dice& dice, int n, const FaceSource& draw) {
    if (!validDie(n) || !draw) return;
    // A face outside 1..6 would read as a value no die has, so it is drawn again too.
    int face = 0;
    int colour = 0;
    do {
        face = draw();
        colour = findcolor(n, face);
    } while (!validFace(face) || colour == dice[n].colour);
    dice[n].value = faceValue(n, face);
    dice[n].colour = colour;
    dice[n].held = false;
}

FaceSource seededFaces(std::uint32_t seed) {
    auto generator = std::make_shared<std::mt19937>(seed);
    return [generator] { return std::uniform_int_distribution<int>(1, 6)(*generator); };
}

} // namespace rules
