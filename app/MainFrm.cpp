#include "app/MainFrm.h"

#include "app/Resources.h"
#include "controls/button/Kestbutton.h"
#include "controls/button/win/ButtonWindow.h"
#include "controls/host/win/DesignResource.h"
#include "convert/EmlFinish.h"
#include "convert/PstTarget.h"
#include "platform/Utf16_win.h"
#include "win32/FolderChooser.h"
#include "win32/Shell.h"

#include <commctrl.h>
#include <windowsx.h>

#include <algorithm>
#include <set>
#include <stdexcept>
#include <vector>

namespace quill::app {
namespace {

using platform::Widen;

constexpr wchar_t kFormClass[] = L"QuillmereMainFrm";
constexpr wchar_t kContainerClass[] = L"QuillmereContainer";
constexpr int kFirstControlId = 100;

std::runtime_error Failure(const std::string& what) {
    return std::runtime_error(what + " (error " + std::to_string(::GetLastError()) + ")");
}

HBRUSH BrushOf(OleColor color) {
    if (color & 0x80000000u) return ::GetSysColorBrush(static_cast<int>(color & 0xFF));
    if (color == kWhite) return static_cast<HBRUSH>(::GetStockObject(WHITE_BRUSH));
    return ::GetSysColorBrush(COLOR_WINDOW);
}

RECT ToRect(const PixelRect& p) { return {p.left, p.top, p.right, p.bottom}; }

}  // namespace

MainFrmServices DefaultServices() {
    MainFrmServices s;
    s.browseForFolder = [](HWND owner, const std::wstring& title) { return BrowseForFolder(owner, title); };
    s.openWebPage = [](const std::wstring& address, HWND owner) { OpenWebPage(address, owner); };
    s.makeFinisher = [] { return std::make_unique<EmlFinisher>(); };
    s.makeOutlookTarget = [] { return std::make_unique<PstTarget>(); };
    return s;
}

MainFrm::MainFrm(MainFrmServices services)
    : services_(std::move(services)),
      guard_([this] {
          if (window_ != nullptr) ::PostMessageW(window_, WM_CLOSE, 0, 0);
      }),
      pump_([this](MSG& message) { return PreTranslate(message); }) {}

MainFrm::~MainFrm() {
    if (window_ != nullptr) ::DestroyWindow(window_);
    host_.reset();
    for (auto& [name, icon] : images_) ::DestroyIcon(icon);
    if (bigIcon_ != nullptr) ::DestroyIcon(bigIcon_);
    if (smallIcon_ != nullptr) ::DestroyIcon(smallIcon_);
    if (linkCursor_ != nullptr) ::DestroyCursor(linkCursor_);
}

void MainFrm::RegisterClasses(HINSTANCE instance) {
    WNDCLASSEXW wc{};
    wc.cbSize = sizeof wc;
    wc.lpfnWndProc = &MainFrm::Procedure;
    wc.hInstance = instance;
    wc.hCursor = ::LoadCursorW(nullptr, IDC_ARROW);
    wc.lpszClassName = kFormClass;
    // Registered once per process; a second form reuses the classes.
    WNDCLASSEXW existing{};
    existing.cbSize = sizeof existing;
    if (!::GetClassInfoExW(instance, kFormClass, &existing) && !::RegisterClassExW(&wc)) {
        throw Failure("cannot register the main window's class");
    }
    wc.lpszClassName = kContainerClass;
    if (!::GetClassInfoExW(instance, kContainerClass, &existing) && !::RegisterClassExW(&wc)) {
        throw Failure("cannot register the frames' class");
    }
}

void MainFrm::Create(HINSTANCE instance) {
    if (window_ != nullptr) throw std::logic_error("the main window is made once");
    // Before any control exists: the visual styles of the v6 controls.
    INITCOMMONCONTROLSEX controls{sizeof controls, ICC_WIN95_CLASSES | ICC_STANDARD_CLASSES};
    ::InitCommonControlsEx(&controls);
    RegisterClasses(instance);

    HDC screen = ::GetDC(nullptr);
    dpiX_ = ::GetDeviceCaps(screen, LOGPIXELSX);
    dpiY_ = ::GetDeviceCaps(screen, LOGPIXELSY);
    ::ReleaseDC(nullptr, screen);
    if (dpiX_ <= 0 || dpiY_ <= 0) dpiX_ = dpiY_ = 96;
    fonts_ = std::make_unique<FontCache>(dpiY_);

    // A fixed single border: the layout is absolute, so the window is not resized.
    const DWORD style = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX | WS_CLIPCHILDREN;
    const DWORD exStyle = WS_EX_CONTROLPARENT;
    RECT frame{0, 0, PixelsFromTwips(kFormWidthTwips, dpiX_), PixelsFromTwips(kFormHeightTwips, dpiY_)};
    ::AdjustWindowRectEx(&frame, style, FALSE, exStyle);
    const int width = outerSize_.cx = frame.right - frame.left;
    const int height = outerSize_.cy = frame.bottom - frame.top;
    RECT work{0, 0, ::GetSystemMetrics(SM_CXSCREEN), ::GetSystemMetrics(SM_CYSCREEN)};
    ::SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
    const int x = std::max<int>(work.left, work.left + (work.right - work.left - width) / 2);
    const int y = std::max<int>(work.top, work.top + (work.bottom - work.top - height) / 2);
    const std::wstring caption(kFormCaption);
    ::CreateWindowExW(exStyle, kFormClass, caption.c_str(), style, x, y, width, height, nullptr, nullptr, instance,
                      this);
    if (window_ == nullptr) throw Failure("cannot make the main window");
    // Made before WM_GETMINMAXINFO could reach the form, so a screen smaller than it cut it down: sized again.
    ::SetWindowPos(window_, nullptr, x, y, width, height, SWP_NOZORDER | SWP_NOACTIVATE);

    LoadPictures(instance);
    ::SendMessageW(window_, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(bigIcon_));
    ::SendMessageW(window_, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(smallIcon_));
    MakeControls(instance);
    ::SendMessageW(ControlWindow("OptEML"), BM_SETCHECK, BST_CHECKED, 0);

    // Load: the store found by itself, its containers listed and selected.
    RunGuard::Scope scope = guard_.Enter();
    StoreView view{*storePath_, *attachmentPath_, *list_, *convertEnabling_, pump_};
    DiscoverStore(view, services_.discovery);
}

void MainFrm::LoadPictures(HINSTANCE instance) {
    auto icon = [instance](int id, int size) {
        HICON made =
            static_cast<HICON>(::LoadImageW(instance, MAKEINTRESOURCEW(id), IMAGE_ICON, size, size, LR_DEFAULTCOLOR));
        if (made == nullptr) throw Failure("cannot load icon " + std::to_string(id));
        return made;
    };
    bigIcon_ = icon(QUILL_ICON_APPLICATION, ::GetSystemMetrics(SM_CXICON));
    smallIcon_ = icon(QUILL_ICON_APPLICATION, ::GetSystemMetrics(SM_CXSMICON));
    // Each image at the size its place has at this DPI, from the icon's own image of that size.
    images_["Image2"] = icon(QUILL_ICON_APPLICATION, PixelsOf(LayoutOf("Image2"), dpiX_, dpiY_).Width());
    images_["Image1"] = icon(QUILL_ICON_ADVANCE, PixelsOf(LayoutOf("Image1"), dpiX_, dpiY_).Width());
    linkCursor_ = static_cast<HCURSOR>(
        ::LoadImageW(instance, MAKEINTRESOURCEW(QUILL_CURSOR_LINK), IMAGE_CURSOR, 0, 0, LR_DEFAULTCOLOR));
    if (linkCursor_ == nullptr) throw Failure("cannot load the link cursor");
}

void MainFrm::MakeControls(HINSTANCE instance) {
    // Siblings are made in tab order: the keyboard moves through them in the order they were made.
    std::vector<const LayoutEntry*> windowed;
    for (const LayoutEntry& e : FormLayout()) {
        if (!e.Windowless()) windowed.push_back(&e);
    }
    std::stable_sort(windowed.begin(), windowed.end(),
                     [](const LayoutEntry* a, const LayoutEntry* b) { return a->tabIndex < b->tabIndex; });

    host::HostForm::Options options;
    options.ambientFont = {"Tahoma", 8.25};
    options.ambientBackColor = static_cast<std::int32_t>(kWhite);
    host_ = std::make_unique<host::HostForm>(window_, *this, options);
    button::RegisterKestbutton(controlTypes_);
    const host::FormDesign design = host::LoadFormDesign(instance, QUILL_DESIGN_MAINFRM, "MainFrm");

    std::set<std::string_view> optionGroups;
    int id = kFirstControlId;
    for (const LayoutEntry* e : windowed) {
        HWND parent = ContainerWindow(e->container);
        HWND made = nullptr;
        if (e->kind == ControlKind::kButton) {
            const host::ControlDesign* stored = design.Find(e->name);
            if (stored == nullptr) throw std::runtime_error("the form's design values lack " + std::string(e->name));
            host_->Load(*stored, controlTypes_, parent);
            made = host_->SurfaceOf(e->name);
        } else {
            const bool groupStart = e->kind == ControlKind::kOption && optionGroups.insert(e->container).second;
            made = MakeWindowedControl(instance, *e, parent);
            ::SetWindowLongPtrW(made, GWLP_ID, id);
            if (groupStart) ::SetWindowLongPtrW(made, GWL_STYLE, ::GetWindowLongPtrW(made, GWL_STYLE) | WS_GROUP);
        }
        ++id;
        windows_.emplace(std::string(e->name), made);
    }

    tooltip_ = ::CreateWindowExW(WS_EX_TOPMOST, TOOLTIPS_CLASSW, nullptr, WS_POPUP | TTS_ALWAYSTIP | TTS_NOPREFIX,
                                 CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, window_, nullptr, instance,
                                 nullptr);
    if (tooltip_ == nullptr) throw Failure("cannot make the tooltip window");
    for (const char* name : {"txtStorePath", "txtAttachmentPath"}) {
        HWND edit = ControlWindow(name);
        TTTOOLINFOW tool{};
        tool.cbSize = sizeof tool;
        tool.uFlags = TTF_IDISHWND | TTF_SUBCLASS;
        tool.hwnd = ::GetParent(edit);
        tool.uId = reinterpret_cast<UINT_PTR>(edit);
        wchar_t empty[] = L"";
        tool.lpszText = empty;
        ::SendMessageW(tooltip_, TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&tool));
    }

    storePath_ = std::make_unique<EditPathField>(ControlWindow("txtStorePath"), tooltip_);
    attachmentPath_ = std::make_unique<EditPathField>(ControlWindow("txtAttachmentPath"), tooltip_);
    list_ = std::make_unique<CheckList>(ControlWindow("ListIMM"), ownListChanges_);
    convertEnabling_ = std::make_unique<ButtonEnabling>([this] { return Button("CmdImportMessages"); });
}

HWND MainFrm::MakeWindowedControl(HINSTANCE instance, const LayoutEntry& e, HWND parent) {
    const PixelRect r = PixelsOf(e, dpiX_, dpiY_);
    DWORD style = WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS;
    DWORD exStyle = 0;
    const wchar_t* windowClass = nullptr;
    switch (e.kind) {
        case ControlKind::kTextBox:
            windowClass = L"EDIT";
            exStyle = WS_EX_CLIENTEDGE;
            style |= WS_TABSTOP | ES_AUTOHSCROLL;
            break;
        case ControlKind::kCheckList:
            windowClass = WC_LISTVIEWW;
            exStyle = WS_EX_CLIENTEDGE;
            style |= WS_TABSTOP | LVS_REPORT | LVS_NOCOLUMNHEADER | LVS_SINGLESEL | LVS_SHOWSELALWAYS;
            break;
        case ControlKind::kFrame:
        case ControlKind::kPictureBox:
            windowClass = kContainerClass;
            exStyle = WS_EX_CONTROLPARENT;
            style |= WS_CLIPCHILDREN;
            break;
        case ControlKind::kOption:
            windowClass = L"BUTTON";
            style |= WS_TABSTOP | BS_AUTORADIOBUTTON;
            break;
        case ControlKind::kCheck:
            windowClass = L"BUTTON";
            style |= WS_TABSTOP | BS_AUTOCHECKBOX;
            break;
        default:
            throw std::logic_error(std::string(e.name) + " has no window of its own");
    }
    const std::wstring text(e.caption);
    HWND made = ::CreateWindowExW(exStyle, windowClass, text.c_str(), style, r.left, r.top, r.Width(), r.Height(),
                                  parent, nullptr, instance, this);
    if (made == nullptr) throw Failure("cannot make " + std::string(e.name));
    ::SendMessageW(made, WM_SETFONT, reinterpret_cast<WPARAM>(fonts_->Get(e.font)), FALSE);
    if (e.kind == ControlKind::kCheckList) {
        ListView_SetExtendedListViewStyle(made, LVS_EX_CHECKBOXES | LVS_EX_FULLROWSELECT);
        ListView_SetBkColor(made, ColorOf(e.backColor));
        ListView_SetTextBkColor(made, ColorOf(e.backColor));
        RECT client{};
        ::GetClientRect(made, &client);
        // One column as wide as the list, less the scroll bar a long list shows.
        LVCOLUMNW column{};
        column.mask = LVCF_WIDTH;
        column.cx = client.right - ::GetSystemMetrics(SM_CXVSCROLL);
        ListView_InsertColumn(made, 0, &column);
    }
    return made;
}

LRESULT CALLBACK MainFrm::Procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_NCCREATE) {
        auto* made = static_cast<MainFrm*>(reinterpret_cast<CREATESTRUCTW*>(lParam)->lpCreateParams);
        ::SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(made));
        if (made->window_ == nullptr) made->window_ = window;  // the form is made first
    }
    auto* self = reinterpret_cast<MainFrm*>(::GetWindowLongPtrW(window, GWLP_USERDATA));
    if (self == nullptr) return ::DefWindowProcW(window, message, wParam, lParam);
    if (message == WM_NCDESTROY) {
        ::SetWindowLongPtrW(window, GWLP_USERDATA, 0);
        if (window == self->window_) self->window_ = nullptr;
        return ::DefWindowProcW(window, message, wParam, lParam);
    }
    // The one place where a failing handler is caught: nothing leaves a window procedure.
    try {
        return self->Handle(window, message, wParam, lParam);
    } catch (const std::exception& e) {
        self->ReportError(Widen(e.what()));
    } catch (...) {
        self->ReportError(L"an unexpected error");
    }
    return ::DefWindowProcW(window, message, wParam, lParam);
}

// A named callback (the x86 build needs its calling convention): passes a
// system-wide change on to one child window.
BOOL CALLBACK MainFrm::ForwardToChild(HWND child, LPARAM message) {
    ::SendMessageW(child, static_cast<UINT>(message), 0, 0);
    return TRUE;
}

LRESULT MainFrm::Handle(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    const bool form = window == window_;
    switch (message) {
        case WM_ERASEBKGND:
            return 1;  // WM_PAINT fills everything
        case WM_PAINT: {
            PAINTSTRUCT paint;
            HDC dc = ::BeginPaint(window, &paint);
            RECT client{};
            ::GetClientRect(window, &client);
            // Drawn off screen first, so a label that changes during a run does not flicker.
            UniqueCreatedDc memory(::CreateCompatibleDC(dc));
            UniqueBitmap bitmap(::CreateCompatibleBitmap(dc, client.right, client.bottom));
            if (memory && bitmap) {
                SelectedObject selected(memory.Get(), bitmap.Get());
                Paint(window, memory.Get());
                ::BitBlt(dc, 0, 0, client.right, client.bottom, memory.Get(), 0, 0, SRCCOPY);
            } else {
                Paint(window, dc);
            }
            ::EndPaint(window, &paint);
            return 0;
        }
        case WM_PRINTCLIENT:
            Paint(window, reinterpret_cast<HDC>(wParam));
            return 0;
        case WM_CTLCOLOREDIT:
            return ControlColor(reinterpret_cast<HDC>(wParam), reinterpret_cast<HWND>(lParam), true);
        case WM_CTLCOLORSTATIC:
        case WM_CTLCOLORBTN:
            return ControlColor(reinterpret_cast<HDC>(wParam), reinterpret_cast<HWND>(lParam), false);
        case WM_NOTIFY:
            return HandleNotify(*reinterpret_cast<const NMHDR*>(lParam));
        case WM_COMMAND:
            return 0;  // Enter and Esc from the keyboard navigation mean nothing here
        case WM_SETCURSOR:
            if (reinterpret_cast<HWND>(wParam) == window && LOWORD(lParam) == HTCLIENT) {
                POINT at{};
                ::GetCursorPos(&at);
                ::ScreenToClient(window, &at);
                if (LinkAt(window, at) != nullptr) {
                    ::SetCursor(linkCursor_);
                    return TRUE;
                }
            }
            break;
        case WM_LBUTTONDOWN: {
            const LayoutEntry* link = LinkAt(window, {GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)});
            pressedLink_ = link != nullptr ? std::string(link->name) : std::string();
            return 0;
        }
        case WM_LBUTTONUP: {
            // A click: pressed and released over the same link.
            const LayoutEntry* link = LinkAt(window, {GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)});
            const std::string pressed = std::exchange(pressedLink_, std::string());
            if (link != nullptr && link->name == pressed) OnLinkClick(link->name);
            return 0;
        }
        case WM_SYSCOLORCHANGE:
        case WM_THEMECHANGED:
            // Windows tells only top-level windows; the controls redraw in the new colours too.
            if (form) ::EnumChildWindows(window, ForwardToChild, static_cast<LPARAM>(message));
            ::InvalidateRect(window, nullptr, TRUE);
            break;
        case WM_ACTIVATE:
            if (!form) break;
            if (LOWORD(wParam) == WA_INACTIVE) {
                HWND focus = ::GetFocus();
                if (focus != nullptr && ::IsChild(window_, focus)) focus_ = focus;
                return 0;
            }
            if (focus_ == nullptr || !::IsWindow(focus_)) focus_ = ::GetNextDlgTabItem(window_, nullptr, FALSE);
            if (focus_ != nullptr) ::SetFocus(focus_);
            return 0;
        case WM_GETMINMAXINFO:
            // The form keeps its size on a screen smaller than it, rather than losing its lower part.
            if (form && outerSize_.cx > 0) {
                auto* limits = reinterpret_cast<MINMAXINFO*>(lParam);
                limits->ptMaxTrackSize.x = std::max(limits->ptMaxTrackSize.x, outerSize_.cx);
                limits->ptMaxTrackSize.y = std::max(limits->ptMaxTrackSize.y, outerSize_.cy);
                return 0;
            }
            break;
        case WM_CLOSE:
            if (!form) break;
            if (guard_.RequestClose()) ::DestroyWindow(window);
            return 0;
        case WM_QUERYENDSESSION:
            // The session may end once the run has stopped and closed its files.
            if (form && guard_.Busy()) {
                (void)guard_.RequestClose();
                return FALSE;
            }
            break;
        case WM_DESTROY:
            if (form && services_.quitWhenClosed) ::PostQuitMessage(0);
            break;
    }
    return ::DefWindowProcW(window, message, wParam, lParam);
}

LRESULT MainFrm::HandleNotify(const NMHDR& header) {
    if (header.code == LVN_ITEMCHANGED && header.hwndFrom == ControlWindow("ListIMM") && ownListChanges_ == 0) {
        const auto& change = reinterpret_cast<const NMLISTVIEW&>(header);
        const UINT oldImage = change.uOldState & LVIS_STATEIMAGEMASK;
        const UINT newImage = change.uNewState & LVIS_STATEIMAGEMASK;
        // A check box the user turned on or off (an entry without a check box yet is being made).
        if ((change.uChanged & LVIF_STATE) != 0 && oldImage != 0 && oldImage != newImage) OnListClick();
    }
    return 0;
}

LRESULT MainFrm::ControlColor(HDC dc, HWND control, bool edit) {
    for (const auto& [name, window] : windows_) {
        if (window != control) continue;
        const LayoutEntry& e = LayoutOf(name);
        ::SetTextColor(dc, ColorOf(e.foreColor));
        ::SetBkColor(dc, ColorOf(e.backColor));
        if (!edit) ::SetBkMode(dc, TRANSPARENT);
        return reinterpret_cast<LRESULT>(BrushOf(e.backColor));
    }
    return reinterpret_cast<LRESULT>(::GetSysColorBrush(edit ? COLOR_WINDOW : COLOR_BTNFACE));
}

void MainFrm::Paint(HWND window, HDC dc) {
    RECT client{};
    ::GetClientRect(window, &client);
    PaintSources sources{*fonts_, dpiX_, dpiY_, [this](const LayoutEntry& e) { return LabelCaption(e.name); },
                         [this](const LayoutEntry& e) { return ImageIcon(e.name); }};
    PaintContainer(dc, window, client, ContainerName(window), sources);
}

bool MainFrm::PreTranslate(MSG& message) {
    if (window_ == nullptr) return false;
    if (host_ && host_->PreTranslateMessage(message)) return true;
    return ::IsDialogMessageW(window_, &message) != FALSE;
}

void MainFrm::Show(int showCommand) {
    ::ShowWindow(window_, showCommand);
    ::UpdateWindow(window_);
}

int MainFrm::RunMessageLoop() {
    MSG message{};
    while (::GetMessageW(&message, nullptr, 0, 0) > 0) {
        if (PreTranslate(message)) continue;
        ::TranslateMessage(&message);
        ::DispatchMessageW(&message);
    }
    return static_cast<int>(message.wParam);
}

void MainFrm::OnStoreBrowseClick() {
    RunGuard::Scope scope = guard_.Enter();
    if (!scope) return;
    std::wstring folder = services_.browseForFolder(window_, std::wstring(kChooseStoreTitle));
    if (folder.empty()) return;
    if (folder.back() != L'\\') folder += L'\\';
    storePath_->SetText(folder);  // the tooltip keeps the path found at start
    pump_.Pump();
    StoreView view{*storePath_, *attachmentPath_, *list_, *convertEnabling_, pump_};
    ListContainers(view);
}

void MainFrm::OnAttachmentBrowseClick() {
    RunGuard::Scope scope = guard_.Enter();
    if (!scope) return;
    std::wstring folder = services_.browseForFolder(window_, std::wstring(kChooseAttachmentsTitle));
    if (folder.empty()) return;
    if (folder.back() != L'\\') folder += L'\\';
    attachmentPath_->SetText(folder);
    pump_.Pump();
}

void MainFrm::OnListClick() {
    if (!list_ || !convertEnabling_) return;  // the list is still being made
    bool any = false;
    for (int i = 0; i < list_->Count(); ++i) any = any || list_->Checked(i);
    convertEnabling_->SetEnabled(any);
}

void MainFrm::OnImportMessagesClick() {
    // A second press while a run (or a listing) is under way is passed over.
    RunGuard::Scope scope = guard_.Enter();
    if (!scope) return;
    WindowRunView view({*list_, ControlWindow("txtStorePath"), ControlWindow("txtAttachmentPath"),
                        ControlWindow("OptOutlook"), ControlWindow("ChkAdvanceMode"), ControlWindow("txtLog"),
                        [this](const std::wstring& text) { SetLabelCaption("LblIMMFile", text); }});
    WindowFolderChooser chooser(window_, services_.browseForFolder);
    WindowMessageBoxes windowBoxes(window_);
    SystemClock clock;
    std::unique_ptr<MessageFinisher> finisher = services_.makeFinisher ? services_.makeFinisher() : nullptr;
    RunServices run;
    run.view = &view;
    run.chooser = &chooser;
    run.boxes = services_.boxes != nullptr ? services_.boxes : &windowBoxes;
    run.pump = &pump_;
    run.clock = &clock;
    run.finisher = finisher.get();
    run.makeOutlookTarget = services_.makeOutlookTarget;
    ConversionRun conversion(std::move(run));
    guard_.SetStop([&conversion] { conversion.RequestStop(); });
    lastRun_ = conversion.Convert();
}

void MainFrm::OnLinkClick(std::string_view label) {
    const std::wstring address(label == "LblHelp" ? kHelpPage : kHomePage);
    services_.openWebPage(address, window_);
}

void MainFrm::OnControlEvent(std::string_view control, const host::ControlEvent& event) {
    if (event.name != "Click") return;
    // Caught here rather than in the host: the button's own input handling goes on undisturbed.
    try {
        if (control == "CmdStoreBrowse") {
            OnStoreBrowseClick();
        } else if (control == "CmdAttachmentBrowse") {
            OnAttachmentBrowseClick();
        } else if (control == "CmdImportMessages") {
            OnImportMessagesClick();
        }
    } catch (const std::exception& e) {
        ReportError(Widen(std::string(control) + ": " + e.what()));
    }
}

void MainFrm::OnControlError(std::string_view control, const std::exception& error) {
    ReportError(Widen(std::string(control) + ": " + error.what()));
}

void MainFrm::ReportError(const std::wstring& what) noexcept {
    if (reportingError_) return;  // one box at a time, however many messages fail meanwhile
    reportingError_ = true;
    try {
        if (services_.reportError) {
            services_.reportError(what);
        } else {
            const std::wstring title(kApplicationTitle);
            ::MessageBoxW(window_, what.c_str(), title.c_str(), MB_OK | MB_ICONERROR);
        }
    } catch (...) {
        // Nothing more can be told.
    }
    reportingError_ = false;
}

HWND MainFrm::ControlWindow(std::string_view name) const {
    auto found = windows_.find(name);
    return found != windows_.end() ? found->second : nullptr;
}

HWND MainFrm::ContainerWindow(std::string_view container) const {
    if (container.empty()) return window_;
    HWND found = ControlWindow(container);
    if (found == nullptr) throw std::logic_error("the container " + std::string(container) + " is made later");
    return found;
}

std::string_view MainFrm::ContainerName(HWND window) const {
    if (window == window_) return {};
    for (const auto& [name, hwnd] : windows_) {
        if (hwnd == window) return name;
    }
    return {};
}

button::Kestbutton* MainFrm::Button(std::string_view name) const {
    return host_ ? dynamic_cast<button::Kestbutton*>(host_->Find(name)) : nullptr;
}

std::wstring MainFrm::LabelCaption(std::string_view name) const {
    auto found = captions_.find(name);
    return found != captions_.end() ? found->second : std::wstring(LayoutOf(name).caption);
}

void MainFrm::SetLabelCaption(std::string_view label, const std::wstring& text) {
    captions_.insert_or_assign(std::string(label), text);
    const LayoutEntry& e = LayoutOf(label);
    const RECT area = ToRect(PixelsOf(e, dpiX_, dpiY_));
    ::InvalidateRect(ContainerWindow(e.container), &area, FALSE);
}

HICON MainFrm::ImageIcon(std::string_view image) const {
    auto found = images_.find(image);
    return found != images_.end() ? found->second : nullptr;
}

const LayoutEntry* MainFrm::LinkAt(HWND container, POINT point) const {
    const std::string_view name = ContainerName(container);
    if (container != window_ && name.empty()) return nullptr;
    for (const LayoutEntry& e : FormLayout()) {
        if (e.Has(kHandCursor) && e.container == name && PixelsOf(e, dpiX_, dpiY_).Contains(point.x, point.y)) {
            return &e;
        }
    }
    return nullptr;
}

HCURSOR MainFrm::CursorAt(HWND container, POINT point) const {
    return LinkAt(container, point) != nullptr ? linkCursor_ : ::LoadCursorW(nullptr, IDC_ARROW);
}

}  // namespace quill::app
