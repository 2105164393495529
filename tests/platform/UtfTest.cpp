// UTF-8 and UTF-16: every valid text survives the way there and back, and
// every damaged one comes out valid, one U+FFFD for each bad byte or unit.
#include "platform/Utf.h"

#include <gtest/gtest.h>

#include <iterator>
#include <string>

namespace quill::platform {
namespace {

TEST(UtfTest, ValidTextRoundTripsThroughUtf16) {
    struct Case {
        std::string utf8;
        std::u16string utf16;
    };
    const Case cases[] = {
        {"", u""},
        {"plain ASCII", u"plain ASCII"},
        {"caf\xC3\xA9", u"caf\u00E9"},                          // two bytes
        {"\xE2\x82\xAC 5", u"\u20AC 5"},                        // three bytes
        {"a\xF0\x9F\x98\x80z", u"a\U0001F600z"},                // four bytes: a surrogate pair
        {"\xEF\xBF\xBF\xF4\x8F\xBF\xBF", u"\uFFFF\U0010FFFF"},  // the ends of the planes
        {std::string("nul\0inside", 10), std::u16string(u"nul\0inside", 10)},
    };
    for (const auto& c : cases) {
        EXPECT_TRUE(IsValidUtf8(c.utf8));
        EXPECT_EQ(Utf8ToUtf16(c.utf8), c.utf16);
        EXPECT_EQ(Utf16ToUtf8(c.utf16), c.utf8);
        EXPECT_EQ(RepairUtf8(c.utf8), c.utf8);
    }
}

TEST(UtfTest, EachInvalidUtf8ByteBecomesOneReplacement) {
    struct Case {
        std::string bytes;
        std::u16string utf16;
    };
    const Case cases[] = {
        {"a\x80z", u"a\uFFFDz"},                            // a lone continuation byte
        {"\xC0\xAF", u"\uFFFD\uFFFD"},                      // an overlong '/'
        {"\xE0\x80\xAF", u"\uFFFD\uFFFD\uFFFD"},            // overlong in three bytes
        {"\xED\xA0\x80", u"\uFFFD\uFFFD\uFFFD"},            // an encoded surrogate
        {"\xF4\x90\x80\x80", u"\uFFFD\uFFFD\uFFFD\uFFFD"},  // past U+10FFFF
        {"\xE2\x82", u"\uFFFD\uFFFD"},                      // cut off at the end
        {"\xE2\x82"
         "A",
         u"\uFFFD\uFFFDA"},  // cut off by ASCII
        {"\xFF\xFE", u"\uFFFD\uFFFD"},
    };
    for (const auto& c : cases) {
        EXPECT_FALSE(IsValidUtf8(c.bytes));
        EXPECT_EQ(Utf8ToUtf16(c.bytes), c.utf16);
        const std::string repaired = RepairUtf8(c.bytes);
        EXPECT_TRUE(IsValidUtf8(repaired));
        EXPECT_EQ(Utf8ToUtf16(repaired), c.utf16) << "repairing and converting must agree";
    }
}

TEST(UtfTest, UnpairedSurrogatesBecomeReplacements) {
    const std::u16string cases[][1] = {
        {u"a\xD800z"},
        {u"\xDC00"},
        {u"\xD800\xD800\xDC00"},
        {u"x\xD83D"},
    };
    const char* expected[] = {"a\xEF\xBF\xBDz", "\xEF\xBF\xBD", "\xEF\xBF\xBD\xF0\x90\x80\x80", "x\xEF\xBF\xBD"};
    for (std::size_t i = 0; i < std::size(cases); ++i) EXPECT_EQ(Utf16ToUtf8(cases[i][0]), expected[i]) << i;
}

TEST(UtfTest, CodePointsOutsideUnicodeAreWrittenAsReplacement) {
    const std::uint32_t points[] = {0x41, 0xE9, 0x20AC, 0x1F600, 0xD800, 0xDFFF, 0x110000, 0xFFFFFFFF};
    const char* utf8[] = {
        "A",           "\xC3\xA9", "\xE2\x82\xAC", "\xF0\x9F\x98\x80", "\xEF\xBF\xBD", "\xEF\xBF\xBD", "\xEF\xBF\xBD",
        "\xEF\xBF\xBD"};
    for (std::size_t i = 0; i < std::size(points); ++i) {
        std::string out;
        AppendUtf8(out, points[i]);
        EXPECT_EQ(out, utf8[i]) << points[i];
    }
}

}  // namespace
}  // namespace quill::platform
