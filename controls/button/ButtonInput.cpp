#include "controls/button/ButtonInput.h"

#include <utility>

namespace quill::button {
namespace {

// The looks that show a set check button by their own means.
constexpr std::int32_t kStyleClassic = 0;
constexpr std::int32_t kStyleFlatSilver = 6;

constexpr std::int32_t kMenuRightAlign = 8;
constexpr std::int32_t kMenuBottomAlign = 32;

// One handler's run: the state it changes, the Value it works on (the
// control's is changed by the kSetValue effects) and the effects it collects.
class Run {
  public:
    Run(ButtonState& state, const ButtonProperties& properties, const InputEvent& event)
        : input_(state.input), menu_(state.menu), p_(properties), e_(event), value_(properties.value) {}

    Effects Take() { return std::move(effects_); }

    void Dispatch() {
        switch (e_.kind) {
            case InputKind::kMouseDown:
                MouseDown(e_.mouse);
                break;
            case InputKind::kMouseMove:
                MouseMove();
                break;
            case InputKind::kMouseUp:
                MouseUp();
                break;
            case InputKind::kDblClick:
                DblClick();
                break;
            case InputKind::kDblClickTail:
                DblClickTail();
                break;
            case InputKind::kKeyDown:
                KeyDown();
                break;
            case InputKind::kKeyUp:
                KeyUp();
                break;
            case InputKind::kKeyPress:
                Raise(ButtonEvent::kKeyPress, {e_.key});
                break;
            case InputKind::kAccessKey:
                AccessKey();
                break;
            case InputKind::kGotFocus:
                input_.focus = true;  // the focus rectangle shows at the next redraw
                break;
            case InputKind::kLostFocus:
                LostFocus();
                break;
            case InputKind::kParentActivated:
                input_.parentActive = true;
                input_.drawState = kDrawNormal;
                Redraw();
                if (e_.facts.displayAsDefault) Redraw();
                break;
            case InputKind::kParentDeactivated:
                input_.mouseHeld = input_.spaceHeld = input_.focus = input_.parentActive = false;
                input_.drawState = kDrawNormal;
                Redraw();
                break;
            case InputKind::kMouseLeft:
                MouseLeft();
                break;
            case InputKind::kMenuClosed:
                MenuClosed();
                break;
        }
    }

  private:
    void Add(EffectKind kind) { effects_.emplace_back(kind); }
    void Raise(ButtonEvent event, std::vector<host::EventArgument> arguments = {}) {
        effects_.emplace_back(event, std::move(arguments));
    }
    void RaiseMouse(ButtonEvent event, const MousePress& m) { Raise(event, {m.button, m.shift, m.x, m.y}); }
    void Redraw() {
        Add(EffectKind::kRedraw);
        input_.drawState = ForcedDrawState(input_.drawState, Current());
    }
    // Sets the draw state; redraws only when it changed.
    void ChangeDrawState(std::int32_t to) {
        if (input_.drawState == to) return;
        input_.drawState = to;
        Redraw();
    }
    void SetValue(bool value) {
        value_ = value;
        Effect effect(EffectKind::kSetValue);
        effect.value = value;
        effects_.push_back(effect);
    }
    void HandCursor() {
        if (p_.handPointer) Add(EffectKind::kShowHandCursor);
    }
    // The properties as they stand after this run's Value changes.
    ButtonProperties Current() const {
        ButtonProperties p = p_;
        p.value = value_;
        return p;
    }
    bool Inside(const MousePress& m) const {
        return m.x > 0 && m.x < static_cast<float>(e_.facts.scaleWidth) && m.y > 0 &&
               m.y < static_cast<float>(e_.facts.scaleHeight);
    }

    void MouseDown(const MousePress& m) {
        input_.lastPress = m;
        HandCursor();
        // After a menu closed over the button, any press counts as a left one.
        if (m.button != kLeftButton && !menu_.closedOverButton) return;
        input_.focus = input_.mouseHeld = true;
        if (!input_.spaceHeld && input_.drawState != kDrawDown) {
            input_.drawState = kDrawDown;
            Redraw();
        }
        if (!menu_.attached) {
            RaiseMouse(ButtonEvent::kMouseDown, m);
        } else if (!menu_.closedOverButton) {
            ShowDropDownMenu();
        }
    }

    void MouseMove() {
        HandCursor();
        if (e_.facts.cursorOverButton) {
            input_.cursorInside = true;
            if (input_.mouseLeaveSupport) Add(EffectKind::kTrackMouseLeave);
            Raise(ButtonEvent::kMouseEnter);
        } else {
            input_.cursorInside = false;
        }
        if (input_.spaceHeld) return;
        if (input_.cursorInside && !input_.mouseHeld) {
            if (input_.drawState != kDrawHot) {
                input_.drawState = kDrawHot;
                Redraw();
                if (input_.drawState != kDrawDown) CreateToolTip();
            }
        } else if (input_.cursorInside) {
            ChangeDrawState(kDrawDown);
        } else {
            ChangeDrawState(kDrawNormal);
        }
    }

    void MouseUp() {
        const MousePress& m = e_.mouse;
        HandCursor();
        if (menu_.attached) {
            input_.mouseHeld = false;
            menu_.closedOverButton = false;
            input_.drawState = kDrawNormal;
            Redraw();
            return;
        }
        if (m.button == kLeftButton) {
            input_.mouseHeld = false;
            if (Inside(m)) {
                if (p_.mode == kModeCheck) {
                    SetValue(!value_);
                    Redraw();
                } else if (p_.mode == kModeOption) {
                    Add(EffectKind::kClearOptionGroup);
                    SetValue(true);
                }
                input_.drawState = kDrawNormal;
                Redraw();
                Raise(ButtonEvent::kClick);
            }
        }
        RaiseMouse(ButtonEvent::kMouseUp, m);
    }

    void DblClick() {
        HandCursor();
        if (input_.lastPress.button != kLeftButton) return;
        Add(EffectKind::kCaptureMouse);
        input_.drawState = kDrawDown;
        Redraw();
        // The press runs as its own step: it may open the menu, and what
        // follows depends on how the menu closed.
        Add(EffectKind::kRunPress);
        Add(EffectKind::kFinishDblClick);
    }

    void DblClickTail() {
        if (!menu_.attached) {
            Raise(ButtonEvent::kDblClick);
        } else if (!menu_.closedOverButton) {
            ShowDropDownMenu();
        }
    }

    void KeyDown() {
        switch (e_.key) {
            case kKeyEnter:
                Raise(ButtonEvent::kClick);
                break;
            case kKeySpace:
                if (e_.shift == kShiftAlt) return;  // the window menu's key: not the button's
                if (!input_.mouseHeld) {
                    input_.spaceHeld = true;
                    if (p_.mode == kModeCheck) {
                        SetValue(!value_);
                    } else if (p_.mode == kModeOption) {
                        Add(EffectKind::kClearOptionGroup);
                        SetValue(true);
                    }
                    ChangeDrawState(kDrawDown);
                } else {
                    ChangeDrawState(input_.cursorInside ? kDrawDown : kDrawNormal);
                }
                Add(EffectKind::kTakeCapture);
                break;
            case kKeyArrowLeft:
            case kKeyArrowUp:
                Add(EffectKind::kFocusPrevious);
                break;
            case kKeyArrowRight:
            case kKeyArrowDown:
                Add(EffectKind::kFocusNext);
                break;
            default:
                if (input_.spaceHeld) {
                    input_.spaceHeld = false;
                    input_.drawState = kDrawNormal;
                    Redraw();
                }
        }
        Raise(ButtonEvent::kKeyDown, {e_.key, e_.shift});
    }

    void KeyUp() {
        if (e_.key != kKeySpace) return;
        Add(EffectKind::kReleaseCapture);
        if (input_.cursorInside && input_.mouseHeld) {
            ChangeDrawState(kDrawDown);
        } else {
            ChangeDrawState(input_.cursorInside ? kDrawHot : kDrawNormal);
            if (!input_.mouseHeld && input_.spaceHeld) Raise(ButtonEvent::kClick);
        }
        Raise(ButtonEvent::kKeyUp, {e_.key, e_.shift});
        input_.spaceHeld = input_.mouseHeld = false;
    }

    void AccessKey() {
        if (!p_.enabled) return;
        if (input_.spaceHeld) input_.spaceHeld = input_.mouseHeld = false;
        const bool enterOrEscape = e_.key == kKeyEscape || e_.key == kKeyEnter;
        if (p_.mode == kModeCheck) {
            if (enterOrEscape) return;
            SetValue(!value_);
            if (!value_) input_.drawState = kDrawNormal;
            Redraw();
        } else if (p_.mode == kModeOption) {
            if (enterOrEscape) return;
            Add(EffectKind::kClearOptionGroup);
            SetValue(true);
            Redraw();
        }
        Add(EffectKind::kProcessPendingEvents);
        Raise(ButtonEvent::kClick);
    }

    void LostFocus() {
        input_.focus = input_.mouseHeld = input_.spaceHeld = false;
        input_.drawState = input_.parentActive && input_.cursorInside ? kDrawHot : kDrawNormal;
        Redraw();
        if (e_.facts.displayAsDefault) Redraw();
    }

    void MouseLeft() {
        input_.cursorInside = false;
        if (menu_.attached) {
            if (menu_.showing) {
                // The open menu took the mouse: the button was left for the menu.
                menu_.showing = false;
                menu_.closedOverButton = true;
                return;
            }
            menu_.closedOverButton = false;
        }
        if (input_.spaceHeld) return;
        ChangeDrawState(kDrawNormal);
        Raise(ButtonEvent::kMouseLeave);
    }

    void CreateToolTip() {
        if (p_.enabled && !menu_.closedOverButton && input_.drawState != kDrawDown) Add(EffectKind::kCreateToolTip);
    }

    void ShowDropDownMenu() {
        menu_.showing = true;
        std::optional<MenuPlacement> at =
            PlaceMenu(menu_.align, menu_.flags, e_.facts.scaleWidth, e_.facts.scaleHeight);
        if (!at) {
            menu_.showing = false;
            return;
        }
        menu_.flags = at->flags;  // kept for later showings
        Effect effect(EffectKind::kShowMenu);
        effect.x = at->x;
        effect.y = at->y;
        effect.flags = at->flags;
        effects_.push_back(effect);
    }

    void MenuClosed() {
        if (e_.facts.cursorOverButton) {
            menu_.closedOverButton = true;
            return;
        }
        input_.mouseHeld = input_.cursorInside = input_.spaceHeld = false;
        input_.drawState = kDrawNormal;
        menu_.closedOverButton = menu_.showing = false;
        Redraw();
    }

    InputState& input_;
    MenuState& menu_;
    const ButtonProperties& p_;
    const InputEvent& e_;
    bool value_;
    Effects effects_;
};

}  // namespace

std::int32_t ForcedDrawState(std::int32_t drawState, const ButtonProperties& properties) noexcept {
    if (properties.mode != kModePush && properties.value && properties.buttonStyle != kStyleClassic &&
        properties.buttonStyle != kStyleFlatSilver) {
        return kDrawDown;
    }
    return drawState;
}

Effects Step(ButtonState& state, const ButtonProperties& properties, const InputEvent& event) {
    Run run(state, properties, event);
    run.Dispatch();
    return run.Take();
}

std::optional<MenuPlacement> PlaceMenu(std::int32_t align, std::int32_t flags, std::int32_t width,
                                       std::int32_t height) noexcept {
    const auto w = static_cast<float>(width);
    const auto h = static_cast<float>(height);
    switch (align) {
        case 0:
            return MenuPlacement{0, h, flags};
        case 1:
            return MenuPlacement{0, 0, kMenuBottomAlign};
        case 2:
            return MenuPlacement{0, 0, flags + kMenuRightAlign};
        case 3:
            return MenuPlacement{w, 0, flags};
        case 4:
            return MenuPlacement{0, 0, kMenuBottomAlign | kMenuRightAlign};
        case 5:
            return MenuPlacement{0, h, flags + kMenuRightAlign};
        case 6:
            return MenuPlacement{w, 0, kMenuBottomAlign};
        case 7:
            return MenuPlacement{w, h, flags};
        default:
            return std::nullopt;
    }
}

}  // namespace quill::button
