#include "controls/button/win/ButtonWindow.h"

#include "controls/button/Kestbutton.h"
#include "controls/host/win/OleColor.h"
#include "platform/Utf16_win.h"
#include "win32/Shell.h"

namespace quill::button {
namespace {

// GetSysColor's indices run to COLOR_MENUBAR.
constexpr int kLastSystemColor = 30;

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

void Win32ButtonPlatform::Redraw(Kestbutton&) {}

void Win32ButtonPlatform::UpdateRegion(Kestbutton&) {}

void Win32ButtonPlatform::StartRouting(Kestbutton&) {}

void Win32ButtonPlatform::StopRouting(Kestbutton&) {}

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

std::unique_ptr<host::UserControl> MakeKestbutton(host::ControlSite& site) {
    return std::make_unique<Kestbutton>(site, std::make_unique<Win32ButtonPlatform>());
}

void RegisterKestbutton(host::ControlTypes& types) { types[std::string(Kestbutton::kTypeName)] = &MakeKestbutton; }

}  // namespace quill::button
