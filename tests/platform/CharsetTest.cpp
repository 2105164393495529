// The charset table and the code pages it gives.
#include "platform/Charset.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>

namespace quill::platform {
namespace {

TEST(CharsetTest, LabelCodePageFromTableNumberOrBytes) {
    struct Case {
        const char* charset;
        std::string bytes;
        std::uint32_t want;
    };
    const Case cases[] = {
        {"UTF-8", "x", 65001},
        {"utf8", "x", 65001},
        {"windows-1252", "x", 1252},
        {"ISO-8859-2", "x", 28592},
        {"iso-8859-15", "x", 28605},
        {"KOI8-R", "x", 20866},
        {"us-ascii", "plain", 20127},
        {"us-ascii", "caf\xE9", 1252},
        {"us-ascii", "caf\xC3\xA9", 65001},
        {"windows-1251", "x", 1251},
        {"cp1250", "x", 1250},
        {"iso-2022-jp", "x", 50220},
        {"Shift_JIS", "x", 932},
        {"x-sjis", "x", 932},
        {"gb2312", "x", 936},
        {"ks_c_5601-1987", "x", 949},
        {"big5", "x", 950},
        {"euc-jp", "x", 51932},
        {"utf-7", "x", 65000},
        {"x-unknown", "caf\xC3\xA9", 65001},
        {"", "caf\xE9", 1252},
    };
    for (const auto& c : cases)
        EXPECT_EQ(CodePageForCharset(c.charset, c.bytes), c.want) << c.charset << " " << c.bytes;
}

TEST(CharsetTest, LabelAndConversionPagesDifferOnlyWhereTheTableSaysWhy) {
    // The two columns part on purpose for these two names only; a third
    // difference would be a typing slip in one of them.
    struct Case {
        const char* name;
        std::uint32_t label, conversion;
    };
    const Case differing[] = {{"euc-jp", 51932, 20932}, {"euc-kr", 949, 51949}};
    for (const auto& c : differing) {
        const CharsetCodePages* entry = FindCharsetCodePages(c.name);
        ASSERT_NE(entry, nullptr) << c.name;
        EXPECT_EQ(entry->label, c.label) << c.name;
        EXPECT_EQ(entry->conversion, c.conversion) << c.name;
    }
    const char* probes[] = {"utf-7",          "windows-1251", "iso-8859-2", "koi8-r", "shift_jis", "gb2312",    "big5",
                            "ks_c_5601-1987", "iso-2022-jp",  "macintosh",  "ibm850", "viscii",    "hz-gb-2312"};
    for (const char* name : probes) {
        const CharsetCodePages* entry = FindCharsetCodePages(name);
        ASSERT_NE(entry, nullptr) << name;
        if (entry->label != 0 && entry->conversion != 0) {
            EXPECT_EQ(entry->label, entry->conversion) << name;
        }
    }
}

TEST(CharsetTest, TableNamesAreFoundOnlyInTheirNormalisedSpelling) {
    // Lookups are made with normalised names: an entry spelled otherwise
    // could never be found.
    const char* spellings[][2] = {{"EUC-JP", "euc-jp"},     {"x-sjis", "shift_jis"}, {"cp949", "ks_c_5601-1987"},
                                  {"Latin1", "iso-8859-1"}, {"utf-8*en", "utf-8"},   {"\"koi8-r\"", "koi8-r"}};
    for (const auto& s : spellings) {
        EXPECT_EQ(FindCharsetCodePages(s[0]), nullptr) << s[0];
        const CharsetCodePages* entry = FindCharsetCodePages(NormaliseCharsetName(s[0]));
        ASSERT_NE(entry, nullptr) << s[0];
        EXPECT_EQ(entry->name, s[1]);
    }
}

}  // namespace
}  // namespace quill::platform
