// Redraw on a real control: the window region of each look, the face
// reaching the window in one piece, no GDI object left over after a
// thousand redraws, and the themed look with and without visual styles.
#include "ButtonForm.h"
#include "FacePaint.h"
#include "controls/button/win/PixelPicture.h"

#include <uxtheme.h>

namespace quill::button {
namespace {

using enum PropertyId;

class ButtonRedrawWinTest : public test::ButtonForm {
  protected:
    // What the window shows, read from its own device context.
    static Pixels WindowPixels(Kestbutton& b) {
        const std::int32_t w = b.Site().ScaleWidth(), h = b.Site().ScaleHeight();
        MemorySurface copy(w, h);
        ::BitBlt(copy.Dc(), 0, 0, w, h, reinterpret_cast<HDC>(b.Site().DeviceContext()), 0, 0, SRCCOPY);
        return copy.Read();
    }
    // The face as Redraw paints it, on a bitmap of its own.
    static Pixels FacePixels(Kestbutton& b) {
        const std::int32_t w = b.Site().ScaleWidth(), h = b.Site().ScaleHeight();
        MemorySurface face(w, h);
        GdiCanvas canvas(face.Dc(), w, h);
        b.PaintFace(canvas);
        return face.Read();
    }
    static bool RegionIs(HWND window, HRGN expected) {
        test::RegionOwner current(::CreateRectRgn(0, 0, 0, 0));
        const bool same =
            ::GetWindowRgn(window, current.region) != ERROR && SameVisibleRegion(window, current.region, expected);
        ::DeleteObject(expected);
        return same;
    }
};

TEST_F(ButtonRedrawWinTest, EachLookGivesTheWindowItsRegion) {
    Kestbutton& b = AddButton("Cmd", 20, 20);
    const HWND window = Hwnd(b);
    for (std::int32_t style = 0; style <= 12; ++style) {
        b.Set(kButtonStyle, style);
        HRGN expected = nullptr;
        switch (style) {
            case 2:
            case 3:
            case 7:
            case 9:
                expected = ::CreateRoundRectRgn(0, 0, 81, 25, 3, 3);
                break;
            case 6:
            case 10:
                expected = ::CreateRoundRectRgn(0, 0, 81, 25, 4, 4);
                break;
            default:
                expected = ::CreateRectRgn(0, 0, 80, 24);
        }
        EXPECT_TRUE(RegionIs(window, expected)) << style;
    }
}

// Setting a region repaints the window; a paint that set an equal region
// again would repaint it again, for ever.
TEST_F(ButtonRedrawWinTest, APaintedButtonRestsUntilSomethingChanges) {
    Kestbutton& b = AddButton("Cmd", 20, 20, {{"ButtonStyle", 2}});
    Pump(200);
    const std::int64_t before = PlatformOf(b).RedrawCount();
    Pump(300);
    EXPECT_LE(PlatformOf(b).RedrawCount() - before, 1);
}

// The face is painted off screen and copied in one transfer; the host does
// not clear the window before a paint either.
TEST_F(ButtonRedrawWinTest, TheWindowShowsTheWholeFaceAndIsNeverClearedFirst) {
    Kestbutton& b = AddButton("Cmd", 20, 20, {{"ButtonStyle", 8}, {"Caption", std::string("Convert")}});
    b.Redraw();
    const Pixels shown = WindowPixels(b);
    EXPECT_EQ(shown.bgra, FacePixels(b).bgra);
    Send(b, WM_ERASEBKGND, reinterpret_cast<WPARAM>(reinterpret_cast<HDC>(b.Site().DeviceContext())));
    EXPECT_EQ(WindowPixels(b).bgra, shown.bgra);
    const std::int64_t before = PlatformOf(b).RedrawCount();
    ::RedrawWindow(Hwnd(b), nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW);
    EXPECT_EQ(PlatformOf(b).RedrawCount() - before, 1);
    EXPECT_EQ(WindowPixels(b).bgra, shown.bgra);
}

// The process's GDI objects, as the system counts them; Wine does not, so
// there its handle table is walked instead.
int CountGdiObjects() {
    if (DWORD n = ::GetGuiResources(::GetCurrentProcess(), GR_GDIOBJECTS)) return static_cast<int>(n);
    int live = 0;
    for (std::uintptr_t index = 1; index <= 0xFFFF; ++index) {
        if (::GetObjectType(reinterpret_cast<HGDIOBJ>(index)) != 0) ++live;
    }
    return live;
}

TEST_F(ButtonRedrawWinTest, AThousandRedrawsOfEveryLookAndStateLeaveNoGdiObjectBehind) {
    Kestbutton& b = AddButton("Cmd", 20, 20,
                              {{"Caption", std::string("&Convert")},
                               {"DropDownSymbol", 6},
                               {"DropDownSeparator", true},
                               {"CaptionEffects", 4},
                               {"PictureShadow", true}});
    Pixels pixels{16, 16, std::vector<std::uint32_t>(256, 0xFF2060C0)};
    for (std::int32_t i = 0; i < 16; ++i) pixels.At(i, i) = 0x00000000;
    const host::PicturePtr pictures[] = {MakePixelPicture(pixels, PixelPictureKind::kBitmap32),
                                         MakePixelPicture(pixels, PixelPictureKind::kBitmap24),
                                         MakePixelPicture(pixels, PixelPictureKind::kIcon)};
    // Every look in every state, one redraw each, a different picture for each look.
    std::int32_t style = -1;
    auto redraw = [&](int i) {
        const std::int32_t combo = i % 98, state = combo % 7;
        if (combo / 7 != style) {
            style = combo / 7;
            b.Set(kButtonStyle, style);
            b.Set(kPictureNormal, pictures[style % 3]);
        }
        if (b.Properties().enabled != (state != 4)) b.Set(kEnabled, state != 4);
        if ((b.Properties().mode == kModeCheck) != (state == 3)) b.Set(kMode, state == 3 ? kModeCheck : kModePush);
        if (state == 3 && !b.Properties().value) b.Set(kValue, true);
        b.Input().drawState = state == 1 ? kDrawHot : state == 2 ? kDrawDown : kDrawNormal;
        b.Input().focus = state == 5;
        b.Input().parentActive = true;
        b.Redraw();
    };
    for (int i = 0; i < 98; ++i) redraw(i);  // the system's own caches filled first
    const int before = CountGdiObjects();
    const std::int64_t redrawsBefore = PlatformOf(b).RedrawCount();
    for (int i = 0; i < 1000; ++i) redraw(i);
    EXPECT_GE(PlatformOf(b).RedrawCount() - redrawsBefore, 1000);
    EXPECT_EQ(CountGdiObjects(), before);
}

TEST_F(ButtonRedrawWinTest, TheThemedLookUsesTheVisualStyleOrFallsBackForGood) {
    Kestbutton& b = AddButton("Cmd", 20, 20, {{"ButtonStyle", 13}});
    if (!test::VisualStylesOn()) {
        EXPECT_EQ(b.Properties().buttonStyle, 2);
        EXPECT_EQ(b.Properties().colorScheme, 0);
        EXPECT_EQ(b.Properties().backColor, 0xE7EBEC);
        EXPECT_TRUE(RegionIs(Hwnd(b), ::CreateRoundRectRgn(0, 0, 81, 25, 3, 3)));
        return;
    }
    EXPECT_EQ(b.Properties().buttonStyle, 13);
    EXPECT_EQ(b.Site().SurfaceBackColor(), static_cast<std::int32_t>(::GetSysColor(COLOR_BTNFACE)));
    HTHEME theme = ::OpenThemeData(Hwnd(b), L"Button");
    ASSERT_NE(theme, nullptr);
    RECT around{-1, -1, 81, 26};
    HRGN expected = nullptr;
    ASSERT_EQ(
        ::GetThemeBackgroundRegion(theme, reinterpret_cast<HDC>(b.Site().DeviceContext()), 1, 1, &around, &expected),
        S_OK);
    ::CloseThemeData(theme);
    EXPECT_TRUE(RegionIs(Hwnd(b), expected));
}

}  // namespace
}  // namespace quill::button
