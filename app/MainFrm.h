#pragma once
// MainFrm, the program's one window: the form of the layout table at the
// system's DPI, its three kestbuttons made by the control host from the
// form's stored design values, and the handlers of its events. The run and
// discovery reach the controls through the adapters of FormAdapters.h.
//
// Everything happens on the thread that made the window. Handlers that let
// window events run (the conversion, a listing, a folder choice) go through
// one guard: they never run inside each other, and closing the window while
// one is under way waits for it, asking a conversion to stop after its
// current message. Nothing thrown by a handler leaves the window procedure;
// it is reported in an error box.

#include "app/FormAdapters.h"
#include "app/FormLayout.h"
#include "app/FormPainter.h"
#include "app/RunGuard.h"
#include "app/StoreDiscovery.h"
#include "app/WindowEventPump.h"
#include "controls/host/win/HostForm.h"
#include "convert/ConversionRun.h"
#include "convert/MessageFinisher.h"
#include "convert/OutlookTarget.h"
#include "win32/StoreLookup.h"

#include <windows.h>

#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

namespace quill::button {
class Kestbutton;
}

namespace quill::app {

inline constexpr std::wstring_view kChooseStoreTitle = L"Choose Incredimail Store Folder...";
inline constexpr std::wstring_view kChooseAttachmentsTitle = L"Choose Incredimail Attachments Folder...";

// What the window uses of the world, so that tests can stand in for it.
struct MainFrmServices {
    DiscoverySources discovery;
    BrowseFunction browseForFolder;
    std::function<void(const std::wstring& address, HWND owner)> openWebPage;
    MessageBoxes* boxes = nullptr;  // null: real message boxes owned by the window
    // Tells the user that a handler failed; null: an error box owned by the window.
    std::function<void(const std::wstring& what)> reportError;
    std::function<std::unique_ptr<MessageFinisher>()> makeFinisher;
    std::function<std::unique_ptr<OutlookTarget>()> makeOutlookTarget;
    bool quitWhenClosed = true;  // the program's window ends the message loop as it goes
};

// The real shell, registry, message boxes, message finisher and PST writer.
[[nodiscard]] MainFrmServices DefaultServices();

class MainFrm final : public host::FormEvents {
  public:
    explicit MainFrm(MainFrmServices services = DefaultServices());
    ~MainFrm() override;
    MainFrm(const MainFrm&) = delete;
    MainFrm& operator=(const MainFrm&) = delete;

    // Window initialisation, then load: initialises the common controls,
    // makes the window (hidden) with every control, then discovers the store
    // and lists its containers. Throws std::runtime_error naming what could
    // not be made.
    void Create(HINSTANCE instance);
    void Show(int showCommand);
    // Runs the thread's message loop until WM_QUIT; its exit code.
    int RunMessageLoop();
    // What the loop and the event pump do with a message before dispatching
    // it: the buttons' access keys and moving between controls with the
    // keyboard. True when the message was handled.
    bool PreTranslate(MSG& message);
    static BOOL CALLBACK ForwardToChild(HWND child, LPARAM message);

    // Event handlers.
    void OnStoreBrowseClick();
    void OnAttachmentBrowseClick();
    void OnListClick();
    void OnImportMessagesClick();
    void OnLinkClick(std::string_view label);

    // host::FormEvents
    void OnControlEvent(std::string_view control, const host::ControlEvent& event) override;
    void OnControlError(std::string_view control, const std::exception& error) override;

    // What the window shows, for its tests.
    [[nodiscard]] HWND Window() const noexcept { return window_; }
    [[nodiscard]] int DpiX() const noexcept { return dpiX_; }
    [[nodiscard]] int DpiY() const noexcept { return dpiY_; }
    // The window of a windowed control, a container or a button's surface;
    // null for the windowless ones (shapes, the line, images, labels).
    [[nodiscard]] HWND ControlWindow(std::string_view name) const;
    [[nodiscard]] button::Kestbutton* Button(std::string_view name) const;
    [[nodiscard]] std::wstring LabelCaption(std::string_view name) const;
    [[nodiscard]] HWND ToolTip() const noexcept { return tooltip_; }
    // The cursor the window shows over a point of a container's client area.
    [[nodiscard]] HCURSOR CursorAt(HWND container, POINT point) const;
    [[nodiscard]] HCURSOR LinkCursor() const noexcept { return linkCursor_; }
    [[nodiscard]] HICON ImageIcon(std::string_view image) const;
    [[nodiscard]] const std::optional<RunOutcome>& LastRun() const noexcept { return lastRun_; }
    [[nodiscard]] bool Busy() const noexcept { return guard_.Busy(); }

  private:
    static LRESULT CALLBACK Procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    LRESULT Handle(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    LRESULT HandleNotify(const NMHDR& header);
    LRESULT ControlColor(HDC dc, HWND control, bool edit);
    void Paint(HWND window, HDC dc);
    void RegisterClasses(HINSTANCE instance);
    void MakeControls(HINSTANCE instance);
    HWND MakeWindowedControl(HINSTANCE instance, const LayoutEntry& entry, HWND parent);
    void LoadPictures(HINSTANCE instance);
    [[nodiscard]] HWND ContainerWindow(std::string_view container) const;
    [[nodiscard]] std::string_view ContainerName(HWND window) const;
    [[nodiscard]] const LayoutEntry* LinkAt(HWND container, POINT point) const;
    void SetLabelCaption(std::string_view label, const std::wstring& text);
    void ReportError(const std::wstring& what) noexcept;

    MainFrmServices services_;
    HWND window_ = nullptr;
    int dpiX_ = 96;
    int dpiY_ = 96;
    SIZE outerSize_{};  // the window with its frame, for the form's client area at this DPI
    std::unique_ptr<FontCache> fonts_;
    std::map<std::string, HWND, std::less<>> windows_;           // windowed controls and containers by name
    std::map<std::string, std::wstring, std::less<>> captions_;  // labels as they read now
    std::map<std::string, HICON, std::less<>> images_;           // owned, destroyed with the window
    HICON bigIcon_ = nullptr;
    HICON smallIcon_ = nullptr;
    HCURSOR linkCursor_ = nullptr;
    HWND tooltip_ = nullptr;
    HWND focus_ = nullptr;  // the control to give the focus back to when the window is activated
    std::string pressedLink_;
    int ownListChanges_ = 0;
    bool reportingError_ = false;

    std::unique_ptr<host::HostForm> host_;
    host::ControlTypes controlTypes_;
    RunGuard guard_;
    WindowEventPump pump_;
    std::unique_ptr<EditPathField> storePath_;
    std::unique_ptr<EditPathField> attachmentPath_;
    std::unique_ptr<CheckList> list_;
    std::unique_ptr<ButtonEnabling> convertEnabling_;
    std::optional<RunOutcome> lastRun_;
};

}  // namespace quill::app
