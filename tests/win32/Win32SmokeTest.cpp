// Proves the Win32 services the desktop program stands on work in the test
// environment (and keep working on the real one): windows and message
// dispatch, GDI into memory, the registry, the v6 common controls bound by
// the manifest, and window subclassing.
#include "win32/Win32Handles.h"

#include <windows.h>

#include <commctrl.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <iterator>
#include <string>
#include <vector>

namespace quill {
namespace {

constexpr UINT kPing = WM_APP + 1;         // handled by the subclass proc
constexpr UINT kPassThrough = WM_APP + 2;  // left to the original procedure
constexpr UINT kQuitWith = WM_APP + 3;     // posted; the procedure quits with wParam
constexpr LRESULT kPingAnswer = 1234;
constexpr LRESULT kPassThroughAnswer = 5678;
constexpr UINT_PTR kSubclassId = 7;

// What one window's procedure saw; reached through GWLP_USERDATA.
struct MessageLog {
    std::vector<UINT> messages;
    WPARAM lastWParam = 0;
    LPARAM lastLParam = 0;

    [[nodiscard]] bool Saw(UINT message) const {
        return std::find(messages.begin(), messages.end(), message) != messages.end();
    }
};

LRESULT CALLBACK LoggingWndProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_NCCREATE) {
        const auto* cs = reinterpret_cast<const CREATESTRUCTW*>(lParam);
        SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(cs->lpCreateParams));
    }
    auto* log = reinterpret_cast<MessageLog*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
    if (log != nullptr) {
        log->messages.push_back(message);
        log->lastWParam = wParam;
        log->lastLParam = lParam;
    }
    switch (message) {
        case kQuitWith:
            PostQuitMessage(static_cast<int>(wParam));
            return 0;
        case kPassThrough:
            return kPassThroughAnswer;
        case WM_NCDESTROY:
            SetWindowLongPtrW(hwnd, GWLP_USERDATA, 0);
            break;
    }
    return DefWindowProcW(hwnd, message, wParam, lParam);
}

// A class of hidden logging windows, registered for one test.
class LoggingWindows {
  public:
    LoggingWindows() : class_(Describe()) {}

    [[nodiscard]] bool Registered() const { return class_.Atom() != 0; }

    [[nodiscard]] UniqueWindow Make(MessageLog& log, HWND owner = nullptr) const {
        return UniqueWindow(CreateWindowExW(0, kName, L"smoke", WS_OVERLAPPEDWINDOW, CW_USEDEFAULT, CW_USEDEFAULT, 200,
                                            100, owner, nullptr, GetModuleHandleW(nullptr), &log));
    }

    static constexpr const wchar_t* kName = L"QuillmereSmokeWindow";

  private:
    static WNDCLASSEXW Describe() {
        WNDCLASSEXW wc{};
        wc.cbSize = sizeof wc;
        wc.lpfnWndProc = LoggingWndProc;
        wc.hInstance = GetModuleHandleW(nullptr);
        wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
        wc.lpszClassName = kName;
        return wc;
    }

    RegisteredClass class_;
};

// Runs the thread's message loop until WM_QUIT or the deadline; returns the
// quit code, or -1 when no quit came.
int PumpUntilQuit(DWORD timeoutMs) {
    const ULONGLONG deadline = GetTickCount64() + timeoutMs;
    MSG msg{};
    while (GetTickCount64() < deadline) {
        while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
            if (msg.message == WM_QUIT) return static_cast<int>(msg.wParam);
            TranslateMessage(&msg);
            DispatchMessageW(&msg);
        }
        MsgWaitForMultipleObjectsEx(0, nullptr, 20, QS_ALLINPUT, MWMO_INPUTAVAILABLE);
    }
    return -1;
}

TEST(WindowTest, ClassMakesWindowWhosePostedMessagesAreDispatchedAndWhichDestroysCleanly) {
    LoggingWindows windows;
    ASSERT_TRUE(windows.Registered());
    WNDCLASSEXW found{};
    found.cbSize = sizeof found;
    ASSERT_TRUE(GetClassInfoExW(GetModuleHandleW(nullptr), LoggingWindows::kName, &found));
    EXPECT_EQ(found.lpfnWndProc, &LoggingWndProc);

    MessageLog log;
    UniqueWindow window = windows.Make(log);
    ASSERT_TRUE(window);
    EXPECT_TRUE(log.Saw(WM_NCCREATE));
    EXPECT_TRUE(log.Saw(WM_CREATE));

    // Through the queue, not SendMessage: this is the path the program's
    // main loop and its event pump take.
    ASSERT_TRUE(PostMessageW(window.Get(), kQuitWith, 42, 0));
    EXPECT_EQ(PumpUntilQuit(5000), 42);
    EXPECT_TRUE(log.Saw(kQuitWith));

    const HWND raw = window.Get();
    window.Reset();
    EXPECT_FALSE(IsWindow(raw));
    EXPECT_TRUE(log.Saw(WM_DESTROY));
    EXPECT_EQ(log.messages.back(), static_cast<UINT>(WM_NCDESTROY));
}

TEST(WindowTest, MovedWindowIsDestroyedOnceByItsLastOwner) {
    LoggingWindows windows;
    ASSERT_TRUE(windows.Registered());
    MessageLog log;
    UniqueWindow first = windows.Make(log);
    ASSERT_TRUE(first);
    const HWND raw = first.Get();
    {
        UniqueWindow second = std::move(first);
        EXPECT_FALSE(first);
        EXPECT_TRUE(IsWindow(raw));
    }
    EXPECT_FALSE(IsWindow(raw));
    EXPECT_EQ(std::count(log.messages.begin(), log.messages.end(), static_cast<UINT>(WM_DESTROY)), 1);
}

// ---- GDI into memory -------------------------------------------------------

constexpr int kWidth = 16;
constexpr int kHeight = 8;
constexpr COLORREF kBackground = RGB(10, 20, 30);
constexpr COLORREF kInk = RGB(200, 100, 50);
constexpr COLORREF kLine = RGB(0, 255, 0);
constexpr COLORREF kDot = RGB(255, 0, 255);
constexpr RECT kInkRect{4, 2, 9, 6};                    // right and bottom exclusive, as FillRect
constexpr int kLineY = 7, kLineFrom = 2, kLineTo = 12;  // LineTo leaves out its end point
constexpr int kDotX = 15, kDotY = 0;

// A 32-bit BI_RGB pixel is B, G, R, unused in memory: 0x00RRGGBB as a DWORD.
DWORD AsDibPixel(COLORREF c) { return (DWORD{GetRValue(c)} << 16) | (DWORD{GetGValue(c)} << 8) | GetBValue(c); }

COLORREF ExpectedAt(int x, int y) {
    if (x == kDotX && y == kDotY) return kDot;
    if (y == kLineY && x >= kLineFrom && x < kLineTo) return kLine;
    if (x >= kInkRect.left && x < kInkRect.right && y >= kInkRect.top && y < kInkRect.bottom) return kInk;
    return kBackground;
}

// A top-down 32-bit DIB section selected into its own memory DC.
struct MemoryCanvas {
    int width;
    UniqueCreatedDc dc{CreateCompatibleDC(nullptr)};
    void* bits = nullptr;
    UniqueBitmap bitmap;

    MemoryCanvas(int width, int height) : width(width) {
        BITMAPINFO bi{};
        bi.bmiHeader.biSize = sizeof bi.bmiHeader;
        bi.bmiHeader.biWidth = width;
        bi.bmiHeader.biHeight = -height;  // negative: first row first in memory
        bi.bmiHeader.biPlanes = 1;
        bi.bmiHeader.biBitCount = 32;
        bi.bmiHeader.biCompression = BI_RGB;
        bitmap.Reset(CreateDIBSection(dc.Get(), &bi, DIB_RGB_COLORS, &bits, nullptr, 0));
    }

    [[nodiscard]] DWORD At(int x, int y) const { return static_cast<const DWORD*>(bits)[y * width + x] & 0x00FFFFFF; }
};

TEST(GdiTest, ShapesDrawnIntoDibSectionReadBackPixelForPixel) {
    MemoryCanvas canvas(kWidth, kHeight);
    ASSERT_TRUE(canvas.dc);
    ASSERT_TRUE(canvas.bitmap);
    ASSERT_NE(canvas.bits, nullptr);
    const HDC dc = canvas.dc.Get();
    {
        SelectedObject bitmap(dc, canvas.bitmap.Get());
        ASSERT_TRUE(bitmap.Selected());

        UniqueBrush background(CreateSolidBrush(kBackground));
        UniqueBrush ink(CreateSolidBrush(kInk));
        UniquePen line(CreatePen(PS_SOLID, 1, kLine));
        ASSERT_TRUE(background && ink && line);
        const RECT all{0, 0, kWidth, kHeight};
        ASSERT_TRUE(FillRect(dc, &all, background.Get()));
        ASSERT_TRUE(FillRect(dc, &kInkRect, ink.Get()));
        {
            SelectedObject pen(dc, line.Get());
            ASSERT_TRUE(pen.Selected());
            ASSERT_TRUE(MoveToEx(dc, kLineFrom, kLineY, nullptr));
            ASSERT_TRUE(LineTo(dc, kLineTo, kLineY));
        }
        ASSERT_TRUE(SetPixelV(dc, kDotX, kDotY, kDot));
        GdiFlush();  // GDI may batch; the bits are read directly

        for (int y = 0; y < kHeight; ++y) {
            for (int x = 0; x < kWidth; ++x) {
                EXPECT_EQ(canvas.At(x, y), AsDibPixel(ExpectedAt(x, y))) << "x=" << x << " y=" << y;
                EXPECT_EQ(GetPixel(dc, x, y), ExpectedAt(x, y)) << "x=" << x << " y=" << y;
            }
        }
    }
    // Both selections undone: the DC holds its stock bitmap and pen again.
    EXPECT_NE(GetCurrentObject(dc, OBJ_BITMAP), canvas.bitmap.Get());
    EXPECT_EQ(GetCurrentObject(dc, OBJ_PEN), GetStockObject(BLACK_PEN));
}

// The program's texts are drawn in Tahoma; without the font the fallback
// changes every measurement. Unsmoothed text shows only the two colours.
TEST(GdiTest, TahomaResolvesAndUnsmoothedTextStaysInsideItsExtent) {
    constexpr int kTextWidth = 80, kTextHeight = 24;
    MemoryCanvas canvas(kTextWidth, kTextHeight);
    ASSERT_TRUE(canvas.bitmap);
    const HDC dc = canvas.dc.Get();
    SelectedObject bitmap(dc, canvas.bitmap.Get());
    ASSERT_TRUE(bitmap.Selected());

    UniqueFont font(CreateFontW(-13, 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, DEFAULT_CHARSET, OUT_DEFAULT_PRECIS,
                                CLIP_DEFAULT_PRECIS, NONANTIALIASED_QUALITY, DEFAULT_PITCH, L"Tahoma"));
    ASSERT_TRUE(font);
    SelectedObject selectedFont(dc, font.Get());
    ASSERT_TRUE(selectedFont.Selected());
    wchar_t face[LF_FACESIZE] = {};
    ASSERT_GT(GetTextFaceW(dc, LF_FACESIZE, face), 0);
    EXPECT_STREQ(face, L"Tahoma");

    UniqueBrush white(CreateSolidBrush(RGB(255, 255, 255)));
    const RECT all{0, 0, kTextWidth, kTextHeight};
    ASSERT_TRUE(FillRect(dc, &all, white.Get()));
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, RGB(0, 0, 0));
    const std::wstring text = L"Quill";
    SIZE extent{};
    ASSERT_TRUE(GetTextExtentPoint32W(dc, text.c_str(), static_cast<int>(text.size()), &extent));
    ASSERT_TRUE(TextOutW(dc, 2, 2, text.c_str(), static_cast<int>(text.size())));
    GdiFlush();

    int inked = 0, strayColours = 0, outside = 0;
    for (int y = 0; y < kTextHeight; ++y) {
        for (int x = 0; x < kTextWidth; ++x) {
            const DWORD p = canvas.At(x, y);
            if (p == 0x00FFFFFF) continue;
            if (p != 0) ++strayColours;
            ++inked;
            if (x < 2 || x >= 2 + extent.cx || y < 2 || y >= 2 + extent.cy) ++outside;
        }
    }
    EXPECT_GT(inked, 20);
    EXPECT_EQ(strayColours, 0);
    EXPECT_EQ(outside, 0);
}

TEST(GdiTest, OwnersDeleteTheirObjectsAtScopeEnd) {
    HBRUSH rawBrush = nullptr;
    HDC rawDc = nullptr;
    {
        UniqueBrush brush(CreateSolidBrush(kInk));
        UniqueCreatedDc dc(CreateCompatibleDC(nullptr));
        rawBrush = brush.Get();
        rawDc = dc.Get();
        ASSERT_EQ(GetObjectType(rawBrush), static_cast<DWORD>(OBJ_BRUSH));
        ASSERT_EQ(GetObjectType(rawDc), static_cast<DWORD>(OBJ_MEMDC));
    }
    EXPECT_EQ(GetObjectType(rawBrush), 0u);
    EXPECT_EQ(GetObjectType(rawDc), 0u);
}

// ---- Registry ----------------------------------------------------------------

// A key under HKCU\Software unique to this run, deleted with all it holds at
// scope end even when an assertion left the test early.
class ThrowawayKey {
  public:
    ThrowawayKey()
        : path_(L"Software\\Quillmere-smoke-" + std::to_wstring(GetCurrentProcessId()) + L"-" +
                std::to_wstring(GetTickCount64())) {}
    ThrowawayKey(const ThrowawayKey&) = delete;
    ThrowawayKey& operator=(const ThrowawayKey&) = delete;
    ~ThrowawayKey() { RegDeleteTreeW(HKEY_CURRENT_USER, path_.c_str()); }

    [[nodiscard]] const std::wstring& Path() const { return path_; }

  private:
    std::wstring path_;
};

LSTATUS CreateKey(const std::wstring& path, UniqueKey& key) {
    return RegCreateKeyExW(HKEY_CURRENT_USER, path.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_READ | KEY_WRITE,
                           nullptr, key.Put(), nullptr);
}

TEST(RegistryTest, ValuesRoundTripInThrowawayKeyAndTreeDeletionRemovesIt) {
    ThrowawayKey scratch;
    const std::wstring nested = scratch.Path() + L"\\Settings\\Paths";
    const std::wstring folder = L"C:\\Users\\Zo\u00eb\\Mail \u65e5\u672c";  // non-ASCII survives
    constexpr DWORD kMode = 0xA5A5F00Du;
    {
        UniqueKey key;
        ASSERT_EQ(CreateKey(nested, key), ERROR_SUCCESS);
        const auto folderBytes = static_cast<DWORD>((folder.size() + 1) * sizeof(wchar_t));
        ASSERT_EQ(
            RegSetValueExW(key.Get(), L"Source", 0, REG_SZ, reinterpret_cast<const BYTE*>(folder.c_str()), folderBytes),
            ERROR_SUCCESS);
        ASSERT_EQ(RegSetValueExW(key.Get(), L"Mode", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&kMode), sizeof kMode),
                  ERROR_SUCCESS);
    }
    {
        // Read through a fresh handle so nothing is answered from the writer's state.
        UniqueKey key;
        ASSERT_EQ(RegOpenKeyExW(HKEY_CURRENT_USER, nested.c_str(), 0, KEY_READ, key.Put()), ERROR_SUCCESS);

        DWORD type = 0, size = 0;
        ASSERT_EQ(RegQueryValueExW(key.Get(), L"Source", nullptr, &type, nullptr, &size), ERROR_SUCCESS);
        EXPECT_EQ(type, static_cast<DWORD>(REG_SZ));
        ASSERT_EQ(size, (folder.size() + 1) * sizeof(wchar_t));
        std::wstring read(size / sizeof(wchar_t), L'\0');
        ASSERT_EQ(RegQueryValueExW(key.Get(), L"Source", nullptr, &type, reinterpret_cast<BYTE*>(read.data()), &size),
                  ERROR_SUCCESS);
        read.resize(read.size() - 1);  // the stored terminator
        EXPECT_EQ(read, folder);

        DWORD mode = 0;
        size = sizeof mode;
        ASSERT_EQ(RegQueryValueExW(key.Get(), L"Mode", nullptr, &type, reinterpret_cast<BYTE*>(&mode), &size),
                  ERROR_SUCCESS);
        EXPECT_EQ(type, static_cast<DWORD>(REG_DWORD));
        EXPECT_EQ(mode, kMode);

        EXPECT_EQ(RegQueryValueExW(key.Get(), L"Absent", nullptr, &type, nullptr, &size), ERROR_FILE_NOT_FOUND);
    }

    ASSERT_EQ(RegDeleteTreeW(HKEY_CURRENT_USER, scratch.Path().c_str()), ERROR_SUCCESS);
    UniqueKey gone;
    EXPECT_EQ(RegOpenKeyExW(HKEY_CURRENT_USER, scratch.Path().c_str(), 0, KEY_READ, gone.Put()), ERROR_FILE_NOT_FOUND);
}

TEST(RegistryTest, ClosedKeyHandleIsNoLongerUsable) {
    ThrowawayKey scratch;
    UniqueKey key;
    ASSERT_EQ(CreateKey(scratch.Path(), key), ERROR_SUCCESS);
    const HKEY raw = key.Get();
    key.Reset();
    DWORD size = 0;
    EXPECT_EQ(RegQueryValueExW(raw, L"x", nullptr, nullptr, nullptr, &size), ERROR_INVALID_HANDLE);
}

// ---- Common controls v6 ----------------------------------------------------

TEST(CommonControlsTest, ManifestResourceBindsVersion6) {
    EXPECT_NE(FindResourceW(nullptr, MAKEINTRESOURCEW(1), RT_MANIFEST), nullptr);

    // DllGetVersion is no proof (Wine reports 5.81 for both); a redirection
    // of comctl32.dll in the process's activation context is.
    ACTCTX_SECTION_KEYED_DATA data{};
    data.cbSize = sizeof data;
    ASSERT_TRUE(FindActCtxSectionStringW(FIND_ACTCTX_SECTION_KEY_RETURN_HACTCTX, nullptr,
                                         ACTIVATION_CONTEXT_SECTION_DLL_REDIRECTION, L"comctl32.dll", &data))
        << "error " << GetLastError();

    struct ContextReference {
        HANDLE context;
        ~ContextReference() { ReleaseActCtx(context); }
    } reference{data.hActCtx};

    // The assembly that redirects it must be the 6.0 one the manifest names.
    SIZE_T needed = 0;
    QueryActCtxW(0, data.hActCtx, &data.ulAssemblyRosterIndex, AssemblyDetailedInformationInActivationContext, nullptr,
                 0, &needed);
    ASSERT_GT(needed, 0u);
    std::vector<BYTE> buffer(needed);
    ASSERT_TRUE(QueryActCtxW(0, data.hActCtx, &data.ulAssemblyRosterIndex,
                             AssemblyDetailedInformationInActivationContext, buffer.data(), buffer.size(), &needed));
    const auto* assembly = reinterpret_cast<const ACTIVATION_CONTEXT_ASSEMBLY_DETAILED_INFORMATION*>(buffer.data());
    ASSERT_NE(assembly->lpAssemblyEncodedAssemblyIdentity, nullptr);
    const std::wstring identity = assembly->lpAssemblyEncodedAssemblyIdentity;
    EXPECT_NE(identity.find(L"Microsoft.Windows.Common-Controls"), std::wstring::npos) << identity;
    EXPECT_NE(identity.find(L"6.0."), std::wstring::npos) << identity;
}

TEST(CommonControlsTest, TooltipTakesToolReturnsItsTextAndDropsIt) {
    INITCOMMONCONTROLSEX icc{sizeof icc, ICC_WIN95_CLASSES};
    ASSERT_TRUE(InitCommonControlsEx(&icc));
    LoggingWindows windows;
    ASSERT_TRUE(windows.Registered());
    MessageLog ownerLog, toolLog;
    UniqueWindow owner = windows.Make(ownerLog);
    ASSERT_TRUE(owner);
    UniqueWindow tool(CreateWindowExW(0, LoggingWindows::kName, L"tool", WS_CHILD | WS_VISIBLE, 10, 10, 50, 20,
                                      owner.Get(), nullptr, GetModuleHandleW(nullptr), &toolLog));
    ASSERT_TRUE(tool);
    UniqueWindow tip(CreateWindowExW(WS_EX_TOPMOST, TOOLTIPS_CLASSW, nullptr, WS_POPUP | TTS_ALWAYSTIP | TTS_NOPREFIX,
                                     CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, owner.Get(), nullptr,
                                     GetModuleHandleW(nullptr), nullptr));
    ASSERT_TRUE(tip);

    std::wstring text = L"Start the conversion";
    TTTOOLINFOW info{};
    info.cbSize = sizeof info;  // the full v6 size; older versions want less
    info.uFlags = TTF_IDISHWND | TTF_SUBCLASS;
    info.hwnd = owner.Get();
    info.uId = reinterpret_cast<UINT_PTR>(tool.Get());
    info.lpszText = text.data();
    ASSERT_TRUE(SendMessageW(tip.Get(), TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&info)));
    EXPECT_EQ(SendMessageW(tip.Get(), TTM_GETTOOLCOUNT, 0, 0), 1);

    wchar_t readBack[80] = {};
    TTTOOLINFOW query{};
    query.cbSize = sizeof query;
    query.hwnd = owner.Get();
    query.uId = info.uId;
    query.lpszText = readBack;
    SendMessageW(tip.Get(), TTM_GETTEXTW, std::size(readBack), reinterpret_cast<LPARAM>(&query));
    EXPECT_EQ(std::wstring(readBack), text);

    SendMessageW(tip.Get(), TTM_DELTOOLW, 0, reinterpret_cast<LPARAM>(&query));
    EXPECT_EQ(SendMessageW(tip.Get(), TTM_GETTOOLCOUNT, 0, 0), 0);
}

// ---- Subclassing -------------------------------------------------------------

struct SubclassLog {
    std::vector<UINT> messages;
    bool removedAtDestroy = false;
};

LRESULT CALLBACK PingSubclassProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR id,
                                  DWORD_PTR refData) {
    auto* log = reinterpret_cast<SubclassLog*>(refData);
    log->messages.push_back(message);
    if (message == kPing) return kPingAnswer + static_cast<LRESULT>(wParam);
    if (message == WM_NCDESTROY) log->removedAtDestroy = RemoveWindowSubclass(hwnd, PingSubclassProc, id);
    return DefSubclassProc(hwnd, message, wParam, lParam);
}

// Missing from some mingw-w64 import libraries; exported by ordinal 411.
using GetWindowSubclassFn = BOOL(WINAPI*)(HWND, SUBCLASSPROC, UINT_PTR, DWORD_PTR*);

GetWindowSubclassFn FindGetWindowSubclass() {
    const HMODULE comctl = GetModuleHandleW(L"comctl32.dll");
    if (comctl == nullptr) return nullptr;
    // Through void(*)(): the one function-pointer cast GCC does not warn about.
    return reinterpret_cast<GetWindowSubclassFn>(
        reinterpret_cast<void (*)()>(GetProcAddress(comctl, MAKEINTRESOURCEA(411))));
}

TEST(SubclassTest, SubclassSeesMessagesFirstPassesOthersOnAndCanBeRemoved) {
    LoggingWindows windows;
    ASSERT_TRUE(windows.Registered());
    MessageLog windowLog;
    SubclassLog subclassLog;
    UniqueWindow window = windows.Make(windowLog);
    ASSERT_TRUE(window);
    const HWND hwnd = window.Get();
    ASSERT_TRUE(SetWindowSubclass(hwnd, PingSubclassProc, kSubclassId, reinterpret_cast<DWORD_PTR>(&subclassLog)));

    const auto getWindowSubclass = FindGetWindowSubclass();
    ASSERT_NE(getWindowSubclass, nullptr);
    DWORD_PTR refData = 0;
    ASSERT_TRUE(getWindowSubclass(hwnd, PingSubclassProc, kSubclassId, &refData));
    EXPECT_EQ(refData, reinterpret_cast<DWORD_PTR>(&subclassLog));

    // Answered by the subclass alone.
    windowLog.messages.clear();
    EXPECT_EQ(SendMessageW(hwnd, kPing, 3, 0), kPingAnswer + 3);
    EXPECT_EQ(std::count(subclassLog.messages.begin(), subclassLog.messages.end(), kPing), 1);
    EXPECT_FALSE(windowLog.Saw(kPing));

    // Seen by the subclass, then answered by the class's own procedure.
    EXPECT_EQ(SendMessageW(hwnd, kPassThrough, 9, 10), kPassThroughAnswer);
    EXPECT_EQ(std::count(subclassLog.messages.begin(), subclassLog.messages.end(), kPassThrough), 1);
    EXPECT_TRUE(windowLog.Saw(kPassThrough));
    EXPECT_EQ(windowLog.lastWParam, 9u);
    EXPECT_EQ(windowLog.lastLParam, 10);

    ASSERT_TRUE(RemoveWindowSubclass(hwnd, PingSubclassProc, kSubclassId));
    EXPECT_FALSE(getWindowSubclass(hwnd, PingSubclassProc, kSubclassId, &refData));
    subclassLog.messages.clear();
    EXPECT_EQ(SendMessageW(hwnd, kPing, 3, 0), 0);  // DefWindowProc's answer now
    EXPECT_TRUE(subclassLog.messages.empty());
    EXPECT_TRUE(windowLog.Saw(kPing));
}

TEST(SubclassTest, SubclassStillInstalledAtDestroySeesNcDestroyAndRemovesItself) {
    LoggingWindows windows;
    ASSERT_TRUE(windows.Registered());
    MessageLog windowLog;
    SubclassLog subclassLog;
    UniqueWindow window = windows.Make(windowLog);
    ASSERT_TRUE(window);
    ASSERT_TRUE(
        SetWindowSubclass(window.Get(), PingSubclassProc, kSubclassId, reinterpret_cast<DWORD_PTR>(&subclassLog)));
    window.Reset();
    EXPECT_TRUE(std::find(subclassLog.messages.begin(), subclassLog.messages.end(), static_cast<UINT>(WM_NCDESTROY)) !=
                subclassLog.messages.end());
    EXPECT_TRUE(subclassLog.removedAtDestroy);
    EXPECT_TRUE(windowLog.Saw(WM_NCDESTROY));  // the chain reached the class procedure
}

}  // namespace
}  // namespace quill
