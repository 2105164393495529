#pragma once
// How the button's picture is composed over the pixels under it, one pixel at
// a time: transparency by key colour (the masked path) or by the picture's own
// alpha (the path for 32-bit bitmaps), an opacity per state, the brighten and
// darken effects, the disabled looks and one-colour silhouettes.

#include "controls/button/ButtonProperties.h"
#include "controls/button/Canvas.h"
#include "controls/button/ColorHelpers.h"

#include <cstdint>
#include <functional>

namespace quill::button {

// The silhouette colour that means "the picture itself".
inline constexpr Color kNoSilhouette = -1;

struct PictureLook {
    std::int32_t opacity = 255;  // 0 invisible to 255 opaque
    std::int32_t effect = 0;     // 1 brighten, 2 darken, else none
    bool greyscale = false;      // the disabled look of DisabledPictureMode 1
};

// The look of the picture in drawState. alphaPath chooses between the two
// paths' opacity rules: the masked path takes the hot opacity whenever the
// state is hot, the alpha path only when the control is enabled.
[[nodiscard]] PictureLook PictureLookOf(const ButtonProperties& p, std::int32_t drawState, bool alphaPath);

// The disabled opacity: 52 for mode 0, three quarters of PictureOpacity for
// mode 1, none for any other mode.
[[nodiscard]] std::int32_t DisabledOpacity(const ButtonProperties& p);

struct Composition {
    PictureLook look;
    Color silhouette = kNoSilhouette;
    const ChannelTable* brighten = nullptr;
    const ChannelTable* darken = nullptr;
};

// Masked path: a picture pixel equal to keyColor (after nearest) is skipped
// when useMaskColor is set. back and picture have the same size.
void ComposeMasked(Pixels& back, const Pixels& picture, const Composition& how, Color keyColor, bool useMaskColor,
                   const std::function<Color(Color)>& nearest);

// Alpha path: each pixel weighed by its own alpha and the opacity.
void ComposeAlpha(Pixels& back, const Pixels& picture, const Composition& how);

}  // namespace quill::button
