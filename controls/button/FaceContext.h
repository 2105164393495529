#pragma once
// One redraw's drawing context, shared by the face painter and the style
// painters: the canvas, the properties, the state, and the strokes the
// looks are made of, in the notation the looks are written in.
// Internal to the button's painting.

#include "controls/button/FacePainter.h"
#include "controls/button/Gradient.h"
#include "controls/button/NumberRules.h"

#include <cstdint>

namespace quill::button {

class FaceContext {
  public:
    FaceContext(Canvas& canvas, ButtonProperties& p, const FaceState& state, const FaceTools& tools, FaceHost& host)
        : canvas(canvas),
          p(p),
          face(state),
          tools(tools),
          host(host),
          W(canvas.Width()),
          H(canvas.Height()),
          half(RoundToInt32(H / 2.0)),
          state(state.drawState) {
        Refresh();
    }

    // BackColor may change while painting (the themed look's fallback).
    void Refresh() { back = tools.colors.TranslateColor(p.backColor); }

    // A colour value as drawn (literals and system colours alike).
    [[nodiscard]] Color T(Color value) const { return tools.colors.TranslateColor(value); }
    [[nodiscard]] Color B() const { return back; }
    [[nodiscard]] Color S(float f) const { return ShiftColor(back, f); }
    [[nodiscard]] Color X(Color c, float f) const { return ShiftColor(T(c), f); }
    [[nodiscard]] static Color Avg(Color a, Color b) { return AverageColors(a, b); }
    [[nodiscard]] Color SystemColorOf(int index) const { return T(SystemColor(index)); }

    [[nodiscard]] bool Disabled() const { return !p.enabled; }
    [[nodiscard]] bool Checked() const { return p.mode != kModePush && p.value; }
    [[nodiscard]] bool FocusedOrDefault() const { return face.focused || face.isDefault; }

    void Fill(Color c) { canvas.Fill({0, 0, W, H}, c); }
    void Line(std::int32_t x1, std::int32_t y1, std::int32_t x2, std::int32_t y2, Color c) {
        canvas.Line(x1, y1, x2, y2, c);
    }
    void Frame(std::int32_t x, std::int32_t y, std::int32_t w, std::int32_t h, Color c) {
        canvas.Frame({x, y, x + w, y + h}, c);
    }
    void Corners(Color c) {
        canvas.SetPixel(1, 1, c);
        canvas.SetPixel(1, H - 2, c);
        canvas.SetPixel(W - 2, 1, c);
        canvas.SetPixel(W - 2, H - 2, c);
    }
    void Grad(std::int32_t x, std::int32_t y, std::int32_t w, std::int32_t h, Color c1, Color c2,
              GradientDirection direction) {
        if (w <= 0 || h <= 0) return;
        canvas.PutPixels(x, y, GradientPixels(w, h, c1, c2, direction));
    }
    void Vert(std::int32_t x, std::int32_t y, std::int32_t w, std::int32_t h, Color c1, Color c2) {
        Grad(x, y, w, h, c1, c2, GradientDirection::kVertical);
    }
    void Horz(std::int32_t x, std::int32_t y, std::int32_t w, std::int32_t h, Color c1, Color c2) {
        Grad(x, y, w, h, c1, c2, GradientDirection::kHorizontal);
    }
    void Edge(const Rect& box, std::uint32_t edge) { canvas.Edge(box, edge); }
    void FocusRect(const Rect& box) { canvas.FocusRect(box); }
    void Region() { host.UpdateRegion(); }
    // Picture, caption and drop-down part (FacePainter.cpp).
    void CapPic();

    Canvas& canvas;
    ButtonProperties& p;
    const FaceState& face;
    const FaceTools& tools;
    FaceHost& host;
    const std::int32_t W;
    const std::int32_t H;
    const std::int32_t half;  // H / 2, ties to even
    // The state painted; a look may paint another than it was given, and
    // the picture and caption follow it.
    std::int32_t state;

  private:
    void DrawPicture(const Rect& box, Color silhouette);
    void DrawPictureShadow(Rect box);
    void DrawCaption(const Rect& box, Color color, std::int32_t dx, std::int32_t dy);
    void DrawCaptionEffects(const Rect& box);

    Color back = 0;
};

// The looks, one painter each (StylePainters.cpp); each draws state face.drawState.
void PaintClassic(FaceContext& f);
void PaintFramedGradient(FaceContext& f);
void PaintGlass(FaceContext& f);
void PaintFlatHover(FaceContext& f);
void PaintWarmGradient(FaceContext& f);
void PaintFlatSilver(FaceContext& f);
void PaintCoolHover(FaceContext& f);
void PaintBandedGradient(FaceContext& f);
void PaintWhiteGloss(FaceContext& f);
void PaintStripGradient(FaceContext& f);
void PaintThemed(FaceContext& f);

}  // namespace quill::button
