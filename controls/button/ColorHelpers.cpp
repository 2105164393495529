#include "controls/button/ColorHelpers.h"

#include "controls/button/NumberRules.h"

#include <algorithm>

namespace quill::button {
namespace {

constexpr std::int32_t kChannelMax = 255;

std::int32_t Red(Color c) { return c & 0xFF; }
std::int32_t Green(Color c) { return DivTruncate(c, 256) & 0xFF; }
std::int32_t Blue(Color c) { return DivTruncate(c, 65536) & 0xFF; }
Color FromChannels(std::int32_t red, std::int32_t green, std::int32_t blue) { return red + green * 256 + blue * 65536; }

}  // namespace

Color TranslateColor(Color value, const SystemColorSource& systemColors) {
    const auto bits = static_cast<std::uint32_t>(value);
    switch (bits >> 24) {
        case 0x00:
        case 0x02:
            return value;
        case 0x01:
            return (bits & 0x00FF0000u) == 0 ? value : kTranslateFailed;
        case 0x80: {
            if ((bits & 0x00FFFF00u) != 0) return kTranslateFailed;
            std::optional<Color> color = systemColors.SystemColorValue(static_cast<int>(bits & 0xFFu));
            return color ? *color : kTranslateFailed;
        }
        default:
            return kTranslateFailed;
    }
}

Color ShiftColor(Color color, float fraction) {
    const double added = static_cast<double>(fraction) * kChannelMax;
    auto shift = [&](std::int32_t channel) {
        std::int32_t shifted = RoundToInt32(channel + added);
        return fraction > 0 ? std::min(shifted, kChannelMax) : std::max(shifted, 0);
    };
    return FromChannels(shift(Red(color)), shift(Green(color)), shift(Blue(color)));
}

Color AverageColors(Color color1, Color color2) {
    auto average = [](std::int32_t a, std::int32_t b) { return RoundToInt32((a + b) / 2.0); };
    return FromChannels(average(Red(color1), Red(color2)), average(Green(color1), Green(color2)),
                        average(Blue(color1), Blue(color2)));
}

ChannelTable BrightenTable() {
    ChannelTable table{};
    for (std::int32_t i = 0; i < 256; ++i) {
        table[i] = static_cast<std::uint8_t>(std::min(DivTruncate(i * 293, 255), kChannelMax));
    }
    return table;
}

ChannelTable DarkenTable() {
    ChannelTable table{};
    for (std::int32_t i = 0; i < 256; ++i) table[i] = static_cast<std::uint8_t>(DivTruncate(i * 217, 255));
    return table;
}

}  // namespace quill::button
