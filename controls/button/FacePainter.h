#pragma once
// Painting a kestbutton's face: the clear, the look of its ButtonStyle (one
// painter per look, picked from a table of the fourteen), and inside each
// look the picture, caption, caption effects, drop-down symbol and separator.
// Everything is drawn on a Canvas; what a painter changes beyond the face
// (the window region, the surface's own background) goes through FaceHost.

#include "controls/button/ButtonProperties.h"
#include "controls/button/Canvas.h"
#include "controls/button/ColorHelpers.h"

#include <cstdint>

namespace quill::button {

// What the painters read besides the properties.
struct FaceState {
    std::int32_t drawState = 0;  // as Redraw paints it (a set check button already down)
    bool focused = false;        // the control has the keyboard focus
    bool isDefault = false;      // the form shows it as its default button
    bool windowActive = false;   // its form is the active window
    bool userMode = true;        // run mode, not a designer
    bool mouseOver = false;      // the cursor is inside
    bool mouseHeld = false;      // the left button is held down on it
    bool visualStyles = false;   // the theme library is there and the program is themed
    bool unicode = true;         // captions go through the wide-character text call
    Color clearColor = 0;        // the surface's own background, plain
};

class FaceHost {
  public:
    virtual ~FaceHost() = default;
    // The window region of the current ButtonStyle.
    virtual void UpdateRegion() = 0;
    // The surface's own background colour (what the next clear fills with).
    virtual void SetSurfaceBackColor(Color color) = 0;
};

struct FaceTools {
    const ColorTranslator& colors;
    const ChannelTable& brighten;
    const ChannelTable& darken;
};

// Clears the canvas and paints the look of p.buttonStyle in state. Without
// visual styles the themed look (13) turns into style 2 for good: p is
// changed (ButtonStyle 2, ColorScheme 0 and that scheme's colours). The
// silver look (6) sets p.foreColor as it paints. A style outside 0 to 13
// paints nothing after the clear.
void RenderFace(Canvas& canvas, ButtonProperties& p, const FaceState& state, const FaceTools& tools, FaceHost& host);

// The window region of a look: the button's rectangle, or rounded with
// corner ellipses of 3 or 4 pixels over (0, 0, W + 1, H + 1).
enum class RegionKind { kRectangle, kRounded3, kRounded4 };
[[nodiscard]] RegionKind RegionKindOf(std::int32_t buttonStyle) noexcept;

}  // namespace quill::button
