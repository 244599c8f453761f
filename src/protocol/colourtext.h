// Colours as chat lines and the settings file write them: one of sixteen names
// ("clBlack" .. "clWhite") or "$" and eight hex digits of the 0x00BBGGRR value.
#pragma once

#include <QString>
#include <cstdint>
#include <optional>

namespace wire {

using BgrColour = std::uint32_t; // 0x00BBGGRR

inline constexpr BgrColour kBlack = 0x000000;
inline constexpr BgrColour kRed = 0x0000FF;
inline constexpr BgrColour kBlue = 0xFF0000;

QString colourToText(BgrColour colour);

// Accepts a name (any letter case), "$" + hex, or a decimal number.
std::optional<BgrColour> colourFromText(const QString& text);

// 0x00BBGGRR <-> 0xAARRGGBB (opaque) for painting.
std::uint32_t bgrToRgb(BgrColour colour);
BgrColour rgbToBgr(std::uint32_t rgb);

} // namespace wire
