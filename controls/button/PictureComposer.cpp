#include "controls/button/PictureComposer.h"

#include "controls/button/NumberRules.h"

namespace quill::button {
namespace {

constexpr std::int32_t kDisabledFaint = 52;

struct Rgb {
    std::int32_t r, g, b;
};

Rgb Channels(std::uint32_t bgra) {
    return {static_cast<std::int32_t>((bgra >> 16) & 0xFF), static_cast<std::int32_t>((bgra >> 8) & 0xFF),
            static_cast<std::int32_t>(bgra & 0xFF)};
}

std::uint32_t Pack(const Rgb& c, std::uint32_t alpha) {
    return alpha << 24 | static_cast<std::uint32_t>(c.r) << 16 | static_cast<std::uint32_t>(c.g) << 8 |
           static_cast<std::uint32_t>(c.b);
}

// The colour a picture pixel is drawn in: the silhouette's, the disabled
// grey, or its own through the effect's table.
Rgb Source(const Rgb& own, const Composition& how) {
    if (how.silhouette != kNoSilhouette) return Channels(PixelOfColor(how.silhouette));
    if (how.look.greyscale) {
        const std::int32_t grey = RoundToInt32(RoundToInt32(own.r * 0.3) + own.g * 0.59 + own.b * 0.11);
        return {grey, grey, grey};
    }
    const ChannelTable* table = how.look.effect == 1 ? how.brighten : how.look.effect == 2 ? how.darken : nullptr;
    if (table == nullptr) return own;
    return {(*table)[own.r], (*table)[own.g], (*table)[own.b]};
}

// weight of s against back, over 256 (not 255), truncated.
Rgb Blend(const Rgb& s, const Rgb& back, std::int32_t weight) {
    auto mix = [&](std::int32_t a, std::int32_t b) { return DivTruncate(weight * a + (255 - weight) * b, 256); };
    return {mix(s.r, back.r), mix(s.g, back.g), mix(s.b, back.b)};
}

}  // namespace

std::int32_t DisabledOpacity(const ButtonProperties& p) {
    switch (p.disabledPictureMode) {
        case 0:
            return kDisabledFaint;
        case 1:
            return RoundToInt32(0.75 * p.pictureOpacity);
        default:
            return 0;
    }
}

PictureLook PictureLookOf(const ButtonProperties& p, std::int32_t drawState, bool alphaPath) {
    PictureLook look;
    look.effect = drawState == 1 ? p.pictureEffectOnOver : drawState == 2 ? p.pictureEffectOnDown : 0;
    look.greyscale = !p.enabled && p.disabledPictureMode == 1;
    const bool hotOpacity = drawState == 1 && (p.enabled || !alphaPath);
    look.opacity = hotOpacity ? p.pictureOpacityOnOver : p.enabled ? p.pictureOpacity : DisabledOpacity(p);
    return look;
}

void ComposeMasked(Pixels& back, const Pixels& picture, const Composition& how, Color keyColor, bool useMaskColor,
                   const std::function<Color(Color)>& nearest) {
    const std::int32_t a = how.look.opacity;
    if (a <= 0) return;
    for (std::int32_t y = 0; y < back.height && y < picture.height; ++y) {
        for (std::int32_t x = 0; x < back.width && x < picture.width; ++x) {
            const Color shown = nearest(ColorOfPixel(picture.At(x, y)));
            if (useMaskColor && shown == keyColor) continue;
            const Rgb s = Source(Channels(PixelOfColor(shown)), how);
            std::uint32_t& under = back.At(x, y);
            const Rgb mixed = a >= 255 ? s : Blend(s, Channels(under), a);
            under = Pack(mixed, under >> 24);
        }
    }
}

void ComposeAlpha(Pixels& back, const Pixels& picture, const Composition& how) {
    for (std::int32_t y = 0; y < back.height && y < picture.height; ++y) {
        for (std::int32_t x = 0; x < back.width && x < picture.width; ++x) {
            const std::uint32_t own = picture.At(x, y);
            const std::int32_t g = DivTruncate(static_cast<std::int32_t>(own >> 24) * how.look.opacity, 255);
            if (g <= 0) continue;
            const Rgb s = Source(Channels(own), how);
            std::uint32_t& under = back.At(x, y);
            if (g >= 255) {
                under = Pack(s, own >> 24);
            } else {
                under = Pack(Blend(s, Channels(under), g), under >> 24);
            }
        }
    }
}

}  // namespace quill::button
