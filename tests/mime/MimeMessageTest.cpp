#include "mime/MimeMessage.h"

#include <gtest/gtest.h>

#include "MimeTestSupport.h"
#include "mime/TransferEncoding.h"

namespace quill::mime {
namespace {

using test::Crlf;
using test::Loaded;
using test::MemoryFiles;

std::string Alternative(std::string_view plainHeaders, std::string_view plain, std::string_view htmlHeaders,
                        std::string_view html) {
    return Crlf(
               "From: a@example.org\nSubject: s\nMIME-Version: 1.0\n"
               "Content-Type: multipart/alternative; boundary=\"alt\"\n\n--alt\n") +
           std::string(plainHeaders) + "\r\n" + std::string(plain) + "\r\n--alt\r\n" + std::string(htmlHeaders) +
           "\r\n" + std::string(html) + "\r\n--alt--\r\n";
}

TEST(BodyDefinitions, MessageWithoutContentTypeIsAllBodyText) {
    auto m = Loaded("From: a\r\nSubject: s\r\n\r\nline 1\r\nline 2\r\n");
    EXPECT_EQ(m.BodyText(), "line 1\r\nline 2\r\n");
    EXPECT_FALSE(m.HasHtmlBody());
    EXPECT_EQ(m.AttachmentCount(), 0);
}

TEST(BodyDefinitions, FirstNonAttachmentPartsOfEachTypeInDocumentOrder) {
    std::string text = Crlf(
        "Content-Type: multipart/mixed; boundary=m\n\n"
        "--m\nContent-Type: text/plain; name=notes.txt\n\nattached text\n"
        "--m\nContent-Type: message/rfc822\n\nContent-Type: text/plain\n\ninside attached message\n"
        "--m\nContent-Type: multipart/alternative; boundary=a\n\n"
        "--a\nContent-Type: text/plain\nContent-Transfer-Encoding: base64\n\nYm9keQ==\n"
        "--a\nContent-Type: text/html; charset=iso-8859-1\nContent-Transfer-Encoding: "
        "quoted-printable\n\n<p>caf=E9</p>\n"
        "--a--\n"
        "--m\nContent-Type: text/plain\n\nsecond plain\n"
        "--m\nContent-Type: text/html\nContent-Disposition: attachment; filename=page.htm\n\n<p>att</p>\n"
        "--m--\n");
    auto m = Loaded(text);
    EXPECT_EQ(m.BodyText(), "body");
    EXPECT_EQ(m.PlainTextBody(), "body");
    ASSERT_TRUE(m.HasHtmlBody());
    EXPECT_EQ(m.HtmlBody(), "<p>caf\xc3\xa9</p>");
    ASSERT_EQ(m.AttachmentCount(), 2);
    EXPECT_EQ(m.AttachmentFileName(0), "notes.txt");
    EXPECT_EQ(m.AttachmentFileName(1), "page.htm");
    EXPECT_EQ(m.AttachmentFileName(2), "");
    EXPECT_EQ(m.AttachmentFileName(-1), "");
    EXPECT_EQ(m.AttachmentContent(1), "<p>att</p>");
    EXPECT_EQ(m.MessageCharset(), "iso-8859-1");
}

TEST(BodyDefinitions, CharsetsAreDecodedToUtf8) {
    struct Case {
        std::string charset, bytes, utf8;
    } cases[] = {
        {"windows-1251", "\xcf\xf0\xe8", "\xd0\x9f\xd1\x80\xd0\xb8"},
        {"shift_jis", "\x82\xb1\x82\xf1", "\xe3\x81\x93\xe3\x82\x93"},
        {"iso-8859-1", "gar\xe7on", "gar\xc3\xa7on"},
        {"koi8-r", "\xf0\xd2", "\xd0\x9f\xd1\x80"},
        {"utf-8", "\xc3\xa9\xff", "\xc3\xa9\xef\xbf\xbd"},
    };
    for (const auto& c : cases) {
        auto m = Loaded("Content-Type: text/plain; charset=\"" + c.charset + "\"\r\n\r\n" + c.bytes);
        EXPECT_EQ(m.BodyText(), c.utf8) << c.charset;
    }
}

TEST(BodyDefinitions, HeaderTextDecodesWordsAndRawBytesInTheMessageCharset) {
    auto m =
        Loaded("Subject: =?utf-8?Q?R=C3=A9?= \xcf\xf0\xe8\r\nContent-Type: text/plain; charset=windows-1251\r\n\r\nx");
    EXPECT_EQ(*m.HeaderText("subject"), "R\xc3\xa9 \xd0\x9f\xd1\x80\xd0\xb8");
    EXPECT_FALSE(m.HeaderText("X-Missing").has_value());
}

TEST(AttachmentNames, FromRfc2231Rfc2047AndRawBytes) {
    std::string text = Crlf(
        "Content-Type: multipart/mixed; boundary=m\n\n"
        "--m\nContent-Type: text/plain; charset=windows-1251\n\nbody\n"
        "--m\nContent-Type: application/pdf; name=\"type-name.pdf\"\n"
        "Content-Disposition: attachment;\n filename*0*=utf-8''%C3%BC; filename*1=\"ber.pdf\"\n\nx\n"
        "--m\nContent-Type: application/octet-stream; name=\"=?iso-8859-1?Q?r=E9sum=E9?=.doc\"\n\nx\n"
        "--m\nContent-Type: application/octet-stream\nContent-Disposition: attachment; filename=\"\xcf\xf0.txt\"\n\nx\n"
        "--m\nContent-Type: image/png; name=only-type.png\n\nx\n"
        "--m\nContent-Disposition: attachment\n\nunnamed\n"
        "--m--\n");
    auto list = Loaded(text).Attachments();
    ASSERT_EQ(list.size(), 5u);
    EXPECT_EQ(list[0].name,
              "\xc3\xbc"
              "ber.pdf");  // the disposition's filename first
    EXPECT_EQ(list[0].contentType, "application/pdf");
    EXPECT_EQ(list[1].name, "r\xc3\xa9sum\xc3\xa9.doc");
    EXPECT_EQ(list[2].name, "\xd0\x9f\xd1\x80.txt");
    EXPECT_EQ(list[3].name, "only-type.png");
    EXPECT_EQ(list[4].name, "");
    EXPECT_EQ(list[4].contentType, "text/plain");
}

TEST(ReferenceLine, OnTheSameLineOrTheNextAndThroughTransferEncodings) {
    const std::string ref(MimeMessage::kReferenceLine);
    struct Case {
        std::string headers, body, expected;
    } cases[] = {
        {"", ref + "photo.jpg\r\n", "photo.jpg"},
        {"", "\r\n  " + ref + "\r\n  photo 2.jpg  \r\n", "photo 2.jpg"},
        {"Content-Transfer-Encoding: base64\r\n", EncodeBase64(ref + "b64.bin\r\n", "\r\n"), "b64.bin"},
        {"Content-Transfer-Encoding: quoted-printable\r\n", ref + "q=E9.txt\r\n", "q\xc3\xa9.txt"},
        {"", "----------[%imfilepath%]----------lower.txt", "lower.txt"},
        {"", "text before " + ref + "x.txt", ""},
        {"", ref + "\r\n\r\n", ""},
    };
    for (const auto& c : cases) {
        std::string text =
            "Content-Type: multipart/mixed; boundary=m\r\n\r\n--m\r\n\r\nbody\r\n--m\r\n"
            "Content-Type: application/octet-stream; name=\"given.name\"\r\n" +
            c.headers + "\r\n" + c.body + "\r\n--m--\r\n";
        auto m = Loaded(text);
        auto list = m.Attachments();
        ASSERT_EQ(list.size(), 1u);
        EXPECT_EQ(list[0].referencedFile, c.expected) << c.body;
        EXPECT_EQ(list[0].name, "given.name");
        EXPECT_EQ(m.AttachmentFileName(0), c.expected.empty() ? "given.name" : c.expected) << c.body;
    }
}

TEST(SetBody, KeepsTheTransferEncodingOfThePart) {
    auto m =
        Loaded(Alternative("Content-Type: text/plain; charset=utf-8\r\nContent-Transfer-Encoding: base64\r\n", "b2xk",
                           "Content-Type: text/html\r\nContent-Transfer-Encoding: quoted-printable\r\n", "<p>old</p>"));
    ASSERT_TRUE(m.SetBodyText("n\xc3\xa9w\nline"));
    ASSERT_TRUE(m.SetHtmlBody("<p>" + std::string(100, 'h') + "</p>"));
    EXPECT_TRUE(m.Changed());
    auto again = Loaded(m.Save());
    EXPECT_EQ(again.BodyText(), "n\xc3\xa9w\r\nline");
    EXPECT_EQ(again.HtmlBody(), "<p>" + std::string(100, 'h') + "</p>");
    const Part& alt = again.Root();
    EXPECT_EQ(alt.Children()[0].part->TransferEncoding(), "base64");
    EXPECT_EQ(alt.Children()[0].part->RawBody(), "bsOpdw0KbGluZQ==");
    EXPECT_EQ(alt.Children()[1].part->TransferEncoding(), "quoted-printable");
    EXPECT_NE(alt.Children()[1].part->RawBody().find("=\r\n"), std::string::npos);
}

TEST(SetBody, SevenBitBecomesQuotedPrintableWhenTheTextNeedsIt) {
    auto m = Loaded("Subject: s\r\n\r\nold\r\n");
    ASSERT_TRUE(m.SetBodyText("caf\xc3\xa9 " + std::string(1200, 'x')));
    std::string saved = m.Save();
    EXPECT_NE(saved.find("Content-Transfer-Encoding: quoted-printable\r\n"), std::string::npos);
    EXPECT_NE(saved.find("charset=\"utf-8\""), std::string::npos);
    EXPECT_EQ(Loaded(saved).BodyText(), "caf\xc3\xa9 " + std::string(1200, 'x'));
}

TEST(SetBody, DeclaredCharsetIsKeptWhenItCanHoldTheText) {
    auto m = Loaded("Content-Type: text/plain; charset=iso-8859-1\r\nContent-Transfer-Encoding: 8bit\r\n\r\nold");
    ASSERT_TRUE(m.SetBodyText("caf\xc3\xa9"));
    EXPECT_EQ(m.Save(),
              "Content-Type: text/plain; charset=iso-8859-1\r\nContent-Transfer-Encoding: 8bit\r\n\r\ncaf\xe9");
    ASSERT_TRUE(m.SetBodyText("\xe6\x97\xa5"));  // not in latin-1
    auto again = Loaded(m.Save());
    EXPECT_EQ(again.Root().Charset(), "utf-8");
    EXPECT_EQ(again.BodyText(), "\xe6\x97\xa5");
}

TEST(SetBody, TextHoldingADelimiterIsEncodedSoTheMessageStillSplits) {
    std::string text = Crlf(
        "Content-Type: multipart/mixed; boundary=b1\n\n--b1\n\nold\n--b1\n"
        "Content-Disposition: attachment; filename=a.txt\n\nA\n--b1--\n");
    auto m = Loaded(text);
    ASSERT_TRUE(m.SetBodyText("x\n--b1--\ny"));
    auto again = Loaded(m.Save());
    EXPECT_EQ(again.BodyText(), "x\r\n--b1--\r\ny");
    EXPECT_EQ(again.AttachmentCount(), 1);
}

TEST(SetBody, LineEndsFollowTheMessage) {
    auto m = Loaded("Subject: s\n\nold\n");
    ASSERT_TRUE(m.SetBodyText("a\r\nb\nc"));
    EXPECT_EQ(m.Save(), "Subject: s\n\na\nb\nc");
    auto none = Loaded("");
    EXPECT_EQ(none.LineEnd(), "\r\n");
}

TEST(SetBody, FalseWithoutSuchPart) {
    auto m = Loaded("Content-Type: text/html\r\n\r\n<p>x</p>");
    EXPECT_FALSE(m.SetBodyText("x"));
    EXPECT_FALSE(Loaded("Subject: s\r\n\r\nplain").SetHtmlBody("<p/>"));
    EXPECT_FALSE(m.Changed());
}

TEST(SetBody, SetTextBodyReplacesTheContentType) {
    auto m = Loaded("Content-Type: text/plain; charset=us-ascii; format=flowed\r\n\r\nold");
    ASSERT_TRUE(m.SetTextBody("new", "text/plain; charset=utf-8"));
    auto type = Loaded(m.Save()).Root().ContentType();
    EXPECT_EQ(type.Find("charset")->value, "utf-8");
    EXPECT_EQ(type.Find("format")->value, "flowed");
}

TEST(SetBody, ImbndaryIsSpelledBoundaryOnceChanged) {
    std::string text = "Content-Type: multipart/alternative; imbndary=\"ib\"\r\n\r\n--ib\r\n\r\nold\r\n--ib--\r\n";
    auto m = Loaded(text);
    EXPECT_EQ(m.Save(), text);
    ASSERT_TRUE(m.SetBodyText("new"));
    EXPECT_EQ(m.Save(), "Content-Type: multipart/alternative; boundary=\"ib\"\r\n\r\n--ib\r\n\r\nnew\r\n--ib--\r\n");
}

TEST(AddAttachment, Base64In76ColumnCrlfLinesWithTypeFromTheExtension) {
    auto m = Loaded("From: a\r\nSubject: s\r\n\r\nbody text\r\n");
    std::string bytes;
    for (int i = 0; i < 300; ++i) bytes += static_cast<char>(i * 7);
    m.AddAttachment("Report.PDF", bytes);
    std::string saved = m.Save();
    auto again = Loaded(saved);
    EXPECT_EQ(again.BodyText(), "body text\r\n");
    ASSERT_EQ(again.AttachmentCount(), 1);
    EXPECT_EQ(again.AttachmentContent(0), bytes);
    EXPECT_EQ(again.Attachments()[0].contentType, "application/pdf");
    EXPECT_EQ(again.AttachmentFileName(0), "Report.PDF");
    const Part& att = *again.Root().Children().back().part;
    EXPECT_EQ(att.TransferEncoding(), "base64");
    EXPECT_EQ(att.ContentDisposition().token, "attachment");
    std::string_view raw = att.RawBody();
    for (std::size_t start = 0; start < raw.size();) {
        std::size_t nl = raw.find('\n', start);
        if (nl == std::string_view::npos) {
            EXPECT_LE(raw.size() - start, 76u);
            break;
        }
        EXPECT_EQ(raw[nl - 1], '\r');
        EXPECT_EQ(nl - 1 - start, 76u);
        start = nl + 1;
    }
    EXPECT_EQ(saved.find("\n\n"), std::string::npos) << "every line end is CR LF";
    EXPECT_EQ(Loaded(saved).Save(), saved);
}

TEST(AddAttachment, NonAsciiAndLongNamesAreRfc2231) {
    auto m = Loaded("Subject: s\r\n\r\nx");
    std::string longName = std::string(90, 'L') + ".txt";
    m.AddAttachment(
        "\xc3\xbc"
        "ber.txt",
        "a");
    m.AddAttachment(longName, "b");
    std::string saved = m.Save();
    EXPECT_NE(saved.find("filename*=utf-8''%C3%BCber.txt"), std::string::npos);
    EXPECT_NE(saved.find("filename*0=\""), std::string::npos);
    auto list = Loaded(saved).Attachments();
    ASSERT_EQ(list.size(), 2u);
    EXPECT_EQ(list[0].name,
              "\xc3\xbc"
              "ber.txt");
    EXPECT_EQ(list[0].contentType, "text/plain");
    EXPECT_EQ(list[1].name, longName);
}

TEST(AddAttachment, WrapsANonMixedRootAndKeepsItsBody) {
    std::string alt = Alternative("Content-Type: text/plain\r\n", "plain", "Content-Type: text/html\r\n", "<p>h</p>");
    auto m = Loaded(alt);
    m.AddAttachment("x.bin", "zz");
    auto again = Loaded(m.Save());
    EXPECT_EQ(again.Root().MediaType(), "multipart/mixed");
    EXPECT_EQ(again.BodyText(), "plain");
    EXPECT_EQ(again.HtmlBody(), "<p>h</p>");
    EXPECT_EQ(again.AttachmentContent(0), "zz");
    EXPECT_EQ(*again.HeaderText("Subject"), "s");
}

TEST(AddAttachment, ToAMultipartWithoutClosingDelimiter) {
    auto m = Loaded("Content-Type: multipart/mixed; boundary=b\r\n\r\n--b\r\n\r\nbody\r\n");
    m.AddAttachment("a.txt", "A");
    auto again = Loaded(m.Save());
    EXPECT_EQ(again.BodyText(), "body\r\n");
    ASSERT_EQ(again.AttachmentCount(), 1);
    EXPECT_EQ(again.AttachmentContent(0), "A");
}

TEST(AddAttachment, FromAFileUnderItsLastComponent) {
    MemoryFiles files;
    files.files["dir/sub\\pic.gif"] = "GIF89a";
    MimeMessage m(files);
    m.Load("Subject: s\r\n\r\nx");
    ASSERT_TRUE(m.AddFileAttachment("dir/sub\\pic.gif"));
    ASSERT_TRUE(m.AddFileAttachment("dir/sub\\pic.gif", "renamed.gif"));
    EXPECT_FALSE(m.AddFileAttachment("missing"));
    EXPECT_FALSE(m.LastError().empty());
    EXPECT_EQ(m.AttachmentFileName(0), "pic.gif");
    EXPECT_EQ(m.AttachmentFileName(1), "renamed.gif");
    EXPECT_EQ(m.Attachments()[0].contentType, "image/gif");
    ASSERT_TRUE(m.SaveFile("out.eml"));
    EXPECT_EQ(files.files["out.eml"], m.Save());
    files.refuseWrites = true;
    EXPECT_FALSE(m.SaveFile("out.eml"));
    MimeMessage unread(files);
    EXPECT_FALSE(unread.LoadFile("nothing.eml"));
    EXPECT_EQ(unread.Save(), "");
}

TEST(DropAttachments, RemovesPartsAndEmptiedMultiparts) {
    std::string text = Crlf(
        "Content-Type: multipart/mixed; boundary=m\n\n"
        "--m\nContent-Disposition: attachment; filename=first.bin\n\n1\n"
        "--m\n\nbody\n"
        "--m\nContent-Type: multipart/related; boundary=r\n\n--r\nContent-Type: image/png; name=a.png\n\nA\n--r--\n"
        "--m\nContent-Type: application/zip; name=z.zip\n\nZ\n"
        "--m--\n");
    auto m = Loaded(text);
    ASSERT_EQ(m.AttachmentCount(), 3);
    m.DropAttachments();
    EXPECT_TRUE(m.Changed());
    std::string saved = m.Save();
    EXPECT_EQ(saved, "Content-Type: multipart/mixed; boundary=m\r\n\r\n--m\r\n\r\nbody\r\n--m--\r\n");
    m.AddAttachment("n.txt", "N");
    auto again = Loaded(m.Save());
    EXPECT_EQ(again.BodyText(), "body");
    EXPECT_EQ(again.AttachmentContent(0), "N");
}

TEST(DropAttachments, MessageThatIsItselfAnAttachmentKeepsItsOtherHeaders) {
    auto m = Loaded(
        "Subject: s\r\nContent-Type: application/pdf; name=a.pdf\r\nContent-Transfer-Encoding: base64\r\n\r\nJVBE\r\n");
    m.DropAttachments();
    EXPECT_EQ(m.Save(), "Subject: s\r\n\r\n");
    m.AddAttachment("a.pdf", "%PDF");
    EXPECT_EQ(Loaded(m.Save()).AttachmentContent(0), "%PDF");
}

}  // namespace
}  // namespace quill::mime

namespace quill::mime {
namespace {

// Writers put the reference line in place of the content without encoding
// it, also in parts that say base64.
TEST(ReferenceLine, UnencodedLineInABase64PartIsFoundAndKept) {
    std::string ref = std::string(MimeMessage::kReferenceLine) + "f0_3_1.bin\r\n";
    auto m = test::Loaded(
        "Content-Type: multipart/mixed; boundary=m\r\n\r\n--m\r\n\r\nbody\r\n--m\r\n"
        "Content-Type: application/octet-stream; name=\"given.bin\"\r\nContent-Transfer-Encoding: base64\r\n\r\n" +
        ref + "\r\n--m--\r\n");
    ASSERT_EQ(m.AttachmentCount(), 1);
    EXPECT_EQ(m.Attachments()[0].referencedFile, "f0_3_1.bin");
    EXPECT_EQ(m.AttachmentFileName(0), "f0_3_1.bin");
    EXPECT_EQ(m.AttachmentContent(0), ref);
}

}  // namespace
}  // namespace quill::mime
