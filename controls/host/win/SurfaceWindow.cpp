#include "controls/host/win/SurfaceWindow.h"

#include "controls/host/win/HostForm.h"
#include "controls/host/win/OleColor.h"
#include "platform/Utf16_win.h"

#include <windowsx.h>

#include <cmath>
#include <stdexcept>

namespace quill::host {
namespace {

constexpr wchar_t kClassName[] = L"QuillmereControlSurface";
constexpr int kTwipsPerInch = 1440;

// Shift argument of the mouse and key events: 1 Shift, 2 Ctrl, 4 Alt.
std::int16_t ShiftState() {
    std::int16_t shift = 0;
    if (::GetKeyState(VK_SHIFT) < 0) shift |= 1;
    if (::GetKeyState(VK_CONTROL) < 0) shift |= 2;
    if (::GetKeyState(VK_MENU) < 0) shift |= 4;
    return shift;
}

// Buttons held during a mouse move: 1 left, 2 right, 4 middle.
std::int16_t ButtonsHeld(WPARAM wParam) {
    std::int16_t buttons = 0;
    if (wParam & MK_LBUTTON) buttons |= 1;
    if (wParam & MK_RBUTTON) buttons |= 2;
    if (wParam & MK_MBUTTON) buttons |= 4;
    return buttons;
}

std::int16_t ButtonOf(UINT message) {
    switch (message) {
        case WM_RBUTTONDOWN:
        case WM_RBUTTONDBLCLK:
        case WM_RBUTTONUP:
            return 2;
        case WM_MBUTTONDOWN:
        case WM_MBUTTONDBLCLK:
        case WM_MBUTTONUP:
            return 4;
        default:
            return 1;
    }
}

COLORREF PlainColor(std::int32_t value) {
    std::int32_t plain = TranslateOleColor(value);
    return plain == -1 ? 0 : static_cast<COLORREF>(plain);
}

}  // namespace

SurfaceWindow::SurfaceWindow(HostForm& form, std::string name, std::string type, HWND container, const TwipsRect& place)
    : form_(form),
      placed_(place),
      name_(std::move(name)),
      type_(std::move(type)),
      foreColor_(static_cast<std::int32_t>(0x80000012u)),  // button text
      backColor_(form.Settings().ambientBackColor) {
    static const ATOM registered = [] {
        WNDCLASSEXW wc{};
        wc.cbSize = sizeof wc;
        // Own DC: the control draws on one DC that keeps its font and colours.
        wc.style = CS_OWNDC | CS_DBLCLKS;
        wc.lpfnWndProc = &SurfaceWindow::Procedure;
        wc.hInstance = ::GetModuleHandleW(nullptr);
        wc.hCursor = ::LoadCursorW(nullptr, IDC_ARROW);
        wc.lpszClassName = kClassName;
        return ::RegisterClassExW(&wc);
    }();
    if (registered == 0) throw std::runtime_error("cannot register the control surface's window class");
    ::CreateWindowExW(0, kClassName, L"", WS_CHILD | WS_CLIPSIBLINGS | WS_TABSTOP, 0, 0, 0, 0, container, nullptr,
                      ::GetModuleHandleW(nullptr), this);
    if (!window_) throw std::runtime_error(name_ + ": cannot make the control's window");
    dc_ = ::GetDC(window_.Get());
    dpiX_ = ::GetDeviceCaps(dc_, LOGPIXELSX);
    dpiY_ = ::GetDeviceCaps(dc_, LOGPIXELSY);
    if (dpiX_ <= 0 || dpiY_ <= 0) dpiX_ = dpiY_ = 96;
    ::SetWindowPos(window_.Get(), nullptr, PixelsFromTwipsX(place.left), PixelsFromTwipsY(place.top),
                   PixelsFromTwipsX(place.width), PixelsFromTwipsY(place.height), SWP_NOZORDER | SWP_NOACTIVATE);
    ::SetBkMode(dc_, TRANSPARENT);
    SetForeColor(foreColor_);
    SetSurfaceFont(form.Settings().ambientFont);
}

SurfaceWindow::~SurfaceWindow() {
    End();
    // The window goes first: its own DC still holds the font.
    window_.Reset();
}

template <typename Call>
void SurfaceWindow::Deliver(Call&& call) noexcept {
    if (!control_ || ended_) return;
    try {
        try {
            call(*control_);
        } catch (const std::exception& e) {
            form_.events_.OnControlError(name_, e);
        } catch (...) {
            form_.events_.OnControlError(name_, std::runtime_error("an error that is not an exception"));
        }
    } catch (...) {
        // The owner's error handler failed as well; nothing may leave a window procedure.
    }
}

void SurfaceWindow::End() noexcept {
    if (ended_ || !control_ || !window_) return;
    Deliver([](UserControl& c) { c.Terminate(); });
    ended_ = true;
}

void SurfaceWindow::NotifyAmbientChanged(std::string_view name) noexcept {
    Deliver([name](UserControl& c) { c.AmbientChanged(name); });
}

void SurfaceWindow::PressAccessKey(std::int16_t key) noexcept {
    Deliver([key](UserControl& c) { c.AccessKeyPress(key); });
}

LRESULT CALLBACK SurfaceWindow::Procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_NCCREATE) {
        auto* made = static_cast<SurfaceWindow*>(reinterpret_cast<CREATESTRUCTW*>(lParam)->lpCreateParams);
        ::SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(made));
        made->window_.Reset(window);
    }
    auto* self = reinterpret_cast<SurfaceWindow*>(::GetWindowLongPtrW(window, GWLP_USERDATA));
    if (self == nullptr) return ::DefWindowProcW(window, message, wParam, lParam);
    if (message == WM_NCDESTROY) {
        ::SetWindowLongPtrW(window, GWLP_USERDATA, 0);
        (void)self->window_.Release();  // the window is gone, whoever destroyed it
        self->dc_ = nullptr;
        return ::DefWindowProcW(window, message, wParam, lParam);
    }
    return self->Handle(message, wParam, lParam);
}

LRESULT SurfaceWindow::Handle(UINT message, WPARAM wParam, LPARAM lParam) {
    const HWND window = window_.Get();
    const float x = static_cast<float>(GET_X_LPARAM(lParam));
    const float y = static_cast<float>(GET_Y_LPARAM(lParam));
    switch (message) {
        case WM_DESTROY:
            End();
            break;
        case WM_ERASEBKGND:
            if (!control_ || ended_ || !control_->PaintsWholeSurface()) Clear();
            return 1;
        case WM_PAINT: {
            PAINTSTRUCT paint;
            ::BeginPaint(window, &paint);
            Deliver([](UserControl& c) { c.Paint(); });
            ::EndPaint(window, &paint);
            return 0;
        }
        case WM_SIZE:
            Deliver([](UserControl& c) { c.Resize(); });
            return 0;
        case WM_SHOWWINDOW:
            if (lParam == 0) Deliver([&](UserControl& c) { wParam ? c.Show() : c.Hide(); });
            break;
        case WM_SETFOCUS:
            Deliver([](UserControl& c) { c.GotFocus(); });
            return 0;
        case WM_KILLFOCUS:
            Deliver([](UserControl& c) { c.LostFocus(); });
            return 0;
        case WM_LBUTTONDOWN:
        case WM_RBUTTONDOWN:
        case WM_MBUTTONDOWN:
        case WM_RBUTTONDBLCLK:
        case WM_MBUTTONDBLCLK:
            if (message == WM_LBUTTONDOWN && ::GetFocus() != window) ::SetFocus(window);
            // Held until the last button comes up, so a release outside is still heard.
            ::SetCapture(window);
            Deliver([&](UserControl& c) { c.MouseDown(ButtonOf(message), ShiftState(), x, y); });
            return 0;
        case WM_LBUTTONDBLCLK:
            ::SetCapture(window);
            Deliver([](UserControl& c) { c.DblClick(); });
            return 0;
        case WM_LBUTTONUP:
        case WM_RBUTTONUP:
        case WM_MBUTTONUP:
            Deliver([&](UserControl& c) { c.MouseUp(ButtonOf(message), ShiftState(), x, y); });
            if ((wParam & (MK_LBUTTON | MK_RBUTTON | MK_MBUTTON)) == 0 && ::GetCapture() == window) ::ReleaseCapture();
            return 0;
        case WM_MOUSEMOVE:
            Deliver([&](UserControl& c) { c.MouseMove(ButtonsHeld(wParam), ShiftState(), x, y); });
            return 0;
        case WM_KEYDOWN:
        case WM_SYSKEYDOWN:
            Deliver([&](UserControl& c) { c.KeyDown(static_cast<std::int16_t>(wParam), ShiftState()); });
            if (message == WM_KEYDOWN) return 0;
            break;  // Alt combinations keep the system's meaning (the window menu, Alt+F4)
        case WM_KEYUP:
        case WM_SYSKEYUP:
            Deliver([&](UserControl& c) { c.KeyUp(static_cast<std::int16_t>(wParam), ShiftState()); });
            if (message == WM_KEYUP) return 0;
            break;
        case WM_CHAR:
            Deliver([&](UserControl& c) { c.KeyPress(static_cast<std::int16_t>(wParam)); });
            return 0;
        case WM_GETDLGCODE: {
            // Enter belongs to the control with the focus (a button clicks on it), not to the
            // dialog manager, which would otherwise take it for the default button.
            const MSG* asked = reinterpret_cast<const MSG*>(lParam);
            const bool enter =
                asked != nullptr &&
                (asked->message == WM_KEYDOWN || asked->message == WM_KEYUP || asked->message == WM_CHAR) &&
                (asked->wParam == VK_RETURN);
            return DLGC_WANTARROWS | DLGC_WANTCHARS | (enter ? DLGC_WANTMESSAGE : 0);
        }
        case WM_SETCURSOR:
            if (LOWORD(lParam) == HTCLIENT && mousePointer_ == kPointerCustom && mouseIcon_ &&
                mouseIcon_->Type() == PictureType::kIcon) {
                ::SetCursor(reinterpret_cast<HCURSOR>(mouseIcon_->Handle()));
                return TRUE;
            }
            break;
    }
    return ::DefWindowProcW(window, message, wParam, lParam);
}

std::int32_t SurfaceWindow::TwipsFromPixelsX(int pixels) const { return ::MulDiv(pixels, kTwipsPerInch, dpiX_); }
std::int32_t SurfaceWindow::TwipsFromPixelsY(int pixels) const { return ::MulDiv(pixels, kTwipsPerInch, dpiY_); }
int SurfaceWindow::PixelsFromTwipsX(std::int32_t twips) const { return ::MulDiv(twips, dpiX_, kTwipsPerInch); }
int SurfaceWindow::PixelsFromTwipsY(std::int32_t twips) const { return ::MulDiv(twips, dpiY_, kTwipsPerInch); }

std::int32_t SurfaceWindow::ScaleWidth() const {
    RECT r{};
    ::GetClientRect(window_.Get(), &r);
    return r.right;
}

std::int32_t SurfaceWindow::ScaleHeight() const {
    RECT r{};
    ::GetClientRect(window_.Get(), &r);
    return r.bottom;
}

TwipsRect SurfaceWindow::Placement() const {
    RECT r{};
    ::GetWindowRect(window_.Get(), &r);
    ::MapWindowPoints(HWND_DESKTOP, ::GetParent(window_.Get()), reinterpret_cast<POINT*>(&r), 2);
    auto x = [&](std::int32_t twips, int pixels) {
        return PixelsFromTwipsX(twips) == pixels ? twips : TwipsFromPixelsX(pixels);
    };
    auto y = [&](std::int32_t twips, int pixels) {
        return PixelsFromTwipsY(twips) == pixels ? twips : TwipsFromPixelsY(pixels);
    };
    return {x(placed_.left, r.left), y(placed_.top, r.top), x(placed_.width, r.right - r.left),
            y(placed_.height, r.bottom - r.top)};
}

std::int32_t SurfaceWindow::Width() const { return Placement().width; }

std::int32_t SurfaceWindow::Height() const { return Placement().height; }

void SurfaceWindow::SetWidth(std::int32_t twips) {
    placed_ = Placement();
    placed_.width = twips;
    ::SetWindowPos(window_.Get(), nullptr, 0, 0, PixelsFromTwipsX(twips), PixelsFromTwipsY(placed_.height),
                   SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void SurfaceWindow::SetHeight(std::int32_t twips) {
    placed_ = Placement();
    placed_.height = twips;
    ::SetWindowPos(window_.Get(), nullptr, 0, 0, PixelsFromTwipsX(placed_.width), PixelsFromTwipsY(twips),
                   SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

bool SurfaceWindow::Enabled() const { return ::IsWindowEnabled(window_.Get()) != FALSE; }

void SurfaceWindow::SetEnabled(bool enabled) { ::EnableWindow(window_.Get(), enabled ? TRUE : FALSE); }

void SurfaceWindow::SetSurfaceFont(const Font& font) {
    LOGFONTW description{};
    description.lfHeight = -::MulDiv(static_cast<int>(std::lround(font.size * 100)), dpiY_, 72 * 100);
    description.lfWeight = font.weight;
    description.lfItalic = font.italic;
    description.lfUnderline = font.underline;
    description.lfStrikeOut = font.strikethrough;
    description.lfCharSet = static_cast<BYTE>(font.charset);
    std::wstring face = platform::Widen(font.name).substr(0, LF_FACESIZE - 1);
    face.copy(description.lfFaceName, face.size());
    UniqueFont made(::CreateFontIndirectW(&description));
    if (!made) throw std::runtime_error(name_ + ": cannot make the font " + font.name);
    ::SelectObject(dc_, made.Get());
    fontHandle_ = std::move(made);  // the old font is no longer selected
    font_ = font;
}

void SurfaceWindow::SetForeColor(std::int32_t color) {
    foreColor_ = color;
    ::SetTextColor(dc_, PlainColor(color));
}

NativeHandle SurfaceWindow::ContainerWindow() const {
    return reinterpret_cast<NativeHandle>(::GetParent(window_.Get()));
}

void SurfaceWindow::Clear() {
    RECT client{};
    ::GetClientRect(window_.Get(), &client);
    UniqueBrush brush(::CreateSolidBrush(PlainColor(backColor_)));
    if (brush) ::FillRect(dc_, &client, brush.Get());
}

void SurfaceWindow::Refresh() {
    ::RedrawWindow(window_.Get(), nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW);
}

Font SurfaceWindow::AmbientFont() const { return form_.options_.ambientFont; }
std::int32_t SurfaceWindow::AmbientBackColor() const { return form_.options_.ambientBackColor; }
bool SurfaceWindow::AmbientDisplayAsDefault() const { return form_.defaultControl_ == name_; }
bool SurfaceWindow::AmbientUserMode() const { return form_.options_.userMode; }

NativeHandle SurfaceWindow::ParentWindow() const { return reinterpret_cast<NativeHandle>(form_.window_); }
bool SurfaceWindow::ParentIsMdiChild() const { return form_.options_.mdiChild; }
std::vector<FormControl> SurfaceWindow::ParentControls() const { return form_.Controls(); }

void SurfaceWindow::PropertyChanged(std::string_view name) { form_.events_.OnPropertyChanged(name_, name); }

void SurfaceWindow::RaiseEvent(const ControlEvent& event) { form_.events_.OnControlEvent(name_, event); }

void SurfaceWindow::ShowPopupMenu(NativeHandle menuHandle, float x, float y, std::int32_t flags,
                                  std::optional<std::uint32_t> defaultItem) {
    auto menu = reinterpret_cast<HMENU>(menuHandle);
    POINT at{std::lrint(x), std::lrint(y)};
    ::ClientToScreen(window_.Get(), &at);
    const UINT previousDefault = ::GetMenuDefaultItem(menu, FALSE, 0);
    if (defaultItem) ::SetMenuDefaultItem(menu, *defaultItem, FALSE);
    ::TrackPopupMenuEx(menu, static_cast<UINT>(flags), at.x, at.y, form_.window_, nullptr);
    if (defaultItem) ::SetMenuDefaultItem(menu, previousDefault, FALSE);  // the caller's default, or none
}

}  // namespace quill::host

namespace quill::host {

// Only locals after the first dispatch: a handler may end this control and
// destroy its surface.
void SurfaceWindow::ProcessPendingEvents() {
    MSG message;
    while (::PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
        if (message.message == WM_QUIT) {
            ::PostQuitMessage(static_cast<int>(message.wParam));  // for the program's own loop
            return;
        }
        ::TranslateMessage(&message);
        ::DispatchMessageW(&message);
    }
}

void SurfaceWindow::ReportError(const std::exception& error) noexcept {
    try {
        form_.events_.OnControlError(name_, error);
    } catch (...) {
        // The owner's error handler failed as well.
    }
}

}  // namespace quill::host
