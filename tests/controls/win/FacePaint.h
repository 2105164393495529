#pragma once
// Painting a button's face through the real GDI canvas into a memory bitmap
// and reading it back, without a window.

#include "controls/button/ColorSchemes.h"
#include "controls/button/FacePainter.h"
#include "controls/button/win/ButtonWindow.h"
#include "controls/button/win/GdiCanvas.h"

#include <windows.h>
#include <uxtheme.h>

#include <optional>
#include <string>

namespace quill::test {

using button::Color;

// What painting changed beyond the face.
class RecordingFaceHost final : public button::FaceHost {
  public:
    void UpdateRegion() override { ++regionUpdates; }
    void SetSurfaceBackColor(Color color) override { surfaceBackColor = color; }
    int regionUpdates = 0;
    std::optional<Color> surfaceBackColor;
};

// The system's colour translation, as the control uses it.
inline const button::Win32ButtonPlatform& Colors() {
    static const button::Win32ButtonPlatform colors;
    return colors;
}

inline Color Sys(int index) { return static_cast<Color>(::GetSysColor(index)); }

struct Painted {
    button::Pixels pixels;
    button::ButtonProperties after;
    RecordingFaceHost host;

    [[nodiscard]] Color At(std::int32_t x, std::int32_t y) const { return button::ColorOfPixel(pixels.At(x, y)); }
};

inline Painted PaintFace(button::ButtonProperties p, const button::FaceState& state, std::int32_t w = 80,
                         std::int32_t h = 24) {
    static const button::ChannelTable brighten = button::BrightenTable(), darken = button::DarkenTable();
    Painted out;
    button::MemorySurface surface(w, h);
    button::GdiCanvas canvas(surface.Dc(), w, h);
    button::RenderFace(canvas, p, state, button::FaceTools{Colors(), brighten, darken}, out.host);
    out.pixels = surface.Read();
    out.after = p;
    return out;
}

// A button as a designer makes it and then picks the look: the style's
// scheme and colours applied.
inline button::ButtonProperties NewButton(std::int32_t style) {
    button::ButtonProperties p;
    p.enabled = true;
    p.buttonStyle = style;
    p.font = host::Font{"Tahoma", 8.25};
    p.captionAlign = 1;
    p.pictureAlign = 1;
    p.pictureOpacity = p.pictureOpacityOnOver = 255;
    p.useMaskColor = true;
    p.maskColor = 0xE0E0E0;
    p.backColor = Sys(COLOR_BTNFACE);
    p.foreColorHover = Sys(COLOR_BTNTEXT);
    p.colorScheme = button::DefaultColorScheme(style, 0);
    button::ApplyColorSchemeTo(p, Colors());
    return p;
}

inline bool VisualStylesOn() { return ::IsAppThemed() != FALSE; }

struct RegionOwner {
    HRGN region;
    ~RegionOwner() { ::DeleteObject(region); }
};

}  // namespace quill::test
