// The Expert's holds for the phases made of values, worked out when the game is built
// (planmaker.cpp writes them; expertpolicy.cpp in the build folder holds them).
#pragma once

#include <cstddef>
#include <cstdint>

namespace rules {

// Two characters a hold, 5 bits each, phase by phase (1..7, 9, 10), one roll left then
// two, position by position.
extern const char kExpertPolicy[];
extern const std::size_t kExpertPolicySize;

inline constexpr char kPolicyDigits[] = "0123456789abcdefghijklmnopqrstuv";

// The slot of a values phase in the table, phase 8 left out.
inline int policySlot(int phase) {
    return phase < 8 ? phase - 1 : phase - 2;
}

std::uint16_t expertPolicy(int phase, int rollsLeft, int position);

} // namespace rules
