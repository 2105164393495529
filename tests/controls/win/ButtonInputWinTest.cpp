// A real kestbutton driven by window messages and the real cursor: draw
// state, Value, the events the form hears and the redraws, step by step;
// option groups, access keys and the arrow keys' focus moves.
#include "ButtonForm.h"

#include <windowsx.h>

namespace quill::button {
namespace {

using Strings = std::vector<std::string>;

enum class C { kKeep, kOver, kAway };  // where the real cursor is put first

// One message to the button and what it must leave behind.
struct Stage {
    const char* what;
    C cursor;
    UINT message;
    WPARAM wParam;
    LPARAM lParam;
    std::int32_t drawState;
    bool value;
    Strings events;
    std::int64_t redraws;
};

class ButtonInputWinTest : public test::ButtonForm {
  protected:
    // Presses or releases Shift and Alt for the key-state reads of the host.
    static void HoldKeys(bool shift, bool alt) {
        BYTE keys[256] = {};
        ::GetKeyboardState(keys);
        keys[VK_SHIFT] = shift ? 0x80 : 0;
        keys[VK_MENU] = alt ? 0x80 : 0;
        ::SetKeyboardState(keys);
    }

    void Play(Kestbutton& b, const std::vector<Stage>& stages) {
        (void)TakeEvents("Cmd");
        for (const Stage& s : stages) {
            if (s.cursor == C::kOver) CursorOver(b);
            if (s.cursor == C::kAway) CursorAway();
            const std::int64_t before = PlatformOf(b).RedrawCount();
            Send(b, s.message, s.wParam, s.lParam);
            EXPECT_EQ(b.Input().drawState, s.drawState) << s.what;
            EXPECT_EQ(b.Properties().value, s.value) << s.what;
            EXPECT_EQ(TakeEvents("Cmd"), s.events) << s.what;
            EXPECT_EQ(PlatformOf(b).RedrawCount() - before, s.redraws) << s.what;
        }
        ::ReleaseCapture();
    }
};

const LPARAM kInside = MAKELPARAM(10, 5);

TEST_F(ButtonInputWinTest, APushButtonFollowsTheMouse) {
    Kestbutton& b = AddButton("Cmd", 20, 20);
    const std::vector<Stage> steps = {
        {"move over", C::kOver, WM_MOUSEMOVE, 0, kInside, kDrawHot, false, {"MouseEnter"}, 1},
        {"move again", C::kOver, WM_MOUSEMOVE, 0, MAKELPARAM(11, 5), kDrawHot, false, {"MouseEnter"}, 0},
        {"left press", C::kKeep, WM_LBUTTONDOWN, MK_LBUTTON, kInside, kDrawDown, false, {"MouseDown"}, 1},
        {"dragged out", C::kAway, WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(200, 5), kDrawNormal, false, {}, 1},
        {"dragged back", C::kOver, WM_MOUSEMOVE, MK_LBUTTON, kInside, kDrawDown, false, {"MouseEnter"}, 1},
        {"released inside", C::kKeep, WM_LBUTTONUP, 0, kInside, kDrawNormal, false, {"Click", "MouseUp"}, 1},
        {"right press", C::kKeep, WM_RBUTTONDOWN, MK_RBUTTON, kInside, kDrawNormal, false, {}, 0},
        {"right release", C::kKeep, WM_RBUTTONUP, 0, kInside, kDrawNormal, false, {"MouseUp"}, 0},
        {"press again", C::kKeep, WM_LBUTTONDOWN, MK_LBUTTON, kInside, kDrawDown, false, {"MouseDown"}, 1},
        {"released on the left edge", C::kKeep, WM_LBUTTONUP, 0, MAKELPARAM(0, 5), kDrawDown, false, {"MouseUp"}, 0},
        {"hot again", C::kOver, WM_MOUSEMOVE, 0, kInside, kDrawHot, false, {"MouseEnter"}, 1},
        {"double click",
         C::kKeep,
         WM_LBUTTONDBLCLK,
         MK_LBUTTON,
         kInside,
         kDrawDown,
         false,
         {"MouseDown", "DblClick"},
         1},
        {"released", C::kKeep, WM_LBUTTONUP, 0, kInside, kDrawNormal, false, {"Click", "MouseUp"}, 1},
        {"mouse left", C::kAway, WM_MOUSELEAVE, 0, 0, kDrawNormal, false, {"MouseLeave"}, 0},
        {"Enter", C::kKeep, WM_KEYDOWN, VK_RETURN, 1, kDrawNormal, false, {"Click", "KeyDown"}, 0},
        {"Enter held", C::kKeep, WM_KEYDOWN, VK_RETURN, 1 | 1 << 30, kDrawNormal, false, {"Click", "KeyDown"}, 0},
        {"Enter held on", C::kKeep, WM_KEYDOWN, VK_RETURN, 1 | 1 << 30, kDrawNormal, false, {"Click", "KeyDown"}, 0},
        {"Space", C::kKeep, WM_KEYDOWN, VK_SPACE, 1, kDrawDown, false, {"KeyDown"}, 1},
        {"Space up", C::kKeep, WM_KEYUP, VK_SPACE, 1, kDrawNormal, false, {"Click", "KeyUp"}, 1},
        {"a character", C::kKeep, WM_CHAR, 'a', 1, kDrawNormal, false, {"KeyPress"}, 0},
    };
    Play(b, steps);
}

TEST_F(ButtonInputWinTest, AltSpaceIsTheWindowsAndShiftAltSpaceTheButtons) {
    Kestbutton& b = AddButton("Cmd", 20, 20);
    HoldKeys(false, true);
    Play(b, {{"Alt+Space", C::kAway, WM_SYSKEYDOWN, VK_SPACE, 1 << 29, kDrawNormal, false, {}, 0}});
    HoldKeys(true, true);
    Play(b, {{"Shift+Alt+Space", C::kAway, WM_SYSKEYDOWN, VK_SPACE, 1 << 29, kDrawDown, false, {"KeyDown"}, 1},
             {"released", C::kAway, WM_SYSKEYUP, VK_SPACE, 1 << 29, kDrawNormal, false, {"Click", "KeyUp"}, 1}});
    HoldKeys(false, false);
}

TEST_F(ButtonInputWinTest, ACheckButtonTogglesWithSpaceAndClicks) {
    Kestbutton& b = AddButton("Cmd", 20, 20, {{"Mode", kModeCheck}});
    const std::vector<Stage> steps = {
        {"Space down sets it", C::kAway, WM_KEYDOWN, VK_SPACE, 1, kDrawDown, true, {"KeyDown"}, 1},
        {"Space up clicks; a set button shows down",
         C::kAway,
         WM_KEYUP,
         VK_SPACE,
         1,
         kDrawDown,
         true,
         {"Click", "KeyUp"},
         1},
        {"Enter clicks and changes nothing",
         C::kAway,
         WM_KEYDOWN,
         VK_RETURN,
         1,
         kDrawDown,
         true,
         {"Click", "KeyDown"},
         0},
        {"press", C::kOver, WM_LBUTTONDOWN, MK_LBUTTON, kInside, kDrawDown, true, {"MouseDown"}, 0},
        {"release clears it", C::kKeep, WM_LBUTTONUP, 0, kInside, kDrawNormal, false, {"Click", "MouseUp"}, 2},
    };
    Play(b, steps);
}

// Option buttons clear their own container's group only; access keys and
// clicks set them alike.
TEST_F(ButtonInputWinTest, OptionGroupsAreKeptPerContainer) {
    const std::vector<std::pair<std::string, host::PropertyValue>> option = {{"Mode", kModeOption}, {"Value", true}};
    Kestbutton& a = AddButton("A", 10, 10, {{"Mode", kModeOption}, {"Caption", std::string("&Alpha")}}, window.Frame());
    Kestbutton& b = AddButton("B", 10, 40, option, window.Frame());
    Kestbutton& c = AddButton("C", 10, 10, option);
    Kestbutton& d = AddButton("D", 10, 70, {{"Mode", kModeCheck}, {"Value", true}}, window.Frame());
    EXPECT_TRUE(form.PreTranslateMessage(MSG{window.Get(), WM_SYSCHAR, 'a', 0, 0, {}}));
    EXPECT_TRUE(a.Properties().value);
    EXPECT_FALSE(b.Properties().value);
    EXPECT_TRUE(c.Properties().value);  // another container
    EXPECT_TRUE(d.Properties().value);  // not an option button
    EXPECT_EQ(TakeEvents("A"), (Strings{"Click"}));

    CursorOver(b);
    Send(b, WM_LBUTTONDOWN, MK_LBUTTON, kInside);
    Send(b, WM_LBUTTONUP, 0, kInside);
    EXPECT_TRUE(b.Properties().value);
    EXPECT_FALSE(a.Properties().value);
    EXPECT_TRUE(c.Properties().value);
}

TEST_F(ButtonInputWinTest, CaptionsMarkTheirAccessKeys) {
    struct Case {
        const char* caption;
        const char* keys;
        wchar_t pressed;
        bool clicks;
    };
    const Case cases[] = {{"Save && E&xit", "x", L'x', true},
                          {"Fish && Chips", "", L'c', false},
                          {"&", "", L'&', false},
                          {"a&&b&&c&d", "", L'd', false}};
    int n = 0;
    for (const Case& c : cases) {
        const std::string name = "K" + std::to_string(n);
        Kestbutton& b = AddButton(name, 10, 10 + 30 * n++, {{"Caption", std::string(c.caption)}});
        EXPECT_EQ(b.Site().AccessKeys(), c.keys) << c.caption;
        EXPECT_EQ(form.PreTranslateMessage(MSG{window.Get(), WM_SYSCHAR, c.pressed, 0, 0, {}}), c.clicks) << c.caption;
        EXPECT_EQ(TakeEvents(name), c.clicks ? Strings{"Click"} : Strings{}) << c.caption;
        form.Remove(name);
    }
}

// Arrow keys move the focus through the dialog manager, and leave no
// keystroke behind for whatever window is in front.
TEST_F(ButtonInputWinTest, ArrowKeysMoveTheFocusInTabOrder) {
    Kestbutton& first = AddButton("First", 10, 10);
    Kestbutton& second = AddButton("Second", 10, 40);
    Kestbutton& third = AddButton("Third", 10, 70);
    ::SetFocus(Hwnd(second));
    ASSERT_EQ(::GetFocus(), Hwnd(second));
    struct Move {
        const Kestbutton& from;
        WPARAM key;
        const Kestbutton& to;
    };
    const Move moves[] = {{second, VK_RIGHT, third}, {third, VK_LEFT, second}, {second, VK_UP, first},
                          {first, VK_DOWN, second},  {second, VK_DOWN, third}, {third, VK_RIGHT, first}};
    for (const Move& m : moves) {
        Send(m.from, WM_KEYDOWN, m.key, 1);
        EXPECT_EQ(::GetFocus(), Hwnd(m.to)) << m.key;
        EXPECT_FALSE(m.from.Input().focus);
        EXPECT_TRUE(m.to.Input().focus);
    }
    MSG queued;
    EXPECT_FALSE(::PeekMessageW(&queued, nullptr, WM_KEYFIRST, WM_KEYLAST, PM_NOREMOVE));
    EXPECT_EQ(TakeEvents("Second"), (Strings{"KeyDown", "KeyDown", "KeyDown"}));
}

}  // namespace
}  // namespace quill::button
