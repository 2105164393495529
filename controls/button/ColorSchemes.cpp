#include "controls/button/ColorSchemes.h"

#include <array>
#include <initializer_list>

namespace quill::button {
namespace {

// A preset: a plain colour, optionally shifted.
struct Preset {
    Color base;
    float shift = 0;
};

// A set of ButtonStyle values, one bit each.
using StyleSet = std::uint32_t;
constexpr StyleSet Styles(std::initializer_list<std::int32_t> styles) {
    StyleSet set = 0;
    for (std::int32_t s : styles) set |= StyleSet{1} << s;
    return set;
}
constexpr bool InSet(StyleSet set, std::int32_t style) { return style >= 0 && style < 32 && (set >> style & 1) != 0; }

struct SchemeRow {
    StyleSet styles;
    bool everyScheme;               // the preset does not depend on ColorScheme (3 included)
    std::array<Preset, 3> schemes;  // ColorScheme 0, 1, 2
};

constexpr Preset kButtonFace{SystemColor(kColorButtonFace)};

// BackColor by ButtonStyle and ColorScheme. Style 13 has no row: its themed
// painter gives the control its background itself.
constexpr SchemeRow kBackColors[] = {
    {Styles({2}), false, {{{0xE7EBEC}, {0xDBEEF3}, {0xFCF1F0}}}},
    {Styles({3}), false, {{{0xFDECE0}, {0xDEEDE8}, {0xD4D4D4, 0.06f}}}},
    {Styles({5}), false, {{{0xFCE1CA}, {0xBAD6D4}, {0xBA9EA0, 0.15f}}}},
    {Styles({8, 10}), false, {{{0xFFD1AD}, {0xBAD6D4}, {0xE3DFE0}}}},
    {Styles({9}), false, {{{0xFFD1AD}, {0xBAD6D4}, {0xE1D6D5}}}},
    {Styles({0, 1, 4, 6, 7, 11, 12}), true, {{kButtonFace, kButtonFace, kButtonFace}}},
};

constexpr StyleSet kSchemeTwo = Styles({3, 9});
constexpr StyleSet kSchemeZero = Styles({0, 1, 2, 4, 6, 7, 8, 10});
constexpr StyleSet kFocusRect = Styles({0, 1, 9});
constexpr std::int32_t kStyleFlatHover = 4;

}  // namespace

std::int32_t DefaultColorScheme(std::int32_t buttonStyle, std::int32_t current) noexcept {
    if (InSet(kSchemeTwo, buttonStyle)) return 2;
    if (InSet(kSchemeZero, buttonStyle)) return 0;
    return current;
}

SchemeColors ColorSchemeOf(std::int32_t buttonStyle, std::int32_t colorScheme, const ColorTranslator& colors) {
    SchemeColors result;
    for (const SchemeRow& row : kBackColors) {
        if (!InSet(row.styles, buttonStyle)) continue;
        std::int32_t column = row.everyScheme ? 0 : colorScheme;
        if (column >= 0 && column < 3) {
            const Preset& preset = row.schemes[static_cast<std::size_t>(column)];
            Color color = preset.shift != 0 ? ShiftColor(preset.base, preset.shift) : preset.base;
            result.backColor = colors.TranslateColor(color);
        }
        break;
    }
    result.foreColor = colors.TranslateColor(SystemColor(kColorButtonText));
    result.showFocusRect = InSet(kFocusRect, buttonStyle);
    result.turnOnPicturePushOnHover = buttonStyle == kStyleFlatHover;
    return result;
}

void ApplyColorSchemeTo(ButtonProperties& p, const ColorTranslator& colors) {
    const SchemeColors scheme = ColorSchemeOf(p.buttonStyle, p.colorScheme, colors);
    if (scheme.backColor) p.backColor = *scheme.backColor;
    p.foreColor = scheme.foreColor;
    p.showFocusRect = scheme.showFocusRect;
    if (scheme.turnOnPicturePushOnHover) p.picturePushOnHover = true;
}

}  // namespace quill::button
