// Writes 16-bit mono PCM WAV files (the canonical 44-byte RIFF header).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace soundgen {

// The whole file as bytes, little-endian as the format demands on every host.
std::vector<std::uint8_t> encodeWav(const std::vector<std::int16_t>& samples, int sampleRate);

// Writes the file; false when it cannot be created or written completely.
bool writeWav(const std::string& path, const std::vector<std::int16_t>& samples, int sampleRate);

} // namespace soundgen
