#pragma once
// What a user control receives from its host. The host calls, in this order:
// InitProperties for a control placed new in a designer, or ReadProperties
// for one made from stored design values; then Resize, Show, Paint and the
// input events as they come; WriteProperties whenever the form is saved;
// Hide; and Terminate while the surface window still exists.
//
// Mouse coordinates are surface pixels. Button is 1 left, 2 right, 4 middle
// (for MouseMove the buttons held, combined); Shift is 1 Shift, 2 Ctrl,
// 4 Alt, combined.

#include "controls/host/PropertyBag.h"

#include <cstdint>
#include <string_view>

namespace quill::host {

class UserControl {
  public:
    virtual ~UserControl() = default;

    virtual void InitProperties() {}
    virtual void ReadProperties(const PropertyBag& /*bag*/) {}
    virtual void WriteProperties(PropertyBag& /*bag*/) {}
    virtual void Resize() {}
    virtual void Paint() {}
    virtual void Show() {}
    virtual void Hide() {}
    // name is the ambient value that changed ("DisplayAsDefault", "BackColor").
    virtual void AmbientChanged(std::string_view /*name*/) {}
    virtual void Terminate() {}
    // A control that paints every pixel of its surface itself: the host then
    // does not clear the window before a paint, which would show as flicker.
    [[nodiscard]] virtual bool PaintsWholeSurface() const { return false; }

    virtual void MouseDown(std::int16_t /*button*/, std::int16_t /*shift*/, float /*x*/, float /*y*/) {}
    virtual void MouseMove(std::int16_t /*button*/, std::int16_t /*shift*/, float /*x*/, float /*y*/) {}
    virtual void MouseUp(std::int16_t /*button*/, std::int16_t /*shift*/, float /*x*/, float /*y*/) {}
    // A left double click takes the place of the second MouseDown.
    virtual void DblClick() {}
    virtual void KeyDown(std::int16_t /*keyCode*/, std::int16_t /*shift*/) {}
    virtual void KeyUp(std::int16_t /*keyCode*/, std::int16_t /*shift*/) {}
    virtual void KeyPress(std::int16_t /*keyAscii*/) {}
    // One of the surface's access keys was pressed with Alt.
    virtual void AccessKeyPress(std::int16_t /*keyAscii*/) {}
    virtual void GotFocus() {}
    virtual void LostFocus() {}
};

}  // namespace quill::host
