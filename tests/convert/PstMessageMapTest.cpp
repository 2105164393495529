#include "convert/PstMessageMap.h"

#include "pst/messaging/EntryIds.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace quill {
namespace {

using pst::messaging::OneOffEntryId;

constexpr std::int64_t kDec8At0815 = 1796717700;  // 2026-12-08 08:15:00 UTC

pst::NewMessage Map(const std::string& bytes, const MessageMapOptions& options = {}) {
    mime::MimeMessage m;
    m.Load(bytes);
    return MapMessage(m, options);
}

std::string Str(const pst::PropertyList& p, std::uint16_t id) { return p.GetStringUtf8(id); }

std::string Bytes(const pst::PropertyList& p, std::uint16_t id) {
    const pst::Property* v = p.Find(id);
    return v ? std::string(v->value.begin(), v->value.end()) : std::string();
}

std::uint64_t Time(const pst::PropertyList& p, std::uint16_t id) {
    const pst::Property* v = p.Find(id);
    std::uint64_t t = 0;
    if (v && v->value.size() == 8)
        for (int i = 7; i >= 0; --i) t = (t << 8) | v->value[static_cast<std::size_t>(i)];
    return t;
}

// ---- subject ----

TEST(PstMessageMapSubject, PrefixIsSplitOffInEveryCharset) {
    struct Case {
        std::string header, stored, topic;
    };
    const Case cases[] = {
        {"Hello there", std::string("\x01\x01", 2) + "Hello there", "Hello there"},
        {"Re: Hello", "\x01\x05Re: Hello", "Hello"},
        {"FWD: Hello", "\x01\x06" + std::string("FWD: Hello"), "Hello"},
        {"=?UTF-8?Q?AW:_Gr=C3=BC=C3=9Fe?=", "\x01\x05" + std::string("AW: Gr\u00fc\u00dfe"), "Gr\u00fc\u00dfe"},
        {"=?ISO-8859-1?Q?SV:_R=E4kning?=", "\x01\x05SV: R\xC3\xA4kning", "R\xC3\xA4kning"},
        {"=?KOI8-R?Q?RE:_=F0=D2=C9=D7=C5=D4?=", "\x01\x05RE: \u041f\u0440\u0438\u0432\u0435\u0442",
         "\u041f\u0440\u0438\u0432\u0435\u0442"},
        {"RIF:no space", "\x01\x05RIF:no space", "no space"},
        {"Note: four letters are no prefix", std::string("\x01\x01", 2) + "Note: four letters are no prefix",
         "Note: four letters are no prefix"},
        {"2026: digits are no prefix", std::string("\x01\x01", 2) + "2026: digits are no prefix",
         "2026: digits are no prefix"},
        {"", std::string("\x01\x01", 2), ""},
    };
    for (const auto& c : cases) {
        auto m = Map("Subject: " + c.header + "\r\n\r\nx");
        EXPECT_EQ(Str(m.props, 0x0037), c.stored) << c.header;
        EXPECT_EQ(Str(m.props, 0x0070), c.topic) << c.header;
        EXPECT_EQ(Str(m.props, 0x0E1D), c.topic) << c.header;
    }
}

TEST(PstMessageMapSubject, OnlyTheFirstPrefixCountsAndMissingSubjectLeavesNone) {
    EXPECT_EQ(SubjectPrefixLength("Re: Re: x"), 4u);
    EXPECT_EQ(SubjectPrefixLength("Re:"), 3u);
    EXPECT_EQ(SubjectPrefixLength(":x"), 0u);
    auto m = Map("From: a@b.c\r\n\r\nx");
    EXPECT_FALSE(m.props.Has(0x0037));
    EXPECT_FALSE(m.props.Has(0x0070));
}

// ---- addresses ----

TEST(PstMessageMapAddress, SenderAndSentRepresentingComeFromFrom) {
    auto m = Map("From: =?UTF-8?B?SsO8cmdlbg==?= <j@example.de>\r\nSender: list@example.org\r\n\r\nx");
    for (std::uint16_t id : {0x0C1A, 0x0042}) EXPECT_EQ(Str(m.props, id), "J\xC3\xBCrgen");
    for (std::uint16_t id : {0x0C1F, 0x0065, 0x5D01, 0x5D02}) EXPECT_EQ(Str(m.props, id), "j@example.de");
    for (std::uint16_t id : {0x0C1E, 0x0064}) EXPECT_EQ(Str(m.props, id), "SMTP");
    auto id = OneOffEntryId("J\xC3\xBCrgen", "j@example.de");
    EXPECT_EQ(Bytes(m.props, 0x0C19), std::string(id.begin(), id.end()));
    EXPECT_EQ(Bytes(m.props, 0x0041), std::string(id.begin(), id.end()));
    EXPECT_EQ(Bytes(m.props, 0x0C1D), std::string("SMTP:J@EXAMPLE.DE") + '\0');
    EXPECT_EQ(Bytes(m.props, 0x003B), std::string("SMTP:J@EXAMPLE.DE") + '\0');
}

TEST(PstMessageMapAddress, SenderFallsBackToSenderHeaderAndToNameOnly) {
    auto viaSender = Map("Sender: list@example.org\r\n\r\nx");
    EXPECT_EQ(Str(viaSender.props, 0x0C1F), "list@example.org");
    EXPECT_EQ(Str(viaSender.props, 0x0C1A), "list@example.org");  // no name: the address shows

    auto nameOnly = Map("From: Just A Name\r\n\r\nx");
    EXPECT_EQ(Str(nameOnly.props, 0x0C1A), "Just A Name");
    EXPECT_FALSE(nameOnly.props.Has(0x0C1F));
    EXPECT_FALSE(nameOnly.props.Has(0x0C19));
}

TEST(PstMessageMapAddress, RecipientsAndDisplayLines) {
    auto m =
        Map("To: \"Doe, John\" <john@example.com>, b@example.org\r\nCc: team: c@example.org;\r\n"
            "To: second@example.org\r\nBcc: Hidden <h@example.org>\r\n\r\nx");
    ASSERT_EQ(m.recipients.size(), 5u);
    std::vector<std::uint32_t> types = {1, 1, 1, 2, 3};
    std::vector<std::string> names = {"Doe, John", "b@example.org", "second@example.org", "c@example.org", "Hidden"};
    for (std::size_t i = 0; i < 5; ++i) {
        const auto& r = m.recipients[i];
        EXPECT_EQ(r.GetInt32(0x0C15), types[i]) << i;
        EXPECT_EQ(Str(r, 0x3001), names[i]) << i;
        EXPECT_EQ(r.GetInt32(0x5FDF), i) << i;
    }
    const auto& r = m.recipients[0];
    EXPECT_EQ(Str(r, 0x3002), "SMTP");
    EXPECT_EQ(Str(r, 0x3003), "john@example.com");
    EXPECT_EQ(Str(r, 0x39FE), "john@example.com");
    auto id = OneOffEntryId("Doe, John", "john@example.com");
    EXPECT_EQ(Bytes(r, 0x0FFF), std::string(id.begin(), id.end()));
    EXPECT_EQ(Bytes(r, 0x300B), std::string("SMTP:JOHN@EXAMPLE.COM") + '\0');
    EXPECT_EQ(r.GetInt32(0x0FFE), 6u);
    EXPECT_EQ(r.GetInt32(0x3900, 99), 0u);
    EXPECT_EQ(r.GetInt32(0x5FFD), 1u);
    EXPECT_EQ(Bytes(r, 0x0E0F), std::string(1, '\0'));
    EXPECT_EQ(Bytes(r, 0x3A40), std::string(1, '\0'));

    EXPECT_EQ(Str(m.props, 0x0E04), "Doe, John; b@example.org; second@example.org");
    EXPECT_EQ(Str(m.props, 0x0E03), "c@example.org");
    EXPECT_EQ(Str(m.props, 0x0E02), "Hidden");
}

// ---- times ----

TEST(PstMessageMapDate, DeliveryTimeFromFirstReceivedThenDateThenFallback) {
    const std::string date = "Date: Mon, 7 Dec 2026 23:00:00 +0000\r\n";
    auto received =
        Map("Received: from a by b; Tue, 08 Dec 2026 09:15:00 +0100\r\n"
            "Received: from c by d; Mon, 07 Dec 2026 01:00:00 +0000\r\n" +
            date + "\r\nx");
    EXPECT_EQ(Time(received.props, 0x0E06), pst::FileTimeFromUnix(kDec8At0815));
    EXPECT_EQ(Time(received.props, 0x3007), pst::FileTimeFromUnix(kDec8At0815));
    EXPECT_EQ(Time(received.props, 0x3008), pst::FileTimeFromUnix(kDec8At0815));
    EXPECT_EQ(Time(received.props, 0x0039), pst::FileTimeFromUnix(1796684400));

    auto noDateInReceived = Map("Received: from a by b with SMTP id x\r\n" + date + "\r\nx");
    EXPECT_EQ(Time(noDateInReceived.props, 0x0E06), pst::FileTimeFromUnix(1796684400));

    MessageMapOptions options;
    options.fallbackTime = 1000000000;
    auto fallback = Map("Date: garbage\r\nSubject: s\r\n\r\nx", options);
    EXPECT_FALSE(fallback.props.Has(0x0039));
    EXPECT_EQ(Time(fallback.props, 0x0E06), pst::FileTimeFromUnix(1000000000));
    EXPECT_EQ(Time(fallback.props, 0x3007), pst::FileTimeFromUnix(1000000000));

    auto none = Map("Subject: s\r\n\r\nx");
    EXPECT_FALSE(none.props.Has(0x0E06));
    EXPECT_FALSE(none.props.Has(0x0039));
}

// ---- headers ----

TEST(PstMessageMapHeaders, TransportHeadersIdsAndPriorities) {
    auto m = Map(
        "Subject: caf\xE9\nX-Name: \xC3\xA9t\xC3\xA9\nMessage-ID: <id1@example.com>\nIn-Reply-To: <id0@example.com>\n"
        "References: <a@example.com>\n <id0@example.com>\nX-Priority: 1 (Highest)\n\nbody\n");
    EXPECT_EQ(Str(m.props, 0x007D),
              "Subject: caf\xC3\xA9\r\nX-Name: \xC3\xA9t\xC3\xA9\r\nMessage-ID: <id1@example.com>\r\n"
              "In-Reply-To: <id0@example.com>\r\nReferences: <a@example.com>\r\n <id0@example.com>\r\nX-Priority: 1 "
              "(Highest)\r\n");
    EXPECT_EQ(Str(m.props, 0x1035), "<id1@example.com>");
    EXPECT_EQ(Str(m.props, 0x1042), "<id0@example.com>");
    EXPECT_EQ(Str(m.props, 0x1039), "<a@example.com> <id0@example.com>");
    EXPECT_EQ(m.props.GetInt32(0x0017), 2u);
    EXPECT_EQ(m.props.GetInt32(0x0026), 1u);

    auto low = Map("Importance: Low\r\nX-Priority: 1\r\n\r\nx");
    EXPECT_EQ(low.props.GetInt32(0x0017), 0u);
    EXPECT_EQ(low.props.GetInt32(0x0026), 0xFFFFFFFFu);
    auto plain = Map("Subject: s\r\n\r\nx");
    EXPECT_EQ(plain.props.GetInt32(0x0017, 99), 1u);
    EXPECT_EQ(plain.props.GetInt32(0x0026, 99), 0u);
    EXPECT_EQ(plain.props.GetInt32(0x0036, 99), 0u);
}

TEST(PstMessageMapHeaders, BrokenHeadersStillMap) {
    const std::string broken[] = {
        "",
        "From: <<<\r\nTo: ,,,;;\r\nCc: \"\r\nDate: Tue, 99 Foo\r\nSubject\r\n\r\nbody",
        "From: (unterminated comment\r\nTo: <a@b\r\nReceived: ;\r\n\r\n",
        std::string("\xFF\xFE\x00garbage\r\n\r\n", 14),
        "Content-Type: multipart/mixed; boundary=\"zz\"\r\n\r\n--zz\r\nContent-Type: image/png; name=\"\"\r\n\r\n",
    };
    for (const auto& b : broken) {
        pst::NewMessage m;
        EXPECT_NO_THROW(m = Map(b));
        EXPECT_EQ(m.props.GetInt32(0x0E07) & 0x01u, 1u);
        EXPECT_FALSE(m.props.Has(0x0039));
    }
    // Every cut of a full message (inside a header, an encoded word, a boundary) still maps.
    const std::string full =
        "From: =?utf-8?Q?A_B?= <a@b.c>\r\nTo: g: \"x, y\" <x@y.z>;\r\nDate: Tue, 8 Dec 2026 09:15:00 +0100\r\n"
        "Subject: =?koi8-r?B?8NLJ?=\r\nContent-Type: multipart/related; boundary=r\r\n\r\n"
        "--r\r\nContent-Type: text/html\r\n\r\n<p>&#x41;<img src=cid:i></p>\r\n"
        "--r\r\nContent-Type: image/png\r\nContent-ID: <i>\r\nContent-Transfer-Encoding: base64\r\n\r\niVBO\r\n"
        "--r\r\nContent-Type: message/rfc822\r\n\r\nSubject: in\r\n\r\nx\r\n--r--\r\n";
    for (std::size_t n = 0; n <= full.size(); ++n) EXPECT_NO_THROW(Map(full.substr(0, n))) << n;

    auto partial = Map("From: <<<\r\nTo: ok@example.com, <a@b\r\n\r\n");
    ASSERT_EQ(partial.recipients.size(), 2u);
    EXPECT_EQ(Str(partial.recipients[1], 0x3003), "a@b");
}

// ---- bodies ----

TEST(PstMessageMapBody, TextOnlyHasNoHtml) {
    auto m =
        Map("Content-Type: text/plain; charset=iso-8859-1\r\nContent-Transfer-Encoding: quoted-printable\r\n\r\n"
            "caf=E9\nline two\r\n");
    EXPECT_EQ(Str(m.props, 0x1000), "caf\xC3\xA9\r\nline two\r\n");
    EXPECT_FALSE(m.props.Has(0x1013));
}

TEST(PstMessageMapBody, HtmlOnlyKeepsRawBytesWithItsCodePageAndGetsAPlainRendering) {
    auto m =
        Map("Content-Type: text/html; charset=iso-8859-1\r\nContent-Transfer-Encoding: quoted-printable\r\n\r\n"
            "<p>caf=E9 &amp; <b>more</b></p>");
    EXPECT_EQ(Bytes(m.props, 0x1013), "<p>caf\xE9 &amp; <b>more</b></p>");
    EXPECT_EQ(m.props.GetInt32(0x3FDE), 28591u);
    EXPECT_EQ(m.props.GetInt32(0x3FFD), 28591u);
    EXPECT_EQ(Str(m.props, 0x1000), "caf\xC3\xA9 & more");
}

TEST(PstMessageMapBody, AlternativeTakesEachBodyFromItsPart) {
    auto m = Map(
        "Content-Type: multipart/alternative; boundary=b\r\n\r\n--b\r\nContent-Type: text/plain; charset=utf-8\r\n\r\n"
        "plain text\r\n--b\r\nContent-Type: text/html; charset=koi8-r\r\n\r\n<p>\xF0\xD2\xC9</p>\r\n--b--\r\n");
    EXPECT_EQ(Str(m.props, 0x1000), "plain text");
    EXPECT_EQ(Bytes(m.props, 0x1013), "<p>\xF0\xD2\xC9</p>");
    EXPECT_EQ(m.props.GetInt32(0x3FDE), 20866u);
}

TEST(PstMessageMapBody, HtmlCodePageComesFromItsMetaWhenThePartNamesNone) {
    auto meta =
        Map("Content-Type: text/html\r\n\r\n<html><head><meta http-equiv=\"Content-Type\" "
            "content=\"text/html; charset=windows-1251\"></head><body>\xCF</body></html>");
    EXPECT_EQ(meta.props.GetInt32(0x3FDE), 1251u);
    EXPECT_EQ(Str(meta.props, 0x1000), "\xD0\x9F");
}

// ---- attachments ----

// The line end before a delimiter belongs to the delimiter, so the last line has none.
const std::string kAttachedMessage = "Subject: Quarterly: report v1.2?\r\nFrom: q@example.com\r\n\r\nnumbers";

std::string MixedMessage() {
    return "Subject: files\r\nContent-Type: multipart/mixed; boundary=m\r\n\r\n"
           "--m\r\nContent-Type: text/plain\r\n\r\nsee files\r\n"
           "--m\r\nContent-Type: application/pdf; name=\"Annual report 2026.pdf\"\r\n"
           "Content-Transfer-Encoding: base64\r\nContent-Disposition: attachment\r\n\r\nJVBERi0=\r\n"
           "--m\r\nContent-Type: text/plain\r\nContent-Disposition: attachment; filename=empty.txt\r\n\r\n"
           "--m\r\nContent-Type: message/rfc822\r\n\r\n" +
           kAttachedMessage +
           "\r\n--m\r\nContent-Type: application/octet-stream\r\nContent-Disposition: attachment;"
           " filename*=utf-8''C%3A%5Ctmp%5C%C3%A9t%C3%A9.txt\r\n\r\nxyz\r\n"
           "--m--\r\n";
}

TEST(PstMessageMapAttachment, NamesDataAndTypes) {
    auto m = Map(MixedMessage());
    ASSERT_EQ(m.attachments.size(), 4u);
    const auto& pdf = m.attachments[0];
    EXPECT_EQ(pdf.data, "%PDF-");
    EXPECT_EQ(Str(pdf.props, 0x3707), "Annual report 2026.pdf");
    EXPECT_EQ(Str(pdf.props, 0x3001), "Annual report 2026.pdf");
    EXPECT_EQ(Str(pdf.props, 0x3704), "ANNUAL~1.PDF");
    EXPECT_EQ(Str(pdf.props, 0x3703), ".pdf");
    EXPECT_EQ(Str(pdf.props, 0x370E), "application/pdf");
    EXPECT_FALSE(pdf.props.Has(0x7FFE));

    const auto& empty = m.attachments[1];
    EXPECT_TRUE(empty.data.empty());
    EXPECT_EQ(Str(empty.props, 0x3707), "empty.txt");
    EXPECT_EQ(Str(empty.props, 0x3704), "EMPTY.TXT");

    const auto& eml = m.attachments[2];
    EXPECT_EQ(eml.data, kAttachedMessage);
    EXPECT_EQ(Str(eml.props, 0x3707), "Quarterly_ report v1.2_.eml");
    EXPECT_EQ(Str(eml.props, 0x370E), "message/rfc822");

    // A path in the name keeps only its last component.
    EXPECT_EQ(Str(m.attachments[3].props, 0x3707), "\xC3\xA9t\xC3\xA9.txt");
    EXPECT_EQ(Str(m.attachments[3].props, 0x3704), "T~1.TXT");

    EXPECT_EQ(m.props.GetInt32(0x0E07), 0x11u);
    EXPECT_EQ(Str(m.props, 0x1000), "see files");
}

TEST(PstMessageMapAttachment, FlagsWithoutAttachmentsAndUnread) {
    EXPECT_EQ(Map("Subject: s\r\n\r\nx").props.GetInt32(0x0E07), 0x01u);
    MessageMapOptions unread;
    unread.read = false;
    EXPECT_EQ(Map("Subject: s\r\n\r\nx", unread).props.GetInt32(0x0E07, 99), 0u);
    EXPECT_EQ(Map(MixedMessage(), unread).props.GetInt32(0x0E07), 0x10u);
}

TEST(PstMessageMapAttachment, InlineCidImagesAreHiddenOthersNot) {
    auto m =
        Map("Content-Type: multipart/related; boundary=r\r\n\r\n"
            "--r\r\nContent-Type: text/html\r\n\r\n<img src=\"cid:Img1@Example\"><img src='cid:named%40x'><img "
            "src=cid:att@x>\r\n"
            "--r\r\nContent-Type: image/png\r\nContent-ID: <img1@example>\r\nContent-Transfer-Encoding: "
            "base64\r\n\r\niVBO\r\n"
            "--r\r\nContent-Type: image/gif; name=logo.gif\r\nContent-ID: <named@x>\r\n"
            "Content-Disposition: inline\r\n\r\nGIF\r\n"
            "--r\r\nContent-Type: image/jpeg\r\nContent-ID: <unused@x>\r\n\r\nJPG\r\n"
            "--r\r\nContent-Type: image/gif; name=att.gif\r\nContent-ID: <att@x>\r\n"
            "Content-Disposition: attachment\r\n\r\nGIF\r\n"
            "--r--\r\n");
    ASSERT_EQ(m.attachments.size(), 4u);
    const auto& png = m.attachments[0];
    EXPECT_EQ(Str(png.props, 0x3707), "image001.png");
    EXPECT_EQ(Str(png.props, 0x3712), "img1@example");
    EXPECT_EQ(Bytes(png.props, 0x7FFE), std::string(1, '\x01'));
    EXPECT_EQ(png.data, "\x89PN");
    EXPECT_EQ(Bytes(m.attachments[1].props, 0x7FFE), std::string(1, '\x01'));
    EXPECT_FALSE(m.attachments[2].props.Has(0x7FFE));  // not referenced
    EXPECT_EQ(Str(m.attachments[2].props, 0x3707), "image002.jpg");
    EXPECT_FALSE(m.attachments[3].props.Has(0x7FFE));  // says attachment
    EXPECT_EQ(m.props.GetInt32(0x0E07), 0x11u);
}

TEST(PstMessageMapAttachment, ShortNamesAreUniqueWithinAMessage) {
    auto m =
        Map("Content-Type: multipart/mixed; boundary=m\r\n\r\n"
            "--m\r\nContent-Type: text/plain; name=\"Long name one.txt\"\r\n\r\n1\r\n"
            "--m\r\nContent-Type: text/plain; name=\"Long name two.txt\"\r\n\r\n2\r\n--m--\r\n");
    ASSERT_EQ(m.attachments.size(), 2u);
    EXPECT_EQ(Str(m.attachments[0].props, 0x3704), "LONGNA~1.TXT");
    EXPECT_EQ(Str(m.attachments[1].props, 0x3704), "LONGNA~2.TXT");
}

}  // namespace
}  // namespace quill
