#pragma once
// The button's canvas drawn with GDI on a memory bitmap. Each call makes its
// own pen, brush or font, selects it, draws, selects the previous object
// back and deletes its own, all through owners, so an early return leaks
// nothing.

#include "controls/button/Canvas.h"
#include "win32/Win32Handles.h"

#include <windows.h>

#include <cstdint>
#include <memory>

namespace quill::button {

// A memory device context holding a 32-bit top-down bitmap of its own.
class MemorySurface {
  public:
    MemorySurface(std::int32_t width, std::int32_t height);
    MemorySurface(const MemorySurface&) = delete;
    MemorySurface& operator=(const MemorySurface&) = delete;

    [[nodiscard]] explicit operator bool() const noexcept { return selected_ != nullptr; }
    [[nodiscard]] HDC Dc() const noexcept { return dc_.Get(); }
    [[nodiscard]] std::int32_t Width() const noexcept { return width_; }
    [[nodiscard]] std::int32_t Height() const noexcept { return height_; }
    // The pixels, rows from the top (valid while the surface lives; call
    // GdiFlush before reading what GDI drew).
    [[nodiscard]] const std::uint32_t* Bits() const noexcept { return bits_; }
    [[nodiscard]] std::uint32_t* Bits() noexcept { return bits_; }
    [[nodiscard]] Pixels Read() const;

  private:
    std::int32_t width_;
    std::int32_t height_;
    UniqueCreatedDc dc_;
    UniqueBitmap bitmap_;
    std::uint32_t* bits_ = nullptr;
    HGDIOBJ previous_ = nullptr;
    // Puts the DC's own bitmap back before the bitmap is deleted.
    struct Deselect {
        HDC dc;
        HGDIOBJ previous;
        ~Deselect() {
            if (dc != nullptr && previous != nullptr) ::SelectObject(dc, previous);
        }
    };
    std::unique_ptr<Deselect> selected_;
};

class GdiCanvas final : public Canvas {
  public:
    // Draws on dc, a surface of width x height pixels. window, when given,
    // is the control's window: a themed part then gives it its region.
    GdiCanvas(HDC dc, std::int32_t width, std::int32_t height, HWND window = nullptr) noexcept;

    std::int32_t Width() const override { return width_; }
    std::int32_t Height() const override { return height_; }
    void Fill(const Rect& box, Color color) override;
    void Line(std::int32_t x1, std::int32_t y1, std::int32_t x2, std::int32_t y2, Color color) override;
    void Frame(const Rect& box, Color color) override;
    void SetPixel(std::int32_t x, std::int32_t y, Color color) override;
    Color GetPixel(std::int32_t x, std::int32_t y) const override;
    void PutPixels(std::int32_t x, std::int32_t y, const Pixels& pixels) override;
    Pixels ReadPixels(std::int32_t x, std::int32_t y, std::int32_t w, std::int32_t h) const override;
    Color NearestColor(Color color) const override;
    Rect MeasureText(std::string_view text, const CanvasFont& font, const Rect& box, std::uint32_t format,
                     bool wide) const override;
    void PaintText(std::string_view text, const CanvasFont& font, const Rect& box, Color color, std::uint32_t format,
                   bool wide) override;
    void Edge(const Rect& box, std::uint32_t edge) override;
    void FocusRect(const Rect& box) override;
    bool ThemedPart(std::string_view className, std::int32_t part, std::int32_t state, const Rect& box) override;
    bool IsAlphaBitmap(const host::Picture& picture) const override;
    Pixels PicturePixels(const host::Picture& picture, std::int32_t w, std::int32_t h, Color keyColor) const override;

  private:
    HDC dc_;
    std::int32_t width_;
    std::int32_t height_;
    HWND window_;
    bool trueColor_;  // the surface shows every colour as it is
};

// Gives window the region unless it has one of the same visible shape
// already (setting it would only repaint the window, and the paint set it
// again); the window owns the region either way.
void SetWindowRegion(HWND window, HRGN region) noexcept;

// The parts of two regions within the window's rectangle are the same. (A
// window may keep its region clipped to its rectangle.)
[[nodiscard]] bool SameVisibleRegion(HWND window, HRGN a, HRGN b) noexcept;

}  // namespace quill::button
