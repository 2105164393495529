#include "app/FormAdapters.h"

#include "app/FormLayout.h"
#include "controls/button/Kestbutton.h"
#include "platform/Utf16_win.h"

#include <commctrl.h>

#include <vector>

namespace quill::app {

using platform::Narrow;
using platform::Widen;

std::wstring WindowText(HWND window) {
    std::wstring text(static_cast<std::size_t>(::GetWindowTextLengthW(window)) + 1, L'\0');
    text.resize(static_cast<std::size_t>(::GetWindowTextW(window, text.data(), static_cast<int>(text.size()))));
    return text;
}

namespace {

TTTOOLINFOW ToolOf(HWND tool) {
    TTTOOLINFOW info{};
    info.cbSize = sizeof info;
    info.hwnd = ::GetParent(tool);
    info.uId = reinterpret_cast<UINT_PTR>(tool);
    return info;
}

}  // namespace

void EditPathField::SetText(const std::wstring& text) { ::SetWindowTextW(edit_, text.c_str()); }

void EditPathField::SetToolTip(const std::wstring& text) {
    TTTOOLINFOW info = ToolOf(edit_);
    std::wstring copy = text;
    info.lpszText = copy.data();
    ::SendMessageW(tooltip_, TTM_UPDATETIPTEXTW, 0, reinterpret_cast<LPARAM>(&info));
}

std::wstring ToolTipText(HWND tooltip, HWND tool) {
    std::vector<wchar_t> buffer(4096, L'\0');
    TTTOOLINFOW info = ToolOf(tool);
    info.lpszText = buffer.data();
    ::SendMessageW(tooltip, TTM_GETTEXTW, buffer.size(), reinterpret_cast<LPARAM>(&info));
    return buffer.data();
}

void CheckList::Clear() {
    ++ownChanges_;
    ListView_DeleteAllItems(list_);
    --ownChanges_;
}

void CheckList::Append(const std::wstring& name) {
    std::wstring text = name;
    LVITEMW item{};
    item.mask = LVIF_TEXT;
    item.iItem = Count();
    item.pszText = text.data();
    ++ownChanges_;
    ListView_InsertItem(list_, &item);
    --ownChanges_;
}

int CheckList::Count() { return ListView_GetItemCount(list_); }

void CheckList::Select(int index) {
    ++ownChanges_;
    ListView_SetCheckState(list_, index, TRUE);
    --ownChanges_;
}

bool CheckList::Checked(int index) const { return ListView_GetCheckState(list_, index) != FALSE; }

std::wstring CheckList::Entry(int index) const {
    // Grown until the text fits: LVM_GETITEMTEXT answers with what it copied.
    for (std::size_t size = MAX_PATH;; size *= 4) {
        std::vector<wchar_t> buffer(size, L'\0');
        LVITEMW item{};
        item.iSubItem = 0;
        item.pszText = buffer.data();
        item.cchTextMax = static_cast<int>(size);
        const auto copied = static_cast<std::size_t>(
            ::SendMessageW(list_, LVM_GETITEMTEXTW, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(&item)));
        if (copied + 1 < size || size > 1 << 16) return std::wstring(buffer.data(), copied);
    }
}

void ButtonEnabling::SetEnabled(bool enabled) {
    if (button::Kestbutton* b = button_()) b->Set(button::PropertyId::kEnabled, enabled);
}

std::string WindowRunView::List(int index) { return Narrow(c_.list.Entry(index)); }
std::string WindowRunView::StorePath() { return Narrow(WindowText(c_.storePath)); }
std::string WindowRunView::AttachmentPath() { return Narrow(WindowText(c_.attachmentPath)); }
bool WindowRunView::OptOutlook() { return ::SendMessageW(c_.optOutlook, BM_GETCHECK, 0, 0) == BST_CHECKED; }
bool WindowRunView::AdvanceMode() { return ::SendMessageW(c_.advanceMode, BM_GETCHECK, 0, 0) == BST_CHECKED; }
void WindowRunView::SetIMMFileLabel(const std::string& text) { c_.setIMMFileLabel(Widen(text)); }
void WindowRunView::SetLog(const std::string& text) { ::SetWindowTextW(c_.log, Widen(text).c_str()); }

std::string WindowFolderChooser::BrowseForFolder(const std::string& title) {
    return Narrow(browse_(owner_, Widen(title)));
}

void WindowMessageBoxes::Show(const std::string& text, BoxIcon icon) {
    const std::wstring title(kApplicationTitle);
    ::MessageBoxW(owner_, Widen(text).c_str(), title.c_str(),
                  MB_OK | (icon == BoxIcon::Information ? MB_ICONINFORMATION : 0));
}

LocalTime SystemClock::Now() { return platform::LocalNow(); }

}  // namespace quill::app
