#include "mime/HeaderValue.h"

#include <gtest/gtest.h>

#include <iterator>
#include <vector>

namespace quill::mime {
namespace {

std::string Param(const StructuredValue& v, std::string_view name) {
    const Parameter* p = v.Find(name);
    return p ? p->value : "<none>";
}

TEST(StructuredValueParse, QuotedStringsEscapesAndComments) {
    auto v = ParseStructured(
        "Multipart/Mixed (a comment; with=junk) ; boundary=\"a;b\\\"c\" (c) ; Charset = \"utf-8\" ;x=plain (note)");
    EXPECT_EQ(v.token, "multipart/mixed");
    EXPECT_EQ(Param(v, "boundary"), "a;b\"c");
    EXPECT_EQ(Param(v, "charset"), "utf-8");
    EXPECT_EQ(Param(v, "x"), "plain");
}

TEST(StructuredValueParse, DuplicateParameterFirstWins) {
    auto v = ParseStructured("text/plain; charset=windows-1251; charset=koi8-r; CHARSET=utf-8");
    EXPECT_EQ(Param(v, "charset"), "windows-1251");
    EXPECT_EQ(v.params.size(), 1u);
}

TEST(StructuredValueParse, UnterminatedQuoteRunsToTheEnd) {
    auto v = ParseStructured("attachment; filename=\"open; name.txt");
    EXPECT_EQ(Param(v, "filename"), "open; name.txt");
}

TEST(StructuredValueParse, ParameterWithoutEqualsIsSkipped) {
    auto v = ParseStructured("attachment; junk; filename=a.txt;; =x");
    EXPECT_EQ(v.token, "attachment");
    EXPECT_EQ(Param(v, "filename"), "a.txt");
    EXPECT_EQ(Param(v, "junk"), "<none>");
}

TEST(Rfc2231, ContinuationsJoinInSectionOrderAndDecodeFromSectionZeroCharset) {
    auto v = ParseStructured("attachment; filename*2=\"end.txt\"; filename*1*=%E9%20; filename*0*=iso-8859-1'fr'caf");
    EXPECT_EQ(Param(v, "filename"), "caf\xc3\xa9 end.txt");
    EXPECT_TRUE(v.Find("filename")->extended);
}

TEST(Rfc2231, CharacterSplitAcrossSectionsSurvives) {
    auto v = ParseStructured("attachment; filename*0*=utf-8''n%C3; filename*1*=%A4me.txt");
    EXPECT_EQ(Param(v, "filename"), "n\xc3\xa4me.txt");
}

TEST(Rfc2231, ExtendedFormWinsOverPlainInEitherOrder) {
    EXPECT_EQ(Param(ParseStructured("a; name=\"plain.txt\"; name*=utf-8''%C3%A9.txt"), "name"), "\xc3\xa9.txt");
    EXPECT_EQ(Param(ParseStructured("a; name*=utf-8''%C3%A9.txt; name=\"plain.txt\""), "name"), "\xc3\xa9.txt");
}

TEST(Rfc2231, JunkSectionNumbersAreIgnored) {
    auto v = ParseStructured("a; name*0=x; name*ab=y; name*1234=z; name*1=w");
    EXPECT_EQ(Param(v, "name"), "xw");
}

TEST(Rfc2047, EncodedWordsInBothEncodingsAndCharsets) {
    EXPECT_EQ(DecodeHeaderText("=?utf-8?B?Q2Fmw6k=?="), "Caf\xc3\xa9");
    EXPECT_EQ(DecodeHeaderText("=?ISO-8859-1?q?Caf=e9_cr=E8me?="), "Caf\xc3\xa9 cr\xc3\xa8me");
    EXPECT_EQ(DecodeHeaderText("=?windows-1251?B?z/Do4uXy?="), "\xd0\x9f\xd1\x80\xd0\xb8\xd0\xb2\xd0\xb5\xd1\x82");
    EXPECT_EQ(DecodeHeaderText("=?utf-8*en?Q?x?="), "x");  // language suffix
}

TEST(Rfc2047, BlanksBetweenAdjacentWordsDropAndOthersStay) {
    EXPECT_EQ(DecodeHeaderText("=?utf-8?Q?a?=  \t =?utf-8?Q?b?="), "ab");
    EXPECT_EQ(DecodeHeaderText("=?utf-8?Q?a?= x =?utf-8?Q?b?="), "a x b");
    EXPECT_EQ(DecodeHeaderText("pre =?utf-8?Q?a?= post"), "pre a post");
}

TEST(Rfc2047, CharacterSplitAcrossAdjacentWordsSurvives) {
    // "ä" is C3 A4; each word holds one of its bytes.
    EXPECT_EQ(DecodeHeaderText("=?utf-8?B?w6E=?= =?utf-8?Q?=C3?= =?UTF-8?Q?=A4?="), "\xc3\xa1\xc3\xa4");
}

TEST(Rfc2047, WordsInsideQuotesAndWordsAreDecoded) {
    EXPECT_EQ(DecodeHeaderText("\"=?utf-8?Q?J=C3=B6rg?=\" <j@x>"), "\"J\xc3\xb6rg\" <j@x>");
    EXPECT_EQ(DecodeHeaderText("file=?utf-8?Q?=C3=A9?=.txt"), "file\xc3\xa9.txt");
}

TEST(Rfc2047, MalformedWordsStayAsText) {
    for (std::string s : {"=?utf-8?X?abc?=", "=??Q?abc?=", "=?utf-8?Q?no end", "=?utf 8?Q?a?=", "=?utf-8?Q"})
        EXPECT_EQ(DecodeHeaderText(s), s) << s;
}

TEST(Rfc2047, RawEightBitReadInTheGivenCharsetOrGuessed) {
    EXPECT_EQ(DecodeHeaderText("caf\xe9"), "caf\xc3\xa9");      // not UTF-8: windows-1252
    EXPECT_EQ(DecodeHeaderText("caf\xc3\xa9"), "caf\xc3\xa9");  // valid UTF-8 stays
    EXPECT_EQ(DecodeHeaderText("\xcf\xf0", "windows-1251"), "\xd0\x9f\xd1\x80");
    EXPECT_EQ(DecodeHeaderText("\x93q\x94", "us-ascii"), "\xe2\x80\x9cq\xe2\x80\x9d");
}

TEST(Rfc2047, UnknownCharsetFallsBack) { EXPECT_EQ(DecodeHeaderText("=?x-unknown?Q?caf=E9?="), "caf\xc3\xa9"); }

// What we write must read back as the same name.
TEST(FormatParameter, RoundTripsThroughTheParser) {
    const std::string values[] = {
        "plain.txt",
        "with \"quotes\" and \\ backslash.txt",
        std::string(150, 'a') + ".txt",
        std::string(70, 'b') + "\\\\\\\\\\\\\\\\" + std::string(70, 'c'),  // escapes at every cut
        "n\xc3\xa4me.txt",
        "\xe6\x97\xa5\xe6\x9c\xac\xe8\xaa\x9e" + std::string(60, 'x') + "\xe2\x80\x94.pdf",
        "..\\..\\x.txt",
        "tab\there",
    };
    std::vector<std::string> all(std::begin(values), std::end(values));
    for (std::size_t k = 0; k < 80; ++k)
        all.push_back(std::string(k, 'a') + std::string(7, '\\') + "\"" + std::string(90, 'c'));
    for (const auto& value : all) {
        for (std::string_view le : {"\r\n", "\n"}) {
            std::string written = FormatParameter("filename", value, le);
            std::string unfolded;
            for (char c : written)
                if (c != '\r' && c != '\n') unfolded += c;
            auto parsed = ParseStructured("attachment; " + unfolded);
            EXPECT_EQ(Param(parsed, "filename"), value) << written;
            // Lines stay short enough for any reader.
            std::size_t line = 0;
            for (char c : written) {
                line = c == '\n' ? 0 : line + 1;
                EXPECT_LE(line, 78u) << written;
            }
        }
    }
}

TEST(FormatParameter, NonAsciiIsRfc2231Utf8) {
    EXPECT_EQ(FormatParameter("name", "n\xc3\xa4me.txt", "\r\n"), "name*=utf-8''n%C3%A4me.txt");
    EXPECT_EQ(FormatParameter("name", "a b.txt", "\r\n"), "name=\"a b.txt\"");
}

TEST(BytesToUtf8, DeclaredCharsetThenFallbacks) {
    EXPECT_EQ(BytesToUtf8("\xe9", "iso-8859-1"), "\xc3\xa9");
    EXPECT_EQ(BytesToUtf8("\x80", "ISO-8859-1"), "\xe2\x82\xac");  // read as windows-1252
    EXPECT_EQ(BytesToUtf8("\x82\xb1", "Shift_JIS"), "\xe3\x81\x93");
    EXPECT_EQ(BytesToUtf8("\xff", "utf-8"), "\xef\xbf\xbd");
    EXPECT_EQ(BytesToUtf8("\xe9", "no-such-charset"), "\xc3\xa9");
    EXPECT_EQ(BytesToUtf8("\xe9", ""), "\xc3\xa9");
}

}  // namespace
}  // namespace quill::mime
