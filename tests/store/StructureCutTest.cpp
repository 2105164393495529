// Where the cut by message structure starts a message, and where it must not:
// each case is a message followed by one more, fed whole and in tiny pieces.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "store/ContainerSplitter.h"
#include "store/MessageLines.h"

namespace quill {
namespace {

std::vector<std::string> Cut(const std::string& container, std::size_t piece, const std::string& marker = "") {
    std::vector<std::string> out;
    ContainerSplitter s(marker, false, [&](SplitMessage& m) { out.push_back(m.text); });
    for (std::size_t at = 0; at < container.size(); at += piece) s.Feed(std::string_view(container).substr(at, piece));
    s.Finish();
    std::string joined = container.substr(0, s.Stats().bytesSkipped);
    for (const auto& t : out) joined += t;
    EXPECT_EQ(joined, container) << "bytes lost or doubled";
    return out;
}

// Each case: the first message, the one after it, and whether the cut finds the second.
struct Case {
    const char* name;
    std::string first, second;
    bool found;
};

void Check(const std::vector<Case>& cases, const std::string& marker = "") {
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        for (std::size_t piece : {std::size_t{1}, std::size_t{3}, std::size_t{1} << 20}) {
            const auto got = Cut(c.first + c.second, piece, marker);
            if (c.found)
                EXPECT_EQ(got, (std::vector<std::string>{c.first, c.second})) << "piece " << piece;
            else
                EXPECT_EQ(got, (std::vector<std::string>{c.first + c.second})) << "piece " << piece;
        }
    }
}

const std::string kStrong =  // a received message's header: many top-level names
    "Return-Path: <n@x>\r\nReceived: from a by b;\r\n\tMon, 3 Mar 2008 10:00:00 +0100\r\nFrom: n@x\r\n"
    "To: t@x\r\nSubject: next\r\nDate: Mon, 3 Mar 2008 10:00:00 +0100\r\nMessage-ID: <n@x>\r\n";
const std::string kNext = kStrong + "\r\nnext body\r\n";
const std::string kWeakNext = "From: w@x\r\nSubject: weak\r\n\r\nweak body\r\n";  // two names, no trace
const std::string kSentNext =  // sent mail: no trace fields
    "From: s@x\r\nTo: t@x\r\nSubject: sent\r\nDate: Mon, 3 Mar 2008 10:00:00 +0100\r\nMessage-ID: <s@x>\r\n"
    "MIME-Version: 1.0\r\n\r\nsent body\r\n";

const std::string kOneName = "X-Mailer: m\r\nX-Other: o\r\n\r\nq\r\n";  // one top-level name

std::string Multipart(const std::string& parts, bool close = true) {
    return "From: a@x\r\nSubject: outer\r\nMIME-Version: 1.0\r\nContent-Type: multipart/mixed; boundary=\"b1\"\r\n\r\n"
           "preamble\r\n\r\n--b1\r\nContent-Type: text/plain\r\n\r\nhello\r\n" +
           parts + (close ? "--b1--\r\n" : "");
}

TEST(StructureCut, EveryKindOfStartIsFound) {
    const std::string base64Text =
        "From: a@x\r\nSubject: b64\r\nContent-Type: text/plain\r\nContent-Transfer-Encoding: base64\r\n\r\n"
        "SGVsbG8gd29ybGQ=\r\n";
    Check({
        {"R3 after the outermost closing delimiter, any block", Multipart(""), kOneName, true},
        {"R3 epilogue text first", Multipart("") + "epilogue words\r\n", kOneName, true},
        {"R4 after a clean base64 body, a terminated one-name block", base64Text, kOneName, true},
        {"R5 after a text body, two top-level names", "From: a@x\r\nSubject: one\r\n\r\ntext\r\n", kWeakNext, true},
        {"R5 no marker and no MIME-Version", "Date: d\r\nSubject: one\r\n\r\ntext\r\n", kSentNext, true},
        {"R6 inside a multipart that never closes", Multipart("--b1\r\nContent-Type: text/plain\r\n\r\ncut off\r\n", false),
         kNext, true},
        {"R4b inside an open base64 part",
         Multipart("--b1\r\nContent-Type: application/octet-stream\r\nContent-Transfer-Encoding: base64\r\n\r\nAAAA\r\n",
                   false),
         "Subject: alone\r\n\r\nx\r\n", true},
        {"R6b trace field in a part header (cut off after a delimiter)", Multipart("--b1\r\n", false), kNext, true},
        {"R6b trace field after part-header lines",
         Multipart("--b1\r\nContent-Type: text/html\r\nContent-Transfer-Encoding: 7bit\r\n", false), kNext, true},
        {"R6c a message's own header in a part header", Multipart("--b1\r\n", false), kSentNext, true},
        {"R7 a second top header without the blank line",
         "From: a@x\r\nTo: t@x\r\nSubject: header only\r\nDate: d\r\n", kNext, true},
        {"R7 a repeated From begins the next header", "From: a@x\r\nTo: t@x\r\nSubject: header only\r\n",
         "From: b@x\r\nTo: t@x\r\nSubject: two\r\nDate: d\r\nMessage-ID: <m>\r\n\r\nbody\r\n", true},
        {"R8 a top-level multipart whose boundary never shows up",
         "From: a@x\r\nSubject: s\r\nContent-Type: multipart/mixed; boundary=\"wrong\"\r\n\r\n--right\r\n\r\nx\r\n",
         kWeakNext, true},
        {"a body line that looks like a delimiter of another multipart",
         "From: a@x\r\nSubject: s\r\n\r\n----------[%ImFilePath%]----------f.bin\r\n", kWeakNext, true},
    });
}

TEST(StructureCut, StartMarkerBlockStartsWithOneName) {
    // The marker chosen for the container still marks a start after a complete text body.
    const std::string first = "Delivered-To: a@x\r\nSubject: one\r\n\r\ntext\r\n";
    Check({{"marker block", first, "Delivered-To: b@x\r\n\r\nx\r\n", true},
           {"Return-Path block", first, "Return-Path: <b@x>\r\n\r\nx\r\n", true},
           {"another single name", first, "X-Mailer: b\r\n\r\nx\r\n", false},
           {"marker block not terminated", first, "Delivered-To: b@x\r\nnot a header\r\n", false}},
          "delivered-to:");
}

TEST(StructureCut, InlineForwardsAndBounceCopiesStayInTheirMessage) {
    const std::string head = "From: a@x\r\nTo: b@x\r\nSubject: FW: x\r\nDate: d\r\nMessage-ID: <f@x>\r\n\r\nSee below.\r\n\r\n";
    const std::string quoted = "From: c@x\r\nTo: d@x\r\nSubject: x\r\nDate: Mon, 3 Mar 2008\r\n\r\nquoted text\r\n";
    const std::string quotedSent = "From: c@x\r\nSent: Monday\r\nTo: d@x\r\nSubject: x\r\n\r\nquoted text\r\n";
    const std::string copy = kStrong + "\r\ncopied body\r\n";
    std::vector<Case> cases = {
        {"Outlook", head + "-----Original Message-----\r\n", quotedSent, false},
        {"Outlook separator line", head + "________________________________\r\n", quoted, false},
        {"Outlook without separator, Sent field", head, quotedSent, false},
        {"Outlook Express", head + "----- Original Message ----- \r\n", quoted, false},
        {"Gmail", head + "---------- Forwarded message ---------\r\n", quoted, false},
        {"Thunderbird", head + "-------- Forwarded Message --------\r\n", quoted, false},
        {"Apple Mail", head + "Begin forwarded message:\r\n\r\n", quoted, false},
        {"Yahoo", head + "----- Forwarded Message -----\r\n", quoted, false},
        {"mutt", head + "----- Forwarded message from c@x -----\r\n\r\n", quoted, false},
        {"qmail bounce", head + "--- Below this line is a copy of the message.\r\n\r\n", copy, false},
        {"exim bounce", head + "------ This is a copy of the message, including all the headers. ------\r\n\r\n", copy,
         false},
        {"sendmail bounce", head + "   ----- Original message follows -----\r\n\r\n", copy, false},
        {"the end of a forward does not introduce", head + "----- End forwarded message -----\r\n", quoted, true},
        {"forward in an intact multipart", Multipart("--b1\r\nContent-Type: text/plain\r\n\r\nSee below.\r\n"),
         "", false},
    };
    // In an intact multipart even an unannounced quoted header stays: it is no strong header.
    cases.back().first = Multipart("--b1\r\nContent-Type: text/plain\r\n\r\nSee below.\r\n\r\n" + quoted);
    cases.back().second = kWeakNext;
    cases.back().found = true;
    Check(cases);
}

TEST(StructureCut, HeaderBlocksThatBelongToTheMessageAreNoStart) {
    const std::string report = "From: MAILER-DAEMON@x\r\nSubject: failure\r\nMIME-Version: 1.0\r\n"
                               "Content-Type: multipart/report; boundary=\"r\"\r\n\r\n--r\r\n\r\nfailed\r\n\r\n--r\r\n";
    Check({
        {"part header after an opening delimiter", Multipart("--b1\r\n" + kSentNext.substr(0, 30), false),
         "Content-Type: text/plain\r\n\r\nx\r\n--b1--\r\n", false},
        {"delivery status", report + "Content-Type: message/delivery-status\r\n\r\nReporting-MTA: dns; x\r\n\r\n",
         "Final-Recipient: rfc822; a@x\r\nAction: failed\r\nStatus: 5.1.1\r\n\r\n--r--\r\n", false},
        {"header copy", report + "Content-Type: text/rfc822-headers\r\n\r\n", kStrong + "\r\n--r--\r\n", false},
        {"attached message", report + "Content-Type: message/rfc822\r\n\r\n", kNext + "--r--\r\n", false},
        {"top-level header copy", "From: a@x\r\nContent-Type: text/rfc822-headers\r\n\r\n", kStrong, false},
        {"one top-level name after a text body", "From: a@x\r\nSubject: s\r\n\r\ntext\r\n", "Subject: x\r\n\r\nq\r\n",
         false},
        {"a URL at a line start is no field", "From: a@x\r\nSubject: s\r\n\r\ntext\r\n",
         "http://example.org/a\r\nSubject: x\r\n\r\nq\r\n", false},
        {"a digest's parts are messages of their own, not new ones",
         "From: a@x\r\nSubject: d\r\nContent-Type: multipart/digest; boundary=\"d\"\r\n\r\n--d\r\n",
         kNext + "--d--\r\n", false},
        {"a Sent block after a text body", "From: a@x\r\nSubject: s\r\n\r\ntext\r\n",
         "From: c@x\r\nSent: Monday\r\nTo: d@x\r\nSubject: x\r\n\r\nq\r\n", false},
    });
}

TEST(StructureCut, FoldedAndDamagedHeaderLinesKeepTheHeaderWhole) {
    // The Content-Type after a damaged or whitespace-only folded line still counts, so the
    // base64 body is known and the block after it starts a message (R4); were the header
    // ended early, the body would be text and the one-name block no start.
    const std::string tail = "Content-Transfer-Encoding: base64\r\n\r\nSGVsbG8=\r\n";
    const std::string next = "X-Mailer: m\r\n\r\nq\r\n";
    Check({
        {"whitespace-only folded line", "From: a@x\r\nSubject: s\r\n \r\n" + tail, next, true},
        {"damaged field line", "From: a@x\r\nX Bad Field: y\r\nSubject: s\r\n" + tail, next, true},
        {"boundary learned from the first delimiter",
         "From: a@x\r\nContent-Type: multipart/mixed\r\n\r\n--learned\r\nContent-Type: text/plain\r\n\r\nx\r\n"
         "--learned--\r\n",
         next, true},
        {"a delimiter with a colon is not a folded line",
         "From: a@x\r\nContent-Type: multipart/mixed; boundary=\"a:b\"\r\n\r\n--a:b\r\nContent-Type: text/plain\r\n"
         "\r\nx\r\n--a:b--\r\n",
         next, true},
    });
}

TEST(StructureCut, DamagedPrefixAndBlocksTooLongToJudge) {
    // The first message begins at the first terminated block that is not a part header.
    const std::string prefix = "--old\r\nContent-Type: text/plain\r\n\r\nlost text\r\n\r\n";
    const auto got = Cut(prefix + kNext, 1 << 20);
    EXPECT_EQ(got, (std::vector<std::string>{kNext}));
    // A block longer than the cap counts as not terminated: a weak one is no start.
    std::string huge = "From: a@x\r\nSubject: s\r\n\r\ntext\r\nSubject: x\r\n";
    for (std::size_t i = 0; i < ContainerSplitter::kMaxBlockLines + 5; ++i) huge += " folded\r\n";
    huge += "\r\nbody\r\n";
    EXPECT_EQ(Cut(huge, 1 << 16).size(), 1u);
}

TEST(MessageLines, FieldLinesIntroductionsAndContentTypes) {
    using namespace structure;
    EXPECT_TRUE(IsFieldLine("X-Foo_2: v"));
    EXPECT_FALSE(IsFieldLine("2X: v"));
    EXPECT_FALSE(IsFieldLine("Foo : v"));
    EXPECT_FALSE(IsFieldLine("http://example.org"));
    EXPECT_TRUE(IsIntroduction("  ______________________  "));
    EXPECT_FALSE(IsIntroduction("_________"));
    EXPECT_FALSE(IsIntroduction("--original-message--"));
    EXPECT_TRUE(IsIntroduction("The original message was received at ..."));
    EXPECT_FALSE(IsIntroduction("----- End of forwarded message -----"));
    EXPECT_TRUE(IsIntroduction("Sender's original message follows"));  // "end" only as a word
    const ContentType q = ParseContentType(" Multipart/Mixed;\r\n\tBoundary=\"a b;c\"; x=y");
    EXPECT_EQ(q.mediaType, "multipart/mixed");
    EXPECT_EQ(q.boundary, "a b;c");
    EXPECT_EQ(ParseContentType("multipart/alternative; imbndary=x; boundary=plain").boundary, "plain");
    EXPECT_FALSE(ParseContentType("multipart/mixed; xboundary=x").hasBoundary);
    EXPECT_EQ(ParseContentType(" ; charset=x").mediaType, "text/plain");
    EXPECT_EQ(NameCodeOf("DELIVERED-TO"), 2);
    EXPECT_EQ(NameCodeOf("x-unknown"), kOtherName);
    EXPECT_TRUE(IsBase64Line("QUJD=="));
    EXPECT_FALSE(IsBase64Line("QUJD==="));
    const std::string b64(76, 'Q');
    EXPECT_TRUE(IsBase64Line(b64 + "+/09az=="));
    for (std::size_t at : {0u, 15u, 16u, 40u, 75u})
        for (char bad : {' ', ':', '\x80', '\xc3', '-', '`', '{', '@', '['}) {
            std::string line = b64;
            line[at] = bad;
            EXPECT_FALSE(IsBase64Line(line)) << at << " " << static_cast<int>(bad);
        }
}

}  // namespace
}  // namespace quill
