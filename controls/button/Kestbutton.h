#pragma once
// kestbutton, the program's own push button, as a user control of the host:
// its properties with their stored defaults, what each assignment does, its
// methods and events, and its life from creation to end.
//
// Painting, the window region, message routing and the window services of
// the input logic reach the model through ButtonPlatform. The host's input
// events and the routed window messages go through the input state machine
// (ButtonInput.h), whose effects the control applies in order.
//
// Any effect may run the form's handlers (an event, the pending events, a
// modal menu), and a handler may end the control: the control stops applying
// effects the moment it has ended, and touches nothing of itself after.
//
// Every assignment reports the change under the property's key after its
// other effects. Errors raised by the host inside an assignment end it and
// reach the caller; what was stored before the failing step stays stored.

#include "controls/button/ButtonEvents.h"
#include "controls/button/ButtonInput.h"
#include "controls/button/ButtonPlatform.h"
#include "controls/button/ButtonProperties.h"
#include "controls/button/ButtonState.h"
#include "controls/button/Canvas.h"
#include "controls/button/ColorHelpers.h"
#include "controls/button/PropertyTable.h"
#include "controls/host/ControlSite.h"
#include "controls/host/UserControl.h"

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace quill::button {

class Kestbutton final : public host::UserControl {
  public:
    // The type name in stored design values.
    static constexpr std::string_view kTypeName = "kestbutton";
    static constexpr std::string_view kAboutTitle = "About";
    static constexpr std::string_view kAboutText = "KestButton v 1.02";
    // The least height and width the control takes.
    static constexpr std::int32_t kMinimumTwips = 220;

    // Creation: builds the brighten and darken tables and asks the platform
    // for the Unicode flag. The host calls InitProperties or ReadProperties
    // next.
    Kestbutton(host::ControlSite& site, std::unique_ptr<ButtonPlatform> platform);

    // Properties. Get answers the stored value, but Font the control's font,
    // MouseIcon and MousePointer the surface's, and hWnd the surface window
    // (a window handle's significant 32 bits). Set is the assignment with its
    // effects; a value of the wrong kind or range throws PropertyValueError.
    [[nodiscard]] const ButtonProperties& Properties() const noexcept { return properties_; }
    [[nodiscard]] host::PropertyValue Get(PropertyId id) const;
    void Set(PropertyId id, host::PropertyValue value);
    [[nodiscard]] host::NativeHandle HWnd() const { return site_.Window(); }

    // Methods.
    void OpenWebsite(const std::string& address);
    void About();
    // Attaches a drop-down menu; a menu handle of 0 changes nothing.
    void SetPopupMenu(host::NativeHandle menu, std::int32_t align, std::int32_t flags,
                      std::optional<std::uint32_t> defaultItem = std::nullopt);
    void UnsetPopupMenu();
    // Raises an event to the form; the arguments must match its declaration.
    void RaiseEvent(ButtonEvent event, std::vector<host::EventArgument> arguments = {});

    // The host's calls (UserControl).
    void InitProperties() override;
    void ReadProperties(const host::PropertyBag& bag) override;
    void WriteProperties(host::PropertyBag& bag) override;
    void Resize() override;
    void Paint() override;
    void Show() override;
    void Hide() override;
    void AmbientChanged(std::string_view name) override;
    void Terminate() override;
    // Redraw paints the whole face.
    [[nodiscard]] bool PaintsWholeSurface() const override { return true; }
    void MouseDown(std::int16_t button, std::int16_t shift, float x, float y) override;
    void MouseMove(std::int16_t button, std::int16_t shift, float x, float y) override;
    void MouseUp(std::int16_t button, std::int16_t shift, float x, float y) override;
    void DblClick() override;
    void KeyDown(std::int16_t keyCode, std::int16_t shift) override;
    void KeyUp(std::int16_t keyCode, std::int16_t shift) override;
    void KeyPress(std::int16_t keyAscii) override;
    void AccessKeyPress(std::int16_t keyAscii) override;
    void GotFocus() override;
    void LostFocus() override;

    // A window message routed to the control (its own window's or its
    // parent form's): parent activation, mouse leave, theme and system
    // colour changes. The control never handles a message in place of the
    // window, so handled and result are left as they come.
    void Subclass_WndProc(bool before, bool& handled, std::intptr_t& result, host::NativeHandle& window,
                          std::uint32_t& message, std::uintptr_t& wParam, std::intptr_t& lParam);
    // Answers false once the control has ended (or is gone): for callers
    // that may outlive it, such as routing in front of a window.
    [[nodiscard]] std::weak_ptr<const bool> LifeToken() const { return alive_; }

    // For the input logic, routing and painting.
    void Redraw();
    // Paints the face as Redraw shows it: the look of ButtonStyle in the
    // current state, on canvas (the size of the surface).
    void PaintFace(Canvas& canvas);
    void UpdateRegion();
    // The surface's access keys from Caption (see AccessKeyOf).
    void UpdateAccessKey();
    // Sets ColorScheme from ButtonStyle, then the colours from both.
    void ApplyDefaultColorScheme();
    void ApplyColorScheme();
    [[nodiscard]] Color TranslateColor(Color value) const { return platform_->TranslateColor(value); }
    // Value changed by the input logic: no report, no redraw.
    void SetValueQuietly(bool value) noexcept { properties_.value = value; }
    [[nodiscard]] InputState& Input() noexcept { return state_.input; }
    [[nodiscard]] const InputState& Input() const noexcept { return state_.input; }
    [[nodiscard]] MenuState& Menu() noexcept { return state_.menu; }
    [[nodiscard]] const MenuState& Menu() const noexcept { return state_.menu; }
    // Runs one input event through the state machine and applies its effects.
    void HandleInput(InputEvent event);
    [[nodiscard]] bool DisplayAsDefault() const noexcept { return displayAsDefault_; }
    [[nodiscard]] bool IsUnicode() const noexcept { return unicode_; }
    [[nodiscard]] bool HandCursorLoaded() const noexcept { return handCursorLoaded_; }
    [[nodiscard]] const ChannelTable& Brighten() const noexcept { return brighten_; }
    [[nodiscard]] const ChannelTable& Darken() const noexcept { return darken_; }
    // Remembered when the control was placed or loaded.
    [[nodiscard]] std::int32_t RememberedClientWidth() const noexcept { return clientWidth_; }
    [[nodiscard]] std::int32_t RememberedClientHeight() const noexcept { return clientHeight_; }
    [[nodiscard]] host::NativeHandle ParentWindow() const noexcept { return parentWindow_; }
    [[nodiscard]] host::ControlSite& Site() noexcept { return site_; }
    [[nodiscard]] ButtonPlatform& Platform() noexcept { return *platform_; }

  private:
    [[nodiscard]] host::PropertyValue Resolve(const DefaultValue& value) const;
    void Report(std::string_view name);
    void FontChanged();
    void ResizeHandling();
    void AssignMouseIcon(const host::PicturePtr& icon);
    void AssignPicture(PropertyId id, const host::PicturePtr& picture);
    void RememberClientSize();
    void LoadHandCursorOrGiveUp();
    void Apply(const Effects& effects, const std::weak_ptr<const bool>& alive);
    void ClearOptionGroup();
    [[nodiscard]] InputFacts Facts(InputKind kind);

    host::ControlSite& site_;
    std::unique_ptr<ButtonPlatform> platform_;
    ButtonProperties properties_;
    ButtonState state_;
    ChannelTable brighten_;
    ChannelTable darken_;
    bool unicode_ = false;
    bool displayAsDefault_ = false;
    bool handCursorLoaded_ = false;
    std::int32_t clientWidth_ = 0;
    std::int32_t clientHeight_ = 0;
    host::NativeHandle parentWindow_ = 0;
    bool inMenu_ = false;  // inside the host's modal pop-up menu
    // Expires when the control ends, so effects stop being applied.
    std::shared_ptr<const bool> alive_ = std::make_shared<const bool>(true);
};

}  // namespace quill::button
