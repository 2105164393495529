// The folder chooser: its path handling through the seam, on made-up
// choices and on real shell items, and the dialog itself driven from a
// second thread as a user would.
#include "win32/FolderChooser.h"

#include "TestSupport.h"
#include "win32/ComPtr.h"

#include <shlobj.h>

#include <gtest/gtest.h>

#include <atomic>

namespace quill {
namespace {

FolderChoice Chosen(const std::wstring& path) { return {true, true, path}; }

TEST(FolderChoicePathTest, NothingUsableGivesEmpty) {
    EXPECT_EQ(FolderChoicePath({}), L"");                              // cancel
    EXPECT_EQ(FolderChoicePath({false, true, L"C:\\Mail"}), L"");      // failed after a path was seen
    EXPECT_EQ(FolderChoicePath({true, false, L""}), L"");              // virtual item
    EXPECT_EQ(FolderChoicePath({true, false, L"::{20D04FE0}"}), L"");  // virtual item with a parsing name
}

TEST(FolderChoicePathTest, DriveRootKeepsItsBackslash) {
    EXPECT_EQ(FolderChoicePath(Chosen(L"C:\\")), L"C:\\");
    EXPECT_EQ(FolderChoicePath(Chosen(L"d:\\\\")), L"d:\\");
    EXPECT_EQ(FolderChoicePath(Chosen(L"E:")), L"E:\\");
}

TEST(FolderChoicePathTest, OtherFoldersLoseTrailingSeparators) {
    EXPECT_EQ(FolderChoicePath(Chosen(L"C:\\Mail")), L"C:\\Mail");
    EXPECT_EQ(FolderChoicePath(Chosen(L"C:\\Mail\\")), L"C:\\Mail");
    EXPECT_EQ(FolderChoicePath(Chosen(L"C:\\Mail\\\\")), L"C:\\Mail");
    EXPECT_EQ(FolderChoicePath(Chosen(L"C:\\Почта/")), L"C:\\Почта");
    EXPECT_EQ(FolderChoicePath(Chosen(L"\\\\server\\share\\")), L"\\\\server\\share");
}

class ShellItemTest : public ::testing::Test {
  protected:
    ComApartment com;
};

TEST_F(ShellItemTest, FileSystemItemsGiveTheirPath) {
    ComPtr<IShellItem> root;
    ASSERT_HRESULT_SUCCEEDED(SHCreateItemFromParsingName(L"C:\\", nullptr, IID_IShellItem, root.PutVoid()));
    EXPECT_EQ(FolderChoicePath(FolderChoiceFromItem(root.Get())), L"C:\\");

    test::TempFolder folder(L"Выбор");
    ComPtr<IShellItem> item;
    ASSERT_HRESULT_SUCCEEDED(
        SHCreateItemFromParsingName(folder.Path().c_str(), nullptr, IID_IShellItem, item.PutVoid()));
    EXPECT_EQ(FolderChoicePath(FolderChoiceFromItem(item.Get())), folder.Path());

    CoTaskMem<ITEMIDLIST> idList;
    ASSERT_HRESULT_SUCCEEDED(SHParseDisplayName(folder.Path().c_str(), nullptr, idList.Put(), 0, nullptr));
    EXPECT_EQ(FolderChoicePath(FolderChoiceFromIdList(idList.Get())), folder.Path());
}

TEST_F(ShellItemTest, VirtualItemsAreConfirmedButGiveNoPath) {
    CoTaskMem<ITEMIDLIST> computer;
    ASSERT_HRESULT_SUCCEEDED(SHGetSpecialFolderLocation(nullptr, CSIDL_DRIVES, computer.Put()));
    FolderChoice fromIdList = FolderChoiceFromIdList(computer.Get());
    EXPECT_TRUE(fromIdList.confirmed);
    EXPECT_FALSE(fromIdList.fileSystem);
    EXPECT_EQ(FolderChoicePath(fromIdList), L"");

    ComPtr<IShellItem> item;
    ASSERT_HRESULT_SUCCEEDED(SHCreateItemFromIDList(computer.Get(), IID_IShellItem, item.PutVoid()));
    FolderChoice fromItem = FolderChoiceFromItem(item.Get());
    EXPECT_TRUE(fromItem.confirmed);
    EXPECT_FALSE(fromItem.fileSystem);
    EXPECT_EQ(FolderChoicePath(fromItem), L"");
}

TEST_F(ShellItemTest, NoItemIsACancel) {
    EXPECT_FALSE(FolderChoiceFromItem(nullptr).confirmed);
    EXPECT_FALSE(FolderChoiceFromIdList(nullptr).confirmed);
}

// Plays the user: waits for the dialog by its title, then cancels it or
// types a folder and confirms it.
struct DialogUser {
    std::wstring title;
    std::wstring typeFolder;  // empty: cancel
    DWORD ownerThread = 0;
    std::atomic<bool> found{false};
};

BOOL CALLBACK CloseThreadWindow(HWND hwnd, LPARAM) {
    ::PostMessageW(hwnd, WM_CLOSE, 0, 0);
    return TRUE;
}

BOOL CALLBACK FindNameBox(HWND hwnd, LPARAM lParam) {
    wchar_t className[32] = {};
    ::GetClassNameW(hwnd, className, 32);
    if (lstrcmpiW(className, L"Edit") != 0 || !::IsWindowVisible(hwnd)) return TRUE;
    *reinterpret_cast<HWND*>(lParam) = hwnd;
    return FALSE;
}

DWORD WINAPI PlayDialogUser(void* parameter) {
    auto* user = static_cast<DialogUser*>(parameter);
    HWND dialog = nullptr;
    for (int i = 0; i < 300 && dialog == nullptr; ++i) {
        ::Sleep(50);
        dialog = ::FindWindowW(nullptr, user->title.c_str());
        if (dialog != nullptr && !::IsWindowVisible(dialog)) dialog = nullptr;
    }
    if (dialog == nullptr) {
        // Whatever came up instead must not hang the test.
        ::EnumThreadWindows(user->ownerThread, CloseThreadWindow, 0);
        return 1;
    }
    user->found = true;
    if (!user->typeFolder.empty()) {
        HWND nameBox = nullptr;
        ::EnumChildWindows(dialog, FindNameBox, reinterpret_cast<LPARAM>(&nameBox));
        if (nameBox != nullptr) {
            ::SendMessageW(nameBox, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(user->typeFolder.c_str()));
            ::PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
            return 0;
        }
    }
    ::PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
    return 0;
}

std::wstring BrowseAs(DialogUser& user) {
    user.ownerThread = ::GetCurrentThreadId();
    HANDLE thread = ::CreateThread(nullptr, 0, PlayDialogUser, &user, 0, nullptr);
    EXPECT_NE(thread, nullptr);
    std::wstring result = BrowseForFolder(nullptr, user.title);
    ::WaitForSingleObject(thread, INFINITE);
    ::CloseHandle(thread);
    return result;
}

TEST(BrowseForFolderTest, CancelGivesEmpty) {
    DialogUser user;
    user.title = L"Quillmere: выбор папки " + test::UniqueSuffix();
    EXPECT_EQ(BrowseAs(user), L"");
    EXPECT_TRUE(user.found) << "no dialog with the title appeared";
}

TEST(BrowseForFolderTest, ConfirmedFolderGivesItsPathWithoutBackslash) {
    test::TempFolder folder(L"Хранилище");
    DialogUser user;
    user.title = L"Quillmere: store folder " + test::UniqueSuffix();
    user.typeFolder = folder.Path() + L"\\";
    EXPECT_EQ(BrowseAs(user), folder.Path());
    EXPECT_TRUE(user.found) << "no dialog with the title appeared";
}

}  // namespace
}  // namespace quill
