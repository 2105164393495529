// RegKeyExists and RegReadValue against real keys in a throwaway HKCU key.
#include "win32/Registry.h"

#include "TestSupport.h"

#include <gtest/gtest.h>

namespace quill {
namespace {

using test::ScopedEnvironment;
using test::ThrowawayKey;

bool IsEmptyText(const RegValue& value) {
    const auto* text = std::get_if<std::wstring>(&value);
    return text != nullptr && text->empty();
}

class RegistryTest : public ::testing::Test {
  protected:
    std::wstring Sub(const std::wstring& name) const { return key.Path() + L"\\" + name; }
    RegValue Read(const std::wstring& subKey, const std::wstring& name) const {
        return RegReadValue(HKEY_CURRENT_USER, Sub(subKey), name);
    }
    ThrowawayKey key;
};

TEST_F(RegistryTest, MissingKeyDoesNotExistAndReadsEmpty) {
    EXPECT_FALSE(RegKeyExists(HKEY_CURRENT_USER, Sub(L"absent")));
    EXPECT_EQ(RegLastResult(), ERROR_FILE_NOT_FOUND);
    // A successful call in between, so the code below is this read's own.
    ASSERT_TRUE(RegKeyExists(HKEY_CURRENT_USER, key.Path()));
    EXPECT_EQ(RegLastResult(), ERROR_SUCCESS);
    EXPECT_TRUE(IsEmptyText(Read(L"absent", L"ApplicationPath")));
    EXPECT_EQ(RegLastResult(), ERROR_FILE_NOT_FOUND);
}

TEST_F(RegistryTest, KeyWithoutDefaultValueReadsEmptyAndKeepsNotFound) {
    key.MakeKey(L"Identities");
    EXPECT_TRUE(RegKeyExists(HKEY_CURRENT_USER, Sub(L"Identities")));
    EXPECT_TRUE(IsEmptyText(Read(L"Identities", L"")));
    EXPECT_EQ(RegLastResult(), ERROR_FILE_NOT_FOUND);
}

TEST_F(RegistryTest, DefaultValueIsReadThroughTheEmptyName) {
    key.SetText(L"Identities", L"", L"{0A1B-main}");
    EXPECT_EQ(RegValueText(Read(L"Identities", L"")), L"{0A1B-main}");
    EXPECT_EQ(RegLastResult(), ERROR_SUCCESS);
}

TEST_F(RegistryTest, StringsStopAtTheirFirstNulOrEndWithTheirData) {
    static const wchar_t kEmbedded[] = L"C:\\Mail\0trailing";
    key.Set(L"p", L"embedded", REG_SZ, kEmbedded, sizeof kEmbedded);
    EXPECT_EQ(RegValueText(Read(L"p", L"embedded")), L"C:\\Mail");

    // Stored without a terminator, and with an odd byte count: the whole
    // characters are the value, and nothing past the data leaks in.
    key.Set(L"p", L"unterminated", REG_SZ, L"abcdef", 3 * sizeof(wchar_t));
    EXPECT_EQ(RegValueText(Read(L"p", L"unterminated")), L"abc");
    key.Set(L"p", L"odd", REG_SZ, L"abcdef", 3 * sizeof(wchar_t) + 1);
    EXPECT_EQ(RegValueText(Read(L"p", L"odd")), L"abc");

    key.Set(L"p", L"empty", REG_SZ, L"", 0);
    EXPECT_TRUE(IsEmptyText(Read(L"p", L"empty")));

    const std::wstring longText(5000, L'ж');
    key.SetText(L"p", L"long", longText);
    EXPECT_EQ(RegValueText(Read(L"p", L"long")), longText);
}

TEST_F(RegistryTest, UnicodeKeysNamesAndTextSurviveTheRoundTrip) {
    const std::wstring path = L"C:\\Users\\Пётр\\AppData\\Local\\IM";
    key.SetText(L"Почта", L"Путь", path);
    EXPECT_TRUE(RegKeyExists(HKEY_CURRENT_USER, Sub(L"Почта")));
    EXPECT_EQ(RegValueText(Read(L"Почта", L"Путь")), path);
}

TEST_F(RegistryTest, ExpandableStringsHaveTheirReferencesExpanded) {
    ScopedEnvironment data(L"QUILL_APP_DATA", L"C:\\Данные");
    key.SetText(L"p", L"ApplicationPath", L"%QUILL_APP_DATA%\\IM", REG_EXPAND_SZ);
    EXPECT_EQ(RegValueText(Read(L"p", L"ApplicationPath")), L"C:\\Данные\\IM");

    // An unknown reference stays as written; a plain string is never expanded.
    key.SetText(L"p", L"unknown", L"%QUILL_APP_UNSET_NAME%\\IM", REG_EXPAND_SZ);
    EXPECT_EQ(RegValueText(Read(L"p", L"unknown")), L"%QUILL_APP_UNSET_NAME%\\IM");
    key.SetText(L"p", L"plain", L"%QUILL_APP_DATA%\\IM", REG_SZ);
    EXPECT_EQ(RegValueText(Read(L"p", L"plain")), L"%QUILL_APP_DATA%\\IM");
}

TEST_F(RegistryTest, NumbersAreReadAsNumbers) {
    key.SetNumber(L"p", L"n", 0xDEADBEEFu);
    RegValue value = Read(L"p", L"n");
    ASSERT_TRUE(std::holds_alternative<std::uint32_t>(value));
    EXPECT_EQ(std::get<std::uint32_t>(value), 0xDEADBEEFu);
    EXPECT_EQ(RegValueText(value), L"3735928559");
}

TEST_F(RegistryTest, OtherTypesReadEmpty) {
    const unsigned char binary[] = {'C', 0, ':', 0, 0, 0};
    key.Set(L"p", L"binary", REG_BINARY, binary, sizeof binary);
    static const wchar_t kMulti[] = L"one\0two\0";
    key.Set(L"p", L"multi", REG_MULTI_SZ, kMulti, sizeof kMulti);
    const unsigned long long wide = 42;
    key.Set(L"p", L"qword", REG_QWORD, &wide, sizeof wide);
    for (const wchar_t* name : {L"binary", L"multi", L"qword"}) {
        EXPECT_TRUE(IsEmptyText(Read(L"p", name))) << "value " << testing::PrintToString(std::wstring(name));
        EXPECT_EQ(RegLastResult(), ERROR_SUCCESS);
    }
}

}  // namespace
}  // namespace quill
