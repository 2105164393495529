#pragma once
// The surface the button's painters draw on. Every call carries its own
// colour, font and format, so a painter never saves or restores drawing
// state. Coordinates are pixels with the origin at the top left; rectangles
// exclude their right and bottom edges. Colours are plain 0x00BBGGRR values.
//
// The Win32 shell draws for real on a memory bitmap (GdiCanvas); what the
// painters ask for is the system's drawing: one-pixel pens, solid brushes,
// the system's edges, focus rectangle, text and themed parts.

#include "controls/button/ColorHelpers.h"
#include "controls/host/HostTypes.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace quill::button {

struct Rect {
    std::int32_t left = 0;
    std::int32_t top = 0;
    std::int32_t right = 0;
    std::int32_t bottom = 0;

    [[nodiscard]] std::int32_t Width() const noexcept { return right - left; }
    [[nodiscard]] std::int32_t Height() const noexcept { return bottom - top; }
    [[nodiscard]] Rect Moved(std::int32_t dx, std::int32_t dy) const noexcept {
        return {left + dx, top + dy, right + dx, bottom + dy};
    }
    bool operator==(const Rect&) const = default;
};

// A block of 32-bit pixels, rows from the top: blue in the low byte, then
// green, red and alpha.
struct Pixels {
    std::int32_t width = 0;
    std::int32_t height = 0;
    std::vector<std::uint32_t> bgra;

    [[nodiscard]] std::uint32_t& At(std::int32_t x, std::int32_t y) {
        return bgra[static_cast<std::size_t>(y) * static_cast<std::size_t>(width) + static_cast<std::size_t>(x)];
    }
    [[nodiscard]] std::uint32_t At(std::int32_t x, std::int32_t y) const {
        return bgra[static_cast<std::size_t>(y) * static_cast<std::size_t>(width) + static_cast<std::size_t>(x)];
    }
};

// A 32-bit pixel's colour as a plain colour value, and back (alpha 0).
[[nodiscard]] constexpr Color ColorOfPixel(std::uint32_t bgra) noexcept {
    return static_cast<Color>(((bgra >> 16) & 0xFF) | (bgra & 0xFF00) | ((bgra & 0xFF) << 16));
}
[[nodiscard]] constexpr std::uint32_t PixelOfColor(Color color) noexcept {
    const auto c = static_cast<std::uint32_t>(color);
    return ((c & 0xFF) << 16) | (c & 0xFF00) | ((c >> 16) & 0xFF);
}

// The formats of text drawing, as the system's text call takes them.
inline constexpr std::uint32_t kTextCenter = 0x1;
inline constexpr std::uint32_t kTextWordBreak = 0x10;
inline constexpr std::uint32_t kTextRightToLeft = 0x20000;

// Three-dimensional edges, as the system's edge drawing takes them.
inline constexpr std::uint32_t kEdgeRaisedOuter = 0x1;
inline constexpr std::uint32_t kEdgeSunkenOuter = 0x2;
inline constexpr std::uint32_t kEdgeRaisedInner = 0x4;
inline constexpr std::uint32_t kEdgeSunkenInner = 0x8;
inline constexpr std::uint32_t kEdgeRaised = kEdgeRaisedOuter | kEdgeRaisedInner;
inline constexpr std::uint32_t kEdgeSunken = kEdgeSunkenOuter | kEdgeSunkenInner;

struct CanvasFont {
    host::Font font;
    std::int32_t height = 0;  // when not 0, the cell height in pixels instead of font.size
    bool operator==(const CanvasFont&) const = default;
};

class Canvas {
  public:
    virtual ~Canvas() = default;

    [[nodiscard]] virtual std::int32_t Width() const = 0;
    [[nodiscard]] virtual std::int32_t Height() const = 0;

    virtual void Fill(const Rect& box, Color color) = 0;
    // A one-pixel solid line from (x1, y1) to (x2, y2), the end point not painted.
    virtual void Line(std::int32_t x1, std::int32_t y1, std::int32_t x2, std::int32_t y2, Color color) = 0;
    // A one-pixel frame just inside box.
    virtual void Frame(const Rect& box, Color color) = 0;
    virtual void SetPixel(std::int32_t x, std::int32_t y, Color color) = 0;
    // The painted colour; -1 outside the surface.
    [[nodiscard]] virtual Color GetPixel(std::int32_t x, std::int32_t y) const = 0;
    // Copies a block of pixels to (x, y), clipped to the surface.
    virtual void PutPixels(std::int32_t x, std::int32_t y, const Pixels& pixels) = 0;
    // The w x h block of the surface at (x, y); outside the surface 0.
    [[nodiscard]] virtual Pixels ReadPixels(std::int32_t x, std::int32_t y, std::int32_t w, std::int32_t h) const = 0;
    // The nearest colour the surface can show.
    [[nodiscard]] virtual Color NearestColor(Color color) const = 0;

    // The block text takes in box with format (word-break text wraps at
    // box's width): box's top left with the text's width and height.
    [[nodiscard]] virtual Rect MeasureText(std::string_view text, const CanvasFont& font, const Rect& box,
                                           std::uint32_t format, bool wide) const = 0;
    // Text over the pixels, no background; "&" marks an underlined access key.
    // wide selects the wide-character text call, else the ANSI one.
    virtual void PaintText(std::string_view text, const CanvasFont& font, const Rect& box, Color color,
                           std::uint32_t format, bool wide) = 0;
    // The system's three-dimensional edge on all four sides of box.
    virtual void Edge(const Rect& box, std::uint32_t edge) = 0;
    // The system's focus rectangle (drawn by inverting).
    virtual void FocusRect(const Rect& box) = 0;
    // The visual style's part drawn into box (and, on a window, the window
    // given the part's region); false when the theme cannot be opened.
    virtual bool ThemedPart(std::string_view className, std::int32_t part, std::int32_t state, const Rect& box) = 0;

    // A bitmap picture with 32 bits per pixel.
    [[nodiscard]] virtual bool IsAlphaBitmap(const host::Picture& picture) const = 0;
    // The picture's w x h pixels: a bitmap's own; anything else drawn with
    // the system's icon drawing over keyColor.
    [[nodiscard]] virtual Pixels PicturePixels(const host::Picture& picture, std::int32_t w, std::int32_t h,
                                               Color keyColor) const = 0;
};

}  // namespace quill::button
