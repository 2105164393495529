#include "controls/button/win/GdiCanvas.h"

#include "platform/Utf16_win.h"

#include <uxtheme.h>

#include <algorithm>
#include <memory>
#include <string>

namespace quill::button {
namespace {

using UniqueRegion = UniqueGdiObject<HRGN>;

BITMAPINFO Bitmap32(std::int32_t width, std::int32_t height, bool topDown) {
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = topDown ? -height : height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    return info;
}

RECT ToRect(const Rect& r) { return RECT{r.left, r.top, r.right, r.bottom}; }

COLORREF Ref(Color color) { return static_cast<COLORREF>(color); }

UINT TextFormat(std::uint32_t format) {
    UINT out = 0;
    if (format & kTextCenter) out |= DT_CENTER;
    if (format & kTextWordBreak) out |= DT_WORDBREAK;
    if (format & kTextRightToLeft) out |= DT_RTLREADING;
    return out;
}

UniqueFont MakeFont(HDC dc, const CanvasFont& font) {
    LOGFONTW description{};
    const int dpi = ::GetDeviceCaps(dc, LOGPIXELSY) > 0 ? ::GetDeviceCaps(dc, LOGPIXELSY) : 96;
    description.lfHeight =
        font.height != 0 ? font.height : -::MulDiv(static_cast<int>(font.font.size * 100 + 0.5), dpi, 72 * 100);
    description.lfWeight = font.font.weight;
    description.lfItalic = font.font.italic;
    description.lfUnderline = font.font.underline;
    description.lfStrikeOut = font.font.strikethrough;
    description.lfCharSet = static_cast<BYTE>(font.font.charset);
    const std::wstring face = platform::Widen(font.font.name).substr(0, LF_FACESIZE - 1);
    face.copy(description.lfFaceName, face.size());
    return UniqueFont(::CreateFontIndirectW(&description));
}

// The ANSI text call takes the system's ANSI code page.
std::string Ansi(const std::wstring& wide) {
    if (wide.empty()) return {};
    const int size =
        ::WideCharToMultiByte(CP_ACP, 0, wide.data(), static_cast<int>(wide.size()), nullptr, 0, nullptr, nullptr);
    std::string out(static_cast<std::size_t>(std::max(size, 0)), '\0');
    if (size > 0) {
        ::WideCharToMultiByte(CP_ACP, 0, wide.data(), static_cast<int>(wide.size()), out.data(), size, nullptr,
                              nullptr);
    }
    return out;
}

// Draws (or measures) text in r with the font selected and the colour set,
// putting the DC's own font and colours back after.
void Text(HDC dc, std::string_view text, const CanvasFont& font, RECT& r, UINT format, bool wide, COLORREF color) {
    UniqueFont made = MakeFont(dc, font);
    if (!made) return;
    SelectedObject selected(dc, made.Get());
    const COLORREF oldColor = ::SetTextColor(dc, color);
    const int oldMode = ::SetBkMode(dc, TRANSPARENT);
    const std::wstring units = platform::Widen(std::string(text));
    if (wide) {
        ::DrawTextW(dc, units.c_str(), -1, &r, format);
    } else {
        const std::string bytes = Ansi(units);
        ::DrawTextA(dc, bytes.c_str(), -1, &r, format);
    }
    ::SetBkMode(dc, oldMode);
    ::SetTextColor(dc, oldColor);
}

struct ThemeOwner {
    HTHEME theme;
    ~ThemeOwner() {
        if (theme != nullptr) ::CloseThemeData(theme);
    }
};

}  // namespace

MemorySurface::MemorySurface(std::int32_t width, std::int32_t height)
    : width_(width), height_(height), dc_(::CreateCompatibleDC(nullptr)) {
    if (!dc_ || width <= 0 || height <= 0) return;
    BITMAPINFO info = Bitmap32(width, height, true);
    void* bits = nullptr;
    bitmap_.Reset(::CreateDIBSection(dc_.Get(), &info, DIB_RGB_COLORS, &bits, nullptr, 0));
    if (!bitmap_) return;
    bits_ = static_cast<std::uint32_t*>(bits);
    HGDIOBJ previous = ::SelectObject(dc_.Get(), bitmap_.Get());
    if (previous == nullptr || previous == HGDI_ERROR) return;
    selected_.reset(new Deselect{dc_.Get(), previous});  // in place: a moved-from copy would deselect it
}

Pixels MemorySurface::Read() const {
    Pixels out;
    if (!*this) return out;
    ::GdiFlush();
    out.width = width_;
    out.height = height_;
    out.bgra.assign(bits_, bits_ + static_cast<std::size_t>(width_) * static_cast<std::size_t>(height_));
    return out;
}

// Asked once: the question costs a call into the system per picture pixel otherwise.
GdiCanvas::GdiCanvas(HDC dc, std::int32_t width, std::int32_t height, HWND window) noexcept
    : dc_(dc),
      width_(width),
      height_(height),
      window_(window),
      trueColor_(::GetDeviceCaps(dc, BITSPIXEL) * ::GetDeviceCaps(dc, PLANES) >= 24) {}

void GdiCanvas::Fill(const Rect& box, Color color) {
    UniqueBrush brush(::CreateSolidBrush(Ref(color)));
    if (!brush) return;
    RECT r = ToRect(box);
    ::FillRect(dc_, &r, brush.Get());
}

void GdiCanvas::Line(std::int32_t x1, std::int32_t y1, std::int32_t x2, std::int32_t y2, Color color) {
    UniquePen pen(::CreatePen(PS_SOLID, 1, Ref(color)));
    if (!pen) return;
    SelectedObject selected(dc_, pen.Get());
    ::MoveToEx(dc_, x1, y1, nullptr);
    ::LineTo(dc_, x2, y2);
}

void GdiCanvas::Frame(const Rect& box, Color color) {
    UniqueBrush brush(::CreateSolidBrush(Ref(color)));
    if (!brush) return;
    RECT r = ToRect(box);
    ::FrameRect(dc_, &r, brush.Get());
}

void GdiCanvas::SetPixel(std::int32_t x, std::int32_t y, Color color) { ::SetPixelV(dc_, x, y, Ref(color)); }

Color GdiCanvas::GetPixel(std::int32_t x, std::int32_t y) const {
    if (x < 0 || y < 0 || x >= width_ || y >= height_) return -1;
    return static_cast<Color>(::GetPixel(dc_, x, y));
}

void GdiCanvas::PutPixels(std::int32_t x, std::int32_t y, const Pixels& pixels) {
    if (pixels.width <= 0 || pixels.height <= 0) return;
    // A bottom-up bitmap: its first row in memory is the block's bottom row.
    std::vector<std::uint32_t> rows(pixels.bgra.size());
    const auto w = static_cast<std::size_t>(pixels.width);
    for (std::int32_t row = 0; row < pixels.height; ++row) {
        std::copy_n(pixels.bgra.begin() + static_cast<std::ptrdiff_t>(row * w), w,
                    rows.begin() + static_cast<std::ptrdiff_t>((pixels.height - 1 - row) * w));
    }
    BITMAPINFO info = Bitmap32(pixels.width, pixels.height, false);
    ::StretchDIBits(dc_, x, y, pixels.width, pixels.height, 0, 0, pixels.width, pixels.height, rows.data(), &info,
                    DIB_RGB_COLORS, SRCCOPY);
}

Pixels GdiCanvas::ReadPixels(std::int32_t x, std::int32_t y, std::int32_t w, std::int32_t h) const {
    Pixels out;
    if (w <= 0 || h <= 0) return out;
    MemorySurface copy(w, h);
    if (!copy) return out;
    // Only what lies on the surface is copied; the rest stays 0.
    const std::int32_t left = std::max(x, 0), top = std::max(y, 0);
    const std::int32_t right = std::min(x + w, width_), bottom = std::min(y + h, height_);
    if (right > left && bottom > top) {
        ::BitBlt(copy.Dc(), left - x, top - y, right - left, bottom - top, dc_, left, top, SRCCOPY);
    }
    return copy.Read();
}

Color GdiCanvas::NearestColor(Color color) const {
    if (trueColor_) return color;
    return static_cast<Color>(::GetNearestColor(dc_, Ref(color)));
}

Rect GdiCanvas::MeasureText(std::string_view text, const CanvasFont& font, const Rect& box, std::uint32_t format,
                            bool wide) const {
    RECT r = ToRect(box);
    Text(dc_, text, font, r, TextFormat(format) | DT_CALCRECT, wide, ::GetTextColor(dc_));
    return {r.left, r.top, r.right, r.bottom};
}

void GdiCanvas::PaintText(std::string_view text, const CanvasFont& font, const Rect& box, Color color,
                          std::uint32_t format, bool wide) {
    RECT r = ToRect(box);
    Text(dc_, text, font, r, TextFormat(format), wide, Ref(color));
}

void GdiCanvas::Edge(const Rect& box, std::uint32_t edge) {
    RECT r = ToRect(box);
    ::DrawEdge(dc_, &r, edge, BF_RECT);
}

void GdiCanvas::FocusRect(const Rect& box) {
    RECT r = ToRect(box);
    ::DrawFocusRect(dc_, &r);
}

bool GdiCanvas::ThemedPart(std::string_view className, std::int32_t part, std::int32_t state, const Rect& box) {
    ThemeOwner theme{::OpenThemeData(window_, platform::Widen(std::string(className)).c_str())};
    if (theme.theme == nullptr) return false;
    RECT r = ToRect(box);
    if (window_ != nullptr) {
        RECT around{box.left - 1, box.top - 1, box.right + 1, box.bottom + 2};
        HRGN region = nullptr;
        if (SUCCEEDED(::GetThemeBackgroundRegion(theme.theme, dc_, part, state, &around, &region)) &&
            region != nullptr) {
            SetWindowRegion(window_, region);
        }
    }
    ::DrawThemeBackground(theme.theme, dc_, part, state, &r, &r);
    return true;
}

bool GdiCanvas::IsAlphaBitmap(const host::Picture& picture) const {
    if (picture.Type() != host::PictureType::kBitmap) return false;
    BITMAP bitmap{};
    return ::GetObjectW(reinterpret_cast<HGDIOBJ>(picture.Handle()), sizeof bitmap, &bitmap) != 0 &&
           bitmap.bmBitsPixel == 32;
}

Pixels GdiCanvas::PicturePixels(const host::Picture& picture, std::int32_t w, std::int32_t h, Color keyColor) const {
    Pixels out;
    if (w <= 0 || h <= 0) return out;
    if (picture.Type() == host::PictureType::kBitmap) {
        out.width = w;
        out.height = h;
        out.bgra.assign(static_cast<std::size_t>(w) * static_cast<std::size_t>(h), 0);
        BITMAPINFO info = Bitmap32(w, h, true);
        ::GetDIBits(dc_, reinterpret_cast<HBITMAP>(picture.Handle()), 0, static_cast<UINT>(h), out.bgra.data(), &info,
                    DIB_RGB_COLORS);
        return out;
    }
    MemorySurface drawn(w, h);
    if (!drawn) return out;
    UniqueBrush key(::CreateSolidBrush(Ref(keyColor)));
    RECT all{0, 0, w, h};
    if (key) ::FillRect(drawn.Dc(), &all, key.Get());
    ::DrawIconEx(drawn.Dc(), 0, 0, reinterpret_cast<HICON>(picture.Handle()), w, h, 0, nullptr, DI_NORMAL);
    return drawn.Read();
}

bool SameVisibleRegion(HWND window, HRGN a, HRGN b) noexcept {
    RECT bounds{};
    ::GetWindowRect(window, &bounds);
    UniqueRegion frame(::CreateRectRgn(0, 0, bounds.right - bounds.left, bounds.bottom - bounds.top));
    UniqueRegion visibleA(::CreateRectRgn(0, 0, 0, 0)), visibleB(::CreateRectRgn(0, 0, 0, 0));
    if (!frame || !visibleA || !visibleB) return false;
    ::CombineRgn(visibleA.Get(), a, frame.Get(), RGN_AND);
    ::CombineRgn(visibleB.Get(), b, frame.Get(), RGN_AND);
    return ::EqualRgn(visibleA.Get(), visibleB.Get()) != FALSE;
}

void SetWindowRegion(HWND window, HRGN region) noexcept {
    UniqueRegion current(::CreateRectRgn(0, 0, 0, 0));
    if (current && ::GetWindowRgn(window, current.Get()) != ERROR && SameVisibleRegion(window, current.Get(), region)) {
        ::DeleteObject(region);
        return;
    }
    if (!::SetWindowRgn(window, region, TRUE)) ::DeleteObject(region);
}

}  // namespace quill::button
