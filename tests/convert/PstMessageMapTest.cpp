#include "convert/PstMessageMap.h"

#include "pst/messaging/EntryIds.h"

#include <gtest/gtest.h>

#include <optional>
#include <set>
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
    EXPECT_EQ(Time(none.props, 0x0E06), pst::FileTimeFromUnix(pst::kUndatedMessageTime));
    EXPECT_FALSE(none.props.Has(0x0039));
}

// Times come from the mail, then the index, then a fixed date: never from the clock, so an
// undated message never sorts as the newest one.
TEST(PstMessageMapDate, EveryTimeHasASourceAndNoneIsTheClock) {
    const std::string date = "Date: Mon, 7 Dec 2026 23:00:00 +0000\r\n";  // 1796684400
    const std::string undatedReceived = "Received: from a by b with SMTP id 1\r\n";
    const std::string datedReceived = "Received: from c by d; Tue, 08 Dec 2026 08:15:00 +0000\r\n";
    struct Case {
        std::string header;
        std::optional<std::int64_t> index, fallback;
        std::int64_t delivered;
        bool submit;
    };
    const Case cases[] = {
        {undatedReceived + datedReceived + date, std::nullopt, std::nullopt, kDec8At0815, true},
        {undatedReceived + date, 5, std::nullopt, 1796684400, true},
        {"Date: never\r\n", 1700000000, 1000000000, 1700000000, false},
        {"", std::nullopt, 1000000000, 1000000000, false},
        {"", std::nullopt, std::nullopt, pst::kUndatedMessageTime, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.header);
        MessageMapOptions options;
        options.indexTime = c.index;
        options.fallbackTime = c.fallback;
        const auto m = Map(c.header + "Subject: s\r\n\r\nx", options);
        for (std::uint16_t id : {0x0E06, 0x3007, 0x3008}) EXPECT_EQ(Time(m.props, id), pst::FileTimeFromUnix(c.delivered));
        EXPECT_EQ(m.props.Has(0x0039), c.submit);
    }
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

    const auto& eml = m.attachments[2];  // an attached mail is a message of its own
    ASSERT_TRUE(eml.embedded);
    EXPECT_TRUE(eml.data.empty());
    EXPECT_EQ(Str(eml.embedded->props, 0x0070), "Quarterly: report v1.2?");
    EXPECT_EQ(Str(eml.embedded->props, 0x1000), "numbers");
    EXPECT_EQ(Str(eml.props, 0x3001), "Quarterly: report v1.2?");
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

// ---- text ----

// 8-bit text that declares no charset is UTF-8 when it is valid UTF-8; a declared charset and
// text that is no UTF-8 keep their reading.
TEST(PstMessageMapText, UndeclaredEightBitTextIsReadAsUtf8WhenItIsUtf8) {
    const std::string utf8 = "Gr\xC3\xBC\xC3\x9F" "e";
    struct Case {
        std::string contentType, body, expected;
    };
    const Case cases[] = {
        {"", utf8, utf8},
        {"Content-Type: text/plain\r\n", utf8, utf8},
        {"Content-Type: text/plain; charset=us-ascii\r\n", utf8, utf8},
        {"Content-Type: text/plain; charset=us-ascii\r\n", "Gr\xFC\xDF" "e", utf8},  // no UTF-8: windows-1252
        {"Content-Type: text/plain; charset=iso-8859-1\r\n", utf8, "Gr\xC3\x83\xC2\xBC\xC3\x83\xC5\xB8" "e"},
        // UTF-16 without a label: a NUL after every letter would end the body in readers.
        {"", std::string("C\0h\0e\0e\0r\0s\0\xFC\0!\0", 16), "Cheers\xC3\xBC!"},
        {"", std::string("C\0h\0e\0e\0r\0s\0\n\0\r\n", 16), "Cheers\r\n"},  // the container's line end after it
        {"", std::string("\xFE\xFF\0C\0h\0e\0e\0r\0s", 14), "Cheers"},
        {"", std::string("ab\0cd", 5), "ab\xEF\xBF\xBD" "cd"},  // one NUL is no UTF-16
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.contentType + c.body);
        const auto m = Map("Subject: x\r\nMIME-Version: 1.0\r\n" + c.contentType + "\r\n" + c.body);
        EXPECT_EQ(Str(m.props, 0x1000), c.expected);
    }
    // Raw UTF-8 in headers and names, although the text part names another charset.
    const auto named = Map("Subject: " + utf8 + "\r\nFrom: " + utf8 + " <g@example.de>\r\n"
                           "Content-Type: multipart/mixed; boundary=b\r\n\r\n"
                           "--b\r\nContent-Type: text/plain; charset=iso-8859-1\r\n\r\nhi\r\n"
                           "--b\r\nContent-Type: application/octet-stream; name=\"" + utf8 + ".txt\"\r\n\r\nxx\r\n--b--\r\n");
    EXPECT_EQ(Str(named.props, 0x0070), utf8);
    EXPECT_EQ(Str(named.props, 0x0C1A), utf8);
    ASSERT_EQ(named.attachments.size(), 1u);
    EXPECT_EQ(Str(named.attachments[0].props, 0x3707), utf8 + ".txt");
}

TEST(PstMessageMapText, EmptyHtmlIsNoBodyBesidePlainText) {
    const auto html = [](const std::string& htmlPart) {
        return Map("Subject: x\r\nContent-Type: multipart/alternative; boundary=b\r\n\r\n"
                   "--b\r\nContent-Type: text/plain\r\n\r\nplain words\r\n"
                   "--b\r\nContent-Type: text/html\r\n\r\n" + htmlPart + "\r\n--b--\r\n");
    };
    EXPECT_FALSE(html("").props.Has(0x1013));
    EXPECT_FALSE(html(" \r\n\t").props.Has(0x1013));
    EXPECT_TRUE(html("<p>words</p>").props.Has(0x1013));
    EXPECT_EQ(Str(html("").props, 0x1000), "plain words");
}

// Readers stop at a NUL: each becomes U+FFFD, and the notes count them.
TEST(PstMessageMapText, NulsBecomeReplacementCharactersAndAreCounted) {
    std::string bytes = "Subject: a";
    bytes += '\0';
    bytes += "b\r\nX-Note: v";
    bytes += '\0';
    bytes += "w\r\n\r\nbefore";
    bytes += '\0';
    bytes += "after";
    mime::MimeMessage message;
    message.Load(bytes);
    MessageMapNotes notes;
    const auto m = MapMessage(message, {}, notes);
    EXPECT_EQ(Str(m.props, 0x1000), "before\xEF\xBF\xBD" "after");
    EXPECT_EQ(Str(m.props, 0x0070), "a\xEF\xBF\xBD" "b");
    EXPECT_NE(Str(m.props, 0x007D).find("X-Note: v\xEF\xBF\xBDw"), std::string::npos);
    // Subject and topic and normalized subject, the transport headers twice (both NULs), the body.
    EXPECT_EQ(notes.nulsReplaced, 3u + 2u + 1u);
    EXPECT_EQ(message.Save(), bytes) << "the message itself keeps its bytes";
    MessageMapNotes clean;
    (void)MapMessage(message, {}, clean);
    EXPECT_EQ(clean.nulsReplaced, notes.nulsReplaced);
}

// ---- nothing left out ----

// Every part the message file holds is somewhere in the PST: parts that are neither the chosen
// body nor a named attachment become attachments named from their type.
TEST(PstMessageMapAttachment, PartsThatAreNeitherBodyNorAttachmentAreKept) {
    const auto m = Map(
        "Subject: bounce\r\nContent-Type: multipart/report; boundary=r\r\n\r\n"
        "--r\r\nContent-Type: text/plain\r\n\r\nThe mail could not be delivered.\r\n"
        "--r\r\nContent-Type: message/delivery-status\r\n\r\nStatus: 5.1.1\r\n"
        "--r\r\nContent-Type: text/rfc822-headers\r\n\r\nSubject: original\r\n"
        "--r\r\nContent-Type: text/plain\r\n\r\n-- list footer\r\n"
        "--r\r\nContent-Type: text/enriched\r\n\r\n<bold>second form</bold>\r\n"
        "--r--\r\n");
    EXPECT_EQ(Str(m.props, 0x1000), "The mail could not be delivered.");
    ASSERT_EQ(m.attachments.size(), 4u);
    const std::string expected[] = {"Status: 5.1.1", "Subject: original", "-- list footer", "<bold>second form</bold>"};
    std::set<std::string> names;
    for (std::size_t i = 0; i < 4; ++i) {
        EXPECT_EQ(m.attachments[i].data, expected[i]);
        names.insert(Str(m.attachments[i].props, 0x3707));
        EXPECT_FALSE(Str(m.attachments[i].props, 0x3707).empty());
    }
    EXPECT_EQ(names.size(), 4u) << "each part under a name of its own";
}

// ---- attached messages ----

std::string Wrap(const std::string& inner, int level) {
    return "Subject: level " + std::to_string(level) + "\r\nFrom: Writer " + std::to_string(level) +
           " <w" + std::to_string(level) + "@example.org>\r\nContent-Type: multipart/mixed; boundary=b" +
           std::to_string(level) + "\r\n\r\n--b" + std::to_string(level) +
           "\r\nContent-Type: text/plain\r\n\r\nbody " + std::to_string(level) + "\r\n--b" + std::to_string(level) +
           "\r\nContent-Type: application/octet-stream; name=f" + std::to_string(level) +
           ".bin\r\nContent-Transfer-Encoding: base64\r\n\r\nAAEC\r\n" +
           (inner.empty() ? "" : "--b" + std::to_string(level) + "\r\nContent-Type: message/rfc822\r\n\r\n" + inner + "\r\n") +
           "--b" + std::to_string(level) + "--\r\n";
}

TEST(PstMessageMapAttachment, AttachedMailsBecomeEmbeddedMessagesAsDeepAsTheyNest) {
    std::string mail;
    for (int level = 3; level >= 0; --level) mail = Wrap(mail, level);
    const pst::NewMessage m = Map(mail);
    const pst::NewMessage* at = &m;
    for (int level = 0; level <= 3; ++level) {
        SCOPED_TRACE(level);
        EXPECT_EQ(Str(at->props, 0x0070), "level " + std::to_string(level));
        EXPECT_EQ(Str(at->props, 0x0C1A), "Writer " + std::to_string(level));
        EXPECT_EQ(Str(at->props, 0x1000), "body " + std::to_string(level));
        ASSERT_EQ(at->attachments.size(), level < 3 ? 2u : 1u);
        EXPECT_EQ(at->attachments[0].data, std::string("\x00\x01\x02", 3));
        if (level == 3) break;
        ASSERT_TRUE(at->attachments[1].embedded);
        at = at->attachments[1].embedded.get();
    }
    // Past the nesting limit an attached mail stays a file.
    std::string deep;
    for (int level = kMaxEmbeddedMessages + 1; level >= 0; --level) deep = Wrap(deep, level);
    const pst::NewMessage d = Map(deep);
    const pst::NewMessage* inner = &d;
    int depth = 0;
    while (inner->attachments.size() == 2 && inner->attachments[1].embedded) {
        inner = inner->attachments[1].embedded.get();
        ++depth;
    }
    EXPECT_EQ(depth, kMaxEmbeddedMessages);
    ASSERT_EQ(inner->attachments.size(), 2u);
    EXPECT_EQ(Str(inner->attachments[1].props, 0x370E), "message/rfc822");
    EXPECT_NE(inner->attachments[1].data.find("Subject: level"), std::string::npos);
}

}  // namespace
}  // namespace quill
