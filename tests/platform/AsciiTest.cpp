// ASCII case and character classes: only ASCII letters change, whatever the
// locale, and UTF-8 bytes pass through.
#include "platform/Ascii.h"

#include <gtest/gtest.h>

#include <string>

namespace quill::platform {
namespace {

TEST(AsciiTest, CaseChangesOnlyAsciiLetters) {
    struct Case {
        std::string in, lower, upper;
    };
    const Case cases[] = {
        {"Return-Path:", "return-path:", "RETURN-PATH:"},
        {"@AZ[`az{", "@az[`az{", "@AZ[`AZ{"},                             // the neighbours of both ranges
        {"\xC3\x89t\xC3\xA9", "\xC3\x89t\xC3\xA9", "\xC3\x89T\xC3\xA9"},  // UTF-8 bytes untouched
        {std::string("a\0B", 3), std::string("a\0b", 3), std::string("A\0B", 3)},
        {"", "", ""},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(LowerAscii(c.in), c.lower);
        EXPECT_EQ(UpperAscii(c.in), c.upper);
    }
    for (int b = 0x80; b <= 0xFF; ++b) {
        const char c = static_cast<char>(b);
        EXPECT_FALSE(IsAsciiAlnum(c)) << b;
        EXPECT_EQ(ToLowerAscii(c), c) << b;
        EXPECT_EQ(ToUpperAscii(c), c) << b;
    }
}

TEST(AsciiTest, ComparisonsIgnoreAsciiCaseOnly) {
    EXPECT_TRUE(EqualsIgnoreCase("Content-Type", "content-TYPE"));
    EXPECT_FALSE(EqualsIgnoreCase("\xC3\x89", "\xC3\xA9"));  // É and é are different bytes
    EXPECT_FALSE(EqualsIgnoreCase("abc", "ab"));
    EXPECT_FALSE(EqualsIgnoreCase("[", "{"));  // 0x5B and 0x7B differ by the case bit
    EXPECT_TRUE(StartsWithIgnoreCase("MAILTO:x@y", "mailto:"));
    EXPECT_FALSE(StartsWithIgnoreCase("mail", "mailto:"));
    EXPECT_TRUE(EndsWithIgnoreCase("Inbox.IMM", ".imm"));
    EXPECT_FALSE(EndsWithIgnoreCase("imm", ".imm"));

    struct Find {
        const char* text;
        const char* needle;
        std::size_t from, at;
    };
    const Find finds[] = {
        {"<B>x</SCRIPT>", "</script", 0, 4},
        {"abcABC", "abc", 1, 3},
        {"abc", "", 0, 0},
        {"abc", "", 3, 3},
        {"ab", "abc", 0, std::string_view::npos},
        {"abc", "c", 4, std::string_view::npos},  // a start past the end finds nothing
    };
    for (const auto& f : finds) EXPECT_EQ(FindIgnoreCase(f.text, f.needle, f.from), f.at) << f.text << " " << f.needle;
}

TEST(AsciiTest, HexDigitsInEitherCase) {
    const std::string digits = "0123456789abcdefABCDEF";
    const int values[] = {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 10, 11, 12, 13, 14, 15};
    for (std::size_t i = 0; i < digits.size(); ++i) EXPECT_EQ(HexDigitValue(digits[i]), values[i]) << digits[i];
    for (char c : std::string("gG/:@`\x80 "))
        EXPECT_EQ(HexDigitValue(c), -1) << static_cast<int>(static_cast<unsigned char>(c));
}

}  // namespace
}  // namespace quill::platform
