// Store discovery end to end and container listings, against a fake window
// that records every call, on Wine's real registry and file system.
#include "app/StoreDiscovery.h"

#include "app/WindowEventPump.h"
#include "tests/win32/TestSupport.h"
#include "win32/DiscoverStoreFolder.h"
#include "win32/Win32Handles.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <set>
#include <vector>

namespace quill {
namespace {

using test::ScopedEnvironment;
using test::TempFolder;
using test::ThrowawayKey;
using ::testing::ElementsAre;
using ::testing::ElementsAreArray;
using ::testing::IsEmpty;
using ::testing::UnorderedElementsAre;

using Log = std::vector<std::wstring>;

class FakeField final : public PathField {
  public:
    FakeField(Log& log, std::wstring name) : log_(log), name_(std::move(name)) {}
    std::wstring Text() override { return text; }
    void SetText(const std::wstring& t) override {
        text = t;
        log_.push_back(name_ + L".text");
    }
    void SetToolTip(const std::wstring& t) override {
        tip = t;
        log_.push_back(name_ + L".tip");
    }
    std::wstring text, tip;

  private:
    Log& log_;
    std::wstring name_;
};

class FakeList final : public ContainerList {
  public:
    explicit FakeList(Log& log) : log_(log) {}
    void Clear() override {
        names.clear();
        selected.clear();
        log_.push_back(L"clear");
    }
    void Append(const std::wstring& name) override {
        names.push_back(name);
        log_.push_back(L"append");
    }
    int Count() override { return static_cast<int>(names.size()); }
    void Select(int index) override {
        selected.insert(index);
        log_.push_back(L"select " + std::to_wstring(index));
    }
    bool AllSelected() const { return !names.empty() && selected.size() == names.size(); }
    std::vector<std::wstring> names;
    std::set<int> selected;

  private:
    Log& log_;
};

class FakeButton final : public CommandButton {
  public:
    explicit FakeButton(Log& log) : log_(log) {}
    void SetEnabled(bool e) override {
        enabled = e;
        log_.push_back(e ? L"enable" : L"disable");
    }
    bool enabled = true;  // as the window creates it

  private:
    Log& log_;
};

class FakePump final : public EventPump {
  public:
    explicit FakePump(Log& log) : log_(log) {}
    void Pump() override { log_.push_back(L"pump"); }

  private:
    Log& log_;
};

struct FakeWindow {
    Log log;
    FakeField storePath{log, L"store"};
    FakeField attachmentPath{log, L"attachments"};
    FakeList list{log};
    FakeButton convert{log};
    FakePump pump{log};
    StoreView view{storePath, attachmentPath, list, convert, pump};
};

// The names FindFirstFileW gives for "*.imm", in its order: the order the
// listing has to keep.
std::vector<std::wstring> FileSystemOrder(const std::wstring& folder) {
    std::vector<std::wstring> names;
    WIN32_FIND_DATAW found{};
    HANDLE h = ::FindFirstFileW((folder + L"\\*.imm").c_str(), &found);
    if (h == INVALID_HANDLE_VALUE) return names;
    do names.push_back(found.cFileName);
    while (::FindNextFileW(h, &found));
    ::FindClose(h);
    return names;
}

// Discovery sees only the throwaway registry key and the temporary folders:
// the default data folders point into `home`, empty until a test fills them.
class StoreDiscoveryTest : public ::testing::Test {
  protected:
    std::wstring ProductKey() const { return key.Path() + L"\\IncrediMail"; }
    DiscoverySources Sources() const { return {HKEY_CURRENT_USER, ProductKey()}; }
    void Describe(const std::wstring& applicationPath, const std::wstring& identity, DWORD type = REG_SZ) {
        key.SetText(L"IncrediMail", L"ApplicationPath", applicationPath, type);
        key.SetText(L"IncrediMail\\Identities", L"", identity);
    }
    // Makes a store folder with three containers and returns it with its
    // trailing backslash.
    std::wstring MakeStore(const std::wstring& relative) {
        std::wstring store = home.MakeFolder(relative);
        for (const wchar_t* name : {L"Inbox.imm", L"Отправленные.imm", L"Deleted Items.imm"}) {
            home.MakeFile(relative + L"\\" + name);
        }
        home.MakeFile(relative + L"\\Inbox.iml");
        return store + L"\\";
    }

    ThrowawayKey key;
    TempFolder home{L"Пользователь"};
    ScopedEnvironment local{L"LOCALAPPDATA", home.MakeFolder(L"AppData\\Local")};
    ScopedEnvironment profile{L"USERPROFILE", home.Path()};
    FakeWindow window;
};

TEST_F(StoreDiscoveryTest, RegistryDescribedStoreIsShownListedAndSelected) {
    const std::wstring identity = L"{5C2E0A7F-Ольга}";
    const std::wstring store = MakeStore(L"Данные\\Identities\\" + identity + L"\\Message Store");
    Describe(home.Path() + L"\\Данные", identity);

    DiscoverStore(window.view, Sources());

    EXPECT_EQ(window.storePath.text, store);
    EXPECT_EQ(window.storePath.tip, store);
    EXPECT_EQ(window.attachmentPath.text, store + L"Attachments\\");
    EXPECT_EQ(window.attachmentPath.tip, store + L"Attachments\\");
    EXPECT_THAT(window.list.names, UnorderedElementsAre(L"Inbox.imm", L"Отправленные.imm", L"Deleted Items.imm"));
    EXPECT_TRUE(window.list.AllSelected());
    EXPECT_TRUE(window.convert.enabled);
    // Events run before discovery, before the folders are shown, and before
    // each file and each selection.
    EXPECT_THAT(window.log,
                ElementsAre(L"pump", L"pump", L"store.text", L"store.tip", L"attachments.text", L"attachments.tip",
                            L"clear", L"pump", L"append", L"pump", L"append", L"pump", L"append", L"pump", L"select 0",
                            L"pump", L"select 1", L"pump", L"select 2", L"enable"));
}

TEST_F(StoreDiscoveryTest, ExpandableApplicationPathIsExpanded) {
    ScopedEnvironment data(L"QUILL_APP_MAILDATA", home.Path() + L"\\Данные");
    const std::wstring store = MakeStore(L"Данные\\Identities\\main\\Message Store");
    Describe(L"%QUILL_APP_MAILDATA%", L"main", REG_EXPAND_SZ);

    DiscoverStore(window.view, Sources());

    EXPECT_EQ(window.storePath.text, store);
    EXPECT_EQ(window.list.names.size(), 3u);
}

TEST_F(StoreDiscoveryTest, DefaultLocationStoreIsFoundForTheRegistryIdentity) {
    // The registry names the identity but no data folder; a second identity
    // with containers must not win over the named one.
    key.SetText(L"IncrediMail\\Identities", L"", L"Ира");
    const std::wstring store = MakeStore(L"AppData\\Local\\IM\\Identities\\Ира\\Message Store");
    MakeStore(L"AppData\\Local\\IM\\Identities\\Другая\\Message Store");

    DiscoverStore(window.view, Sources());

    EXPECT_EQ(window.storePath.text, store);
    EXPECT_EQ(window.attachmentPath.text, store + L"Attachments\\");
    EXPECT_TRUE(window.list.AllSelected());
    EXPECT_EQ(window.list.names.size(), 3u);
}

TEST_F(StoreDiscoveryTest, WithoutRegistryTheIdentityHoldingContainersIsTaken) {
    home.MakeFolder(L"AppData\\Local\\IM\\Identities\\empty\\Message Store");
    home.MakeFile(L"AppData\\Local\\IM\\Identities\\stray.imm");
    const std::wstring store = MakeStore(L"AppData\\Local\\IM\\Identities\\full\\Message Store");

    DiscoverStore(window.view, Sources());

    EXPECT_EQ(window.storePath.text, store);
    EXPECT_EQ(window.list.names.size(), 3u);
}

TEST_F(StoreDiscoveryTest, OldProfileLocationIsSearched) {
    const std::wstring store = MakeStore(L"Local Settings\\Application Data\\IM\\Identities\\{old}\\Message Store");

    DiscoverStore(window.view, Sources());

    EXPECT_EQ(window.storePath.text, store);
}

TEST_F(StoreDiscoveryTest, MissingRegistryStoreGivesWayToTheDefaultLocation) {
    Describe(home.Path() + L"\\nowhere", L"main");
    const std::wstring store = MakeStore(L"AppData\\Local\\IM\\Identities\\main\\Message Store");

    DiscoverStore(window.view, Sources());

    EXPECT_EQ(window.storePath.text, store);
}

TEST_F(StoreDiscoveryTest, RegistryStoreIsShownWhenNothingExistsAnywhere) {
    Describe(home.Path() + L"\\nowhere", L"main");
    window.convert.enabled = false;

    DiscoverStore(window.view, Sources());

    EXPECT_EQ(window.storePath.text, home.Path() + L"\\nowhere\\Identities\\main\\Message Store\\");
    EXPECT_THAT(window.list.names, IsEmpty());
    EXPECT_FALSE(window.convert.enabled);
}

TEST_F(StoreDiscoveryTest, NoStoreLeavesTheWindowAlone) {
    DiscoverStore(window.view, Sources());

    EXPECT_EQ(window.storePath.text, L"");
    EXPECT_EQ(window.attachmentPath.text, L"");
    EXPECT_THAT(window.log, ElementsAre(L"pump"));
}

TEST_F(StoreDiscoveryTest, EmptyIdentityStopsDiscovery) {
    // Even a folder at the path with the empty segment is not taken.
    MakeStore(L"Данные\\Identities\\\\Message Store");
    key.SetText(L"IncrediMail", L"ApplicationPath", home.Path() + L"\\Данные");
    key.MakeKey(L"IncrediMail\\Identities");

    DiscoverStore(window.view, Sources());

    EXPECT_EQ(window.storePath.text, L"");
    EXPECT_THAT(window.log, ElementsAre(L"pump"));
}

TEST_F(StoreDiscoveryTest, CommandLineGetsTheStoreFolderInUtf8) {
    // The program's own registry location is absent in the test prefix, so
    // the default location decides.
    const std::wstring store = MakeStore(L"AppData\\Local\\IM\\Identities\\Юля\\Message Store");
    std::string expected;
    int n = ::WideCharToMultiByte(CP_UTF8, 0, store.c_str(), -1, nullptr, 0, nullptr, nullptr);
    expected.resize(n - 1);
    ::WideCharToMultiByte(CP_UTF8, 0, store.c_str(), -1, expected.data(), n, nullptr, nullptr);

    EXPECT_EQ(DiscoverStoreFolder(), expected);
}

class ListContainersTest : public ::testing::Test {
  protected:
    void ListFolder(const std::wstring& folder) {
        window.storePath.text = folder + L"\\";
        ListContainers(window.view);
    }
    TempFolder store{L"Хранилище сообщений"};
    FakeWindow window;
};

TEST_F(ListContainersTest, ThreeContainersInFileSystemOrderAllSelected) {
    for (const wchar_t* name : {L"b.imm", L"Входящие.imm", L"a.imm"}) store.MakeFile(name);
    window.convert.enabled = false;

    ListFolder(store.Path());

    EXPECT_THAT(window.list.names, ElementsAreArray(FileSystemOrder(store.Path())));
    EXPECT_EQ(window.list.names.size(), 3u);
    EXPECT_TRUE(window.list.AllSelected());
    EXPECT_TRUE(window.convert.enabled);
}

TEST_F(ListContainersTest, CapitalExtensionsAreListed) {
    store.MakeFile(L"INBOX.IMM");
    store.MakeFile(L"Sent.Imm");

    ListFolder(store.Path());

    EXPECT_THAT(window.list.names, UnorderedElementsAre(L"INBOX.IMM", L"Sent.Imm"));
}

TEST_F(ListContainersTest, HiddenSystemFoldersAndOtherExtensionsAreLeftOut) {
    store.MakeFile(L"Inbox.imm");
    store.MakeFile(L"hidden.imm", FILE_ATTRIBUTE_HIDDEN);
    store.MakeFile(L"system.imm", FILE_ATTRIBUTE_SYSTEM);
    store.MakeFile(L"Inbox.iml");
    store.MakeFile(L"Inbox.imm.bak");
    store.MakeFolder(L"folder.imm");

    ListFolder(store.Path());

    EXPECT_THAT(window.list.names, ElementsAre(L"Inbox.imm"));
}

TEST_F(ListContainersTest, EmptyListingNeverDisablesConvertAndEmptiesTheList) {
    window.list.names = {L"old.imm"};
    store.MakeFile(L"Inbox.iml");

    ListFolder(store.Path());
    EXPECT_THAT(window.list.names, IsEmpty());
    EXPECT_TRUE(window.convert.enabled);

    window.convert.enabled = false;
    ListFolder(store.Path() + L"\\не существует");
    EXPECT_THAT(window.list.names, IsEmpty());
    EXPECT_FALSE(window.convert.enabled);
    EXPECT_THAT(window.log, ElementsAre(L"clear", L"clear"));
}

TEST_F(ListContainersTest, EmptyStorePathListsNothing) {
    // Not the current folder, which an empty path would otherwise stand for.
    store.MakeFile(L"Inbox.imm");
    wchar_t previous[MAX_PATH] = {};
    ::GetCurrentDirectoryW(MAX_PATH, previous);
    ::SetCurrentDirectoryW(store.Path().c_str());
    window.storePath.text.clear();
    ListContainers(window.view);
    ::SetCurrentDirectoryW(previous);

    EXPECT_THAT(window.list.names, IsEmpty());
}

// A message-only window that counts what reaches it.
LRESULT CALLBACK CountingProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_APP) {
        ++*reinterpret_cast<int*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
        return 0;
    }
    return DefWindowProcW(hwnd, message, wParam, lParam);
}

TEST(WindowEventPumpTest, RunsPendingMessagesAndKeepsAQuit) {
    WNDCLASSEXW wc{};
    wc.cbSize = sizeof wc;
    wc.lpfnWndProc = CountingProc;
    wc.hInstance = ::GetModuleHandleW(nullptr);
    wc.lpszClassName = L"QuillmereCountingWindow";
    RegisteredClass registered(wc);
    ASSERT_NE(registered.Atom(), 0);
    UniqueWindow window(
        ::CreateWindowExW(0, registered.Name(), L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, wc.hInstance, nullptr));
    ASSERT_TRUE(window);
    int seen = 0;
    ::SetWindowLongPtrW(window.Get(), GWLP_USERDATA, reinterpret_cast<LONG_PTR>(&seen));

    ::PostMessageW(window.Get(), WM_APP, 0, 0);
    ::PostMessageW(window.Get(), WM_APP, 0, 0);
    WindowEventPump pump;
    pump.Pump();
    EXPECT_EQ(seen, 2);

    ::PostQuitMessage(7);
    pump.Pump();
    MSG msg;
    ASSERT_TRUE(::PeekMessageW(&msg, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE)) << "the quit was swallowed";
    EXPECT_EQ(msg.wParam, 7u);
}

}  // namespace
}  // namespace quill
