#include "controls/button/Kestbutton.h"

#include "controls/button/AccessKey.h"
#include "controls/button/ColorSchemes.h"
#include "controls/button/FacePainter.h"

#include <utility>

namespace quill::button {
namespace {

constexpr std::string_view kNewFontFace = "Tahoma";
constexpr std::int32_t kStyleFlatHover = 4;  // BackColor leaves its ColorScheme alone

template <typename Step>
void IgnoreErrors(Step&& step) noexcept {
    try {
        step();
    } catch (...) {}
}

}  // namespace

Kestbutton::Kestbutton(host::ControlSite& site, std::unique_ptr<ButtonPlatform> platform)
    : site_(site),
      platform_(std::move(platform)),
      brighten_(BrightenTable()),
      darken_(DarkenTable()),
      unicode_(platform_->IsUnicodePlatform()) {
    platform_->Attach(*this);
}

host::PropertyValue Kestbutton::Get(PropertyId id) const {
    switch (id) {
        case PropertyId::kHWnd:
            return static_cast<std::int32_t>(site_.Window());
        case PropertyId::kMouseIcon:
            return site_.MouseIcon();
        case PropertyId::kMousePointer:
            return std::int32_t{site_.MousePointer()};
        default:
            return ReadField(properties_, PropertyInfoOf(id));
    }
}

void Kestbutton::Set(PropertyId id, host::PropertyValue value) {
    const PropertyInfo& info = PropertyInfoOf(id);
    CheckValue(info, value);
    using enum PropertyId;
    switch (id) {
        case kBackColor:
            WriteField(properties_, info, std::move(value));
            if (properties_.buttonStyle != kStyleFlatHover) properties_.colorScheme = kSchemeCustom;
            Redraw();
            break;
        case kButtonStyle:
            WriteField(properties_, info, std::move(value));
            ApplyDefaultColorScheme();
            ApplyColorScheme();
            UpdateRegion();
            Redraw();
            break;
        case kCaption:
            WriteField(properties_, info, std::move(value));
            UpdateAccessKey();
            Redraw();
            break;
        case kColorScheme:
            WriteField(properties_, info, std::move(value));
            ApplyColorScheme();
            Redraw();
            break;
        case kEnabled:
            WriteField(properties_, info, std::move(value));
            site_.SetEnabled(properties_.enabled);
            Redraw();
            break;
        case kFont:
            WriteField(properties_, info, std::move(value));
            site_.Refresh();
            Redraw();
            FontChanged();  // reports "Font"
            return;
        case kForeColor:
            WriteField(properties_, info, std::move(value));
            site_.SetForeColor(properties_.foreColor);
            Redraw();
            break;
        case kHandPointer:
            WriteField(properties_, info, std::move(value));
            if (properties_.handPointer) {
                site_.SetMousePointer(host::kPointerDefault);
                LoadHandCursorOrGiveUp();
            }
            Redraw();
            break;
        case kMode:
            WriteField(properties_, info, std::move(value));
            if (properties_.mode == kModePush) state_.input.drawState = kDrawNormal;
            Redraw();
            Report(PropertyInfoOf(kValue).reportName);
            break;
        case kMouseIcon:
            AssignMouseIcon(std::get<host::PicturePtr>(value));
            return;
        case kMousePointer:
            site_.SetMousePointer(static_cast<std::int16_t>(std::get<std::int32_t>(value)));
            break;
        case kPictureNormal:
        case kPictureHot:
        case kPictureDown:
            AssignPicture(id, std::get<host::PicturePtr>(value));
            return;
        case kPictureAlign:
        case kUseMaskColor:
            WriteField(properties_, info, std::move(value));
            if (properties_.pictureNormal) Redraw();
            break;
        case kRightToLeft:
            WriteField(properties_, info, std::move(value));
            properties_.tooltipRightToLeft = properties_.rightToLeft;
            Redraw();
            break;
        case kShowFocusRect:
            WriteField(properties_, info, std::move(value));
            break;
        case kValue:
            if (properties_.mode == kModePush) {
                // A push button has no set state: it only shows normal again.
                state_.input.drawState = kDrawNormal;
                Redraw();
                return;
            }
            WriteField(properties_, info, std::move(value));
            if (!properties_.value) state_.input.drawState = kDrawNormal;
            Redraw();
            break;
        default:  // the properties whose only effect shows on the face
            WriteField(properties_, info, std::move(value));
            Redraw();
            break;
    }
    Report(info.reportName);
}

void Kestbutton::AssignPicture(PropertyId id, const host::PicturePtr& picture) {
    const PropertyInfo& normal = PropertyInfoOf(PropertyId::kPictureNormal);
    if (id == PropertyId::kPictureNormal) {
        properties_.pictureNormal = picture;
        if (picture) {
            Redraw();
            Report(normal.reportName);
            return;
        }
        // Hot and down pictures stand in for a normal one, so they go with it.
        ResizeHandling();
        properties_.pictureHot = nullptr;
        properties_.pictureDown = nullptr;
        Report(PropertyInfoOf(PropertyId::kPictureHot).reportName);
        Report(PropertyInfoOf(PropertyId::kPictureDown).reportName);
        return;
    }
    if (!properties_.pictureNormal) {
        // The first picture a button gets is its normal one.
        properties_.pictureNormal = picture;
        Report(normal.reportName);
        return;
    }
    const PropertyInfo& info = PropertyInfoOf(id);
    WriteField(properties_, info, picture);
    Report(info.reportName);
    Redraw();
}

void Kestbutton::AssignMouseIcon(const host::PicturePtr& icon) {
    IgnoreErrors([&] { site_.SetMouseIcon(icon); });
    if (icon) {
        properties_.handPointer = false;
        IgnoreErrors([&] { Report(PropertyInfoOf(PropertyId::kHandPointer).reportName); });
        IgnoreErrors([&] { site_.SetMousePointer(host::kPointerCustom); });
    } else {
        IgnoreErrors([&] { site_.SetMousePointer(host::kPointerDefault); });
    }
    IgnoreErrors([&] { Report(PropertyInfoOf(PropertyId::kMouseIcon).reportName); });
}

void Kestbutton::LoadHandCursorOrGiveUp() {
    if (!handCursorLoaded_) handCursorLoaded_ = platform_->LoadHandCursor();
    if (!handCursorLoaded_) properties_.handPointer = false;
}

void Kestbutton::FontChanged() {
    site_.SetSurfaceFont(properties_.font);
    site_.Refresh();
    Redraw();
    Report(PropertyInfoOf(PropertyId::kFont).reportName);
}

void Kestbutton::OpenWebsite(const std::string& address) { platform_->OpenDocument(site_.Window(), address); }

void Kestbutton::About() {
    platform_->ShowInformation(site_.Window(), std::string(kAboutTitle), std::string(kAboutText));
}

void Kestbutton::SetPopupMenu(host::NativeHandle menu, std::int32_t align, std::int32_t flags,
                              std::optional<std::uint32_t> defaultItem) {
    if (menu == 0) return;
    state_.menu.menu = menu;
    state_.menu.align = align;
    state_.menu.flags = flags;
    state_.menu.defaultItem = defaultItem;
    state_.menu.attached = true;
}

void Kestbutton::UnsetPopupMenu() {
    state_.menu.menu = 0;
    state_.menu.defaultItem.reset();
    state_.menu.attached = false;
    state_.menu.closedOverButton = false;
}

void Kestbutton::RaiseEvent(ButtonEvent event, std::vector<host::EventArgument> arguments) {
    const EventInfo& info = EventInfoOf(event);
    bool matches = arguments.size() == info.argumentCount;
    for (std::size_t i = 0; matches && i < arguments.size(); ++i) {
        matches = std::holds_alternative<float>(arguments[i]) == info.arguments[i].single;
    }
    if (!matches) throw std::invalid_argument(std::string(info.name) + ": arguments do not match the event");
    site_.RaiseEvent(host::ControlEvent{info.name, info.dispatchId, std::move(arguments)});
}

void Kestbutton::InitProperties() {
    properties_ = ButtonProperties{};
    for (const PropertyInfo& info : AllProperties()) {
        if (!std::holds_alternative<std::monostate>(info.field)) {
            WriteField(properties_, info, Resolve(info.newInstance));
        }
    }
    properties_.showFocusRect = true;  // until the colour scheme decides
    host::Font font = site_.SurfaceFont();
    font.name = kNewFontFace;
    site_.SetSurfaceFont(font);
    properties_.font = site_.SurfaceFont();
    FontChanged();
    RememberClientSize();
    ApplyDefaultColorScheme();
    ApplyColorScheme();
    site_.Refresh();
}

void Kestbutton::ReadProperties(const host::PropertyBag& bag) {
    using enum PropertyId;
    for (PropertyId id : LoadOrder()) {
        const PropertyInfo& info = PropertyInfoOf(id);
        host::PropertyValue value = bag.Read(info.key, Resolve(info.load));
        CheckValue(info, value);
        switch (id) {
            case kMousePointer:
                site_.SetMousePointer(static_cast<std::int16_t>(std::get<std::int32_t>(value)));
                break;
            case kMouseIcon:
                site_.SetMouseIcon(std::get<host::PicturePtr>(value));
                break;
            case kFont:
                WriteField(properties_, info, std::move(value));
                site_.SetSurfaceFont(properties_.font);
                break;
            case kForeColorHover:
                WriteField(properties_, info, std::move(value));
                site_.SetForeColor(properties_.foreColor);
                break;
            case kRightToLeft: {
                // The one stored value is read for the caption and again for
                // the tooltip window's layout.
                WriteField(properties_, info, std::move(value));
                host::PropertyValue again = bag.Read(info.key, Resolve(info.load));
                CheckValue(info, again);
                properties_.tooltipRightToLeft = std::get<bool>(again);
                break;
            }
            default:
                WriteField(properties_, info, std::move(value));
        }
    }
    // No colour scheme is applied: the stored colours stand.
    site_.SetEnabled(properties_.enabled);
    UpdateAccessKey();
    RememberClientSize();
    parentWindow_ = site_.ParentWindow();
    if (properties_.handPointer) LoadHandCursorOrGiveUp();
    ResizeHandling();
    if (site_.AmbientUserMode()) IgnoreErrors([&] { platform_->StartRouting(*this); });
}

void Kestbutton::WriteProperties(host::PropertyBag& bag) {
    for (PropertyId id : SaveOrder()) {
        const PropertyInfo& info = PropertyInfoOf(id);
        bag.Write(info.key, Get(id), Resolve(info.save));
    }
}

void Kestbutton::Resize() { ResizeHandling(); }

void Kestbutton::Paint() { Redraw(); }

// The host's own tooltip would compete with the button's while it shows.
void Kestbutton::Show() { site_.SetExtenderToolTipText(std::string()); }

void Kestbutton::Hide() { site_.SetExtenderToolTipText(properties_.toolTip); }

void Kestbutton::AmbientChanged(std::string_view name) {
    displayAsDefault_ = site_.AmbientDisplayAsDefault();
    if (name == "DisplayAsDefault" || name == "BackColor") Redraw();
}

void Kestbutton::Terminate() {
    // From here on no effect of an event under way is applied.
    alive_.reset();
    // A menu still open would report to a control that is gone, and the
    // tooltip window belongs to the form's window, which outlives the button.
    if (inMenu_) IgnoreErrors([&] { platform_->CloseMenu(); });
    IgnoreErrors([&] { platform_->DestroyToolTip(); });
    // The window region belongs to the window once handed over, and the font
    // is a value: neither has anything to release here.
    IgnoreErrors([&] { UnsetPopupMenu(); });
    IgnoreErrors([&] {
        if (site_.AmbientUserMode()) platform_->StopRouting(*this);
    });
}

void Kestbutton::MouseDown(std::int16_t button, std::int16_t shift, float x, float y) {
    HandleInput(InputEvent(InputKind::kMouseDown, MousePress{button, shift, x, y}));
}

void Kestbutton::MouseMove(std::int16_t button, std::int16_t shift, float x, float y) {
    HandleInput(InputEvent(InputKind::kMouseMove, MousePress{button, shift, x, y}));
}

void Kestbutton::MouseUp(std::int16_t button, std::int16_t shift, float x, float y) {
    HandleInput(InputEvent(InputKind::kMouseUp, MousePress{button, shift, x, y}));
}

void Kestbutton::DblClick() { HandleInput(InputEvent(InputKind::kDblClick)); }

void Kestbutton::KeyDown(std::int16_t keyCode, std::int16_t shift) {
    HandleInput(InputEvent(InputKind::kKeyDown, keyCode, shift));
}

void Kestbutton::KeyUp(std::int16_t keyCode, std::int16_t shift) {
    HandleInput(InputEvent(InputKind::kKeyUp, keyCode, shift));
}

void Kestbutton::KeyPress(std::int16_t keyAscii) { HandleInput(InputEvent(InputKind::kKeyPress, keyAscii)); }

void Kestbutton::AccessKeyPress(std::int16_t keyAscii) { HandleInput(InputEvent(InputKind::kAccessKey, keyAscii)); }

void Kestbutton::GotFocus() { HandleInput(InputEvent(InputKind::kGotFocus)); }

void Kestbutton::LostFocus() { HandleInput(InputEvent(InputKind::kLostFocus)); }

void Kestbutton::Subclass_WndProc(bool /*before*/, bool& /*handled*/, std::intptr_t& /*result*/,
                                  host::NativeHandle& /*window*/, std::uint32_t& message, std::uintptr_t& wParam,
                                  std::intptr_t& /*lParam*/) {
    constexpr std::uint32_t kActivate = 6, kNcActivate = 134, kSysColorChange = 21, kMouseLeave = 675,
                            kThemeChanged = 794;
    switch (message) {
        case kActivate:
            // The low word is the activation; the high word only says whether
            // the window is minimised, which it is when deactivated to minimise.
            HandleInput(
                InputEvent((wParam & 0xFFFF) != 0 ? InputKind::kParentActivated : InputKind::kParentDeactivated));
            break;
        case kNcActivate:
            HandleInput(InputEvent(wParam != 0 ? InputKind::kParentActivated : InputKind::kParentDeactivated));
            break;
        case kSysColorChange:
        case kThemeChanged:
            if (alive_) Redraw();
            break;
        case kMouseLeave:
            HandleInput(InputEvent(InputKind::kMouseLeft));
            break;
        default:
            break;
    }
}

InputFacts Kestbutton::Facts(InputKind kind) {
    InputFacts facts;
    facts.scaleWidth = site_.ScaleWidth();
    facts.scaleHeight = site_.ScaleHeight();
    facts.displayAsDefault = displayAsDefault_;
    if (kind == InputKind::kMouseMove || kind == InputKind::kMenuClosed) {
        facts.cursorOverButton = platform_->CursorOverButton();
    }
    return facts;
}

void Kestbutton::HandleInput(InputEvent event) {
    std::weak_ptr<const bool> alive = alive_;
    if (alive.expired()) return;
    event.facts = Facts(event.kind);
    Effects effects = Step(state_, properties_, event);
    Apply(effects, alive);
}

void Kestbutton::Apply(const Effects& effects, const std::weak_ptr<const bool>& alive) {
    for (const Effect& effect : effects) {
        switch (effect.kind) {
            case EffectKind::kRedraw:
                Redraw();
                break;
            case EffectKind::kRaiseEvent:
                RaiseEvent(effect.event, effect.arguments);
                break;
            case EffectKind::kShowHandCursor:
                if (properties_.handPointer && handCursorLoaded_) platform_->ShowHandCursor();
                break;
            case EffectKind::kTrackMouseLeave:
                platform_->TrackMouseLeave();
                break;
            case EffectKind::kCreateToolTip:
                platform_->CreateToolTip(ToolTipSetupOf(properties_, unicode_, *platform_));
                break;
            case EffectKind::kCaptureMouse:
                platform_->CaptureMouse();
                break;
            case EffectKind::kTakeCapture:
                platform_->TakeCapture();
                break;
            case EffectKind::kReleaseCapture:
                platform_->ReleaseCapture();
                break;
            case EffectKind::kFocusPrevious:
            case EffectKind::kFocusNext:
                platform_->MoveFocus(effect.kind == EffectKind::kFocusPrevious);
                break;
            case EffectKind::kClearOptionGroup:
                ClearOptionGroup();
                break;
            case EffectKind::kSetValue:
                properties_.value = effect.value;
                break;
            case EffectKind::kProcessPendingEvents:
                site_.ProcessPendingEvents();
                break;
            case EffectKind::kShowMenu: {
                inMenu_ = true;
                site_.ShowPopupMenu(state_.menu.menu, effect.x, effect.y, effect.flags, state_.menu.defaultItem);
                if (alive.expired()) return;  // ended while the menu was open
                inMenu_ = false;
                HandleInput(InputEvent(InputKind::kMenuClosed));
                break;
            }
            case EffectKind::kRunPress: {
                const MousePress press = state_.input.lastPress;
                HandleInput(InputEvent(InputKind::kMouseDown, press));
                break;
            }
            case EffectKind::kFinishDblClick:
                HandleInput(InputEvent(InputKind::kDblClickTail));
                break;
        }
        if (alive.expired()) return;
    }
}

void Kestbutton::ClearOptionGroup() {
    const host::NativeHandle container = site_.ContainerWindow();
    const host::NativeHandle own = site_.Window();
    for (const host::FormControl& control : site_.ParentControls()) {
        auto* other = dynamic_cast<Kestbutton*>(control.control);
        if (other == nullptr || control.container != container || control.window == own) continue;
        if (other->properties_.mode != kModeOption) continue;
        other->Set(PropertyId::kValue, false);  // redraws it and reports the change
    }
}

void Kestbutton::Redraw() {
    state_.input.drawState = ForcedDrawState(state_.input.drawState, properties_);
    platform_->Redraw(*this);
}

void Kestbutton::PaintFace(Canvas& canvas) {
    constexpr std::int32_t kStyleThemed = 13;
    FaceState face;
    face.drawState = state_.input.drawState;
    face.focused = state_.input.focus;
    face.isDefault = displayAsDefault_;
    face.windowActive = state_.input.parentActive;
    face.userMode = site_.AmbientUserMode();
    face.mouseOver = state_.input.cursorInside;
    face.mouseHeld = state_.input.mouseHeld;
    face.visualStyles = properties_.buttonStyle == kStyleThemed && platform_->VisualStylesActive();
    face.unicode = unicode_;
    face.clearColor = TranslateColor(site_.SurfaceBackColor());

    class Host final : public FaceHost {
      public:
        explicit Host(Kestbutton& button) : button_(button) {}
        void UpdateRegion() override { button_.UpdateRegion(); }
        void SetSurfaceBackColor(Color color) override { button_.site_.SetSurfaceBackColor(color); }

      private:
        Kestbutton& button_;
    } host(*this);
    RenderFace(canvas, properties_, face, FaceTools{*platform_, brighten_, darken_}, host);
}

void Kestbutton::UpdateRegion() { platform_->UpdateRegion(*this); }

void Kestbutton::UpdateAccessKey() { site_.SetAccessKeys(AccessKeyOf(properties_.caption)); }

void Kestbutton::ApplyDefaultColorScheme() {
    properties_.colorScheme = DefaultColorScheme(properties_.buttonStyle, properties_.colorScheme);
}

void Kestbutton::ApplyColorScheme() { ApplyColorSchemeTo(properties_, *platform_); }

host::PropertyValue Kestbutton::Resolve(const DefaultValue& value) const {
    using Kind = DefaultValue::Kind;
    switch (value.kind) {
        case Kind::kFixed:
            return value.fixed;
        case Kind::kSystemColor:
            return TranslateColor(SystemColor(value.systemColor));
        case Kind::kDisplayName:
            return site_.AmbientDisplayName();
        case Kind::kAmbientFont:
            return site_.AmbientFont();
        case Kind::kSurfaceFontTahoma: {
            host::Font font = site_.SurfaceFont();
            font.name = kNewFontFace;
            return font;
        }
        case Kind::kNotStored:
            break;
    }
    throw std::logic_error("a property that is not stored has no default");
}

void Kestbutton::Report(std::string_view name) { site_.PropertyChanged(name); }

void Kestbutton::ResizeHandling() {
    if (site_.Height() < kMinimumTwips) site_.SetHeight(kMinimumTwips);
    if (site_.Width() < kMinimumTwips) site_.SetWidth(kMinimumTwips);
    UpdateRegion();
    Redraw();
}

void Kestbutton::RememberClientSize() {
    clientHeight_ = site_.ScaleHeight();
    clientWidth_ = site_.ScaleWidth();
}

}  // namespace quill::button
