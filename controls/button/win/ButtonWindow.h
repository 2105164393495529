#pragma once
// The kestbutton on the Win32 host: the platform services each instance
// gets, and the factory the host makes buttons with.
//
// Seams for the parts that come later: Redraw and UpdateRegion (the
// painters and the window region), StartRouting and StopRouting (message
// routing) are empty here and filled in this class.

#include "controls/button/ButtonPlatform.h"
#include "controls/button/ColorHelpers.h"
#include "controls/host/win/HostForm.h"

#include <windows.h>

#include <memory>

namespace quill::button {

// The current system colours, for the portable translation rules.
class Win32SystemColors final : public SystemColorSource {
  public:
    [[nodiscard]] std::optional<Color> SystemColorValue(int index) const override;
};

class Win32ButtonPlatform final : public ButtonPlatform {
  public:
    // The system's OLE colour translation.
    [[nodiscard]] Color TranslateColor(Color value) const override;
    [[nodiscard]] bool IsUnicodePlatform() const override;
    void Redraw(Kestbutton& button) override;
    void UpdateRegion(Kestbutton& button) override;
    void StartRouting(Kestbutton& button) override;
    void StopRouting(Kestbutton& button) override;
    [[nodiscard]] bool LoadHandCursor() override;
    void OpenDocument(host::NativeHandle owner, const std::string& address) override;
    void ShowInformation(host::NativeHandle owner, const std::string& title, const std::string& text) override;

    // The system hand cursor once loaded (shared; never destroyed).
    [[nodiscard]] HCURSOR HandCursor() const noexcept { return handCursor_; }

  private:
    HCURSOR handCursor_ = nullptr;
};

// Makes a kestbutton on a host site.
[[nodiscard]] std::unique_ptr<host::UserControl> MakeKestbutton(host::ControlSite& site);

// Adds "kestbutton" to the control types a form can be loaded with.
void RegisterKestbutton(host::ControlTypes& types);

}  // namespace quill::button
