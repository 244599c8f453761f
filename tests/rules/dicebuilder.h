// Small builders shared by the rules tests: dice from a row of values, marks from held dice.
#pragma once

#include "rules/rules.h"

#include <QList>

namespace testdice {

// Dice 1..10 showing `values` (0 = wild); every die counts as rolled, colour `colour`.
inline rules::Dice make(const QList<int>& values, const QList<int>& colours = {}) {
    rules::Dice dice{};
    for (int n = 1; n <= rules::kDice; ++n) {
        dice[n].value = values.value(n - 1);
        dice[n].colour = colours.isEmpty() ? 1 : colours.value(n - 1);
    }
    return dice;
}

inline rules::Marks held(const QList<int>& dice) {
    rules::Marks marks{};
    for (int n : dice)
        marks[n] = 1;
    return marks;
}

// Die numbers whose entry equals `mark`, ascending.
template <typename Array> QList<int> withMark(const Array& marks, int mark) {
    QList<int> out;
    for (int n = 1; n <= rules::kDice; ++n) {
        if (marks[n] == mark) out << n;
    }
    return out;
}

} // namespace testdice
