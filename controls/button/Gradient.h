#pragma once
// The gradients of the button's looks: a colour ramp per channel with
// truncating integer steps, laid out in one of four directions.

#include "controls/button/Canvas.h"
#include "controls/button/ColorHelpers.h"

#include <cstdint>
#include <vector>

namespace quill::button {

enum class GradientDirection : std::int32_t {
    kHorizontal = 0,    // color1 in the left column
    kVertical = 1,      // color1 in the top row
    kDiagonalDown = 2,  // from the top-left corner to the bottom-right one
    kDiagonalUp = 3,    // from the bottom-left corner to the top-right one
};

// n + 1 entries from color1 to color2: entry i has each channel
// c1 + (i * (c2 - c1)) / n, truncated; for n = 0 the one entry is
// c1 / 2 + c2 / 2 per channel. Empty for n < 0.
[[nodiscard]] std::vector<Color> GradientRamp(Color color1, Color color2, std::int32_t n);

// The w x h block of a gradient; empty (0 x 0) when w or h is not positive.
[[nodiscard]] Pixels GradientPixels(std::int32_t w, std::int32_t h, Color color1, Color color2,
                                    GradientDirection direction);

}  // namespace quill::button
