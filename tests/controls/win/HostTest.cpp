// The Win32 control host with a probe control in a real form window.
#include "HostFixtures.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>

namespace quill::host {
namespace {

using test::Log;
using test::Probe;

class HostTest : public ::testing::Test {
  protected:
    HostTest() : events_(log), form(window.Get(), events_) {}

    // Adds a probe placed in twips; container null means the form.
    Probe& AddProbe(const std::string& name, TwipsRect place, HWND container = nullptr) {
        auto& made = form.Add(name, "probe", factory, container, place);
        return static_cast<Probe&>(made);
    }
    bool Logged(const std::string& line) const { return std::find(log.begin(), log.end(), line) != log.end(); }

    Log log;
    test::FormWindow window;
    test::LoggingFormEvents events_;
    HostForm form;
    ControlFactory factory = [this](ControlSite& site) { return std::make_unique<Probe>(site, log); };
    ControlTypes types{{"probe", factory}};
};

TEST_F(HostTest, SurfaceMeasuresInTwipsAndResizesTheControl) {
    Probe& probe = AddProbe("P1", {150, 300, 1500, 450});
    ControlSite& site = probe.Site();
    HWND surface = reinterpret_cast<HWND>(site.Window());
    RECT r{};
    ::GetWindowRect(surface, &r);
    ::MapWindowPoints(HWND_DESKTOP, window.Get(), reinterpret_cast<POINT*>(&r), 2);
    EXPECT_EQ(r.left, 10);
    EXPECT_EQ(r.top, 20);
    EXPECT_EQ(site.ScaleWidth(), 100);
    EXPECT_EQ(site.ScaleHeight(), 30);
    EXPECT_EQ(site.Width(), 1500);
    EXPECT_EQ(site.Height(), 450);
    log.clear();
    site.SetWidth(3000);
    site.SetHeight(220);  // 14.7 pixels: a whole pixel more, and 220 twips still
    EXPECT_EQ(site.ScaleWidth(), 200);
    EXPECT_EQ(site.ScaleHeight(), 15);
    EXPECT_EQ(site.Height(), 220);
    ::SetWindowPos(surface, nullptr, 0, 0, 50, 10, SWP_NOMOVE | SWP_NOZORDER);  // moved by someone else
    EXPECT_EQ(site.Width(), 750);
    EXPECT_EQ(site.Height(), 150);
    EXPECT_EQ(std::count(log.begin(), log.end(), "P1 Resize"), 3);
}

TEST_F(HostTest, SurfaceHoldsItsFontColoursAndEnabledFlag) {
    Probe& probe = AddProbe("P1", {0, 0, 1500, 450}, window.Frame());
    ControlSite& site = probe.Site();
    HWND surface = reinterpret_cast<HWND>(site.Window());
    HDC dc = reinterpret_cast<HDC>(site.DeviceContext());
    EXPECT_EQ(dc, ::GetDC(surface));  // its own DC, the same every time
    EXPECT_EQ(site.ContainerWindow(), reinterpret_cast<NativeHandle>(window.Frame()));

    site.SetSurfaceFont(Font{"Tahoma", 14.25, 700, true});
    wchar_t face[LF_FACESIZE] = {};
    ::GetTextFaceW(dc, LF_FACESIZE, face);
    TEXTMETRICW metrics{};
    ::GetTextMetricsW(dc, &metrics);
    EXPECT_STREQ(face, L"Tahoma");
    EXPECT_EQ(metrics.tmWeight, 700);
    EXPECT_TRUE(metrics.tmItalic);
    EXPECT_EQ(metrics.tmHeight - metrics.tmInternalLeading, 19);  // 14.25 points at 96 DPI

    site.SetForeColor(static_cast<std::int32_t>(0x80000012u));
    EXPECT_EQ(::GetTextColor(dc), ::GetSysColor(COLOR_BTNTEXT));
    site.SetForeColor(0x0000C0);
    EXPECT_EQ(::GetTextColor(dc), 0x0000C0u);

    site.SetEnabled(false);
    EXPECT_FALSE(::IsWindowEnabled(surface));
    EXPECT_FALSE(site.Enabled());
}

TEST_F(HostTest, WindowMessagesReachTheControlAsItsEvents) {
    Probe& probe = AddProbe("P1", {0, 0, 1500, 450});
    HWND surface = reinterpret_cast<HWND>(probe.Site().Window());
    struct Case {
        UINT message;
        WPARAM wParam;
        LPARAM lParam;
        std::string heard;
    };
    const Case cases[] = {
        {WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(10, 5), "P1 MouseDown 1 0 10 5"},
        {WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(200, 7), "P1 MouseMove 1 0 200 7"},
        {WM_LBUTTONUP, 0, MAKELPARAM(200, 7), "P1 MouseUp 1 0 200 7"},
        {WM_RBUTTONDOWN, MK_RBUTTON, MAKELPARAM(3, 4), "P1 MouseDown 2 0 3 4"},
        {WM_RBUTTONUP, 0, MAKELPARAM(3, 4), "P1 MouseUp 2 0 3 4"},
        {WM_MOUSEMOVE, MK_MBUTTON | MK_RBUTTON, MAKELPARAM(1, 2), "P1 MouseMove 6 0 1 2"},
        {WM_LBUTTONDBLCLK, MK_LBUTTON, MAKELPARAM(10, 5), "P1 DblClick"},
        {WM_KEYDOWN, VK_SPACE, 0, "P1 KeyDown 32 0"},
        {WM_CHAR, 'a', 0, "P1 KeyPress 97"},
        {WM_KILLFOCUS, 0, 0, "P1 LostFocus"},
    };
    for (const Case& c : cases) {
        log.clear();
        ::SendMessageW(surface, c.message, c.wParam, c.lParam);
        EXPECT_TRUE(Logged(c.heard)) << c.heard;
        if (c.message == WM_LBUTTONDOWN) {
            EXPECT_EQ(::GetCapture(), surface);  // a release outside is still heard
            EXPECT_EQ(::GetFocus(), surface);
        }
        if (c.message == WM_LBUTTONUP) {
            EXPECT_EQ(::GetCapture(), nullptr);
        }
    }
    ::ReleaseCapture();
}

TEST_F(HostTest, EventsReportsAndErrorsReachTheFormOwner) {
    Probe& probe = AddProbe("P1", {0, 0, 1500, 450});
    HWND surface = reinterpret_cast<HWND>(probe.Site().Window());
    log.clear();
    ::SendMessageW(surface, WM_CHAR, 'x', 0);
    ::SendMessageW(surface, WM_KEYUP, VK_SPACE, 0);  // the probe throws: not out of the window procedure
    EXPECT_EQ(log, (Log{"P1 KeyPress 120", "event P1 Click", "changed P1 Caption", "P1 KeyUp 32",
                        "error P1 a failing handler"}));
}

TEST_F(HostTest, AltWithAnAccessKeyGoesToTheFirstEnabledControlWithIt) {
    Probe& first = AddProbe("P1", {0, 0, 1500, 450});
    Probe& second = AddProbe("P2", {0, 600, 1500, 450}, window.Frame());
    first.Site().SetAccessKeys("b");
    second.Site().SetAccessKeys("b");
    auto alt = [&](HWND to, wchar_t key) { return form.PreTranslateMessage(MSG{to, WM_SYSCHAR, key, 0, 0, {}}); };

    log.clear();
    EXPECT_TRUE(alt(window.Frame(), L'B'));
    EXPECT_EQ(log, (Log{"P1 AccessKeyPress 66"}));
    first.Site().SetEnabled(false);
    log.clear();
    EXPECT_TRUE(alt(window.Get(), L'b'));
    EXPECT_EQ(log, (Log{"P2 AccessKeyPress 98"}));
    EXPECT_FALSE(alt(window.Get(), L'x'));
    EXPECT_FALSE(alt(::GetDesktopWindow(), L'b'));  // not a window of the form
    EXPECT_FALSE(form.PreTranslateMessage(MSG{window.Get(), WM_CHAR, L'b', 0, 0, {}}));
}

TEST_F(HostTest, ParentFormListsItsControlsAndAmbientValues) {
    Probe& first = AddProbe("P1", {0, 0, 1500, 450});
    Probe& second = AddProbe("P2", {0, 0, 1500, 450}, window.Frame());
    std::vector<FormControl> controls = second.Site().ParentControls();
    ASSERT_EQ(controls.size(), 2u);
    EXPECT_EQ(controls[0].name, "P1");
    EXPECT_EQ(controls[0].control, &first);
    EXPECT_EQ(controls[0].window, first.Site().Window());
    EXPECT_EQ(controls[0].container, reinterpret_cast<NativeHandle>(window.Get()));
    EXPECT_EQ(controls[1].container, reinterpret_cast<NativeHandle>(window.Frame()));
    EXPECT_EQ(second.Site().ParentWindow(), reinterpret_cast<NativeHandle>(window.Get()));
    EXPECT_FALSE(second.Site().ParentIsMdiChild());
    EXPECT_TRUE(second.Site().AmbientUserMode());
    EXPECT_EQ(second.Site().AmbientDisplayName(), "P2");

    log.clear();
    form.SetDefaultControl("P2");
    EXPECT_EQ(log, (Log{"P1 Ambient DisplayAsDefault", "P2 Ambient DisplayAsDefault"}));
    EXPECT_FALSE(first.Site().AmbientDisplayAsDefault());
    EXPECT_TRUE(second.Site().AmbientDisplayAsDefault());
}

TEST_F(HostTest, StoredDesignValuesPlaceLoadAndSaveAControl) {
    ControlDesign design{"P1", "probe", {}};
    for (auto [key, twips] : {std::pair{"Left", 300}, {"Top", 150}, {"Width", 1335}, {"Height", 375}}) {
        design.properties.Set(key, twips);
    }
    design.properties.Set("Caption", std::string("Browse..."));
    form.Load(design, types);
    EXPECT_EQ(log, (Log{"P1 Read", "P1 Resize", "P1 Show"}));
    EXPECT_EQ(static_cast<Probe*>(form.Find("P1"))->caption, "Browse...");
    EXPECT_EQ(form.Save("P1"), design);

    ControlDesign unknown{"P2", "slider", {}};
    EXPECT_THROW(form.Load(unknown, types), std::runtime_error);
    ControlDesign wrong{"P3", "probe", {}};
    wrong.properties.Set("Caption", 5);
    try {
        form.Load(wrong, types);
        ADD_FAILURE() << "a number was taken for a caption";
    } catch (const std::runtime_error& e) {
        EXPECT_EQ(std::string(e.what()), "P3: Caption: a text was expected");
    }
    EXPECT_EQ(form.SurfaceOf("P3"), nullptr);  // nothing left behind
}

TEST_F(HostTest, ControlsEndWhileTheirWindowsExist) {
    {
        test::FormWindow other;
        HostForm second(other.Get(), events_);
        second.Add("A", "probe", factory, nullptr, {0, 0, 600, 300});
        second.Add("B", "probe", factory, nullptr, {0, 300, 600, 300});
        log.clear();
    }  // the host goes first: the last made ends first
    EXPECT_EQ(log, (Log{"B Terminate, window alive", "A Terminate, window alive"}));

    test::FormWindow other;
    auto second = std::make_unique<HostForm>(other.Get(), events_);
    second->Add("C", "probe", factory, nullptr, {0, 0, 600, 300});
    log.clear();
    ::DestroyWindow(other.Get());  // the form's window goes first
    EXPECT_EQ(log, (Log{"C Terminate, window alive"}));
    second.reset();
    EXPECT_EQ(log.size(), 1u);  // ended once
}

HMENU shownMenu = nullptr;
UINT defaultWhileShown = 0;

VOID CALLBACK CloseMenu(HWND, UINT, UINT_PTR timer, DWORD) {
    ::KillTimer(nullptr, timer);
    defaultWhileShown = ::GetMenuDefaultItem(shownMenu, FALSE, 0);
    ::EndMenu();
}

TEST_F(HostTest, PopupMenuIsShownWithItsDefaultItemWhichIsRestoredAfter) {
    Probe& probe = AddProbe("P1", {0, 0, 1500, 450});
    HMENU menu = ::CreatePopupMenu();
    ::AppendMenuW(menu, MF_STRING, 10, L"Ten");
    ::AppendMenuW(menu, MF_STRING, 11, L"Eleven");
    ::SetMenuDefaultItem(menu, 11, FALSE);
    shownMenu = menu;
    ::SetTimer(nullptr, 0, 100, CloseMenu);
    DWORD start = ::GetTickCount();
    probe.Site().ShowPopupMenu(reinterpret_cast<NativeHandle>(menu), 0, 30, TPM_LEFTALIGN, 10u);
    EXPECT_LT(::GetTickCount() - start, 5000u);
    EXPECT_EQ(defaultWhileShown, 10u);
    EXPECT_EQ(::GetMenuDefaultItem(menu, FALSE, 0), 11u);
    ::DestroyMenu(menu);
}

}  // namespace
}  // namespace quill::host
