#pragma once
// What the host offers one user control: its surface (a child window of its
// own), the ambient values of the form around it, the extender's values, the
// parent form, change reporting, event delivery and pop-up menus. The control
// sees only this interface, so its logic runs against a fake host in native
// tests and against the Win32 host in the program.
//
// Units: ScaleWidth/ScaleHeight and event coordinates are pixels of the
// surface's client area; Width/Height are twips (1440 per inch at the
// surface's DPI, so 15 per pixel at 96 DPI).

#include "controls/host/HostTypes.h"

#include <cstdint>
#include <exception>
#include <optional>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

namespace quill::host {

class UserControl;

// The mouse-pointer codes a surface understands.
inline constexpr std::int16_t kPointerDefault = 0;
inline constexpr std::int16_t kPointerCustom = 99;  // the surface's mouse icon

class ControlSurface {
  public:
    virtual ~ControlSurface() = default;

    [[nodiscard]] virtual NativeHandle Window() const = 0;
    // The surface window's own device context, valid while the window lives.
    [[nodiscard]] virtual NativeHandle DeviceContext() const = 0;
    [[nodiscard]] virtual std::int32_t ScaleWidth() const = 0;
    [[nodiscard]] virtual std::int32_t ScaleHeight() const = 0;
    [[nodiscard]] virtual std::int32_t Width() const = 0;
    [[nodiscard]] virtual std::int32_t Height() const = 0;
    // Resizing runs the control's Resize before it returns.
    virtual void SetWidth(std::int32_t twips) = 0;
    virtual void SetHeight(std::int32_t twips) = 0;
    // A disabled surface receives no mouse or keyboard input.
    [[nodiscard]] virtual bool Enabled() const = 0;
    virtual void SetEnabled(bool enabled) = 0;
    [[nodiscard]] virtual const Font& SurfaceFont() const = 0;
    virtual void SetSurfaceFont(const Font& font) = 0;
    [[nodiscard]] virtual std::int32_t ForeColor() const = 0;
    virtual void SetForeColor(std::int32_t color) = 0;
    [[nodiscard]] virtual std::int16_t MousePointer() const = 0;
    virtual void SetMousePointer(std::int16_t pointer) = 0;
    [[nodiscard]] virtual PicturePtr MouseIcon() const = 0;
    virtual void SetMouseIcon(PicturePtr icon) = 0;
    // The characters (UTF-8, lower case) whose Alt+key reaches the control's
    // AccessKeyPress; empty for none.
    [[nodiscard]] virtual std::string AccessKeys() const = 0;
    virtual void SetAccessKeys(std::string keys) = 0;
    // The window the control sits in: the form or a frame inside it.
    [[nodiscard]] virtual NativeHandle ContainerWindow() const = 0;
    // The colour Clear fills with: the container's background until set.
    [[nodiscard]] virtual std::int32_t SurfaceBackColor() const = 0;
    virtual void SetSurfaceBackColor(std::int32_t color) = 0;
    virtual void Clear() = 0;
    // Repaints now; the control's Paint runs before it returns.
    virtual void Refresh() = 0;
};

class AmbientProperties {
  public:
    virtual ~AmbientProperties() = default;

    // The name the form knows the control by ("CmdImportMessages").
    [[nodiscard]] virtual std::string AmbientDisplayName() const = 0;
    [[nodiscard]] virtual Font AmbientFont() const = 0;
    [[nodiscard]] virtual std::int32_t AmbientBackColor() const = 0;
    // True when the form shows this control as its default button.
    [[nodiscard]] virtual bool AmbientDisplayAsDefault() const = 0;
    // Run mode (true) or a designer (false).
    [[nodiscard]] virtual bool AmbientUserMode() const = 0;
};

class Extender {
  public:
    virtual ~Extender() = default;

    [[nodiscard]] virtual std::string ExtenderToolTipText() const = 0;
    virtual void SetExtenderToolTipText(std::string text) = 0;
};

// One control of the parent form's Controls collection.
struct FormControl {
    std::string name;
    NativeHandle window = 0;         // hWnd
    NativeHandle container = 0;      // Container.hWnd
    UserControl* control = nullptr;  // the user control object
};

class ParentForm {
  public:
    virtual ~ParentForm() = default;

    [[nodiscard]] virtual NativeHandle ParentWindow() const = 0;
    [[nodiscard]] virtual bool ParentIsMdiChild() const = 0;
    [[nodiscard]] virtual std::vector<FormControl> ParentControls() const = 0;
};

using EventArgument = std::variant<std::int16_t, float>;

// An event raised to the form: its name, its dispatch identifier and its
// arguments in declaration order.
struct ControlEvent {
    std::string_view name;
    std::int32_t dispatchId = 0;
    std::vector<EventArgument> arguments;
};

class ControlSite : public ControlSurface, public AmbientProperties, public Extender, public ParentForm {
  public:
    // Tells the form that the stored design value under this name changed.
    virtual void PropertyChanged(std::string_view name) = 0;
    // Delivers the event to the form's handler before it returns.
    virtual void RaiseEvent(const ControlEvent& event) = 0;
    // Shows a pop-up menu at (x, y) in surface pixels and returns when it
    // closes. flags are the system's pop-up menu flags; defaultItem, when
    // given, is the command shown as the menu's default while it is open.
    virtual void ShowPopupMenu(NativeHandle menu, float x, float y, std::int32_t flags,
                               std::optional<std::uint32_t> defaultItem) = 0;
    // Lets the form handle the window messages waiting in the queue, then
    // returns. The caller's own handlers may run meanwhile, and the control
    // may even end.
    virtual void ProcessPendingEvents() {}
    // A control failed where no host call was under way (a window message
    // routed to it by itself): the form hears of it as of any other failure.
    virtual void ReportError(const std::exception& /*error*/) noexcept {}
};

}  // namespace quill::host
