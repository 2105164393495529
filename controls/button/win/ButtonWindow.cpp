#include "controls/button/win/ButtonWindow.h"

#include "controls/button/FacePainter.h"
#include "controls/button/Kestbutton.h"
#include "controls/button/win/GdiCanvas.h"
#include "controls/host/win/OleColor.h"
#include "platform/Utf16_win.h"
#include "win32/Shell.h"

#include <stdexcept>

namespace quill::button {
namespace {

// GetSysColor's indices run to COLOR_MENUBAR.
constexpr int kLastSystemColor = 30;
constexpr ATOM kDialogClass = 32770;

// The window whose tab order the button's arrow keys walk: the first
// ancestor that is not itself a control holding controls, as the dialog
// manager finds it.
HWND DialogOf(HWND control) {
    HWND dialog = ::GetParent(control);
    while (dialog != nullptr && (::GetWindowLongPtrW(dialog, GWL_EXSTYLE) & WS_EX_CONTROLPARENT) &&
           (::GetWindowLongPtrW(dialog, GWL_STYLE) & WS_CHILD)) {
        dialog = ::GetParent(dialog);
    }
    return dialog;
}

}  // namespace

std::optional<Color> Win32SystemColors::SystemColorValue(int index) const {
    if (index < 0 || index > kLastSystemColor) return std::nullopt;
    return static_cast<Color>(::GetSysColor(index));
}

Color Win32ButtonPlatform::TranslateColor(Color value) const { return host::TranslateOleColor(value); }

bool Win32ButtonPlatform::IsUnicodePlatform() const {
    OSVERSIONINFOW version{};
    version.dwOSVersionInfoSize = sizeof version;
    return ::GetVersionExW(&version) && version.dwPlatformId == VER_PLATFORM_WIN32_NT;
}

HWND Win32ButtonPlatform::Own() const {
    if (button_ == nullptr) throw std::logic_error("the platform serves no button");
    return reinterpret_cast<HWND>(button_->HWnd());
}

// The whole face is painted on a memory bitmap and reaches the window in one
// transfer: drawn on the window layer after layer, each layer would show.
void Win32ButtonPlatform::Redraw(Kestbutton& button) {
    const std::int32_t width = button.Site().ScaleWidth(), height = button.Site().ScaleHeight();
    const HDC window = reinterpret_cast<HDC>(button.Site().DeviceContext());
    if (width <= 0 || height <= 0 || window == nullptr) return;
    MemorySurface face(width, height);
    if (!face) return;
    GdiCanvas canvas(face.Dc(), width, height, reinterpret_cast<HWND>(button.HWnd()));
    button.PaintFace(canvas);
    ::BitBlt(window, 0, 0, width, height, face.Dc(), 0, 0, SRCCOPY);
    ++redraws_;
}

bool Win32ButtonPlatform::VisualStylesActive() { return theme_.IsThemed(); }

void Win32ButtonPlatform::UpdateRegion(Kestbutton& button) {
    const std::int32_t w = button.Site().ScaleWidth(), h = button.Site().ScaleHeight();
    HRGN region = nullptr;
    switch (RegionKindOf(button.Properties().buttonStyle)) {
        case RegionKind::kRounded3:
            region = ::CreateRoundRectRgn(0, 0, w + 1, h + 1, 3, 3);
            break;
        case RegionKind::kRounded4:
            region = ::CreateRoundRectRgn(0, 0, w + 1, h + 1, 4, 4);
            break;
        case RegionKind::kRectangle:
            region = ::CreateRectRgn(0, 0, w, h);
            break;
    }
    if (region != nullptr) SetWindowRegion(reinterpret_cast<HWND>(button.HWnd()), region);
}

void Win32ButtonPlatform::StartRouting(Kestbutton& button) {
    button.Input().mouseLeaveSupport = IsFunctionExported("TrackMouseEvent", L"User32");
    // Asked as well, as it always was, but the answer is not used.
    if (!button.Input().mouseLeaveSupport) (void)IsFunctionExported("_TrackMouseEvent", L"ComCtl32");

    routing_ = std::make_unique<WindowRouting>(button);
    const HWND own = reinterpret_cast<HWND>(button.HWnd());
    const HWND parent = reinterpret_cast<HWND>(button.ParentWindow());
    routing_->SubclassWindow(own);
    routing_->SubclassWindow(parent);
    routing_->AddMessage(own, WM_MOUSELEAVE, kRouteAfter);
    routing_->AddMessage(own, WM_THEMECHANGED, kRouteAfter);
    if (theme_.IsThemed()) routing_->AddMessage(own, WM_SYSCOLORCHANGE, kRouteAfter);
    routing_->AddMessage(parent, button.Site().ParentIsMdiChild() ? WM_NCACTIVATE : WM_ACTIVATE, kRouteAfter);
}

void Win32ButtonPlatform::StopRouting(Kestbutton&) {
    if (routing_) routing_->UnsubclassAll();
    routing_.reset();
}

bool Win32ButtonPlatform::LoadHandCursor() {
    if (handCursor_ == nullptr) handCursor_ = ::LoadCursorW(nullptr, IDC_HAND);
    return handCursor_ != nullptr;
}

void Win32ButtonPlatform::OpenDocument(host::NativeHandle owner, const std::string& address) {
    OpenWebPage(platform::Widen(address), reinterpret_cast<HWND>(owner));
}

void Win32ButtonPlatform::ShowInformation(host::NativeHandle owner, const std::string& title, const std::string& text) {
    ::MessageBoxW(reinterpret_cast<HWND>(owner), platform::Widen(text).c_str(), platform::Widen(title).c_str(),
                  MB_OK | MB_ICONINFORMATION);
}

bool Win32ButtonPlatform::CursorOverButton() {
    POINT at{};
    return ::GetCursorPos(&at) && ::WindowFromPoint(at) == Own();
}

void Win32ButtonPlatform::ShowHandCursor() {
    if (handCursor_ != nullptr) ::SetCursor(handCursor_);
}

void Win32ButtonPlatform::TrackMouseLeave() {
    TRACKMOUSEEVENT track{sizeof track, TME_LEAVE, Own(), 0};
    ::TrackMouseEvent(&track);
}

void Win32ButtonPlatform::CreateToolTip(const ToolTipSetup& setup) { toolTip_.Remake(Own(), setup); }

void Win32ButtonPlatform::DestroyToolTip() { toolTip_.Destroy(); }

void Win32ButtonPlatform::CaptureMouse() { ::SetCapture(Own()); }

void Win32ButtonPlatform::TakeCapture() {
    const HWND own = Own();
    if (::GetCapture() == own) return;
    ::ReleaseCapture();
    ::SetCapture(own);
}

void Win32ButtonPlatform::ReleaseCapture() { ::ReleaseCapture(); }

// The dialog manager moves the focus within the form. Keystrokes sent to the
// active window instead would reach whatever program is in front by then.
void Win32ButtonPlatform::MoveFocus(bool previous) {
    const HWND own = Own();
    const HWND dialog = DialogOf(own);
    if (dialog == nullptr) return;
    if (static_cast<ATOM>(::GetClassLongPtrW(dialog, GCW_ATOM)) == kDialogClass) {
        ::SendMessageW(dialog, WM_NEXTDLGCTL, previous ? 1 : 0, FALSE);
        return;
    }
    HWND next = ::GetNextDlgTabItem(dialog, own, previous ? TRUE : FALSE);
    if (next != nullptr && next != own) ::SetFocus(next);
}

void Win32ButtonPlatform::CloseMenu() { ::EndMenu(); }

std::unique_ptr<host::UserControl> MakeKestbutton(host::ControlSite& site) {
    return std::make_unique<Kestbutton>(site, std::make_unique<Win32ButtonPlatform>());
}

void RegisterKestbutton(host::ControlTypes& types) { types[std::string(Kestbutton::kTypeName)] = &MakeKestbutton; }

}  // namespace quill::button
