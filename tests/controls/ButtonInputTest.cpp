// The button's input state machine, row by row: draw-state transitions,
// the effects of each handler, drop-down menu flags, and the control
// applying effects on a fake host.
#include "ButtonFakes.h"
#include "controls/button/ButtonInput.h"
#include "controls/button/Kestbutton.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

namespace quill::button {
namespace {

using enum InputKind;
using Strings = std::vector<std::string>;

constexpr std::int32_t kW = 89, kH = 25;

std::string Describe(const Effect& e) {
    switch (e.kind) {
        case EffectKind::kRedraw:
            return "Redraw";
        case EffectKind::kRaiseEvent: {
            std::string s = "Raise " + std::string(EventInfoOf(e.event).name);
            for (const host::EventArgument& a : e.arguments) {
                s += " " + (std::holds_alternative<float>(a) ? std::to_string(static_cast<int>(std::get<float>(a)))
                                                             : std::to_string(std::get<std::int16_t>(a)));
            }
            return s;
        }
        case EffectKind::kShowHandCursor:
            return "ShowHandCursor";
        case EffectKind::kTrackMouseLeave:
            return "TrackMouseLeave";
        case EffectKind::kCreateToolTip:
            return "CreateToolTip";
        case EffectKind::kCaptureMouse:
            return "CaptureMouse";
        case EffectKind::kTakeCapture:
            return "TakeCapture";
        case EffectKind::kReleaseCapture:
            return "ReleaseCapture";
        case EffectKind::kFocusPrevious:
            return "FocusPrevious";
        case EffectKind::kFocusNext:
            return "FocusNext";
        case EffectKind::kClearOptionGroup:
            return "ClearOptionGroup";
        case EffectKind::kSetValue:
            return e.value ? "SetValue 1" : "SetValue 0";
        case EffectKind::kProcessPendingEvents:
            return "ProcessPendingEvents";
        case EffectKind::kShowMenu:
            return "ShowMenu " + std::to_string(static_cast<int>(e.x)) + " " + std::to_string(static_cast<int>(e.y)) +
                   " " + std::to_string(e.flags);
        case EffectKind::kRunPress:
            return "RunPress";
        case EffectKind::kFinishDblClick:
            return "FinishDblClick";
    }
    return "?";
}

ButtonProperties Props(std::int32_t mode = kModePush, bool value = false, std::int32_t style = 8) {
    ButtonProperties p;
    p.enabled = true;
    p.buttonStyle = style;
    p.mode = mode;
    p.value = value;
    return p;
}

InputEvent Mouse(InputKind kind, std::int16_t button, float x = 10, float y = 5, bool over = true) {
    InputEvent e(kind, MousePress{button, 0, x, y});
    e.facts = {kW, kH, over, false};
    return e;
}

InputEvent Key(InputKind kind, std::int16_t key, std::int16_t shift = 0) {
    InputEvent e(kind, key, shift);
    e.facts = {kW, kH, false, false};
    return e;
}

InputEvent Plain(InputKind kind, bool over = false, bool isDefault = false) {
    InputEvent e(kind);
    e.facts = {kW, kH, over, isDefault};
    return e;
}

Strings StepNames(ButtonState& state, const ButtonProperties& p, const InputEvent& e) {
    Strings out;
    for (const Effect& effect : Step(state, p, e)) out.push_back(Describe(effect));
    return out;
}

// Every row of the draw-state transition table holds from any draw state.
TEST(ButtonInputStep, DrawStateFollowsTheTransitionTable) {
    struct Row {
        const char* what;
        std::function<void(ButtonState&)> setup;
        ButtonProperties properties;
        InputEvent event;
        std::int32_t to;
    };
    auto none = [](ButtonState&) {};
    auto held = [](ButtonState& s) { s.input.mouseHeld = true; };
    auto space = [](ButtonState& s) { s.input.spaceHeld = true; };
    auto menu = [](ButtonState& s) { s.menu.attached = true; };
    const Row rows[] = {
        {"move inside, nothing held", none, Props(), Mouse(kMouseMove, 0), kDrawHot},
        {"move inside with the mouse held", held, Props(), Mouse(kMouseMove, 1), kDrawDown},
        {"left press", none, Props(), Mouse(kMouseDown, 1), kDrawDown},
        {"Space down", none, Props(), Key(kKeyDown, kKeySpace), kDrawDown},
        {"double click", [](ButtonState& s) { s.input.lastPress.button = 1; }, Props(), Plain(kDblClick), kDrawDown},
        {"move outside", none, Props(), Mouse(kMouseMove, 0, 200, 5, false), kDrawNormal},
        {"click completed", held, Props(), Mouse(kMouseUp, 1), kDrawNormal},
        {"access key turning a check button off", none, Props(kModeCheck, true), Key(kAccessKey, 'b'), kDrawNormal},
        {"another key while Space is held", space, Props(), Key(kKeyDown, 'A'), kDrawNormal},
        {"mouse leave", none, Props(), Plain(kMouseLeft), kDrawNormal},
        {"parent activated", none, Props(), Plain(kParentActivated), kDrawNormal},
        {"parent deactivated", none, Props(), Plain(kParentDeactivated), kDrawNormal},
        {"release with a menu attached", menu, Props(), Mouse(kMouseUp, 1), kDrawNormal},
        {"focus lost, active and inside", [](ButtonState& s) { s.input.parentActive = s.input.cursorInside = true; },
         Props(), Plain(kLostFocus), kDrawHot},
        {"focus lost, inactive", [](ButtonState& s) { s.input.cursorInside = true; }, Props(), Plain(kLostFocus),
         kDrawNormal},
        {"Space up inside with the mouse held",
         [](ButtonState& s) { s.input.cursorInside = s.input.mouseHeld = s.input.spaceHeld = true; }, Props(),
         Key(kKeyUp, kKeySpace), kDrawDown},
        {"Space up inside", [](ButtonState& s) { s.input.cursorInside = s.input.spaceHeld = true; }, Props(),
         Key(kKeyUp, kKeySpace), kDrawHot},
        {"Space up outside", space, Props(), Key(kKeyUp, kKeySpace), kDrawNormal},
    };
    for (const Row& row : rows) {
        for (std::int32_t from : {kDrawNormal, kDrawHot, kDrawDown}) {
            ButtonState state;
            state.input.drawState = from;
            row.setup(state);
            (void)Step(state, row.properties, row.event);
            EXPECT_EQ(state.input.drawState, row.to) << row.what << ", from " << from;
        }
    }
}

TEST(ButtonInputStep, RedrawShowsASetCheckButtonPressedExceptInStylesZeroAndSix) {
    struct Row {
        std::int32_t mode;
        bool value;
        std::int32_t style;
        std::int32_t shown;
    };
    for (Row r : {Row{kModeCheck, true, 8, kDrawDown},
                  {kModeOption, true, 13, kDrawDown},
                  {kModeCheck, true, 0, kDrawHot},
                  {kModeCheck, true, 6, kDrawHot},
                  {kModeCheck, false, 8, kDrawHot},
                  {kModePush, true, 8, kDrawHot}}) {
        EXPECT_EQ(ForcedDrawState(kDrawHot, Props(r.mode, r.value, r.style)), r.shown)
            << r.mode << " " << r.value << " " << r.style;
    }
}

// Each handler's effects in order: events with their arguments, redraws,
// Value changes and window services.
TEST(ButtonInputStep, HandlersYieldTheirEffectsInOrder) {
    struct Row {
        const char* what;
        std::function<void(ButtonState&)> setup;
        ButtonProperties properties;
        InputEvent event;
        Strings effects;
    };
    auto none = [](ButtonState&) {};
    auto hot = [](ButtonState& s) { s.input.drawState = kDrawHot; };
    auto held = [](ButtonState& s) {
        s.input.mouseHeld = true;
        s.input.drawState = kDrawDown;
    };
    auto space = [](ButtonState& s) {
        s.input.spaceHeld = true;
        s.input.drawState = kDrawDown;
    };
    auto leftBefore = [](ButtonState& s) { s.input.lastPress = {1, 0, 10, 5}; };
    auto menu = [](ButtonState& s) { s.menu.attached = true; };
    ButtonProperties hand = Props();
    hand.handPointer = true;
    ButtonProperties disabled = Props();
    disabled.enabled = false;
    const Strings mouseUp = {"Raise MouseUp 1 0 10 5"};
    const Row rows[] = {
        {"left press", none, Props(), Mouse(kMouseDown, 1), {"Redraw", "Raise MouseDown 1 0 10 5"}},
        {"right press", none, Props(), Mouse(kMouseDown, 2), {}},
        {"press with the hand pointer",
         none,
         hand,
         Mouse(kMouseDown, 1),
         {"ShowHandCursor", "Redraw", "Raise MouseDown 1 0 10 5"}},
        {"press while Space is held", space, Props(), Mouse(kMouseDown, 1), {"Raise MouseDown 1 0 10 5"}},
        {"first move over", none, Props(), Mouse(kMouseMove, 0), {"Raise MouseEnter", "Redraw", "CreateToolTip"}},
        {"every move over raises MouseEnter", hot, Props(), Mouse(kMouseMove, 0), {"Raise MouseEnter"}},
        {"move over with mouse-leave support",
         [](ButtonState& s) { s.input.mouseLeaveSupport = true; },
         Props(),
         Mouse(kMouseMove, 0),
         {"TrackMouseLeave", "Raise MouseEnter", "Redraw", "CreateToolTip"}},
        {"move over a set check button: no tooltip",
         none,
         Props(kModeCheck, true),
         Mouse(kMouseMove, 0),
         {"Raise MouseEnter", "Redraw"}},
        {"move over a disabled button: no tooltip",
         none,
         disabled,
         Mouse(kMouseMove, 0),
         {"Raise MouseEnter", "Redraw"}},
        {"move over after a menu closed over it: no tooltip",
         [](ButtonState& s) { s.menu.closedOverButton = true; },
         Props(),
         Mouse(kMouseMove, 0),
         {"Raise MouseEnter", "Redraw"}},
        {"move away", hot, Props(), Mouse(kMouseMove, 0, 200, 5, false), {"Redraw"}},
        {"move while Space is held", space, Props(), Mouse(kMouseMove, 0), {"Raise MouseEnter"}},
        {"release inside", held, Props(), Mouse(kMouseUp, 1), {"Redraw", "Raise Click", "Raise MouseUp 1 0 10 5"}},
        {"release outside", held, Props(), Mouse(kMouseUp, 1, 200, 5), {"Raise MouseUp 1 0 200 5"}},
        {"release on the left edge", held, Props(), Mouse(kMouseUp, 1, 0, 5), {"Raise MouseUp 1 0 0 5"}},
        {"release on the top edge", held, Props(), Mouse(kMouseUp, 1, 10, 0), {"Raise MouseUp 1 0 10 0"}},
        {"release on the right edge", held, Props(), Mouse(kMouseUp, 1, kW, 5), {"Raise MouseUp 1 0 89 5"}},
        {"right release", none, Props(), Mouse(kMouseUp, 2), {"Raise MouseUp 2 0 10 5"}},
        {"check button release",
         held,
         Props(kModeCheck),
         Mouse(kMouseUp, 1),
         {"SetValue 1", "Redraw", "Redraw", "Raise Click", "Raise MouseUp 1 0 10 5"}},
        {"option button release",
         held,
         Props(kModeOption),
         Mouse(kMouseUp, 1),
         {"ClearOptionGroup", "SetValue 1", "Redraw", "Raise Click", "Raise MouseUp 1 0 10 5"}},
        {"release with a menu attached", menu, Props(), Mouse(kMouseUp, 1), {"Redraw"}},
        {"double click",
         leftBefore,
         Props(),
         Plain(kDblClick),
         {"CaptureMouse", "Redraw", "RunPress", "FinishDblClick"}},
        {"double click after a right press", none, Props(), Plain(kDblClick), {}},
        {"end of a double click", none, Props(), Plain(kDblClickTail), {"Raise DblClick"}},
        {"end of a double click with a menu", menu, Props(), Plain(kDblClickTail), {"ShowMenu 0 25 0"}},
        {"Enter", none, Props(), Key(kKeyDown, kKeyEnter), {"Raise Click", "Raise KeyDown 13 0"}},
        {"Space", none, Props(), Key(kKeyDown, kKeySpace), {"Redraw", "TakeCapture", "Raise KeyDown 32 0"}},
        {"Alt+Space", none, Props(), Key(kKeyDown, kKeySpace, kShiftAlt), {}},
        {"Shift+Alt+Space is Space",
         none,
         Props(),
         Key(kKeyDown, kKeySpace, 5),
         {"Redraw", "TakeCapture", "Raise KeyDown 32 5"}},
        {"Space on a check button",
         none,
         Props(kModeCheck),
         Key(kKeyDown, kKeySpace),
         {"SetValue 1", "Redraw", "TakeCapture", "Raise KeyDown 32 0"}},
        {"Space on an option button",
         none,
         Props(kModeOption),
         Key(kKeyDown, kKeySpace),
         {"ClearOptionGroup", "SetValue 1", "Redraw", "TakeCapture", "Raise KeyDown 32 0"}},
        {"Space with the mouse held outside",
         held,
         Props(),
         Key(kKeyDown, kKeySpace),
         {"Redraw", "TakeCapture", "Raise KeyDown 32 0"}},
        {"Left", none, Props(), Key(kKeyDown, kKeyArrowLeft), {"FocusPrevious", "Raise KeyDown 37 0"}},
        {"Up", none, Props(), Key(kKeyDown, kKeyArrowUp), {"FocusPrevious", "Raise KeyDown 38 0"}},
        {"Right", none, Props(), Key(kKeyDown, kKeyArrowRight), {"FocusNext", "Raise KeyDown 39 0"}},
        {"Down", none, Props(), Key(kKeyDown, kKeyArrowDown), {"FocusNext", "Raise KeyDown 40 0"}},
        {"another key while Space is held", space, Props(), Key(kKeyDown, 'A'), {"Redraw", "Raise KeyDown 65 0"}},
        {"another key", none, Props(), Key(kKeyDown, 'A'), {"Raise KeyDown 65 0"}},
        {"Space up",
         space,
         Props(),
         Key(kKeyUp, kKeySpace),
         {"ReleaseCapture", "Redraw", "Raise Click", "Raise KeyUp 32 0"}},
        {"Space up while the mouse is held inside",
         [](ButtonState& s) {
             s.input.spaceHeld = s.input.mouseHeld = s.input.cursorInside = true;
             s.input.drawState = kDrawDown;
         },
         Props(),
         Key(kKeyUp, kKeySpace),
         {"ReleaseCapture", "Raise KeyUp 32 0"}},
        {"Enter up", none, Props(), Key(kKeyUp, kKeyEnter), {}},
        {"character", none, Props(), Key(kKeyPress, 'a'), {"Raise KeyPress 97"}},
        {"access key", none, Props(), Key(kAccessKey, 'b'), {"ProcessPendingEvents", "Raise Click"}},
        {"Esc as access key of a push button",
         none,
         Props(),
         Key(kAccessKey, kKeyEscape),
         {"ProcessPendingEvents", "Raise Click"}},
        {"access key of a check button",
         none,
         Props(kModeCheck),
         Key(kAccessKey, 'b'),
         {"SetValue 1", "Redraw", "ProcessPendingEvents", "Raise Click"}},
        {"Enter as access key of a check button", none, Props(kModeCheck), Key(kAccessKey, kKeyEnter), {}},
        {"access key of an option button",
         none,
         Props(kModeOption),
         Key(kAccessKey, 'b'),
         {"ClearOptionGroup", "SetValue 1", "Redraw", "ProcessPendingEvents", "Raise Click"}},
        {"Esc as access key of an option button", none, Props(kModeOption), Key(kAccessKey, kKeyEscape), {}},
        {"access key of a disabled button", none, disabled, Key(kAccessKey, 'b'), {}},
        {"focus gained", none, Props(), Plain(kGotFocus), {}},
        {"focus lost", none, Props(), Plain(kLostFocus), {"Redraw"}},
        {"focus lost by the default button", none, Props(), Plain(kLostFocus, false, true), {"Redraw", "Redraw"}},
        {"parent activated", none, Props(), Plain(kParentActivated), {"Redraw"}},
        {"default button's parent activated",
         none,
         Props(),
         Plain(kParentActivated, false, true),
         {"Redraw", "Redraw"}},
        {"parent deactivated", none, Props(), Plain(kParentDeactivated), {"Redraw"}},
        {"mouse left a hot button", hot, Props(), Plain(kMouseLeft), {"Redraw", "Raise MouseLeave"}},
        {"mouse left a normal button", none, Props(), Plain(kMouseLeft), {"Raise MouseLeave"}},
        {"mouse left while Space is held", space, Props(), Plain(kMouseLeft), {}},
        {"mouse left while the menu opens",
         [](ButtonState& s) {
             s.menu.attached = s.menu.showing = true;
             s.input.drawState = kDrawDown;
         },
         Props(),
         Plain(kMouseLeft),
         {}},
        {"mouse left a button with a menu",
         [](ButtonState& s) { s.menu.attached = s.menu.closedOverButton = true; },
         Props(),
         Plain(kMouseLeft),
         {"Raise MouseLeave"}},
    };
    for (const Row& row : rows) {
        ButtonState state;
        row.setup(state);
        EXPECT_EQ(StepNames(state, row.properties, row.event), row.effects) << row.what;
    }
}

TEST(DropDownMenu, OpensWhereItsAlignSaysWithTheFlagsItKeeps) {
    struct Row {
        std::int32_t align;
        MenuPlacement at;
    };
    const std::int32_t given = 0x100;  // the caller's flags
    const Row rows[] = {{0, {0, 24, given}}, {1, {0, 0, 32}},         {2, {0, 0, given + 8}}, {3, {80, 0, given}},
                        {4, {0, 0, 40}},     {5, {0, 24, given + 8}}, {6, {80, 0, 32}},       {7, {80, 24, given}}};
    for (const Row& row : rows) EXPECT_EQ(PlaceMenu(row.align, given, 80, 24), row.at) << row.align;
    EXPECT_FALSE(PlaceMenu(8, given, 80, 24));
    EXPECT_FALSE(PlaceMenu(-1, given, 80, 24));

    ButtonState s;
    s.menu.attached = true;
    s.menu.align = 1;
    s.menu.flags = 0;
    InputEvent press = Mouse(kMouseDown, 1);
    press.facts.scaleWidth = 80;
    press.facts.scaleHeight = 24;
    EXPECT_EQ(StepNames(s, Props(), press), (Strings{"Redraw", "ShowMenu 0 0 32"}));
    EXPECT_EQ(s.menu.flags, 32);  // for good
    EXPECT_TRUE(s.menu.showing);

    s = {};
    s.menu.attached = true;
    s.menu.align = 9;
    EXPECT_EQ(StepNames(s, Props(), press), (Strings{"Redraw"}));
    EXPECT_FALSE(s.menu.showing);
}

// A menu that closed over the button eats the next press; the release after
// it brings the menu back.
TEST(DropDownMenu, ClosingOverTheButtonSuppressesTheNextPress) {
    ButtonState s;
    s.menu.attached = true;
    EXPECT_EQ(StepNames(s, Props(), Mouse(kMouseDown, 1)), (Strings{"Redraw", "ShowMenu 0 25 0"}));
    EXPECT_EQ(StepNames(s, Props(), Plain(kMouseLeft)), Strings{});  // the open menu took the mouse
    EXPECT_TRUE(s.menu.closedOverButton);
    EXPECT_FALSE(s.menu.showing);
    EXPECT_EQ(StepNames(s, Props(), Plain(kMenuClosed, true)), Strings{});
    EXPECT_TRUE(s.menu.closedOverButton);

    EXPECT_EQ(StepNames(s, Props(), Mouse(kMouseDown, 2)), Strings{});  // any button counts as left, already down
    EXPECT_EQ(StepNames(s, Props(), Mouse(kMouseUp, 2)), (Strings{"Redraw"}));
    EXPECT_FALSE(s.menu.closedOverButton);
    EXPECT_EQ(StepNames(s, Props(), Mouse(kMouseDown, 1)), (Strings{"Redraw", "ShowMenu 0 25 0"}));

    // Closed elsewhere: everything is let go.
    s.input.spaceHeld = true;
    EXPECT_EQ(StepNames(s, Props(), Plain(kMenuClosed, false)), (Strings{"Redraw"}));
    EXPECT_FALSE(s.input.mouseHeld || s.input.cursorInside || s.input.spaceHeld || s.menu.showing ||
                 s.menu.closedOverButton);
    EXPECT_EQ(s.input.drawState, kDrawNormal);
}

TEST(KestbuttonInput, OnlyAMenuIsAttachedAndDetachingForgetsItsFlags) {
    auto b = test::ButtonUnderTest::New();
    b->button->SetPopupMenu(0, 1, 8);  // not a menu: nothing changes
    EXPECT_EQ(b->button->Menu(), MenuState{});
    b->button->SetPopupMenu(0x77, 3, 8, 11);
    EXPECT_TRUE(b->button->Menu().attached);
    EXPECT_EQ(b->button->Menu().align, 3);
    EXPECT_EQ(b->button->Menu().defaultItem, 11u);
    b->button->Menu().closedOverButton = true;
    b->button->UnsetPopupMenu();
    EXPECT_FALSE(b->button->Menu().attached || b->button->Menu().closedOverButton);
    EXPECT_EQ(b->button->Menu().menu, 0u);
    EXPECT_FALSE(b->button->Menu().defaultItem);
}

// A form's handler may end the button inside an event, inside the pending
// events or while its menu is open: nothing of the button runs after that.
TEST(KestbuttonInput, AButtonEndedDuringItsOwnEventDoesNothingMore) {
    {
        auto b = test::ButtonUnderTest::New();
        b->site.whilePending = [&] { b->button->Terminate(); };
        b->button->AccessKeyPress('b');
        EXPECT_EQ(b->log, (test::Log{"ProcessPendingEvents", "DestroyToolTip", "StopRouting"}));  // no Click
    }
    {
        auto b = test::ButtonUnderTest::New();
        b->button->SetPopupMenu(0x77, 0, 0);
        b->site.whileMenuShows = [&] {  // the host ends it, then it is gone altogether
            b->button->Terminate();
            b->button.reset();
        };
        b->button->MouseDown(1, 0, 10, 5);
        EXPECT_EQ(b->log,
                  (test::Log{"Redraw", "ShowPopupMenu 119 0 25 0 -", "CloseMenu", "DestroyToolTip", "StopRouting"}));
    }
    {
        auto b = test::ButtonUnderTest::New();
        b->button->Set(PropertyId::kMode, kModeCheck);
        b->log.clear();
        b->site.userMode = false;
        Kestbutton* raw = b->button.get();
        b->button->MouseDown(1, 0, 10, 5);
        b->site.whileEvent = [&](const host::ControlEvent& e) {
            if (e.name == "Click") b->button.reset();
        };
        raw->MouseUp(1, 0, 10, 5);  // Click ends it: no MouseUp after
        EXPECT_EQ(b->site.events.back().name, "Click");
    }
}

TEST(KestbuttonInput, RoutedMessagesReachTheInputLogicByNumberAlone) {
    struct Row {
        std::uint32_t message;
        std::uintptr_t wParam;
        test::Log effects;
        bool parentActive;
    };
    const Row rows[] = {
        {6, 1, {"Redraw"}, true},
        {6, 2, {"Redraw"}, true},
        {6, 0, {"Redraw"}, false},
        {6, 0x10000, {"Redraw"}, false},  // deactivated while minimised
        {134, 1, {"Redraw"}, true},
        {134, 0, {"Redraw"}, false},
        {21, 0, {"Redraw"}, false},
        {794, 0, {"Redraw"}, false},
        {675, 0, {"event MouseLeave"}, false},
        {15, 0, {}, false},
    };
    for (const Row& row : rows) {
        auto b = test::ButtonUnderTest::New();
        bool handled = false;
        std::intptr_t result = 77, lParam = 0;
        host::NativeHandle window = 0x42;
        std::uint32_t message = row.message;
        std::uintptr_t wParam = row.wParam;
        b->button->Subclass_WndProc(false, handled, result, window, message, wParam, lParam);
        EXPECT_EQ(b->log, row.effects) << row.message << " " << row.wParam;
        EXPECT_EQ(b->button->Input().parentActive, row.parentActive) << row.message << " " << row.wParam;
        EXPECT_FALSE(handled);
        EXPECT_EQ(result, 77);
    }
}

// The wide form is read back from real tooltip windows under Wine; the ANSI
// form and the colour rule are checked here.
TEST(ToolTipSetup, TheAnsiFormAndTheBackgroundColourRule) {
    test::FakeSystemColors system;
    PortableColorTranslator colors(system);
    ButtonProperties p = Props();
    p.toolTipIcon = 1;
    ToolTipSetup wide = ToolTipSetupOf(p, true, colors);
    EXPECT_FALSE(wide.title);  // the wide title only with text
    EXPECT_FALSE(wide.backColor);
    ToolTipSetup ansi = ToolTipSetupOf(p, false, colors);
    EXPECT_FALSE(ansi.wide);
    EXPECT_EQ(ansi.toolFlags, 16u);  // no window-handle flag in the ANSI form
    EXPECT_EQ(ansi.title, (ToolTipTitle{1, ""}));
    p.tooltipBackColor = 1;  // almost black is applied; only 0 means the system's colour
    EXPECT_EQ(ToolTipSetupOf(p, true, colors).backColor, 1);
    p.tooltipBackColor = SystemColor(kColorTooltipBack);
    EXPECT_EQ(ToolTipSetupOf(p, true, colors).backColor, test::FakeSystemColors::kTooltip);
}

}  // namespace
}  // namespace quill::button
