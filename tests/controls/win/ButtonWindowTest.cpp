// The kestbutton on the Win32 host: made from the test form's stored design
// values in this program's resources, with the system's colours.
#include "HostFixtures.h"
#include "controls/button/Kestbutton.h"
#include "controls/button/win/ButtonWindow.h"
#include "controls/host/win/DesignResource.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <set>

namespace quill::button {
namespace {

using test::Log;

constexpr int kTestFormResource = 1;

class ButtonWindowTest : public ::testing::Test {
  protected:
    ButtonWindowTest() : events_(log) { RegisterKestbutton(types); }

    Log log;
    test::FormWindow window;
    test::LoggingFormEvents events_;
    host::ControlTypes types;
};

TEST_F(ButtonWindowTest, ButtonsAreMadeFromTheFormsStoredDesignValues) {
    // An ambient font unlike the stored ones, so that saving writes each Font.
    host::HostForm form(window.Get(), events_, {.ambientFont = host::Font{"Arial", 10}});
    host::FormDesign design = host::LoadFormDesign(::GetModuleHandleW(nullptr), kTestFormResource, "TestForm");
    form.LoadAll(design, types, [&](std::string_view name) { return name == "CmdSecond" ? window.Frame() : nullptr; });

    auto& first = static_cast<Kestbutton&>(*form.Find("CmdFirst"));
    auto& second = static_cast<Kestbutton&>(*form.Find("CmdSecond"));
    const ButtonProperties& p1 = first.Properties();
    EXPECT_EQ(p1.buttonStyle, 8);
    EXPECT_EQ(p1.backColor, 0xFFD1AD);
    EXPECT_EQ(p1.caption, "&Browse...");
    EXPECT_EQ(p1.font, (host::Font{"Tahoma", 8.25}));
    EXPECT_EQ(first.Site().AccessKeys(), "b");
    ASSERT_TRUE(p1.pictureNormal);
    EXPECT_EQ(p1.pictureNormal->Type(), host::PictureType::kIcon);
    EXPECT_EQ(p1.pictureNormal->Width(), 24);
    EXPECT_EQ(p1.pictureNormal->Height(), 24);

    const ButtonProperties& p2 = second.Properties();
    ASSERT_TRUE(p2.pictureNormal);
    EXPECT_EQ(p2.pictureNormal->Type(), host::PictureType::kBitmap);
    BITMAP bitmap{};
    ::GetObjectW(reinterpret_cast<HGDIOBJ>(p2.pictureNormal->Handle()), sizeof bitmap, &bitmap);
    EXPECT_EQ(bitmap.bmBitsPixel, 32);  // the alpha channel kept
    EXPECT_EQ(bitmap.bmWidth, 16);
    EXPECT_EQ(second.Site().MousePointer(), host::kPointerCustom);
    ASSERT_TRUE(second.Site().MouseIcon());
    EXPECT_EQ(second.Site().MouseIcon()->Width(), 32);
    EXPECT_FALSE(::IsWindowEnabled(reinterpret_cast<HWND>(second.HWnd())));
    EXPECT_EQ(second.Site().ContainerWindow(), reinterpret_cast<host::NativeHandle>(window.Frame()));
    EXPECT_EQ(second.Site().ExtenderToolTipText(), "");  // shown: only the button's own tooltip
    EXPECT_EQ(second.Site().Width(), 4215);
    EXPECT_EQ(second.Site().ScaleHeight(), 59);  // 890 twips at 96 DPI

    // The custom pointer is the stored cursor.
    ::SendMessageW(reinterpret_cast<HWND>(second.HWnd()), WM_SETCURSOR, second.HWnd(), MAKELPARAM(HTCLIENT, 0));
    EXPECT_EQ(::GetCursor(), reinterpret_cast<HCURSOR>(second.Site().MouseIcon()->Handle()));

    // Saving gives back exactly what was stored.
    for (const host::ControlDesign& stored : design.controls) {
        host::ControlDesign saved = form.Save(stored.name);
        std::set<std::string> storedKeys, savedKeys;
        for (const auto& [key, value] : stored.properties.Entries()) {
            storedKeys.insert(key);
            const host::PropertyValue* again = saved.properties.Find(key);
            ASSERT_NE(again, nullptr) << stored.name << " " << key;
            EXPECT_EQ(*again, value) << stored.name << " " << key;
        }
        for (const auto& entry : saved.properties.Entries()) savedKeys.insert(entry.first);
        EXPECT_EQ(savedKeys, storedKeys) << stored.name;
    }
}

TEST_F(ButtonWindowTest, ANewButtonTakesTheSystemColoursAndItsLeastSize) {
    host::HostForm form(window.Get(), events_);
    auto& button = static_cast<Kestbutton&>(form.Add("Cmd1", "kestbutton", MakeKestbutton, nullptr, {0, 0, 100, 100}));
    EXPECT_EQ(button.Site().Width(), Kestbutton::kMinimumTwips);
    EXPECT_EQ(button.Site().Height(), Kestbutton::kMinimumTwips);
    EXPECT_EQ(button.Site().ScaleHeight(), 15);  // the next whole pixel
    const ButtonProperties& p = button.Properties();
    EXPECT_EQ(p.caption, "Cmd1");
    EXPECT_EQ(p.backColor, static_cast<Color>(::GetSysColor(COLOR_BTNFACE)));
    EXPECT_EQ(p.foreColor, static_cast<Color>(::GetSysColor(COLOR_BTNTEXT)));
    EXPECT_EQ(button.Site().SurfaceFont().name, "Tahoma");
    EXPECT_TRUE(button.IsUnicode());

    button.Set(PropertyId::kHandPointer, true);
    EXPECT_TRUE(button.Properties().handPointer);
    EXPECT_TRUE(button.HandCursorLoaded());
}

TEST(SystemColors, OleTranslationAgreesWithThePortableRules) {
    Win32ButtonPlatform ole;
    Win32SystemColors system;
    for (int index = 0; index <= 30; ++index) {
        const Color value = SystemColor(index);
        EXPECT_EQ(ole.TranslateColor(value), static_cast<Color>(::GetSysColor(index))) << index;
        EXPECT_EQ(ole.TranslateColor(value), TranslateColor(value, system)) << index;
    }
    for (std::uint32_t value : {0x00E1D6D5u, 0x00000000u, 0x00FFFFFFu, 0x02123456u, 0x8000001Fu, 0x80000040u,
                                0x40000000u, 0x04000000u, 0xFFFFFFFFu}) {
        const Color color = static_cast<Color>(value);
        EXPECT_EQ(ole.TranslateColor(color), TranslateColor(color, system)) << std::hex << value;
    }
}

TEST(SystemColors, TranslationFollowsAChangedSystemColour) {
    Win32ButtonPlatform ole;
    const int element = COLOR_BTNFACE;
    const COLORREF before = ::GetSysColor(element);
    const COLORREF changed = before ^ 0x00102030;
    ASSERT_TRUE(::SetSysColors(1, &element, &changed));
    const Color seen = ole.TranslateColor(SystemColor(COLOR_BTNFACE));
    ::SetSysColors(1, &element, &before);
    EXPECT_EQ(seen, static_cast<Color>(changed));
}

}  // namespace
}  // namespace quill::button
