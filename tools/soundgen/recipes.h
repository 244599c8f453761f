// The game's nine sound effects as synthesis recipes.
#pragma once

#include "synth.h"

#include <string>
#include <vector>

namespace soundgen {

// The sound names, in a fixed order; each becomes NAME.wav.
const std::vector<std::string>& soundNames();

// Renders one finished sound: filtered, faded in and out, peak-normalised.
// Deterministic: the same name gives the same samples on every run. Empty for
// an unknown name.
Buffer renderSound(const std::string& name);

} // namespace soundgen
