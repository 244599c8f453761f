#include "protocol/colourtext.h"

#include <array>
#include <utility>

namespace wire {
namespace {

struct Named {
    const char* name;
    BgrColour value;
};

constexpr std::array<Named, 16> kNames{{
    {"clBlack", 0x000000}, {"clMaroon", 0x000080}, {"clGreen", 0x008000},
    {"clOlive", 0x008080}, {"clNavy", 0x800000},   {"clPurple", 0x800080},
    {"clTeal", 0x808000},  {"clGray", 0x808080},   {"clSilver", 0xC0C0C0},
    {"clRed", 0x0000FF},   {"clLime", 0x00FF00},   {"clYellow", 0x00FFFF},
    {"clBlue", 0xFF0000},  {"clFuchsia", 0xFF00FF}, {"clAqua", 0xFFFF00},
    {"clWhite", 0xFFFFFF},
}};

} // namespace

QString colourToText(BgrColour colour) {
    for (const auto& n : kNames)
        if (n.value == colour) return QString::fromLatin1(n.name);
    return QStringLiteral("$%1").arg(colour, 8, 16, QLatin1Char('0')).toUpper();
}

std::optional<BgrColour> colourFromText(const QString& text) {
    const QString t = text.trimmed();
    if (t.isEmpty()) return std::nullopt;
    for (const auto& n : kNames)
        if (t.compare(QLatin1String(n.name), Qt::CaseInsensitive) == 0) return n.value;
    bool ok = false;
    qint64 v = 0;
    if (t.startsWith(QLatin1Char('$'))) {
        const QString hex = t.mid(1);
        if (hex.isEmpty() || hex.size() > 8) return std::nullopt;
        v = hex.toLongLong(&ok, 16);
    } else {
        for (QChar c : t)
            if (!(c.isDigit() || c == QLatin1Char('-'))) return std::nullopt;
        v = t.toLongLong(&ok, 10);
        if (ok && (v < INT32_MIN || v > INT32_MAX)) ok = false;
    }
    if (!ok) return std::nullopt;
    return static_cast<BgrColour>(v) & 0xFFFFFFFFu;
}

std::uint32_t bgrToRgb(BgrColour c) {
    const std::uint32_t r = c & 0xFF, g = (c >> 8) & 0xFF, b = (c >> 16) & 0xFF;
    return 0xFF000000u | (r << 16) | (g << 8) | b;
}

BgrColour rgbToBgr(std::uint32_t rgb) {
    const std::uint32_t r = (rgb >> 16) & 0xFF, g = (rgb >> 8) & 0xFF, b = rgb & 0xFF;
    return (b << 16) | (g << 8) | r;
}

} // namespace wire
