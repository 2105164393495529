#include "controls/button/Gradient.h"

#include "controls/button/NumberRules.h"

namespace quill::button {

std::vector<Color> GradientRamp(Color color1, Color color2, std::int32_t n) {
    if (n < 0) return {};
    auto channel = [](Color c, int shift) { return (c >> shift) & 0xFF; };
    std::vector<Color> ramp;
    ramp.reserve(static_cast<std::size_t>(n) + 1);
    if (n == 0) {
        Color c = 0;
        for (int shift : {0, 8, 16}) {
            c |= (DivTruncate(channel(color1, shift), 2) + DivTruncate(channel(color2, shift), 2)) << shift;
        }
        ramp.push_back(c);
        return ramp;
    }
    for (std::int32_t i = 0; i <= n; ++i) {
        Color c = 0;
        for (int shift : {0, 8, 16}) {
            const std::int32_t a = channel(color1, shift), b = channel(color2, shift);
            c |= (a + DivTruncate(i * (b - a), n)) << shift;
        }
        ramp.push_back(c);
    }
    return ramp;
}

Pixels GradientPixels(std::int32_t w, std::int32_t h, Color color1, Color color2, GradientDirection direction) {
    Pixels block;
    if (w <= 0 || h <= 0) return block;
    std::int32_t n = 0;
    switch (direction) {
        case GradientDirection::kHorizontal:
            n = w - 1;
            break;
        case GradientDirection::kVertical:
            n = h - 1;
            break;
        case GradientDirection::kDiagonalDown:
        case GradientDirection::kDiagonalUp:
            n = w + h - 2;
            break;
    }
    const std::vector<Color> ramp = GradientRamp(color1, color2, n);
    block.width = w;
    block.height = h;
    block.bgra.resize(static_cast<std::size_t>(w) * static_cast<std::size_t>(h));
    for (std::int32_t y = 0; y < h; ++y) {
        for (std::int32_t x = 0; x < w; ++x) {
            std::int32_t i = 0;
            switch (direction) {
                case GradientDirection::kHorizontal:
                    i = x;
                    break;
                case GradientDirection::kVertical:
                    i = y;
                    break;
                case GradientDirection::kDiagonalDown:
                    i = x + y;
                    break;
                case GradientDirection::kDiagonalUp:
                    i = x + (h - 1 - y);
                    break;
            }
            block.At(x, y) = PixelOfColor(ramp[static_cast<std::size_t>(i)]);
        }
    }
    return block;
}

}  // namespace quill::button
