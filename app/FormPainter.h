#pragma once
// Drawing what the form's containers draw themselves: the shapes, the line,
// the images and the labels of the layout table (they have no windows of
// their own), and the box and caption of a frame.

#include "app/FormLayout.h"
#include "win32/Win32Handles.h"

#include <windows.h>

#include <functional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace quill::app {

// The table's fonts, made once at the window's DPI.
class FontCache {
  public:
    explicit FontCache(int dpiY) : dpiY_(dpiY) {}
    // Throws std::runtime_error when the font cannot be made.
    [[nodiscard]] HFONT Get(const FontSpec& font);
    [[nodiscard]] int Dpi() const noexcept { return dpiY_; }

  private:
    int dpiY_;
    std::vector<std::pair<FontSpec, UniqueFont>> fonts_;
};

// The font's LOGFONT height at a DPI: the point size in pixels, negative, as
// character height.
[[nodiscard]] int FontHeight(double points, int dpiY);

[[nodiscard]] COLORREF ColorOf(OleColor color);

struct PaintSources {
    FontCache& fonts;
    int dpiX;
    int dpiY;
    std::function<std::wstring(const LayoutEntry&)> caption;  // a label's text as it stands now
    std::function<HICON(const LayoutEntry&)> icon;            // an image's icon at its size
};

// The container's background and chrome, then its windowless controls in
// table order. window is the container's window (for the visual style of a
// frame); client its client area.
void PaintContainer(HDC dc, HWND window, const RECT& client, std::string_view container, const PaintSources& sources);

// How a label's text is laid out inside its rectangle.
[[nodiscard]] UINT LabelTextFormat(const LayoutEntry& label);

}  // namespace quill::app
