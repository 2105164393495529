#include "app/FormPainter.h"

#include <uxtheme.h>
#include <vssym32.h>

#include <cmath>
#include <stdexcept>

namespace quill::app {
namespace {

// The frame's caption starts this far in from the frame's left edge.
constexpr int kFrameCaptionIndentTwips = 120;

void FillWith(HDC dc, const RECT& r, COLORREF color) {
    UniqueBrush brush(::CreateSolidBrush(color));
    if (brush) ::FillRect(dc, &r, brush.Get());
}

RECT ToRect(const PixelRect& p) { return {p.left, p.top, p.right, p.bottom}; }

void PaintShape(HDC dc, const LayoutEntry& e, const PixelRect& r) {
    UniqueBrush fill(::CreateSolidBrush(ColorOf(e.backColor)));
    UniquePen border(::CreatePen(PS_INSIDEFRAME, 1, ColorOf(e.borderColor)));
    SelectedObject brush(dc, fill.Get());
    SelectedObject pen(dc, border.Get());
    ::Rectangle(dc, r.left, r.top, r.right, r.bottom);
}

void PaintLine(HDC dc, const LayoutEntry& e, const PixelRect& r) {
    UniquePen line(::CreatePen(PS_SOLID, 1, ColorOf(e.borderColor)));
    SelectedObject pen(dc, line.Get());
    ::MoveToEx(dc, r.left, r.top, nullptr);
    ::LineTo(dc, r.right, r.bottom);
}

void PaintLabel(HDC dc, const LayoutEntry& e, const PixelRect& r, const PaintSources& s) {
    const std::wstring text = s.caption(e);
    if (text.empty()) return;
    if (!e.Has(kTransparent)) FillWith(dc, ToRect(r), ColorOf(e.backColor));
    SelectedObject font(dc, s.fonts.Get(e.font));
    ::SetBkMode(dc, TRANSPARENT);
    ::SetTextColor(dc, ColorOf(e.foreColor));
    RECT box = ToRect(r);
    ::DrawTextW(dc, text.c_str(), static_cast<int>(text.size()), &box, LabelTextFormat(e));
}

void PaintFrameChrome(HDC dc, HWND window, const RECT& client, const LayoutEntry& frame, const PaintSources& s) {
    SelectedObject font(dc, s.fonts.Get(frame.font));
    TEXTMETRICW metrics{};
    ::GetTextMetricsW(dc, &metrics);
    RECT box = client;
    box.top = metrics.tmHeight / 2;
    if (HTHEME theme = ::OpenThemeData(window, L"Button")) {
        ::DrawThemeBackground(theme, dc, BP_GROUPBOX, GBS_NORMAL, &box, nullptr);
        ::CloseThemeData(theme);
    } else {
        ::DrawEdge(dc, &box, EDGE_ETCHED, BF_RECT);
    }
    const std::wstring caption(frame.caption);
    SIZE extent{};
    ::GetTextExtentPoint32W(dc, caption.c_str(), static_cast<int>(caption.size()), &extent);
    const int indent = PixelsFromTwips(kFrameCaptionIndentTwips, s.dpiX);
    const int gap = PixelsFromTwips(30, s.dpiX);
    FillWith(dc, {indent - gap, 0, indent + extent.cx + gap, metrics.tmHeight}, ColorOf(frame.backColor));
    ::SetBkMode(dc, TRANSPARENT);
    ::SetTextColor(dc, ColorOf(frame.foreColor));
    ::TextOutW(dc, indent, 0, caption.c_str(), static_cast<int>(caption.size()));
}

}  // namespace

int FontHeight(double points, int dpiY) {
    return -::MulDiv(static_cast<int>(std::lround(points * 100)), dpiY, 72 * 100);
}

HFONT FontCache::Get(const FontSpec& font) {
    for (const auto& [spec, handle] : fonts_) {
        if (spec == font) return handle.Get();
    }
    LOGFONTW description{};
    description.lfHeight = FontHeight(font.points, dpiY_);
    description.lfWeight = font.bold ? FW_BOLD : FW_NORMAL;
    description.lfCharSet = DEFAULT_CHARSET;
    font.face.copy(description.lfFaceName, LF_FACESIZE - 1);
    UniqueFont made(::CreateFontIndirectW(&description));
    if (!made) throw std::runtime_error("cannot make the font " + std::string(font.face.begin(), font.face.end()));
    fonts_.emplace_back(font, std::move(made));
    return fonts_.back().second.Get();
}

COLORREF ColorOf(OleColor color) {
    if (color & 0x80000000u) return ::GetSysColor(static_cast<int>(color & 0xFF));
    return static_cast<COLORREF>(color);
}

UINT LabelTextFormat(const LayoutEntry& label) {
    // A label wraps its text at word breaks within its width; an access-key
    // prefix never applies (container names may hold an '&').
    return DT_NOPREFIX | DT_WORDBREAK | DT_EDITCONTROL | (label.Has(kAlignRight) ? DT_RIGHT : DT_LEFT);
}

void PaintContainer(HDC dc, HWND window, const RECT& client, std::string_view container, const PaintSources& s) {
    const LayoutEntry* self = container.empty() ? nullptr : &LayoutOf(container);
    FillWith(dc, client, ColorOf(self != nullptr ? self->backColor : kWhite));
    if (self != nullptr && self->kind == ControlKind::kFrame) PaintFrameChrome(dc, window, client, *self, s);
    for (const LayoutEntry& e : FormLayout()) {
        if (!e.Windowless() || e.container != container) continue;
        const PixelRect r = PixelsOf(e, s.dpiX, s.dpiY);
        switch (e.kind) {
            case ControlKind::kShape:
                PaintShape(dc, e, r);
                break;
            case ControlKind::kLine:
                PaintLine(dc, e, r);
                break;
            case ControlKind::kLabel:
                PaintLabel(dc, e, r, s);
                break;
            case ControlKind::kImage:
                if (HICON icon = s.icon(e))
                    ::DrawIconEx(dc, r.left, r.top, icon, r.Width(), r.Height(), 0, nullptr, DI_NORMAL);
                break;
            default:
                break;
        }
    }
}

}  // namespace quill::app
