// quill-button-gallery OUT.png: every look of the kestbutton in every state,
// plain and dressed up (picture, caption effects, drop-down symbol and
// separator), painted by the button's own painters through the GDI canvas
// onto one labelled sheet, for people to look at.
#include "controls/button/ButtonInput.h"
#include "controls/button/ColorSchemes.h"
#include "controls/button/FacePainter.h"
#include "controls/button/win/ButtonWindow.h"
#include "controls/button/win/GdiCanvas.h"
#include "controls/button/win/PixelPicture.h"
#include "platform/Utf16_win.h"
#include "tools/PngWriter.h"

#include <windows.h>
#include <uxtheme.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <exception>
#include <string>
#include <vector>

namespace quill::tools {
namespace {

using namespace quill::button;

constexpr std::int32_t kButtonW = 112, kButtonH = 30;
constexpr std::int32_t kCellW = 124, kCellH = 40;
constexpr std::int32_t kLabelW = 150, kHeaderH = 34, kTitleH = 40, kBlockGap = 18;

const char* const kLookNames[14] = {
    "0 classic",         "1 classic, thin",  "2 framed gradient",     "3 glass",           "4 flat hover",
    "5 warm gradient",   "6 flat silver",    "7 cool hover",          "8 banded gradient", "9 white gloss",
    "10 strip gradient", "11 classic, flat", "12 classic, flat thin", "13 themed"};
const char* const kStateNames[7] = {"normal", "hot", "down", "checked", "disabled", "focused", "default"};

// A 16 x 16 picture with an alpha channel: a blue disc with a white arrow.
Pixels DiscPicture() {
    Pixels p{16, 16, std::vector<std::uint32_t>(256, 0)};
    for (std::int32_t y = 0; y < 16; ++y) {
        for (std::int32_t x = 0; x < 16; ++x) {
            const double d = std::hypot(x - 7.5, y - 7.5);
            const double cover = std::clamp(7.5 - d, 0.0, 1.0);
            if (cover <= 0) continue;
            const auto alpha = static_cast<std::uint32_t>(cover * 255);
            bool arrow =
                (y >= 4 && y <= 11 && x >= 7 && x <= 8) || (y >= 8 && y <= 11 && std::abs(x - 7.5) <= 11.5 - y);
            const std::uint32_t r = arrow ? 255 : 40, g = arrow ? 255 : 110, b = arrow ? 255 : 210;
            p.At(x, y) = alpha << 24 | r << 16 | g << 8 | b;
        }
    }
    return p;
}

ButtonProperties Look(std::int32_t style, bool dressed, const host::PicturePtr& picture, const ColorTranslator& c) {
    ButtonProperties p;
    p.enabled = true;
    p.buttonStyle = style;
    p.caption = dressed ? "Browse..." : "&Convert";
    p.font = host::Font{"Tahoma", 8.25};
    p.captionAlign = 1;
    p.pictureAlign = 1;
    p.pictureOpacity = p.pictureOpacityOnOver = 255;
    p.pictureEffectOnOver = 1;
    p.pictureEffectOnDown = 2;
    p.useMaskColor = true;
    p.maskColor = 0xE0E0E0;
    p.backColor = c.TranslateColor(SystemColor(kColorButtonFace));
    p.colorScheme = DefaultColorScheme(style, 0);
    ApplyColorSchemeTo(p, c);
    p.foreColorHover = p.foreColor;
    if (dressed) {
        p.pictureNormal = picture;
        p.captionEffects = 2;
        p.dropDownSymbol = 6;
        p.dropDownSeparator = true;
    }
    return p;
}

class NoHost final : public FaceHost {
  public:
    void UpdateRegion() override {}
    void SetSurfaceBackColor(Color) override {}
};

void Label(HDC dc, const std::string& text, RECT box, bool bold, UINT format) {
    HFONT font =
        ::CreateFontW(-11, 0, 0, 0, bold ? FW_BOLD : FW_NORMAL, 0, 0, 0, DEFAULT_CHARSET, 0, 0, 0, 0, L"Tahoma");
    HGDIOBJ old = ::SelectObject(dc, font);
    ::SetBkMode(dc, TRANSPARENT);
    ::SetTextColor(dc, 0x303030);
    const std::wstring wide = platform::Widen(text);
    ::DrawTextW(dc, wide.c_str(), -1, &box, format | DT_SINGLELINE | DT_VCENTER);
    ::SelectObject(dc, old);
    ::DeleteObject(font);
}

int Run(const std::string& out) {
    const Win32ButtonPlatform colors;
    const ChannelTable brighten = BrightenTable(), darken = DarkenTable();
    const bool themed = ::IsAppThemed() != FALSE;
    const host::PicturePtr picture = MakePixelPicture(DiscPicture(), PixelPictureKind::kBitmap32);

    const std::int32_t blockH = kHeaderH + 14 * kCellH;
    const std::int32_t width = kLabelW + 7 * kCellW + 10, height = kTitleH + 2 * blockH + kBlockGap + 10;
    MemorySurface sheet(width, height);
    if (!sheet) throw std::runtime_error("cannot make the sheet");
    GdiCanvas page(sheet.Dc(), width, height);
    page.Fill({0, 0, width, height}, 0xFFFFFF);
    Label(sheet.Dc(),
          std::string("kestbutton: the fourteen looks in every state") +
              (themed ? " (visual styles on)" : " (visual styles off: look 13 falls back to 2)"),
          {10, 0, width, kTitleH}, true, DT_LEFT);

    NoHost host;
    for (int block = 0; block < 2; ++block) {
        const bool dressed = block == 1;
        const std::int32_t top = kTitleH + block * (blockH + kBlockGap);
        Label(sheet.Dc(), dressed ? "with picture, caption effect, drop-down symbol and separator" : "caption only",
              {10, top, width, top + kHeaderH}, true, DT_LEFT);
        for (int state = 0; state < 7; ++state) {
            const std::int32_t left = kLabelW + state * kCellW;
            Label(sheet.Dc(), kStateNames[state], {left, top + 14, left + kButtonW, top + kHeaderH - 2}, false,
                  DT_CENTER);
        }
        for (std::int32_t style = 0; style < 14; ++style) {
            const std::int32_t rowTop = top + kHeaderH + style * kCellH;
            Label(sheet.Dc(), kLookNames[style], {10, rowTop, kLabelW, rowTop + kButtonH}, false, DT_LEFT);
            for (int state = 0; state < 7; ++state) {
                ButtonProperties p = Look(style, dressed, picture, colors);
                FaceState face;
                face.windowActive = true;
                face.visualStyles = themed;
                face.clearColor = 0xFFFFFF;
                face.drawState = state == 1 ? kDrawHot : state == 2 ? kDrawDown : kDrawNormal;
                if (state == 3) {
                    p.mode = kModeCheck;
                    p.value = true;
                    face.drawState = ForcedDrawState(face.drawState, p);
                }
                p.enabled = state != 4;
                face.focused = state == 5;
                face.isDefault = state == 6;
                MemorySurface button(kButtonW, kButtonH);
                GdiCanvas canvas(button.Dc(), kButtonW, kButtonH);
                RenderFace(canvas, p, face, FaceTools{colors, brighten, darken}, host);
                ::BitBlt(sheet.Dc(), kLabelW + state * kCellW, rowTop, kButtonW, kButtonH, button.Dc(), 0, 0, SRCCOPY);
            }
        }
    }
    WritePng(out, sheet.Read());
    std::fprintf(stdout, "wrote the sheet of %d x %d pixels\n", width, height);
    return 0;
}

}  // namespace
}  // namespace quill::tools

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: quill-button-gallery OUT.png\n");
        return 2;
    }
    try {
        return quill::tools::Run(argv[1]);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "quill-button-gallery: %s\n", e.what());
        return 1;
    }
}
