#pragma once
// The three colour helpers every colour of the button goes through, and the
// brighten and darken tables of the picture effects.
//
// A colour value is a signed 32-bit integer: a plain colour 0x00BBGGRR (red
// in the low byte) or 0x80000000 + n for system colour n, which
// TranslateColor resolves to the system's current value. Channels are taken
// as red = c & 0xFF, green = (c / 256) & 0xFF, blue = (c / 65536) & 0xFF with
// truncating division, for any value, exactly as the formulas say.

#include <array>
#include <cstdint>
#include <optional>

namespace quill::button {

using Color = std::int32_t;

// TranslateColor's answer when a value names no colour.
inline constexpr Color kTranslateFailed = -1;

// The system colours the button names.
inline constexpr int kColorButtonFace = 15;
inline constexpr int kColorButtonText = 18;
inline constexpr int kColorGrayText = 17;
inline constexpr int kColorTooltipBack = 24;

[[nodiscard]] constexpr Color SystemColor(int index) noexcept {
    return static_cast<Color>(0x80000000u + static_cast<std::uint32_t>(index));
}

// Turns a stored colour value into a plain one; kTranslateFailed when the
// value names no colour. The Win32 shell answers with the system's OLE colour
// translation; PortableColorTranslator follows the same rules.
class ColorTranslator {
  public:
    virtual ~ColorTranslator() = default;
    [[nodiscard]] virtual Color TranslateColor(Color value) const = 0;
};

// The current value of system colour n, or none when n names no colour.
class SystemColorSource {
  public:
    virtual ~SystemColorSource() = default;
    [[nodiscard]] virtual std::optional<Color> SystemColorValue(int index) const = 0;
};

// The OLE colour rules with no palette: 0x00bbggrr and the palette forms
// 0x0100iiii and 0x02bbggrr stand as they are; 0x800000nn is system colour
// nn when the source knows it; anything else fails.
[[nodiscard]] Color TranslateColor(Color value, const SystemColorSource& systemColors);

class PortableColorTranslator final : public ColorTranslator {
  public:
    explicit PortableColorTranslator(const SystemColorSource& systemColors) : systemColors_(systemColors) {}
    [[nodiscard]] Color TranslateColor(Color value) const override {
        return button::TranslateColor(value, systemColors_);
    }

  private:
    const SystemColorSource& systemColors_;
};

// Lighter (fraction > 0) or darker (fraction <= 0) by fraction of full scale:
// each channel c becomes c + fraction * 255, the product taken in double
// precision from the single-precision fraction (which is why 0.3 adds 77, not
// 76), rounded ties to even and limited to 255 (lighter) or 0 (darker).
[[nodiscard]] Color ShiftColor(Color color, float fraction);

// Half and half, each channel rounded ties to even.
[[nodiscard]] Color AverageColors(Color color1, Color color2);

using ChannelTable = std::array<std::uint8_t, 256>;
// brighten[i] = (i * 293) / 255 limited to 255; darken[i] = (i * 217) / 255.
[[nodiscard]] ChannelTable BrightenTable();
[[nodiscard]] ChannelTable DarkenTable();

}  // namespace quill::button
