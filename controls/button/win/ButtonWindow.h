#pragma once
// The kestbutton on the Win32 host: the platform services each instance
// gets (colours, the system's cursor, capture, focus and menus, message
// routing, tooltips, painting) and the factory the host makes buttons with.

#include "controls/button/ButtonPlatform.h"
#include "controls/button/ColorHelpers.h"
#include "controls/button/win/Capabilities.h"
#include "controls/button/win/ToolTipWindow.h"
#include "controls/button/win/WindowRouting.h"
#include "controls/host/win/HostForm.h"

#include <windows.h>

#include <cstdint>
#include <memory>

namespace quill::button {

// The current system colours, for the portable translation rules.
class Win32SystemColors final : public SystemColorSource {
  public:
    [[nodiscard]] std::optional<Color> SystemColorValue(int index) const override;
};

class Win32ButtonPlatform final : public ButtonPlatform {
  public:
    void Attach(Kestbutton& button) override { button_ = &button; }

    // The system's OLE colour translation.
    [[nodiscard]] Color TranslateColor(Color value) const override;
    [[nodiscard]] bool IsUnicodePlatform() const override;
    void Redraw(Kestbutton& button) override;
    [[nodiscard]] bool VisualStylesActive() override;
    // The look's region; an equal one already in place is left alone, since
    // setting it repaints the window and the repaint sets it again.
    void UpdateRegion(Kestbutton& button) override;
    // The mouse-leave check, then routing of the button's window (mouse
    // leave, theme change and, when themed, system colour change) and of its
    // parent form's window (activation).
    void StartRouting(Kestbutton& button) override;
    void StopRouting(Kestbutton& button) override;
    [[nodiscard]] bool LoadHandCursor() override;
    void OpenDocument(host::NativeHandle owner, const std::string& address) override;
    void ShowInformation(host::NativeHandle owner, const std::string& title, const std::string& text) override;
    [[nodiscard]] bool CursorOverButton() override;
    void ShowHandCursor() override;
    void TrackMouseLeave() override;
    void CreateToolTip(const ToolTipSetup& setup) override;
    void DestroyToolTip() override;
    void CaptureMouse() override;
    void TakeCapture() override;
    void ReleaseCapture() override;
    void MoveFocus(bool previous) override;
    void CloseMenu() override;

    // The system hand cursor once loaded (shared; never destroyed).
    [[nodiscard]] HCURSOR HandCursor() const noexcept { return handCursor_; }
    [[nodiscard]] ThemeCapabilities& Theme() noexcept { return theme_; }
    // The routing in front of the windows, while there is one.
    [[nodiscard]] const WindowRouting* Routing() const noexcept { return routing_.get(); }
    [[nodiscard]] HWND ToolTip() const noexcept { return toolTip_.Window(); }
    // How often the face was painted and shown.
    [[nodiscard]] std::int64_t RedrawCount() const noexcept { return redraws_; }

  private:
    [[nodiscard]] HWND Own() const;

    Kestbutton* button_ = nullptr;
    HCURSOR handCursor_ = nullptr;
    ThemeCapabilities theme_;
    std::unique_ptr<WindowRouting> routing_;
    ToolTipWindow toolTip_;
    std::int64_t redraws_ = 0;
};

// Makes a kestbutton on a host site.
[[nodiscard]] std::unique_ptr<host::UserControl> MakeKestbutton(host::ControlSite& site);

// Adds "kestbutton" to the control types a form can be loaded with.
void RegisterKestbutton(host::ControlTypes& types);

}  // namespace quill::button
