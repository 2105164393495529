#pragma once
// Where a button's caption, picture and drop-down symbol go: pure geometry
// from the properties, the draw state, the face size, the current picture's
// size and the caption's measured size.

#include "controls/button/ButtonProperties.h"
#include "controls/button/Canvas.h"

#include <cstdint>
#include <functional>

namespace quill::button {

// The picture a state shows: pressed or set: down, else hot, else normal;
// hot: hot, else normal; otherwise normal. Null for none.
[[nodiscard]] const host::Picture* CurrentPicture(const ButtonProperties& p, std::int32_t drawState);

// A caption counts for the picture's place unless it is empty or all spaces.
[[nodiscard]] bool HasCaption(const ButtonProperties& p);

struct FaceLayout {
    Rect caption;               // where the caption is drawn
    Rect picture;               // where the current picture is drawn (empty without PictureNormal)
    Rect dropDown;              // the drop-down box, as far as the picture and caption go
    Rect dropDownSymbol;        // where the symbol is drawn (moved once more when pressed in some looks)
    bool dropDownPart = false;  // a symbol or a separator is shown
    bool separator = false;     // the separator is drawn (the caption leaves it room)
    bool operator==(const FaceLayout&) const = default;
};

struct LayoutInput {
    const ButtonProperties& properties;
    std::int32_t drawState = 0;
    std::int32_t width = 0;  // the face's W and H
    std::int32_t height = 0;
    std::int32_t pictureWidth = 0;  // the current picture's size, 0 x 0 for none
    std::int32_t pictureHeight = 0;
};

// measure answers the block the caption takes when word-wrapped in the box
// it is given (anchored at the box's top left).
using CaptionMeasure = std::function<Rect(const Rect& box)>;

[[nodiscard]] FaceLayout LayoutFace(const LayoutInput& in, const CaptionMeasure& measure);

// The text format of the caption: centred and word-wrapped, right to left when asked.
[[nodiscard]] std::uint32_t CaptionFormat(const ButtonProperties& p) noexcept;

}  // namespace quill::button
