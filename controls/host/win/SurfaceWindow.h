#pragma once
// One user control's surface: a child window of the host's own class, and
// the ControlSite the control sees. Internal to the host.

#include "controls/host/ControlSite.h"
#include "controls/host/UserControl.h"
#include "controls/host/win/HostForm.h"
#include "win32/Win32Handles.h"

#include <windows.h>

#include <memory>
#include <string>

namespace quill::host {

class SurfaceWindow final : public ControlSite {
  public:
    // Makes the window, hidden, at place (twips) inside container.
    SurfaceWindow(HostForm& form, std::string name, std::string type, HWND container, const TwipsRect& place);
    ~SurfaceWindow() override;
    SurfaceWindow(const SurfaceWindow&) = delete;
    SurfaceWindow& operator=(const SurfaceWindow&) = delete;

    void Attach(std::unique_ptr<UserControl> control) { control_ = std::move(control); }
    [[nodiscard]] UserControl* Control() const noexcept { return control_.get(); }
    [[nodiscard]] HWND Hwnd() const noexcept { return window_.Get(); }
    [[nodiscard]] const std::string& Name() const noexcept { return name_; }
    [[nodiscard]] const std::string& Type() const noexcept { return type_; }
    // Terminate, once, while the window still exists.
    void End() noexcept;
    void NotifyAmbientChanged(std::string_view name) noexcept;
    void PressAccessKey(std::int16_t key) noexcept;

    // Where the control is, in twips: the values it was placed with while
    // they still give its pixels, so stored values come back unchanged
    // although a window has whole pixels only; otherwise its pixels in twips.
    [[nodiscard]] TwipsRect Placement() const;
    [[nodiscard]] std::int32_t TwipsFromPixelsX(int pixels) const;
    [[nodiscard]] std::int32_t TwipsFromPixelsY(int pixels) const;
    [[nodiscard]] int PixelsFromTwipsX(std::int32_t twips) const;
    [[nodiscard]] int PixelsFromTwipsY(std::int32_t twips) const;

    // ControlSurface
    NativeHandle Window() const override { return reinterpret_cast<NativeHandle>(window_.Get()); }
    NativeHandle DeviceContext() const override { return reinterpret_cast<NativeHandle>(dc_); }
    std::int32_t ScaleWidth() const override;
    std::int32_t ScaleHeight() const override;
    std::int32_t Width() const override;
    std::int32_t Height() const override;
    void SetWidth(std::int32_t twips) override;
    void SetHeight(std::int32_t twips) override;
    bool Enabled() const override;
    void SetEnabled(bool enabled) override;
    const Font& SurfaceFont() const override { return font_; }
    void SetSurfaceFont(const Font& font) override;
    std::int32_t ForeColor() const override { return foreColor_; }
    void SetForeColor(std::int32_t color) override;
    std::int16_t MousePointer() const override { return mousePointer_; }
    void SetMousePointer(std::int16_t pointer) override { mousePointer_ = pointer; }
    PicturePtr MouseIcon() const override { return mouseIcon_; }
    void SetMouseIcon(PicturePtr icon) override { mouseIcon_ = std::move(icon); }
    std::string AccessKeys() const override { return accessKeys_; }
    void SetAccessKeys(std::string keys) override { accessKeys_ = std::move(keys); }
    NativeHandle ContainerWindow() const override;
    std::int32_t SurfaceBackColor() const override { return backColor_; }
    void SetSurfaceBackColor(std::int32_t color) override { backColor_ = color; }
    void Clear() override;
    void Refresh() override;

    // AmbientProperties
    std::string AmbientDisplayName() const override { return name_; }
    Font AmbientFont() const override;
    std::int32_t AmbientBackColor() const override;
    bool AmbientDisplayAsDefault() const override;
    bool AmbientUserMode() const override;

    // Extender
    std::string ExtenderToolTipText() const override { return toolTipText_; }
    void SetExtenderToolTipText(std::string text) override { toolTipText_ = std::move(text); }

    // ParentForm
    NativeHandle ParentWindow() const override;
    bool ParentIsMdiChild() const override;
    std::vector<FormControl> ParentControls() const override;

    void PropertyChanged(std::string_view name) override;
    void RaiseEvent(const ControlEvent& event) override;
    void ShowPopupMenu(NativeHandle menu, float x, float y, std::int32_t flags,
                       std::optional<std::uint32_t> defaultItem) override;
    void ProcessPendingEvents() override;
    void ReportError(const std::exception& error) noexcept override;

  private:
    static LRESULT CALLBACK Procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    LRESULT Handle(UINT message, WPARAM wParam, LPARAM lParam);
    // Runs one call into the control; what it throws goes to the form's owner.
    template <typename Call>
    void Deliver(Call&& call) noexcept;
    void Resize(int width, int height);

    HostForm& form_;
    TwipsRect placed_;
    std::string name_;
    std::string type_;
    UniqueWindow window_;
    HDC dc_ = nullptr;  // the class's own DC: valid for the window's life, never released
    int dpiX_ = 96;
    int dpiY_ = 96;
    std::unique_ptr<UserControl> control_;
    bool ended_ = false;
    Font font_;
    UniqueFont fontHandle_;
    std::int32_t foreColor_ = 0;
    std::int32_t backColor_ = 0;
    std::int16_t mousePointer_ = kPointerDefault;
    PicturePtr mouseIcon_;
    std::string accessKeys_;
    std::string toolTipText_;
};

}  // namespace quill::host
