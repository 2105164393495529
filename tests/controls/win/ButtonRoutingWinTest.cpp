// A real kestbutton's routed window messages, drop-down menus and tooltip
// windows, and what it leaves behind when it ends while they are open.
#include "ButtonForm.h"

#include <commctrl.h>
#include <uxtheme.h>

#include <functional>

namespace quill::button {
namespace {

using Strings = std::vector<std::string>;
const LPARAM kInside = MAKELPARAM(10, 5);

class ButtonRoutingWinTest : public test::ButtonForm {
  protected:
    ButtonRoutingWinTest() = default;
    explicit ButtonRoutingWinTest(host::HostForm::Options options) : test::ButtonForm(std::move(options)) {}

    static UINT_PTR RoutingId(Kestbutton& b) {
        const WindowRouting* routing = PlatformOf(b).Routing();
        return routing != nullptr ? routing->Id() : 0;
    }
    // The form's window still answers as a window does.
    void ExpectFormWorks() const {
        ::SendMessageW(window.Get(), WM_ACTIVATE, WA_ACTIVE, 0);
        ::SendMessageW(window.Get(), WM_ACTIVATE, WA_INACTIVE, 0);
        EXPECT_TRUE(::SetWindowTextW(window.Get(), L"still here"));
        wchar_t text[32] = {};
        ::GetWindowTextW(window.Get(), text, 32);
        EXPECT_STREQ(text, L"still here");
    }
};

TEST_F(ButtonRoutingWinTest, TwoButtonsBothSeeTheirFormsActivation) {
    Kestbutton& a = AddButton("A", 10, 10);
    Kestbutton& b = AddButton("B", 10, 40);
    for (Kestbutton* each : {&a, &b}) {
        EXPECT_TRUE(WindowRouting::IsInstalled(window.Get(), RoutingId(*each)));
        EXPECT_TRUE(WindowRouting::IsInstalled(Hwnd(*each), RoutingId(*each)));
    }
    const std::int64_t before = PlatformOf(a).RedrawCount() + PlatformOf(b).RedrawCount();
    ::SendMessageW(window.Get(), WM_ACTIVATE, WA_CLICKACTIVE, 0);
    EXPECT_TRUE(a.Input().parentActive && b.Input().parentActive);
    EXPECT_EQ(PlatformOf(a).RedrawCount() + PlatformOf(b).RedrawCount() - before, 2);
    ::SendMessageW(window.Get(), WM_ACTIVATE, WA_INACTIVE, 0);
    EXPECT_FALSE(a.Input().parentActive || b.Input().parentActive);
}

// Each button takes away its own routing only, whichever ends first.
TEST_F(ButtonRoutingWinTest, RoutingIsRemovedSafelyInEitherOrder) {
    for (bool firstMadeEndsFirst : {true, false}) {
        Kestbutton& a = AddButton("A", 10, 10);
        Kestbutton& b = AddButton("B", 10, 40);
        const UINT_PTR idA = RoutingId(a), idB = RoutingId(b);
        const char* first = firstMadeEndsFirst ? "A" : "B";
        Kestbutton& staying = firstMadeEndsFirst ? b : a;
        const UINT_PTR gone = firstMadeEndsFirst ? idA : idB, kept = firstMadeEndsFirst ? idB : idA;
        form.Remove(first);
        EXPECT_FALSE(WindowRouting::IsInstalled(window.Get(), gone)) << first;
        EXPECT_TRUE(WindowRouting::IsInstalled(window.Get(), kept)) << first;
        ::SendMessageW(window.Get(), WM_ACTIVATE, WA_ACTIVE, 0);
        EXPECT_TRUE(staying.Input().parentActive) << first;
        form.Remove(firstMadeEndsFirst ? "B" : "A");
        EXPECT_FALSE(WindowRouting::IsInstalled(window.Get(), kept));
        ExpectFormWorks();
    }
}

TEST_F(ButtonRoutingWinTest, ThemeAndColourChangesRedrawAndTheMouseLeavingIsHeard) {
    Kestbutton& b = AddButton("Cmd", 20, 20);
    const bool themed = ::IsAppThemed() != FALSE;
    const RoutedWindow* own = PlatformOf(b).Routing()->Table().Find(b.HWnd());
    ASSERT_NE(own, nullptr);
    EXPECT_EQ(Lists(own->after, WM_SYSCOLORCHANGE), themed);
    std::int64_t before = PlatformOf(b).RedrawCount();
    Send(b, WM_SYSCOLORCHANGE);
    EXPECT_EQ(PlatformOf(b).RedrawCount() - before, themed ? 1 : 0) << "themed " << themed;
    before = PlatformOf(b).RedrawCount();
    Send(b, WM_THEMECHANGED);
    EXPECT_EQ(PlatformOf(b).RedrawCount() - before, 1);

    // The system's own notification, asked for by the first move over it.
    EXPECT_TRUE(b.Input().mouseLeaveSupport);
    CursorOver(b);
    Send(b, WM_MOUSEMOVE, 0, kInside);
    ASSERT_EQ(b.Input().drawState, kDrawHot);
    (void)TakeEvents("Cmd");
    CursorAway();
    for (int i = 0; i < 100 && b.Input().drawState != kDrawNormal; ++i) Pump(10);
    EXPECT_EQ(b.Input().drawState, kDrawNormal);
    EXPECT_EQ(TakeEvents("Cmd"), (Strings{"MouseLeave"}));
}

// The capability checks answer what the system has, and release only what
// they loaded themselves.
TEST(ButtonCapabilities, ExportsLibrariesAndThemeAsTheSystemHasThem) {
    EXPECT_TRUE(IsFunctionExported("TrackMouseEvent", L"User32"));
    EXPECT_FALSE(IsFunctionExported("NoSuchFunction", L"User32"));
    EXPECT_FALSE(IsFunctionExported("TrackMouseEvent", L"no-such-library.dll"));
    ASSERT_EQ(::GetModuleHandleW(L"sensapi.dll"), nullptr) << "loaded by someone else already";
    EXPECT_TRUE(IsFunctionExported("IsNetworkAlive", L"sensapi.dll"));
    EXPECT_EQ(::GetModuleHandleW(L"sensapi.dll"), nullptr);  // loaded for the question, released again
    EXPECT_NE(::GetModuleHandleW(L"user32.dll"), nullptr);   // loaded before, left loaded
    EXPECT_TRUE(IsLibraryPresent(L"uxtheme.dll"));
    EXPECT_FALSE(IsLibraryPresent(L"no-such-library.dll"));
    ThemeCapabilities theme;
    EXPECT_TRUE(theme.IsUxThemePresent());
    EXPECT_EQ(theme.IsThemed(), ::IsAppThemed() != FALSE);
}

class MdiFormTest : public ButtonRoutingWinTest {
  protected:
    MdiFormTest() : ButtonRoutingWinTest(host::HostForm::Options{.mdiChild = true}) {}
};

TEST_F(MdiFormTest, AnMdiChildFormIsWatchedThroughItsCaptionActivation) {
    Kestbutton& b = AddButton("Cmd", 20, 20);
    ::SendMessageW(window.Get(), WM_ACTIVATE, WA_ACTIVE, 0);
    EXPECT_FALSE(b.Input().parentActive);
    ::SendMessageW(window.Get(), WM_NCACTIVATE, TRUE, 0);
    EXPECT_TRUE(b.Input().parentActive);
}

class DesignerFormTest : public ButtonRoutingWinTest {
  protected:
    DesignerFormTest() : ButtonRoutingWinTest(host::HostForm::Options{.userMode = false}) {}
};

TEST_F(DesignerFormTest, AButtonInADesignerRoutesNothing) {
    Kestbutton& b = AddButton("Cmd", 20, 20);
    EXPECT_EQ(PlatformOf(b).Routing(), nullptr);
    ::SendMessageW(window.Get(), WM_ACTIVATE, WA_ACTIVE, 0);
    EXPECT_FALSE(b.Input().parentActive);
}

// A menu is closed from a timer while it is open: where it appeared, and
// what the test does meanwhile.
struct MenuWatch {
    int shown = 0;
    RECT at{};
    std::function<void()> meanwhile;
};
MenuWatch* watch = nullptr;

VOID CALLBACK WhileMenuOpen(HWND, UINT, UINT_PTR timer, DWORD) {
    ::KillTimer(nullptr, timer);
    if (HWND menu = ::FindWindowW(MAKEINTATOM(0x8000), nullptr)) ::GetWindowRect(menu, &watch->at);
    ++watch->shown;
    if (watch->meanwhile) watch->meanwhile();
    ::EndMenu();
}

class ButtonMenuWinTest : public ButtonRoutingWinTest {
  protected:
    ButtonMenuWinTest() {
        menu = ::CreatePopupMenu();
        ::AppendMenuW(menu, MF_STRING, 10, L"Ten");
        ::AppendMenuW(menu, MF_STRING, 11, L"Eleven");
        watch = &seen;
    }
    ~ButtonMenuWinTest() override {
        watch = nullptr;
        ::DestroyMenu(menu);
    }
    // Sends a message that may open the menu; a menu that opens is closed
    // after a moment, with meanwhile run first.
    void SendWatched(const Kestbutton& b, UINT message, WPARAM wParam, LPARAM lParam,
                     std::function<void()> meanwhile = {}) {
        seen.meanwhile = std::move(meanwhile);
        const UINT_PTR timer = ::SetTimer(nullptr, 0, 150, WhileMenuOpen);
        Send(b, message, wParam, lParam);
        ::KillTimer(nullptr, timer);
    }

    HMENU menu = nullptr;
    MenuWatch seen;
};

TEST_F(ButtonMenuWinTest, AlignZeroOpensBelowTheButtonsLeftEdge) {
    Kestbutton& b = AddButton("Cmd", 20, 20);
    b.SetPopupMenu(reinterpret_cast<host::NativeHandle>(menu), 0, 0);
    CursorAway();
    SendWatched(b, WM_LBUTTONDOWN, MK_LBUTTON, kInside);
    ASSERT_EQ(seen.shown, 1);
    POINT corner{0, 24};
    ::ClientToScreen(Hwnd(b), &corner);
    EXPECT_EQ(seen.at.left, corner.x);
    EXPECT_EQ(seen.at.top, corner.y);
    EXPECT_EQ(TakeEvents("Cmd"), Strings{});      // a menu instead of MouseDown
    EXPECT_EQ(b.Input().drawState, kDrawNormal);  // closed away from the button
}

TEST_F(ButtonMenuWinTest, AlignOneTakesBottomAlignForGood) {
    Kestbutton& b = AddButton("Cmd", 20, 200);
    b.SetPopupMenu(reinterpret_cast<host::NativeHandle>(menu), 1, TPM_RIGHTBUTTON);
    CursorAway();
    SendWatched(b, WM_LBUTTONDOWN, MK_LBUTTON, kInside);
    ASSERT_EQ(seen.shown, 1);
    POINT corner{0, 0};
    ::ClientToScreen(Hwnd(b), &corner);
    EXPECT_EQ(seen.at.bottom, corner.y);  // above the button
    EXPECT_EQ(b.Menu().flags, TPM_BOTTOMALIGN);
    Send(b, WM_LBUTTONUP, 0, kInside);
    SendWatched(b, WM_LBUTTONDOWN, MK_LBUTTON, kInside);
    EXPECT_EQ(b.Menu().flags, TPM_BOTTOMALIGN);
}

TEST_F(ButtonMenuWinTest, AMenuClosedOverTheButtonSuppressesTheNextPress) {
    Kestbutton& b = AddButton("Cmd", 20, 20);
    b.SetPopupMenu(reinterpret_cast<host::NativeHandle>(menu), 0, 0);
    SendWatched(b, WM_LBUTTONDOWN, MK_LBUTTON, kInside, [&] { CursorOver(b); });
    ASSERT_EQ(seen.shown, 1);
    EXPECT_TRUE(b.Menu().closedOverButton);
    SendWatched(b, WM_LBUTTONDOWN, MK_LBUTTON, kInside);
    EXPECT_EQ(seen.shown, 1);                 // no menu
    EXPECT_EQ(TakeEvents("Cmd"), Strings{});  // and no MouseDown
    Send(b, WM_LBUTTONUP, 0, kInside);
    EXPECT_FALSE(b.Menu().closedOverButton);
    CursorAway();
    SendWatched(b, WM_LBUTTONDOWN, MK_LBUTTON, kInside);
    EXPECT_EQ(seen.shown, 2);
}

// The button ends while its menu is open: the menu closes, and neither the
// form's window nor the menu keeps anything of the button.
TEST_F(ButtonMenuWinTest, AButtonEndingWhileItsMenuIsOpenLeavesNothingBehind) {
    Kestbutton& b = AddButton("Cmd", 20, 20);
    AddButton("Other", 20, 60);
    b.SetPopupMenu(reinterpret_cast<host::NativeHandle>(menu), 0, 0);
    const UINT_PTR id = RoutingId(b);
    CursorAway();
    SendWatched(b, WM_LBUTTONDOWN, MK_LBUTTON, kInside, [&] { form.Remove("Cmd"); });
    EXPECT_EQ(seen.shown, 1);
    EXPECT_EQ(form.Find("Cmd"), nullptr);
    EXPECT_FALSE(WindowRouting::IsInstalled(window.Get(), id));
    HWND open = ::FindWindowW(MAKEINTATOM(0x8000), nullptr);
    EXPECT_TRUE(open == nullptr || !::IsWindowVisible(open));
    auto& other = static_cast<Kestbutton&>(*form.Find("Other"));
    ::SendMessageW(window.Get(), WM_ACTIVATE, WA_ACTIVE, 0);
    EXPECT_TRUE(other.Input().parentActive);
    ExpectFormWorks();
}

TEST_F(ButtonMenuWinTest, TheFormClosingWhileAMenuIsOpenEndsItsButtonsCleanly) {
    Kestbutton& b = AddButton("Cmd", 20, 20);
    b.SetPopupMenu(reinterpret_cast<host::NativeHandle>(menu), 0, 0);
    CursorAway();
    SendWatched(b, WM_LBUTTONDOWN, MK_LBUTTON, kInside, [&] { ::DestroyWindow(window.Get()); });
    EXPECT_EQ(seen.shown, 1);
    EXPECT_FALSE(::IsWindow(window.Get()));
}

// The titles sent to tooltip windows, seen on their way: the system's
// tooltip under Wine does not answer TTM_GETTITLE.
std::vector<std::pair<WPARAM, std::wstring>> titlesSent;

LRESULT CALLBACK RecordTitles(int code, WPARAM wParam, LPARAM lParam) {
    if (code == HC_ACTION) {
        const auto* sent = reinterpret_cast<const CWPSTRUCT*>(lParam);
        if (sent->message == TTM_SETTITLEW) {
            titlesSent.emplace_back(sent->wParam, reinterpret_cast<const wchar_t*>(sent->lParam));
        }
    }
    return ::CallNextHookEx(nullptr, code, wParam, lParam);
}

class ButtonToolTipWinTest : public ButtonRoutingWinTest {
  protected:
    ButtonToolTipWinTest() {
        titlesSent.clear();
        hook_ = ::SetWindowsHookExW(WH_CALLWNDPROC, RecordTitles, nullptr, ::GetCurrentThreadId());
    }
    ~ButtonToolTipWinTest() override { ::UnhookWindowsHookEx(hook_); }

    // The title the tooltip holds: asked of it where it answers, else as sent.
    static std::pair<WPARAM, std::wstring> TitleOf(HWND tip) {
        wchar_t title[64] = {};
        TTGETTITLE got{sizeof got, 99, 64, title};
        ::SendMessageW(tip, TTM_GETTITLE, 0, reinterpret_cast<LPARAM>(&got));
        if (got.uTitleBitmap != 99) return {got.uTitleBitmap, title};
        if (titlesSent.empty()) return {0, L""};
        return titlesSent.back();
    }

    static HWND Hover(Kestbutton& b) {
        CursorOver(b);
        Send(b, WM_MOUSEMOVE, 0, kInside);
        return PlatformOf(b).ToolTip();
    }
    void Leave(Kestbutton& b) {
        CursorAway();
        Send(b, WM_MOUSEMOVE, 0, MAKELPARAM(300, 5));
    }
    HHOOK hook_ = nullptr;

    static std::wstring ClassOf(HWND window) {
        wchar_t name[64] = {};
        ::GetClassNameW(window, name, 64);
        return name;
    }
    static TTTOOLINFOW ToolOf(HWND tip, HWND owner, wchar_t (&text)[256]) {
        TTTOOLINFOW tool{};
        tool.cbSize = TTTOOLINFOW_V1_SIZE;
        tool.hwnd = owner;
        tool.uId = reinterpret_cast<UINT_PTR>(owner);
        tool.lpszText = text;
        EXPECT_TRUE(::SendMessageW(tip, TTM_GETTOOLINFOW, 0, reinterpret_cast<LPARAM>(&tool)));
        return tool;
    }
};

TEST_F(ButtonToolTipWinTest, TheToolTipWindowIsMadeFromTheProperties) {
    Kestbutton& b = AddButton("Cmd", 20, 20,
                              {{"ToolTip", std::string("Converts the selected files")},
                               {"TooltipTitle", std::string("Convert")},
                               {"TooltipIcon", 1},
                               {"TooltipType", 1},
                               {"TooltipBackColor", 0xC0FFFF},
                               {"RightToLeft", true}});
    EXPECT_EQ(PlatformOf(b).ToolTip(), nullptr);  // none before the first hover
    HWND tip = Hover(b);
    ASSERT_NE(tip, nullptr);
    EXPECT_EQ(ClassOf(tip), L"tooltips_class32");
    EXPECT_EQ(::GetWindowLongPtrW(tip, GWL_STYLE) & 0xFFFF, 67);
    EXPECT_TRUE(::GetWindowLongPtrW(tip, GWL_EXSTYLE) & WS_EX_LAYOUTRTL);
    EXPECT_TRUE(::GetClassLongPtrW(tip, GCL_STYLE) & CS_DROPSHADOW);
    EXPECT_EQ(::GetWindow(tip, GW_OWNER), window.Get());  // a pop-up is owned by the top-level window
    EXPECT_EQ(::SendMessageW(tip, TTM_GETTOOLCOUNT, 0, 0), 1);
    wchar_t text[256] = {};
    TTTOOLINFOW tool = ToolOf(tip, Hwnd(b), text);
    EXPECT_EQ(tool.uFlags & (TTF_IDISHWND | TTF_SUBCLASS), static_cast<UINT>(TTF_IDISHWND | TTF_SUBCLASS));
    EXPECT_STREQ(text, L"Converts the selected files");
    EXPECT_EQ(TitleOf(tip), (std::pair<WPARAM, std::wstring>{1, L"Convert"}));
    EXPECT_EQ(::SendMessageW(tip, TTM_GETMAXTIPWIDTH, 0, 0), 240);
    EXPECT_EQ(static_cast<COLORREF>(::SendMessageW(tip, TTM_GETTIPBKCOLOR, 0, 0)), 0xC0FFFFu);
}

TEST_F(ButtonToolTipWinTest, ByDefaultAPlainTipInTheSystemsColour) {
    Kestbutton& b = AddButton("Cmd", 20, 20);
    HWND tip = Hover(b);
    ASSERT_NE(tip, nullptr);
    EXPECT_EQ(::GetWindowLongPtrW(tip, GWL_STYLE) & 0xFFFF, 3);
    EXPECT_FALSE(::GetWindowLongPtrW(tip, GWL_EXSTYLE) & WS_EX_LAYOUTRTL);
    wchar_t text[256] = {L'x'};
    (void)ToolOf(tip, Hwnd(b), text);
    EXPECT_STREQ(text, L"");  // an empty tool: the system shows nothing
    EXPECT_EQ(TitleOf(tip), (std::pair<WPARAM, std::wstring>{0, L""}));
    EXPECT_EQ(static_cast<COLORREF>(::SendMessageW(tip, TTM_GETTIPBKCOLOR, 0, 0)), ::GetSysColor(COLOR_INFOBK));
}

TEST_F(ButtonToolTipWinTest, EachEntryIntoHotRemakesItUnlessDownDisabledOrAfterAMenu) {
    Kestbutton& b = AddButton("Cmd", 20, 20, {{"ToolTip", std::string("tip")}});
    HWND first = Hover(b);
    Leave(b);
    HWND second = Hover(b);
    EXPECT_NE(second, first);
    EXPECT_FALSE(::IsWindow(first));
    EXPECT_EQ(Hover(b), second);  // staying hot keeps it

    Send(b, WM_LBUTTONDOWN, MK_LBUTTON, kInside);
    Leave(b);
    EXPECT_EQ(Hover(b), second);  // entered while pressed
    Send(b, WM_LBUTTONUP, 0, kInside);
    ::ReleaseCapture();

    Leave(b);
    b.Set(PropertyId::kEnabled, false);
    EXPECT_EQ(Hover(b), second);  // disabled
    b.Set(PropertyId::kEnabled, true);

    Leave(b);
    b.Menu().closedOverButton = true;
    EXPECT_EQ(Hover(b), second);  // just after a menu closed over it
}

TEST_F(ButtonToolTipWinTest, AButtonEndingWithItsToolTipShownLeavesNothingBehind) {
    Kestbutton& b = AddButton("Cmd", 20, 20, {{"ToolTip", std::string("tip")}});
    HWND tip = Hover(b);
    ASSERT_TRUE(::IsWindow(tip));
    const UINT_PTR id = RoutingId(b);
    form.Remove("Cmd");
    EXPECT_FALSE(::IsWindow(tip));
    EXPECT_FALSE(WindowRouting::IsInstalled(window.Get(), id));
    ExpectFormWorks();
}

}  // namespace
}  // namespace quill::button
