#include "mime/Part.h"

#include <gtest/gtest.h>

#include "MimeTestSupport.h"

namespace quill::mime {
namespace {

using test::Crlf;

const std::string kMixed = Crlf(
    "Content-Type: multipart/mixed; boundary=\"b1\"\n"
    "\n"
    "preamble line\n"
    "--b1\n"
    "Content-Type: text/plain\n"
    "\n"
    "first\n"
    "--b1  \n"
    "\n"
    "second, no header\n"
    "--b1--\n"
    "epilogue\n");

TEST(MultipartSplit, PreambleDelimitersAndEpilogueAreKept) {
    auto p = Part::Parse(kMixed);
    ASSERT_TRUE(p->IsMultipart());
    EXPECT_EQ(p->Preamble(), "preamble line");
    ASSERT_EQ(p->Children().size(), 2u);
    EXPECT_EQ(p->Children()[0].delimiter, "\r\n--b1\r\n");
    EXPECT_EQ(p->Children()[0].part->RawBody(), "first");  // the line end before a delimiter is its own
    EXPECT_EQ(p->Children()[1].delimiter, "\r\n--b1  \r\n");
    EXPECT_EQ(p->Children()[1].part->MediaType(), "text/plain");
    EXPECT_EQ(p->Children()[1].part->RawBody(), "second, no header");
    EXPECT_EQ(p->Closing(), "\r\n--b1--\r\n");
    EXPECT_EQ(p->Epilogue(), "epilogue\r\n");
    EXPECT_EQ(p->Serialize(), kMixed);
}

TEST(MultipartSplit, MissingClosingBoundaryLastPartRunsToTheEnd) {
    std::string text = "Content-Type: multipart/mixed; boundary=x\n\n--x\n\na\n--x\n\nb\n";
    auto p = Part::Parse(text);
    ASSERT_TRUE(p->IsMultipart());
    ASSERT_EQ(p->Children().size(), 2u);
    EXPECT_EQ(p->Children()[1].part->RawBody(), "b\n");
    EXPECT_TRUE(p->Closing().empty());
    EXPECT_TRUE(p->Epilogue().empty());
    EXPECT_EQ(p->Serialize(), text);
}

TEST(MultipartSplit, WithoutAnyDelimiterTheBodyIsALeaf) {
    std::string text = "Content-Type: multipart/mixed; boundary=x\n\nno parts here\n--y\n-x\n";
    auto p = Part::Parse(text);
    EXPECT_FALSE(p->IsMultipart());
    EXPECT_EQ(p->RawBody(), "no parts here\n--y\n-x\n");
    EXPECT_EQ(p->Serialize(), text);
}

TEST(MultipartSplit, DelimiterMustStartALineAndMatchWholly) {
    std::string text = "Content-Type: multipart/mixed; boundary=b\n\n--b\n\n x--b\n--bb\n--b x\n--b--\n";
    auto p = Part::Parse(text);
    ASSERT_EQ(p->Children().size(), 1u);
    EXPECT_EQ(p->Children()[0].part->RawBody(), " x--b\n--bb\n--b x");
}

TEST(MultipartSplit, ImbndaryStandsInForBoundary) {
    std::string text =
        "Content-Type: multipart/mixed;\r\n\timbndary=\"--=_im\"\r\n\r\n----=_im\r\n\r\nx\r\n----=_im--\r\n";
    auto p = Part::Parse(text);
    ASSERT_TRUE(p->IsMultipart());
    EXPECT_TRUE(p->BoundaryFromImbndary());
    EXPECT_EQ(p->Boundary(), "--=_im");
    EXPECT_EQ(p->Serialize(), text);
    p->RenameImbndary();
    EXPECT_EQ(p->Serialize(),
              "Content-Type: multipart/mixed;\r\n\tboundary=\"--=_im\"\r\n\r\n----=_im\r\n\r\nx\r\n----=_im--\r\n");
    // A real boundary parameter wins, and then nothing is renamed.
    auto both = Part::Parse("Content-Type: multipart/mixed; imbndary=a; boundary=b\n\n--b\n\nx\n--b--\n");
    EXPECT_EQ(both->Boundary(), "b");
    EXPECT_FALSE(both->BoundaryFromImbndary());
}

// The stored "imbndary" value is decoded to the boundary that the body's
// delimiters carry, and written back as a plain "boundary".
TEST(MultipartSplit, EncodedImbndaryIsDecodedAndWrittenBackAsBoundary) {
    const std::string real = "----=_NextPart_000_0001";
    const std::string code = "4d4d4d4dcdfc782de1a9a025b1a9fc818181fc81818185";
    const std::string comment = "cccccccccd7d78ace1a921a4b1a97d8181817d81818185";
    auto body = [](const std::string& b) {
        return "\r\n--" + b + "\r\n\r\none\r\n--" + b + "\r\n\r\ntwo\r\n--" + b + "--\r\n";
    };
    struct Case {
        const char* name;
        std::string parameter;  // as the Content-Type carries it
        std::string bodyBoundary;
        std::string boundary;  // what the parts are split at
        int parts;
    } cases[] = {
        {"permutation of the code", "\r\n\timbndary=\"" + code + "\"", real, real, 2},
        {"permutation of the comment", " imbndary=\"" + comment + "\"", real, real, 2},
        {"upper-case hex, unquoted", " imbndary=4D4D4D4DCDFC782DE1A9A025B1A9FC818181FC81818185", real, real, 2},
        {"short value: b=1_x", " imbndary=31cd85fce1", "b=1_x", "b=1_x", 2},
        {"neither permutation fits: the body's first delimiter", " imbndary=\"" + code + "\"", "other", "other", 2},
        {"in clear", " imbndary=\"plain\"", "plain", "plain", 2},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string text =
            "Subject: s\r\nContent-Type: multipart/mixed;" + c.parameter + "\r\n" + body(c.bodyBoundary);
        auto p = Part::Parse(text);
        ASSERT_TRUE(p->IsMultipart());
        EXPECT_EQ(p->Boundary(), c.boundary);
        EXPECT_EQ(static_cast<int>(p->Children().size()), c.parts);
        EXPECT_EQ(p->Serialize(), text) << "unchanged until asked";
        p->RenameImbndary();
        const std::string written = p->Serialize();
        EXPECT_EQ(written.find("imbndary"), std::string::npos) << written;
        auto again = Part::Parse(written);
        EXPECT_FALSE(again->BoundaryFromImbndary());
        EXPECT_EQ(again->Boundary(), c.boundary);
        EXPECT_EQ(again->GetHeader().Value("Subject").value_or(""), "s");
        EXPECT_EQ(written.substr(written.find("\r\n\r\n")), text.substr(text.find("\r\n\r\n"))) << "body untouched";
    }
    // No delimiter line at all: a leaf, as any multipart without one.
    EXPECT_FALSE(
        Part::Parse("Content-Type: multipart/mixed; imbndary=\"" + code + "\"\r\n\r\nno parts\r\n")->IsMultipart());
}

TEST(MultipartSplit, AttachedMessageStaysWhole) {
    std::string inner = "Content-Type: multipart/mixed; boundary=b\n\n--b\n\ninner\n--b--\n";
    std::string text =
        "Content-Type: multipart/mixed; boundary=b\n\n--b\nContent-Type: message/rfc822\n\n" +
        std::string("Subject: inner\nContent-Type: multipart/alternative; boundary=c\n\n--c\n\nx\n--c--\n") +
        "--b\nContent-Type: text/plain\n\nafter\n--b--\n";
    auto p = Part::Parse(text);
    ASSERT_EQ(p->Children().size(), 2u);
    const Part& attached = *p->Children()[0].part;
    EXPECT_FALSE(attached.IsMultipart());
    EXPECT_EQ(attached.MediaType(), "message/rfc822");
    EXPECT_EQ(attached.RawBody(), "Subject: inner\nContent-Type: multipart/alternative; boundary=c\n\n--c\n\nx\n--c--");
    EXPECT_EQ(p->Serialize(), text);
}

TEST(MultipartSplit, DigestPartsDefaultToAttachedMessages) {
    auto p = Part::Parse("Content-Type: multipart/digest; boundary=d\n\n--d\n\nSubject: s\n\nx\n--d--\n");
    ASSERT_EQ(p->Children().size(), 1u);
    EXPECT_EQ(p->Children()[0].part->MediaType(), "message/rfc822");
}

TEST(MultipartSplit, NestedMultipartsAndEmptyParts) {
    std::string text = Crlf(
        "Content-Type: multipart/mixed; boundary=o\n\n--o\n--o\nContent-Type: multipart/alternative; boundary=i\n\n"
        "--i\n\nplain\n--i\nContent-Type: text/html\n\n<p>h</p>\n--i--\n--o--");
    auto p = Part::Parse(text);
    ASSERT_EQ(p->Children().size(), 2u);
    EXPECT_EQ(p->Children()[0].part->Serialize(), "");
    const Part& alt = *p->Children()[1].part;
    ASSERT_TRUE(alt.IsMultipart());
    EXPECT_EQ(alt.Children()[1].part->RawBody(), "<p>h</p>");
    EXPECT_EQ(p->Closing(), "\r\n--o--");
    EXPECT_EQ(p->Serialize(), text);
}

TEST(MultipartSplit, HostileNestingIsBoundedAndLossless) {
    std::string text;
    for (int i = 0; i < 3000; ++i)
        text +=
            "Content-Type: multipart/mixed; boundary=\"" + std::to_string(i) + "\"\n\n--" + std::to_string(i) + "\n";
    auto p = Part::Parse(text);
    EXPECT_EQ(p->Serialize(), text);
}

TEST(PartFields, ContentTypeDefaultsAndTransferEncoding) {
    auto none = Part::Parse("X: y\n\nbody");
    EXPECT_EQ(none->MediaType(), "text/plain");
    auto broken = Part::Parse("Content-Type: text\nContent-Transfer-Encoding:  Base64 (c)\n\nSGk=");
    EXPECT_EQ(broken->MediaType(), "text/plain");
    EXPECT_EQ(broken->TransferEncoding(), "base64");
    EXPECT_EQ(broken->DecodedBody(), "Hi");
    auto latin = Part::Parse("Content-Type: TEXT/Plain; Charset=\"ISO-8859-1\"\n\ncaf\xe9");
    EXPECT_EQ(latin->Charset(), "ISO-8859-1");
    EXPECT_EQ(latin->Text(), "caf\xc3\xa9");
}

TEST(PartFields, WhatCountsAsAnAttachment) {
    EXPECT_TRUE(Part::Parse("Content-Disposition: attachment\n\nx")->IsAttachment());
    EXPECT_TRUE(Part::Parse("Content-Disposition: inline; filename=a.png\n\nx")->IsAttachment());
    EXPECT_TRUE(Part::Parse("Content-Type: image/png; name=a.png\n\nx")->IsAttachment());
    EXPECT_FALSE(Part::Parse("Content-Disposition: inline\n\nx")->IsAttachment());
    EXPECT_FALSE(Part::Parse("Content-Type: text/plain\n\nx")->IsAttachment());
}

// Every offset of a short message at which the delimiter line can sit must
// give the same pieces back, in both line end styles.
TEST(MultipartSplit, DelimiterAtEveryOffsetSplitsConsistently) {
    const std::string filler = "abcdefghij\nklmno\n\npqrs";
    for (std::string_view le : {"\n", "\r\n"}) {
        for (std::size_t at = 0; at <= filler.size(); ++at) {
            std::string before = filler.substr(0, at);
            std::string after = filler.substr(at);
            std::string body;
            for (char c : before) body += c == '\n' ? std::string(le) : std::string(1, c);
            std::string tail;
            for (char c : after) tail += c == '\n' ? std::string(le) : std::string(1, c);
            std::string text = "Content-Type: multipart/mixed; boundary=zz" + std::string(le) + std::string(le) +
                               "--zz" + std::string(le) + std::string(le) + body + std::string(le) + "--zz" +
                               std::string(le) + std::string(le) + tail + std::string(le) + "--zz--";
            auto p = Part::Parse(text);
            ASSERT_TRUE(p->IsMultipart()) << at;
            ASSERT_EQ(p->Children().size(), 2u) << at;
            EXPECT_EQ(p->Children()[0].part->RawBody(), body) << at;
            EXPECT_EQ(p->Children()[1].part->RawBody(), tail) << at;
            EXPECT_EQ(p->Serialize(), text) << at;
        }
    }
}

}  // namespace
}  // namespace quill::mime
