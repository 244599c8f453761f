// The Expert's holds for the phases made of values, worked out when the game is built
// (planmaker.cpp writes them; expertpolicy.cpp in the build folder holds them).
#pragma once

#include "rules/turnprogramme.h"

#include <cstddef>
#include <cstdint>

namespace rules {

// Two characters a hold, 5 bits each, phase by phase (1..7, 9, 10), one roll left then
// two, position by position.
extern const char kExpertPolicy[];
extern const std::size_t kExpertPolicySize;

// The table's shape. The generated source checks its own length against it, so a table
// of any other length does not build.
inline constexpr int kPolicyPhases = 9;
inline constexpr std::size_t kPolicyHoldsPerPhase = 2 * std::size_t(TurnProgramme::kPositions);
inline constexpr std::size_t kPolicyChars = std::size_t(kPolicyPhases) * kPolicyHoldsPerPhase * 2;

inline constexpr char kPolicyDigits[] = "0123456789abcdefghijklmnopqrstuv";

// The slot of a values phase in the table, phase 8 left out.
inline int policySlot(int phase) {
    return phase < 8 ? phase - 1 : phase - 2;
}

// The hold for a values phase (TurnProgramme::covers), 1 or 2 rolls left and a position
// below TurnProgramme::kPositions. Anything else is a fault in the caller: it is reported
// on stderr and the program aborts, rather than play on with a hold from elsewhere or none.
std::uint16_t expertPolicy(int phase, int rollsLeft, int position);

} // namespace rules
