// The main window in-process and headless: its controls against the form's
// table at the DPI of the Wine prefix (96, or QUILL_WINE_DPI), its handlers
// through a fake folder chooser, whole conversions from a store found in
// test registry keys, and closing during a run.
#include "app/MainFrm.h"

#include "app/Resources.h"
#include "controls/button/ButtonEvents.h"
#include "controls/button/Kestbutton.h"
#include "convert/EmlFinish.h"
#include "convert/PendingMessage.h"
#include "pst/verify/PstReader.h"
#include "pst/verify/Verifier.h"
#include "platform/Utf16_win.h"
#include "tests/win32/TestSupport.h"
#include "tools/StoreGenerator.h"

#include <commctrl.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <deque>
#include <functional>
#include <map>
#include <stdexcept>
#include <string>
#include <vector>

namespace quill::app {
namespace {

using platform::Narrow;
using platform::Widen;
using test::ScopedEnvironment;
using test::TempFolder;
using test::ThrowawayKey;

int ExpectedDpi() {
    const char* dpi = std::getenv("QUILL_WINE_DPI");
    return dpi != nullptr ? std::atoi(dpi) : 96;
}

// Independent of the window's own rounding: the nearest pixel, halves up.
int Px(int twips, int dpi) { return static_cast<int>(std::floor(twips * dpi / 1440.0 + 0.5)); }

RECT RectInParent(HWND window) {
    RECT r{};
    ::GetWindowRect(window, &r);
    ::MapWindowPoints(HWND_DESKTOP, ::GetParent(window), reinterpret_cast<POINT*>(&r), 2);
    return r;
}

std::string Describe(const RECT& r) {
    return std::to_string(r.left) + "," + std::to_string(r.top) + " - " + std::to_string(r.right) + "," +
           std::to_string(r.bottom);
}

void PumpPending() {
    MSG msg;
    while (::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
        ::TranslateMessage(&msg);
        ::DispatchMessageW(&msg);
    }
}

bool Checked(HWND button) { return ::SendMessageW(button, BM_GETCHECK, 0, 0) == BST_CHECKED; }

struct FakeChooser {
    std::deque<std::wstring> answers;  // empty: cancelled
    std::vector<std::wstring> titles;
    std::vector<HWND> owners;
    std::function<void()> during;  // runs while the chooser is "open"
    std::wstring Browse(HWND owner, const std::wstring& title) {
        titles.push_back(title);
        owners.push_back(owner);
        if (during) during();
        if (answers.empty()) return {};
        std::wstring answer = answers.front();
        answers.pop_front();
        return answer;
    }
};

struct FakeBoxes final : MessageBoxes {
    std::vector<std::string> shown;
    std::vector<BoxIcon> icons;
    void Show(const std::string& text, BoxIcon icon) override {
        shown.push_back(text);
        icons.push_back(icon);
    }
};

// The real finisher, with a hook after each message it finishes.
struct HookedFinisher final : MessageFinisher {
    std::function<void(int)> after;
    int finished = 0;
    EmlFinisher real;
    FinishResult Finish(PendingMessage& message, const std::string& attachments) override {
        FinishResult result = real.Finish(message, attachments);
        ++finished;
        if (after) after(finished);
        return result;
    }
};

class MainFrmTest : public ::testing::Test {
  protected:
    // A store folder the registry describes, under a folder nobody else
    // uses; the default data folders point into `home` too, empty. Ends in a
    // backslash.
    std::wstring DescribedStore() {
        const std::wstring identity = L"{0A1B2C3D-window}";
        const std::wstring data = home.MakeFolder(L"IM");
        key.SetText(L"IncrediMail", L"ApplicationPath", data);
        key.SetText(L"IncrediMail\\Identities", L"", identity);
        return home.MakeFolder(L"IM\\Identities\\" + identity + L"\\Message Store") + L"\\";
    }

    MainFrmServices Services() {
        MainFrmServices s = DefaultServices();
        s.discovery = {HKEY_CURRENT_USER, key.Path() + L"\\IncrediMail"};
        s.browseForFolder = [this](HWND owner, const std::wstring& title) { return chooser.Browse(owner, title); };
        s.openWebPage = [this](const std::wstring& address, HWND owner) {
            if (openFails) throw std::runtime_error("the shell is gone");
            opened.push_back(address);
            openOwners.push_back(owner);
        };
        s.boxes = &boxes;
        s.reportError = [this](const std::wstring& what) { errors.push_back(what); };
        s.makeFinisher = [this]() -> std::unique_ptr<MessageFinisher> {
            auto f = std::make_unique<HookedFinisher>();
            f->after = afterFinish;
            return f;
        };
        s.quitWhenClosed = false;
        return s;
    }

    MainFrm& Open() {
        frm = std::make_unique<MainFrm>(Services());
        frm->Create(::GetModuleHandleW(nullptr));
        frm->Show(SW_SHOWNOACTIVATE);
        return *frm;
    }

    HWND W(const char* name) const { return frm->ControlWindow(name); }
    button::Kestbutton& B(const char* name) const {
        button::Kestbutton* b = frm->Button(name);
        if (b == nullptr) throw std::logic_error(std::string("no button ") + name);
        return *b;
    }
    void Click(const char* button) { B(button).RaiseEvent(button::ButtonEvent::kClick); }
    bool ConvertEnabled() const { return B("CmdImportMessages").Properties().enabled; }
    std::vector<std::wstring> ListEntries() const {
        std::vector<std::wstring> names;
        HWND list = W("ListIMM");
        for (int i = 0; i < ListView_GetItemCount(list); ++i) {
            wchar_t text[MAX_PATH] = {};
            ListView_GetItemText(list, i, 0, text, MAX_PATH);
            names.push_back(text);
        }
        return names;
    }
    int CheckedCount() const {
        int n = 0;
        for (int i = 0; i < ListView_GetItemCount(W("ListIMM")); ++i) n += ListView_GetCheckState(W("ListIMM"), i);
        return n;
    }

    ThrowawayKey key;
    TempFolder home{L"window"};
    ScopedEnvironment local{L"LOCALAPPDATA", home.MakeFolder(L"AppData\\Local")};
    ScopedEnvironment profile{L"USERPROFILE", home.Path()};
    FakeChooser chooser;
    FakeBoxes boxes;
    std::vector<std::wstring> errors, opened;
    std::vector<HWND> openOwners;
    bool openFails = false;
    std::function<void(int)> afterFinish;
    std::unique_ptr<MainFrm> frm;
};

// ---- The form at the prefix's DPI -------------------------------------------

using MainFrmLayoutTest = MainFrmTest;

TEST_F(MainFrmLayoutTest, WindowIsFixedCentredAndSizedInTwips) {
    MainFrm& f = Open();
    const int dpi = ExpectedDpi();
    ASSERT_EQ(f.DpiX(), dpi) << "the prefix's LogPixels did not reach the window";
    ASSERT_EQ(f.DpiY(), dpi);
    RECT client{};
    ::GetClientRect(f.Window(), &client);
    EXPECT_EQ(client.right, Px(12000, dpi));
    EXPECT_EQ(client.bottom, Px(7680, dpi));
    const LONG_PTR style = ::GetWindowLongPtrW(f.Window(), GWL_STYLE);
    EXPECT_EQ(style & (WS_THICKFRAME | WS_MAXIMIZEBOX), 0) << "a fixed single border";
    EXPECT_NE(style & WS_CAPTION, 0);
    EXPECT_EQ(WindowText(f.Window()), L"Quillmere\u00AE for Incredimail");
    // Centred; on a screen smaller than the window (Wine's null screen at 144 DPI) from its top left.
    RECT outer{}, work{};
    ::GetWindowRect(f.Window(), &outer);
    ::SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
    if (outer.right - outer.left <= work.right - work.left) {
        EXPECT_LE(std::abs((outer.left + outer.right) - (work.left + work.right)), 1) << Describe(outer);
    } else {
        EXPECT_EQ(outer.left, work.left) << Describe(outer);
    }
    if (outer.bottom - outer.top <= work.bottom - work.top) {
        EXPECT_LE(std::abs((outer.top + outer.bottom) - (work.top + work.bottom)), 1) << Describe(outer);
    } else {
        EXPECT_EQ(outer.top, work.top) << Describe(outer);
    }
    EXPECT_NE(::SendMessageW(f.Window(), WM_GETICON, ICON_BIG, 0), 0);
    EXPECT_NE(::SendMessageW(f.Window(), WM_GETICON, ICON_SMALL, 0), 0);
    EXPECT_TRUE(::IsProcessDPIAware()) << "the manifest declares the program DPI-aware";
}

TEST_F(MainFrmLayoutTest, EveryWindowedControlSitsWhereTheTablePutsItInItsContainer) {
    MainFrm& f = Open();
    const int dpi = ExpectedDpi();
    int checked = 0;
    for (const LayoutEntry& e : FormLayout()) {
        if (e.Windowless()) {
            EXPECT_EQ(f.ControlWindow(e.name), nullptr) << e.name;
            continue;
        }
        HWND w = f.ControlWindow(e.name);
        ASSERT_NE(w, nullptr) << e.name;
        HWND container = e.container.empty() ? f.Window() : f.ControlWindow(e.container);
        EXPECT_EQ(::GetParent(w), container) << e.name << " lies in " << e.container;
        const RECT expected{Px(e.left, dpi), Px(e.top, dpi), Px(e.left, dpi) + Px(e.width, dpi),
                            Px(e.top, dpi) + Px(e.height, dpi)};
        const RECT actual = RectInParent(w);
        EXPECT_TRUE(::EqualRect(&expected, &actual))
            << e.name << ": expected " << Describe(expected) << ", is " << Describe(actual);
        EXPECT_TRUE(::IsWindowVisible(w)) << e.name;
        ++checked;
    }
    EXPECT_EQ(checked, 13);
}

// The window's fonts against the table, sized for the DPI by a rule of the test's own.
TEST_F(MainFrmLayoutTest, ControlsCarryTheTablesFontsAtThisDpi) {
    MainFrm& f = Open();
    const int dpi = ExpectedDpi();
    for (const LayoutEntry& e : FormLayout()) {
        if (e.Windowless() || e.kind == ControlKind::kFrame || e.kind == ControlKind::kPictureBox) continue;
        if (e.kind == ControlKind::kButton) {
            const host::Font& font = B(std::string(e.name).c_str()).Properties().font;
            EXPECT_EQ(font.name, Narrow(std::wstring(e.font.face))) << e.name;
            EXPECT_DOUBLE_EQ(font.size, e.font.points) << e.name;
            continue;
        }
        HFONT font = reinterpret_cast<HFONT>(::SendMessageW(f.ControlWindow(e.name), WM_GETFONT, 0, 0));
        ASSERT_NE(font, nullptr) << e.name;
        LOGFONTW lf{};
        ASSERT_NE(::GetObjectW(font, sizeof lf, &lf), 0);
        EXPECT_EQ(std::wstring(lf.lfFaceName), std::wstring(e.font.face)) << e.name;
        EXPECT_EQ(-lf.lfHeight, static_cast<int>(std::floor(e.font.points * dpi / 72 + 0.5))) << e.name;
        EXPECT_EQ(lf.lfWeight >= FW_BOLD, e.font.bold) << e.name;
    }
}

// Nothing is cut off: each label's text, in its font at this DPI, fits its
// rectangle (on one line, but for the help text), and so do the captions of
// the frames, option buttons and the check box.
TEST_F(MainFrmLayoutTest, TextsFitTheirControls) {
    MainFrm& f = Open();
    const int dpi = ExpectedDpi();
    FontCache fonts(dpi);
    HDC dc = ::GetDC(f.Window());
    for (const LayoutEntry& e : FormLayout()) {
        std::wstring text = f.LabelCaption(e.name);
        if (e.kind != ControlKind::kLabel) text = std::wstring(e.caption);
        if (text.empty() || e.kind == ControlKind::kButton || e.kind == ControlKind::kTextBox) continue;
        const HGDIOBJ old = ::SelectObject(dc, fonts.Get(e.font));
        TEXTMETRICW metrics{};
        ::GetTextMetricsW(dc, &metrics);
        const int width = Px(e.width, dpi);
        if (e.kind == ControlKind::kLabel) {
            RECT box{0, 0, width, 0};
            ::DrawTextW(dc, text.c_str(), static_cast<int>(text.size()), &box, LabelTextFormat(e) | DT_CALCRECT);
            EXPECT_LE(box.right, width) << e.name;
            EXPECT_LE(box.bottom, Px(e.height, dpi)) << e.name << ": " << box.bottom / metrics.tmHeight << " lines";
            if (!e.Has(kWordWrap)) {
                EXPECT_EQ(box.bottom, metrics.tmHeight) << e.name << " wraps";
            }
        } else {
            SIZE extent{};
            ::GetTextExtentPoint32W(dc, text.c_str(), static_cast<int>(text.size()), &extent);
            // A check mark and its gap before the caption; a frame's caption is indented on both sides.
            const int margin = e.kind == ControlKind::kFrame ? Px(240, dpi) : ::GetSystemMetrics(SM_CXMENUCHECK) + 4;
            EXPECT_LE(extent.cx + margin, width) << e.name;
            EXPECT_LE(metrics.tmHeight, Px(e.height, dpi)) << e.name;
        }
        ::SelectObject(dc, old);
    }
    ::ReleaseDC(f.Window(), dc);
}

TEST_F(MainFrmLayoutTest, TabGoesThroughTheControlsInTheTablesOrder) {
    MainFrm& f = Open();
    std::map<HWND, std::string> names;
    for (const LayoutEntry& e : FormLayout()) {
        if (HWND w = f.ControlWindow(e.name)) names[w] = std::string(e.name);
    }
    std::vector<std::string> order;
    HWND first = ::GetNextDlgTabItem(f.Window(), nullptr, FALSE);
    for (HWND at = first; at != nullptr && order.size() < 20;) {
        order.push_back(names.count(at) ? names[at] : "?");
        at = ::GetNextDlgTabItem(f.Window(), at, FALSE);
        if (at == first) break;
    }
    // The two option buttons are one stop, on the one that is selected.
    const std::vector<std::string> expected{
        "txtStorePath", "txtAttachmentPath", "CmdStoreBrowse", "CmdAttachmentBrowse", "ListIMM", "CmdImportMessages",
        "txtLog",       "ChkAdvanceMode",    "OptEML"};
    EXPECT_EQ(order, expected);
    ::SendMessageW(f.ControlWindow("OptOutlook"), BM_CLICK, 0, 0);
    EXPECT_EQ(::GetNextDlgTabItem(f.Window(), f.ControlWindow("ChkAdvanceMode"), FALSE), f.ControlWindow("OptOutlook"));
}

TEST_F(MainFrmLayoutTest, StartsWithEmlNoAdvanceModeEmptyLogAndEveryButtonEnabled) {
    MainFrm& f = Open();
    EXPECT_TRUE(Checked(W("OptEML")));
    EXPECT_FALSE(Checked(W("OptOutlook")));
    EXPECT_FALSE(Checked(W("ChkAdvanceMode")));
    EXPECT_EQ(WindowText(W("txtLog")), L"");
    EXPECT_EQ(f.LabelCaption("LblIMMFile"), L"");
    EXPECT_EQ(WindowText(W("txtStorePath")), L"") << "no store in the test registry";
    EXPECT_EQ(ListView_GetItemCount(W("ListIMM")), 0);
    for (const char* name : {"CmdStoreBrowse", "CmdAttachmentBrowse", "CmdImportMessages"}) {
        EXPECT_TRUE(B(name).Properties().enabled) << name;
        EXPECT_TRUE(::IsWindowEnabled(W(name))) << name;
        EXPECT_EQ(B(name).Properties().buttonStyle, 8) << name;
        EXPECT_EQ(B(name).Properties().backColor, static_cast<button::Color>(Rgb(173, 209, 255))) << name;
        ASSERT_NE(B(name).Properties().pictureNormal, nullptr) << name;
    }
    EXPECT_EQ(B("CmdImportMessages").Properties().caption, "Convert Messages");
    EXPECT_EQ(B("CmdStoreBrowse").Properties().pictureNormal->Source()->id, QUILL_ICON_BROWSE);
    EXPECT_EQ(B("CmdImportMessages").Properties().pictureNormal->Source()->id, QUILL_ICON_APPLICATION);
    EXPECT_NE(f.LabelCaption("Label12").find(L"browse required folder having incredimail files"), std::wstring::npos);
    // Clicking the other option button of the group clears the first.
    ::SendMessageW(W("OptOutlook"), BM_CLICK, 0, 0);
    EXPECT_TRUE(Checked(W("OptOutlook")));
    EXPECT_FALSE(Checked(W("OptEML")));
}

// ---- Pictures ----------------------------------------------------------------

// The sizes of an icon resource's images, from its group directory.
std::vector<int> IconSizes(int id) {
    HRSRC found = ::FindResourceW(nullptr, MAKEINTRESOURCEW(id), RT_GROUP_ICON);
    if (found == nullptr) return {};
    const auto* data = static_cast<const BYTE*>(::LockResource(::LoadResource(nullptr, found)));
    std::vector<int> sizes;
    const int count = data[4] | data[5] << 8;
    for (int i = 0; i < count; ++i) {
        const int width = data[6 + 14 * i];
        sizes.push_back(width == 0 ? 256 : width);
    }
    return sizes;
}

// Sharp at every scale: each image has an image of its own at the size its
// place takes at the usual DPIs, so none is a stretched copy of another.
TEST(MainFrmPictures, IconsHoldAnImageForEveryScaleAndTheCursorIsTheMonochromeHand) {
    const std::vector<int> program = IconSizes(QUILL_ICON_APPLICATION);
    const std::vector<int> advance = IconSizes(QUILL_ICON_ADVANCE);
    for (int dpi : {96, 120, 144, 192}) {
        for (int size : {Px(720, dpi), ::MulDiv(16, dpi, 96), ::MulDiv(32, dpi, 96)}) {
            EXPECT_NE(std::find(program.begin(), program.end(), size), program.end()) << size << " at " << dpi;
        }
        EXPECT_NE(std::find(advance.begin(), advance.end(), Px(240, dpi)), advance.end()) << dpi;
    }
    EXPECT_EQ(IconSizes(QUILL_ICON_BROWSE).front(), 24) << "the Browse buttons' picture is 24 x 24";

    HCURSOR cursor = static_cast<HCURSOR>(::LoadImageW(::GetModuleHandleW(nullptr), MAKEINTRESOURCEW(QUILL_CURSOR_LINK),
                                                       IMAGE_CURSOR, 0, 0, LR_DEFAULTCOLOR));
    ASSERT_NE(cursor, nullptr);
    ICONINFO info{};
    ASSERT_TRUE(::GetIconInfo(cursor, &info));
    EXPECT_FALSE(info.fIcon);
    EXPECT_EQ(info.xHotspot, 5u);
    EXPECT_EQ(info.yHotspot, 0u);
    EXPECT_EQ(info.hbmColor, nullptr) << "monochrome: a mask only";
    BITMAP mask{};
    ::GetObjectW(info.hbmMask, sizeof mask, &mask);
    EXPECT_EQ(mask.bmWidth, 32);
    EXPECT_EQ(mask.bmHeight, 64) << "AND and XOR halves of a 32 x 32 cursor";
    ::DeleteObject(info.hbmMask);
    if (info.hbmColor != nullptr) ::DeleteObject(info.hbmColor);
    ::DestroyCursor(cursor);
}

TEST_F(MainFrmTest, LinksShowTheHandAndOpenTheirPagesOnAClick) {
    MainFrm& f = Open();
    const int dpi = f.DpiX();
    auto centre = [dpi](const char* name) {
        const PixelRect r = PixelsOf(LayoutOf(name), dpi, dpi);
        return POINT{(r.left + r.right) / 2, (r.top + r.bottom) / 2};
    };
    auto press = [&](POINT down, POINT up) {
        ::SendMessageW(f.Window(), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(down.x, down.y));
        ::SendMessageW(f.Window(), WM_LBUTTONUP, 0, MAKELPARAM(up.x, up.y));
    };
    EXPECT_EQ(f.CursorAt(f.Window(), centre("LblHelp")), f.LinkCursor());
    EXPECT_EQ(f.CursorAt(f.Window(), centre("LblWebsite")), f.LinkCursor());
    EXPECT_NE(f.CursorAt(f.Window(), centre("Label12")), f.LinkCursor());

    press(centre("LblHelp"), centre("LblHelp"));
    press(centre("LblWebsite"), centre("LblWebsite"));
    press(centre("LblHelp"), centre("LblWebsite"));  // released elsewhere: no click
    press(centre("Label3"), centre("Label3"));
    ASSERT_EQ(opened.size(), 2u);
    EXPECT_EQ(opened[0], std::wstring(kHelpPage));
    EXPECT_EQ(opened[1], std::wstring(kHomePage));
    EXPECT_EQ(openOwners[0], f.Window());

    // A handler that fails inside the window procedure is told, and the window lives on.
    openFails = true;
    press(centre("LblHelp"), centre("LblHelp"));
    ASSERT_EQ(errors.size(), 1u);
    EXPECT_NE(errors[0].find(L"the shell is gone"), std::wstring::npos);
    EXPECT_TRUE(::IsWindow(f.Window()));
}

// ---- Handlers ------------------------------------------------------------------

TEST_F(MainFrmTest, DiscoveredStoreIsShownWithTooltipsListedAndSelected) {
    const std::wstring store = DescribedStore();
    for (const wchar_t* name : {L"Inbox.imm", L"Sent Items.imm", L"Notes.iml"}) {
        home.MakeFile(store.substr(home.Path().size() + 1) + name);
    }
    Open();
    EXPECT_EQ(WindowText(W("txtStorePath")), store);
    EXPECT_EQ(WindowText(W("txtAttachmentPath")), store + L"Attachments\\");
    EXPECT_EQ(ToolTipText(frm->ToolTip(), W("txtStorePath")), store);
    EXPECT_EQ(ToolTipText(frm->ToolTip(), W("txtAttachmentPath")), store + L"Attachments\\");
    std::vector<std::wstring> entries = ListEntries();
    std::sort(entries.begin(), entries.end());
    EXPECT_EQ(entries, (std::vector<std::wstring>{L"Inbox.imm", L"Sent Items.imm"}));
    EXPECT_EQ(CheckedCount(), 2);
    EXPECT_TRUE(ConvertEnabled());
}

TEST_F(MainFrmTest, CancelledChoosersChangeNothing) {
    const std::wstring store = DescribedStore();
    home.MakeFile(store.substr(home.Path().size() + 1) + L"Inbox.imm");
    Open();
    Click("CmdStoreBrowse");
    Click("CmdAttachmentBrowse");
    ASSERT_EQ(chooser.titles.size(), 2u);
    EXPECT_EQ(chooser.titles[0], std::wstring(kChooseStoreTitle));
    EXPECT_EQ(chooser.titles[1], std::wstring(kChooseAttachmentsTitle));
    EXPECT_EQ(chooser.owners[0], frm->Window());
    EXPECT_EQ(WindowText(W("txtStorePath")), store);
    EXPECT_EQ(WindowText(W("txtAttachmentPath")), store + L"Attachments\\");
    EXPECT_EQ(ListEntries(), std::vector<std::wstring>{L"Inbox.imm"});
    EXPECT_EQ(CheckedCount(), 1);
    EXPECT_TRUE(ConvertEnabled());
}

TEST_F(MainFrmTest, ChosenStoreGetsItsBackslashIsListedAndTheTooltipKeepsThePathFoundAtStart) {
    const std::wstring found = DescribedStore();
    home.MakeFile(found.substr(home.Path().size() + 1) + L"Inbox.imm");
    const std::wstring other = home.MakeFolder(L"copied");
    home.MakeFile(L"copied\\Archive.imm");
    home.MakeFile(L"copied\\Old.IMM");
    const std::wstring empty = home.MakeFolder(L"empty");
    Open();
    // Unchecking the only entry disables Convert; a listing that finds containers enables it again.
    ListView_SetCheckState(W("ListIMM"), 0, FALSE);
    EXPECT_FALSE(ConvertEnabled());
    chooser.answers = {other};
    Click("CmdStoreBrowse");
    EXPECT_EQ(WindowText(W("txtStorePath")), other + L"\\");
    std::vector<std::wstring> entries = ListEntries();
    std::sort(entries.begin(), entries.end());
    EXPECT_EQ(entries, (std::vector<std::wstring>{L"Archive.imm", L"Old.IMM"}));
    EXPECT_EQ(CheckedCount(), 2);
    EXPECT_TRUE(ConvertEnabled());
    EXPECT_EQ(ToolTipText(frm->ToolTip(), W("txtStorePath")), found);

    // A folder without containers empties the list and leaves Convert as it was, enabled or not.
    for (bool enabledBefore : {true, false}) {
        chooser.answers = {other};
        Click("CmdStoreBrowse");
        if (!enabledBefore) {
            for (int i = 0; i < 2; ++i) ListView_SetCheckState(W("ListIMM"), i, FALSE);
        }
        ASSERT_EQ(ConvertEnabled(), enabledBefore);
        chooser.answers = {empty + L"\\"};
        Click("CmdStoreBrowse");
        EXPECT_EQ(WindowText(W("txtStorePath")), empty + L"\\") << "no second backslash";
        EXPECT_EQ(ListView_GetItemCount(W("ListIMM")), 0);
        EXPECT_EQ(ConvertEnabled(), enabledBefore);
    }
}

TEST_F(MainFrmTest, ConvertIsEnabledExactlyWhileAnEntryIsChecked) {
    const std::wstring store = DescribedStore();
    for (const wchar_t* name : {L"A.imm", L"B.imm", L"C.imm"})
        home.MakeFile(store.substr(home.Path().size() + 1) + name);
    Open();
    HWND list = W("ListIMM");
    ListView_SetCheckState(list, 0, FALSE);
    ListView_SetCheckState(list, 1, FALSE);
    EXPECT_TRUE(ConvertEnabled()) << "one entry is still checked";
    ListView_SetCheckState(list, 2, FALSE);
    EXPECT_FALSE(ConvertEnabled());
    EXPECT_FALSE(::IsWindowEnabled(W("CmdImportMessages")));
    ListView_SetCheckState(list, 1, TRUE);
    EXPECT_TRUE(ConvertEnabled());
    EXPECT_TRUE(::IsWindowEnabled(W("CmdImportMessages")));
}

// Enter on the button that has the focus clicks it, through the window's own
// message path (the dialog manager would take it for the default button).
TEST_F(MainFrmTest, EnterOnAFocusedButtonClicksIt) {
    DescribedStore();
    Open();
    HWND browse = W("CmdStoreBrowse");
    ::SetFocus(browse);
    ASSERT_EQ(::GetFocus(), browse);
    ::PostMessageW(browse, WM_KEYDOWN, VK_RETURN, 1);
    ::PostMessageW(browse, WM_KEYUP, VK_RETURN, static_cast<LPARAM>(0xC0000001u));
    MSG message;
    while (::PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
        if (frm->PreTranslate(message)) continue;
        ::TranslateMessage(&message);
        ::DispatchMessageW(&message);
    }
    ASSERT_EQ(chooser.titles.size(), 1u);
    EXPECT_EQ(chooser.titles[0], std::wstring(kChooseStoreTitle));
}

LRESULT CALLBACK CountSysColorChanges(HWND window, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR,
                                      DWORD_PTR count) {
    if (message == WM_SYSCOLORCHANGE) ++*reinterpret_cast<int*>(count);
    return ::DefSubclassProc(window, message, wParam, lParam);
}

// Windows tells only the top-level window that the system colours changed;
// the frames the buttons sit in must hear it too, or their buttons keep the
// old colours.
TEST_F(MainFrmTest, SystemColourChangesReachTheControlsInsideTheFrames) {
    DescribedStore();
    Open();
    int frameHeard = 0, buttonHeard = 0;
    ASSERT_TRUE(::SetWindowSubclass(W("Frame2"), CountSysColorChanges, 1, reinterpret_cast<DWORD_PTR>(&frameHeard)));
    ASSERT_TRUE(::SetWindowSubclass(W("CmdImportMessages"), CountSysColorChanges, 1,
                                    reinterpret_cast<DWORD_PTR>(&buttonHeard)));
    ::SendMessageW(frm->Window(), WM_SYSCOLORCHANGE, 0, 0);
    EXPECT_EQ(frameHeard, 1);
    EXPECT_EQ(buttonHeard, 1);
    ::RemoveWindowSubclass(W("Frame2"), CountSysColorChanges, 1);
    ::RemoveWindowSubclass(W("CmdImportMessages"), CountSysColorChanges, 1);
}

TEST_F(MainFrmTest, NewAttachmentsFolderLeavesTheListAndTheTooltipAlone) {
    const std::wstring store = DescribedStore();
    home.MakeFile(store.substr(home.Path().size() + 1) + L"Inbox.imm");
    Open();
    ListView_SetCheckState(W("ListIMM"), 0, FALSE);
    chooser.answers = {L"D:\\Kept attachments"};
    Click("CmdAttachmentBrowse");
    EXPECT_EQ(WindowText(W("txtAttachmentPath")), L"D:\\Kept attachments\\");
    EXPECT_EQ(ToolTipText(frm->ToolTip(), W("txtAttachmentPath")), store + L"Attachments\\");
    EXPECT_EQ(ListEntries(), std::vector<std::wstring>{L"Inbox.imm"});
    EXPECT_EQ(CheckedCount(), 0) << "the selection stays as the user left it";
    EXPECT_EQ(WindowText(W("txtStorePath")), store);
}

TEST_F(MainFrmTest, FailingHandlerIsToldAndTheNextClickWorks) {
    Open();
    chooser.during = [] { throw std::runtime_error("the chooser broke"); };
    Click("CmdStoreBrowse");
    ASSERT_EQ(errors.size(), 1u);
    EXPECT_NE(errors[0].find(L"CmdStoreBrowse: the chooser broke"), std::wstring::npos) << errors[0];
    chooser.during = nullptr;
    chooser.answers = {L"C:\\"};
    Click("CmdAttachmentBrowse");
    EXPECT_EQ(WindowText(W("txtAttachmentPath")), L"C:\\") << "the guard was left when the handler failed";
}

// ---- Conversions through the window ---------------------------------------------

std::size_t CountFiles(const std::wstring& folder, const std::wstring& pattern) {
    std::size_t n = 0;
    WIN32_FIND_DATAW found{};
    HANDLE h = ::FindFirstFileW((folder + L"\\" + pattern).c_str(), &found);
    if (h == INVALID_HANDLE_VALUE) return 0;
    do n += (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
    while (::FindNextFileW(h, &found));
    ::FindClose(h);
    return n;
}

std::vector<std::wstring> FilesIn(const std::wstring& folder, const std::wstring& pattern) {
    std::vector<std::wstring> names;
    WIN32_FIND_DATAW found{};
    HANDLE h = ::FindFirstFileW((folder + L"\\" + pattern).c_str(), &found);
    if (h == INVALID_HANDLE_VALUE) return names;
    do names.push_back(found.cFileName);
    while (::FindNextFileW(h, &found));
    ::FindClose(h);
    return names;
}

// Messages per mail folder under the PST's top folder.
std::map<std::string, std::size_t> PstFolders(const std::string& path) {
    pst::verify::PstReader reader(path);
    std::map<std::string, std::size_t> counts;
    std::function<void(const pst::verify::Folder&)> walk = [&](const pst::verify::Folder& folder) {
        for (const auto& child : folder.children) {
            counts[child.props.GetStringUtf8(0x3001)] = reader.MessagesOf(child.nid).size();
            walk(child);
        }
    };
    walk(reader.FolderTree());
    return counts;
}

class MainFrmRunTest : public MainFrmTest {
  protected:
    // Two generated containers in the store the registry describes.
    void MakeStore(int messages, int containers) {
        store = DescribedStore();
        gen::GenOptions options;
        options.seed = 11;
        options.messages = messages;
        options.containers = containers;
        (void)gen::WriteStore(Narrow(store), options);
        target = home.MakeFolder(L"target");
        chooser.answers = {target};
    }
    std::wstring store, target;
};

TEST_F(MainFrmRunTest, WholeConversionToEmlAndToPstThroughTheWindow) {
    for (bool outlook : {false, true}) {
        SCOPED_TRACE(outlook ? "PST" : "EML");
        MakeStore(5, 2);
        Open();
        ASSERT_EQ(ListView_GetItemCount(W("ListIMM")), 2);
        if (outlook) ::SendMessageW(W("OptOutlook"), BM_CLICK, 0, 0);
        Click("CmdImportMessages");

        ASSERT_EQ(boxes.shown.size(), 1u);
        EXPECT_EQ(boxes.shown[0].rfind("Conversion Completed !", 0), 0u) << boxes.shown[0];
        EXPECT_EQ(boxes.icons[0], BoxIcon::None);
        EXPECT_EQ(chooser.titles.back(), L"Choose Folder to Save Converted Messages...");
        EXPECT_EQ(frm->LabelCaption("LblIMMFile"), ListEntries().back()) << "the container read last";
        EXPECT_EQ(WindowText(W("txtLog")), L"Saved 5 Email Messages...");
        ASSERT_TRUE(frm->LastRun().has_value());
        EXPECT_EQ(frm->LastRun()->messagesSaved, 10u);

        if (!outlook) {
            for (const wchar_t* folder : {L"Inbox", L"Sent Items"}) {
                EXPECT_EQ(CountFiles(target + L"\\" + folder, L"*.eml"), 5u) << Narrow(folder);
            }
        } else {
            const std::vector<std::wstring> psts = FilesIn(target, L"*.pst");
            ASSERT_EQ(psts.size(), 1u);
            const std::string pst = Narrow(target + L"\\" + psts[0]);
            EXPECT_EQ(pst::verify::JoinProblems(pst::verify::VerifyPst(pst)), "");
            const auto folders = PstFolders(pst);
            EXPECT_EQ(folders.at("Inbox"), 5u);
            EXPECT_EQ(folders.at("Sent Items"), 5u);
            EXPECT_TRUE(FilesIn(target, L"*.eml").empty()) << "imported message files are removed";
            EXPECT_TRUE(FilesIn(target, L"Quillmere import*").empty()) << "and their work folder";
        }
        frm.reset();
        test::RemoveTree(target);
        test::RemoveTree(home.Path() + L"\\IM");
        boxes.shown.clear();
        boxes.icons.clear();
    }
}

// Closing during a run: the run stops after the message under way, the PST is
// closed into a valid file, and only then does the window go.
TEST_F(MainFrmRunTest, ClosingDuringARunStopsAfterTheCurrentMessageWithAValidPst) {
    MakeStore(30, 1);
    Open();
    ::SendMessageW(W("OptOutlook"), BM_CLICK, 0, 0);
    HWND window = frm->Window();
    afterFinish = [window](int finished) {
        if (finished == 2) ::PostMessageW(window, WM_CLOSE, 0, 0);
    };
    Click("CmdImportMessages");

    ASSERT_TRUE(frm->LastRun().has_value());
    EXPECT_EQ(frm->LastRun()->end, RunOutcome::End::Stopped);
    const std::uint64_t saved = frm->LastRun()->messagesSaved;
    EXPECT_GE(saved, 2u);
    EXPECT_LT(saved, 30u) << "the run went on after the close";
    EXPECT_TRUE(boxes.shown.empty()) << "no completion box for a stopped run";
    EXPECT_TRUE(::IsWindow(window)) << "the window waits for the run to end";
    PumpPending();
    EXPECT_FALSE(::IsWindow(window)) << "and closes once it has";
    EXPECT_EQ(frm->Window(), nullptr);

    const std::vector<std::wstring> psts = FilesIn(target, L"*.pst");
    ASSERT_EQ(psts.size(), 1u);
    const std::string pst = Narrow(target + L"\\" + psts[0]);
    EXPECT_EQ(pst::verify::JoinProblems(pst::verify::VerifyPst(pst)), "");
    EXPECT_EQ(PstFolders(pst).at("Inbox"), saved);
    EXPECT_TRUE(FilesIn(target, L"*.eml").empty()) << "no message file is left";
    EXPECT_TRUE(FilesIn(target, L"Quillmere import*").empty()) << "nor the work folder";
}

// While a run lets events run, a second press of Convert and a store Browse
// are passed over: the run keeps its list and its one target folder.
TEST_F(MainFrmRunTest, ClicksDuringARunArePassedOver) {
    MakeStore(4, 1);
    Open();
    afterFinish = [this](int finished) {
        if (finished != 1) return;
        Click("CmdImportMessages");
        Click("CmdStoreBrowse");
        EXPECT_TRUE(frm->Busy());
    };
    Click("CmdImportMessages");
    EXPECT_EQ(chooser.titles.size(), 1u) << "only the run's own folder choice";
    ASSERT_EQ(boxes.shown.size(), 1u);
    EXPECT_EQ(frm->LastRun()->messagesSaved, 4u);
    EXPECT_FALSE(frm->Busy());
    EXPECT_TRUE(::IsWindow(frm->Window()));
}

}  // namespace
}  // namespace quill::app
