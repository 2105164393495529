#pragma once
// What a kestbutton needs from outside its model: colour translation, the
// system services it calls, and the seams where painting, the window region
// and message routing plug in. The Win32 shell implements it per instance;
// tests record the calls.

#include "controls/button/ColorHelpers.h"
#include "controls/host/HostTypes.h"

#include <string>

namespace quill::button {

class Kestbutton;

class ButtonPlatform : public ColorTranslator {
  public:
    // NT-family system: captions are drawn with the wide-character text
    // calls. Asked once, when the control is created.
    [[nodiscard]] virtual bool IsUnicodePlatform() const = 0;

    // Paints the whole face from the button's properties and state. The one
    // entry that repaints; the model calls it wherever a change shows.
    virtual void Redraw(Kestbutton& button) = 0;
    // Gives the window the region of the current ButtonStyle; the window
    // owns it from then on.
    virtual void UpdateRegion(Kestbutton& button) = 0;
    // The run-time set-up at the end of loading, in run mode only: the
    // mouse-leave check and the routing of the control's own and its parent
    // form's window messages to the button. A throw ends it quietly; the
    // button then works without the routed messages.
    virtual void StartRouting(Kestbutton& button) = 0;
    // Removes every routing StartRouting made; run at the end, in run mode.
    virtual void StopRouting(Kestbutton& button) = 0;

    // Loads the system hand cursor (standard cursor 32649) for the input
    // logic to show; false when it cannot be loaded.
    [[nodiscard]] virtual bool LoadHandCursor() = 0;
    // The shell's "open" verb on address, owner window given, normal show
    // state; the outcome is not reported.
    virtual void OpenDocument(host::NativeHandle owner, const std::string& address) = 0;
    // An information message box with an OK button.
    virtual void ShowInformation(host::NativeHandle owner, const std::string& title, const std::string& text) = 0;
};

}  // namespace quill::button
