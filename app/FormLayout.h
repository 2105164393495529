#pragma once
// The main window's form as data: every control with its kind, container,
// caption, place in twips, font, colours and tab index, as the form was
// designed. The window is built from this table at the system's DPI, so the
// layout is the same at every scale.

#include <cstdint>
#include <span>
#include <string_view>

namespace quill::app {

// 1440 twips are an inch at every DPI (15 per pixel only at 96 DPI).
inline constexpr int kTwipsPerInch = 1440;

// The client area of the form, in twips.
inline constexpr int kFormWidthTwips = 12000;
inline constexpr int kFormHeightTwips = 7680;

enum class ControlKind {
    kShape,       // a filled rectangle with a border
    kLine,        // from (left, top) to (left + width, top + height)
    kLabel,       // text drawn by its container
    kImage,       // an icon drawn by its container at the table's size
    kTextBox,     // a single-line edit box
    kButton,      // a kestbutton, made by the control host from its stored design values
    kFrame,       // a captioned box that holds other controls
    kCheckList,   // a list with a check box per entry
    kPictureBox,  // a borderless box that holds other controls
    kOption,      // an option button
    kCheck,       // a check box
};

// Colours as 0x00BBGGRR, or a system colour as 0x80000000 + its index.
using OleColor = std::uint32_t;
inline constexpr OleColor Rgb(unsigned r, unsigned g, unsigned b) { return r | g << 8 | b << 16; }
inline constexpr OleColor kWindowColor = 0x80000005;  // COLOR_WINDOW
inline constexpr OleColor kWindowText = 0x80000008;   // COLOR_WINDOWTEXT
inline constexpr OleColor kButtonText = 0x80000012;   // COLOR_BTNTEXT
inline constexpr OleColor kWhite = Rgb(255, 255, 255);

struct FontSpec {
    std::wstring_view face;
    double points = 8.25;
    bool bold = false;
    bool operator==(const FontSpec&) const = default;
};

inline constexpr FontSpec kTahoma{L"Tahoma"};
inline constexpr FontSpec kTahomaBold{L"Tahoma", 8.25, true};
inline constexpr FontSpec kVerdana{L"Verdana"};

enum LayoutFlags : unsigned {
    kNoFlags = 0,
    kTransparent = 1,  // a label drawn over whatever lies under it
    kWordWrap = 2,
    kAlignRight = 4,
    kHandCursor = 8,  // a link: the hand cursor, and a click opens a page
    kSelectedAtStart = 16,
};

struct LayoutEntry {
    std::string_view name;
    ControlKind kind;
    std::string_view container;  // empty: the form itself
    std::wstring_view caption;
    int left, top, width, height;  // twips, inside the container's client area
    FontSpec font = kTahoma;
    OleColor foreColor = kButtonText;
    OleColor backColor = kWhite;  // shapes: the fill
    OleColor borderColor = 0;     // shapes and lines
    unsigned flags = kNoFlags;
    int tabIndex = -1;  // -1: not part of the tab order

    [[nodiscard]] bool Windowless() const {
        return kind == ControlKind::kShape || kind == ControlKind::kLine || kind == ControlKind::kLabel ||
               kind == ControlKind::kImage;
    }
    [[nodiscard]] bool Holds() const { return kind == ControlKind::kFrame || kind == ControlKind::kPictureBox; }
    [[nodiscard]] bool Has(LayoutFlags flag) const { return (flags & flag) != 0; }
};

inline constexpr std::wstring_view kFormCaption = L"Quillmere\u00AE for Incredimail";
// The title of the program's message boxes.
inline constexpr std::wstring_view kApplicationTitle = L"Quillmere";

inline constexpr std::wstring_view kHomePage = L"https://quillmere.example/";
inline constexpr std::wstring_view kHelpPage = L"https://quillmere.example/help/";

// Every control of the form, in drawing order (windowless controls are drawn
// in this order, so shapes lie under the labels on them).
[[nodiscard]] std::span<const LayoutEntry> FormLayout();
// The entry of that name; throws std::out_of_range for a name the form lacks.
[[nodiscard]] const LayoutEntry& LayoutOf(std::string_view name);

// Twips to pixels at a DPI, rounded to the nearest pixel.
[[nodiscard]] int PixelsFromTwips(int twips, int dpi);

struct PixelRect {
    int left = 0, top = 0, right = 0, bottom = 0;
    [[nodiscard]] int Width() const { return right - left; }
    [[nodiscard]] int Height() const { return bottom - top; }
    [[nodiscard]] bool Contains(int x, int y) const { return x >= left && x < right && y >= top && y < bottom; }
    bool operator==(const PixelRect&) const = default;
};

// The entry's place in its container's client area: left, top, width and
// height each converted, as the control host places its controls. A line
// gives its two end points as (left, top) and (right, bottom).
[[nodiscard]] PixelRect PixelsOf(const LayoutEntry& entry, int dpiX, int dpiY);

}  // namespace quill::app
