#pragma once
// The Win32 control host: user controls on a form window that someone else
// made and owns (the program's main window, or a test's). Each control gets
// a child window of its own, its surface; the host turns that window's
// messages into the control's events, places and loads controls from stored
// design values, saves them again, and passes the controls' events and
// change reports to the form's owner. It knows nothing of any particular
// control.
//
// Threading: everything happens on the thread that owns the form window.
// Nothing thrown by a control leaves a window procedure: it reaches
// FormEvents::OnControlError instead.

#include "controls/host/ControlSite.h"
#include "controls/host/DesignValues.h"
#include "controls/host/UserControl.h"

#include <windows.h>

#include <exception>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace quill::host {

class SurfaceWindow;

// What the form's owner hears from its controls.
class FormEvents {
  public:
    virtual ~FormEvents() = default;
    virtual void OnControlEvent(std::string_view control, const ControlEvent& event) = 0;
    // A stored design value of the control changed (the form is "dirty").
    virtual void OnPropertyChanged(std::string_view /*control*/, std::string_view /*name*/) {}
    // A control failed inside one of the host's window procedures.
    virtual void OnControlError(std::string_view control, const std::exception& error);
};

// Makes a control of one type on the site the host made for it.
using ControlFactory = std::function<std::unique_ptr<UserControl>(ControlSite&)>;
// The control types a form can hold, by the type names of stored design values.
using ControlTypes = std::map<std::string, ControlFactory, std::less<>>;

// A control's place in its container, in twips.
struct TwipsRect {
    std::int32_t left = 0;
    std::int32_t top = 0;
    std::int32_t width = 0;
    std::int32_t height = 0;
};

class HostForm {
  public:
    struct Options {
        bool userMode = true;  // false: a designer (controls set up no run-time behaviour)
        bool mdiChild = false;
        Font ambientFont{"Tahoma", 8.25};
        std::int32_t ambientBackColor = static_cast<std::int32_t>(0x8000000Fu);  // button face
    };

    // The form window must outlive the HostForm, or be destroyed after it;
    // when it goes first, each control ends as its surface is destroyed.
    HostForm(HWND window, FormEvents& events);
    HostForm(HWND window, FormEvents& events, Options options);
    ~HostForm();
    HostForm(const HostForm&) = delete;
    HostForm& operator=(const HostForm&) = delete;

    // Keys of the stored design values that place a control, in twips.
    static constexpr std::string_view kLeft = "Left", kTop = "Top", kWidth = "Width", kHeight = "Height";

    // A control made from its stored design values, placed by them inside
    // container (the form window when null), shown. Throws when its type is
    // unknown or its values do not fit it, naming the control.
    UserControl& Load(const ControlDesign& design, const ControlTypes& types, HWND container = nullptr);
    // Every control of a form's design values, in their order. containerOf
    // gives a control's container by name; the form window when it answers null.
    void LoadAll(const FormDesign& design, const ControlTypes& types,
                 const std::function<HWND(std::string_view)>& containerOf = {});
    // A control placed new, as a designer places one: InitProperties.
    UserControl& Add(const std::string& name, const std::string& type, const ControlFactory& factory, HWND container,
                     TwipsRect place);
    // The control's design values as they stand: its placement and what its
    // WriteProperties writes.
    [[nodiscard]] ControlDesign Save(std::string_view name) const;
    // Ends the control and destroys its surface.
    void Remove(std::string_view name);

    [[nodiscard]] UserControl* Find(std::string_view name) const;
    [[nodiscard]] HWND SurfaceOf(std::string_view name) const;
    [[nodiscard]] HWND Window() const noexcept { return window_; }
    [[nodiscard]] const Options& Settings() const noexcept { return options_; }

    // The control the form shows as its default button (empty for none);
    // the controls hear of it as a change of DisplayAsDefault.
    void SetDefaultControl(std::string_view name);
    [[nodiscard]] const std::string& DefaultControl() const noexcept { return defaultControl_; }
    // Tells every control that an ambient value changed.
    void AmbientChanged(std::string_view name);

    // Access keys: the owner's message loop passes every message here before
    // dispatching it. Alt+key on any window of the form goes to the first
    // visible, enabled control with that access key; true when one took it.
    [[nodiscard]] bool PreTranslateMessage(const MSG& message);

  private:
    friend class SurfaceWindow;
    UserControl& Place(std::unique_ptr<SurfaceWindow> surface, const ControlFactory& factory,
                       const PropertyBag* stored);
    [[nodiscard]] std::vector<FormControl> Controls() const;
    [[nodiscard]] SurfaceWindow* SurfaceNamed(std::string_view name) const;

    HWND window_;
    FormEvents& events_;
    Options options_;
    std::string defaultControl_;
    std::vector<std::unique_ptr<SurfaceWindow>> surfaces_;
};

}  // namespace quill::host
