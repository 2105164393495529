#include "mime/Header.h"

#include <gtest/gtest.h>

namespace quill::mime {
namespace {

Header ParseHeader(std::string_view text, std::size_t& bodyStart) { return Header::Parse(text, bodyStart); }

TEST(HeaderParse, FoldedFieldUnfoldsButKeepsItsRawLines) {
    std::string text = "Subject: one\r\n two\r\n\tthree\r\nFrom: a@b\r\n\r\nbody";
    std::size_t body = 0;
    Header h = ParseHeader(text, body);
    ASSERT_EQ(h.Fields().size(), 2u);
    EXPECT_EQ(h.Fields()[0].raw, "Subject: one\r\n two\r\n\tthree\r\n");
    EXPECT_EQ(*h.Value("subject"), "one two\tthree");
    EXPECT_EQ(text.substr(body), "body");
    EXPECT_EQ(h.Separator(), "\r\n");
    EXPECT_EQ(h.Serialize(), text.substr(0, body));
}

TEST(HeaderParse, BareLfAndMixedLineEndsStillSplitFields) {
    std::string text = "A: 1\nB: 2\r\n  more\nC : 3\n\nrest";
    std::size_t body = 0;
    Header h = ParseHeader(text, body);
    ASSERT_EQ(h.Fields().size(), 3u);
    EXPECT_EQ(*h.Value("B"), "2  more");
    EXPECT_EQ(h.Fields()[2].name, "C");  // blanks before the colon trimmed
    EXPECT_EQ(*h.Value("c"), "3");
    EXPECT_EQ(h.Separator(), "\n");
    EXPECT_EQ(text.substr(body), "rest");
}

TEST(HeaderParse, EightBitBytesInValuesStayPartOfTheField) {
    std::string text = "Subject: caf\xe9 \xc3\xa9\r\nTo: x\r\n\r\n";
    std::size_t body = 0;
    Header h = ParseHeader(text, body);
    ASSERT_EQ(h.Fields().size(), 2u);
    EXPECT_EQ(*h.Value("Subject"), "caf\xe9 \xc3\xa9");
    EXPECT_EQ(body, text.size());
}

TEST(HeaderParse, LineThatIsNoFieldStartsTheBodyWithoutSeparator) {
    for (std::string bad : {"not a field line\r\n", "\xe9t\xe9: x\r\n", ": empty name\r\n", "--boundary\r\n"}) {
        std::string text = "From: a\r\n" + bad + "Subject: later\r\n\r\n";
        std::size_t body = 0;
        Header h = ParseHeader(text, body);
        EXPECT_EQ(h.Fields().size(), 1u) << bad;
        EXPECT_TRUE(h.Separator().empty()) << bad;
        EXPECT_EQ(text.substr(body, bad.size()), bad);
    }
}

// A NUL inside a field's name is damage, not the end of the header: the fields
// after it stay fields (a NUL that starts a line is no name at all).
TEST(HeaderParse, NulInsideANameKeepsTheHeaderGoing) {
    const std::string text = std::string("From: a\r\nX-Bro\0ken: v\r\nSubject: later\r\n\r\nbody", 45);
    std::size_t body = 0;
    Header h = ParseHeader(text, body);
    ASSERT_EQ(h.Fields().size(), 3u);
    EXPECT_EQ(*h.Value("Subject"), "later");
    EXPECT_EQ(text.substr(body), "body");
    const std::string leading = std::string("From: a\r\n\0Subject: later\r\n\r\n", 28);
    EXPECT_EQ(ParseHeader(leading, body).Fields().size(), 1u);
}

TEST(HeaderParse, ContinuationWithoutAFieldIsBody) {
    std::size_t body = 7;
    Header h = ParseHeader(" indented\r\n\r\n", body);
    EXPECT_TRUE(h.Fields().empty());
    EXPECT_EQ(body, 0u);
}

TEST(HeaderParse, HeaderCutOffWithoutLineEnd) {
    std::size_t body = 0;
    Header h = ParseHeader("From: a\r\nSubject: cut", body);
    ASSERT_EQ(h.Fields().size(), 2u);
    EXPECT_EQ(*h.Value("Subject"), "cut");
    EXPECT_EQ(body, 21u);
}

TEST(HeaderEdit, SetReplacesInPlaceKeepingTheNameAndAppendCompletesACutLine) {
    std::size_t body = 0;
    Header h = ParseHeader("A: 1\r\nB: 2", body);
    h.Set("a", "one", "\r\n");
    h.Append("C", "3", "\r\n");
    h.EnsureSeparator("\r\n");
    EXPECT_EQ(h.Serialize(), "A: one\r\nB: 2\r\nC: 3\r\n\r\n");
    auto taken = h.Extract("b");
    ASSERT_EQ(taken.size(), 1u);
    EXPECT_EQ(h.Serialize(), "A: one\r\nC: 3\r\n\r\n");
}

}  // namespace
}  // namespace quill::mime
