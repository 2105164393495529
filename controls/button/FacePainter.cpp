#include "controls/button/FacePainter.h"

#include "controls/button/ColorSchemes.h"
#include "controls/button/FaceContext.h"
#include "controls/button/FaceLayout.h"
#include "controls/button/PictureComposer.h"

#include <string>

namespace quill::button {
namespace {

constexpr std::int32_t kStyleFramedGradient = 2;
constexpr std::int32_t kStyleThemed = 13;
constexpr Color kSilver = 0xC0C0C0;
constexpr Color kShadowGrey = 0x808080;
constexpr int kColorGrayTextIndex = kColorGrayText;

using Painter = void (*)(FaceContext&);

// The painter of each ButtonStyle, 0 to 13.
constexpr Painter kLooks[] = {
    PaintClassic,       PaintClassic,    PaintFramedGradient, PaintGlass,          PaintFlatHover,
    PaintWarmGradient,  PaintFlatSilver, PaintCoolHover,      PaintBandedGradient, PaintWhiteGloss,
    PaintStripGradient, PaintClassic,    PaintClassic,        PaintThemed,
};
static_assert(std::size(kLooks) == 14);

// The drop-down symbol is a character of the symbol font that draws arrows.
CanvasFont SymbolFont() {
    host::Font marlett;
    marlett.name = "Marlett";
    marlett.size = 0;
    marlett.weight = 0;
    marlett.charset = 2;
    return CanvasFont{marlett, 14};
}

}  // namespace

RegionKind RegionKindOf(std::int32_t buttonStyle) noexcept {
    switch (buttonStyle) {
        case 2:
        case 3:
        case 7:
        case 9:
            return RegionKind::kRounded3;
        case 6:
        case 10:
            return RegionKind::kRounded4;
        default:
            return RegionKind::kRectangle;
    }
}

void RenderFace(Canvas& canvas, ButtonProperties& p, const FaceState& state, const FaceTools& tools, FaceHost& host) {
    canvas.Fill({0, 0, canvas.Width(), canvas.Height()}, state.clearColor);
    if (p.buttonStyle == kStyleThemed && !state.visualStyles) {
        // Without visual styles the themed look becomes the framed gradient for good.
        p.buttonStyle = kStyleFramedGradient;
        p.colorScheme = 0;
        ApplyColorSchemeTo(p, tools.colors);
    }
    if (p.buttonStyle < 0 || p.buttonStyle >= static_cast<std::int32_t>(std::size(kLooks))) return;
    FaceContext face(canvas, p, state, tools, host);
    kLooks[p.buttonStyle](face);
}

void FaceContext::CapPic() {
    const host::Picture* picture = CurrentPicture(p, state);
    const CanvasFont font{p.font, 0};
    const std::uint32_t measureFormat = kTextWordBreak | (p.rightToLeft ? kTextRightToLeft : 0);
    const FaceLayout layout = LayoutFace(
        LayoutInput{p, state, W, H, picture != nullptr ? picture->Width() : 0,
                    picture != nullptr ? picture->Height() : 0},
        [&](const Rect& box) { return canvas.MeasureText(p.caption, font, box, measureFormat, face.unicode); });

    if (layout.separator) {
        // Each line takes its colour from what is painted at (7, 7) by then.
        Line(W - 16, 3, W - 16, H - 3, ShiftColor(canvas.GetPixel(7, 7), -0.1f));
        Line(W - 15, 3, W - 15, H - 3, ShiftColor(canvas.GetPixel(7, 7), 0.1f));
    }
    const bool lifted = p.picturePushOnHover && state == 1;
    if (lifted) {
        DrawPicture(layout.picture, T(kSilver));
        DrawPicture(layout.picture.Moved(-2, -2), kNoSilhouette);
    } else {
        DrawPicture(layout.picture, kNoSilhouette);
    }
    if (p.pictureShadow && !lifted) DrawPictureShadow(layout.picture);
    if (p.captionEffects != 0) DrawCaptionEffects(layout.caption);
    const Color captionColor = Disabled()   ? SystemColorOf(kColorGrayTextIndex)
                               : state == 1 ? T(p.foreColorHover)
                                            : T(p.foreColor);
    DrawCaption(layout.caption, captionColor, 0, 0);
    if (p.dropDownSymbol != 0) {
        const Color symbolColor = Disabled() ? SystemColorOf(kColorGrayTextIndex) : T(p.foreColor);
        const std::string symbol = std::to_string(p.dropDownSymbol).substr(0, 1);
        canvas.PaintText(symbol, SymbolFont(), layout.dropDownSymbol, symbolColor, kTextWordBreak, face.unicode);
    }
}

void FaceContext::DrawPicture(const Rect& box, Color silhouette) {
    const host::Picture* picture = CurrentPicture(p, state);
    if (picture == nullptr) return;
    const std::int32_t w = picture->Width(), h = picture->Height();
    if (w <= 0 || h <= 0) return;
    // An icon's transparent parts come out silver; a bitmap's mask colour is
    // compared as stored.
    const Color key = picture->Type() == host::PictureType::kIcon ? T(kSilver) : p.maskColor;
    const bool alpha = canvas.IsAlphaBitmap(*picture);
    Pixels back = canvas.ReadPixels(box.left, box.top, w, h);
    const Pixels own = canvas.PicturePixels(*picture, w, h, key);
    const Composition how{PictureLookOf(p, state, alpha), silhouette, &tools.brighten, &tools.darken};
    if (alpha) {
        ComposeAlpha(back, own, how);
    } else {
        ComposeMasked(back, own, how, key, p.useMaskColor, [this](Color c) { return canvas.NearestColor(c); });
    }
    canvas.PutPixels(box.left, box.top, back);
}

void FaceContext::DrawPictureShadow(Rect box) {
    if (p.picturePushOnHover && state == 1) box = box.Moved(-2, -2);
    const Color base = Avg(T(kShadowGrey), T(p.backColor));
    DrawPicture(box.Moved(2, 2), ShiftColor(base, 0.05f));
    DrawPicture(box.Moved(1, 1), ShiftColor(base, -0.1f));
    DrawPicture(box, kNoSilhouette);
}

void FaceContext::DrawCaption(const Rect& box, Color color, std::int32_t dx, std::int32_t dy) {
    canvas.PaintText(p.caption, CanvasFont{p.font, 0}, box.Moved(dx, dy), color, CaptionFormat(p), face.unicode);
}

void FaceContext::DrawCaptionEffects(const Rect& box) {
    static constexpr std::int32_t kAround[4][2] = {{1, 1}, {1, -1}, {-1, 1}, {-1, -1}};
    switch (p.captionEffects) {
        case 1:
            DrawCaption(box, S(0.14f), -1, -1);
            break;
        case 2:
            DrawCaption(box, S(0.14f), 1, 1);
            break;
        case 3:
            DrawCaption(box, T(kSilver), 1, 1);
            break;
        case 4:
        case 5:
            for (const auto& d : kAround) DrawCaption(box, S(p.captionEffects == 4 ? 0.1f : -0.1f), d[0], d[1]);
            break;
        default:
            break;
    }
    DrawCaption(box, Disabled() ? SystemColorOf(kColorGrayTextIndex) : T(p.foreColor), 0, 0);
}

}  // namespace quill::button
