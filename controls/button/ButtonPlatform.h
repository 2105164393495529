#pragma once
// What a kestbutton needs from outside its model: colour translation, the
// system services it calls, and the seams where painting, the window region
// and message routing plug in. The Win32 shell implements it per instance;
// tests record the calls.

#include "controls/button/ColorHelpers.h"
#include "controls/button/ToolTipSetup.h"
#include "controls/host/HostTypes.h"

#include <string>

namespace quill::button {

class Kestbutton;

class ButtonPlatform : public ColorTranslator {
  public:
    // The control this platform serves, told once when it is made.
    virtual void Attach(Kestbutton& /*button*/) {}

    // NT-family system: captions are drawn with the wide-character text
    // calls. Asked once, when the control is created.
    [[nodiscard]] virtual bool IsUnicodePlatform() const = 0;

    // Paints the whole face from the button's properties and state
    // (Kestbutton::PaintFace on a canvas) and shows it. The one entry that
    // repaints; the model calls it wherever a change shows.
    virtual void Redraw(Kestbutton& button) = 0;
    // Visual styles are in use: the theme library is there and the program
    // is themed. Asked once per control.
    [[nodiscard]] virtual bool VisualStylesActive() = 0;
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

    // The input logic's services, all about the control's own window.
    // The window under the cursor's screen position is the control's own.
    [[nodiscard]] virtual bool CursorOverButton() = 0;
    // The hand cursor LoadHandCursor loaded becomes the current cursor.
    virtual void ShowHandCursor() = 0;
    // Asks the system to tell the control when the mouse leaves its window.
    virtual void TrackMouseLeave() = 0;
    // Replaces the tooltip window (if any) by a new one made as described.
    virtual void CreateToolTip(const ToolTipSetup& setup) = 0;
    // Destroys the tooltip window, when the control ends.
    virtual void DestroyToolTip() = 0;
    virtual void CaptureMouse() = 0;
    // When another window holds the mouse capture, releases it and captures
    // the mouse to the control's window.
    virtual void TakeCapture() = 0;
    virtual void ReleaseCapture() = 0;
    // Moves the keyboard focus to the previous or next control of the form
    // in tab order, through the dialog manager.
    virtual void MoveFocus(bool previous) = 0;
    // Ends the pop-up menu the control is showing, when it ends meanwhile.
    virtual void CloseMenu() = 0;
};

}  // namespace quill::button
