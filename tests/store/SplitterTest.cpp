#include "store/ContainerReader.h"
#include "store/ContainerSplitter.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <vector>

#include "platform/File.h"
#include "tools/StoreGenerator.h"

namespace quill {
namespace {

struct Outcome {
    std::vector<SplitMessage> messages;
    SplitStats stats;
    std::vector<std::string> Texts() const {
        std::vector<std::string> t;
        for (const auto& m : messages) t.push_back(m.text);
        return t;
    }
};

Outcome Split(const std::string& container, const std::string& marker, bool advance = false, std::size_t piece = 0) {
    Outcome o;
    ContainerSplitter s(marker, advance, [&](SplitMessage& m) { o.messages.push_back(m); });
    if (piece == 0) piece = container.size() ? container.size() : 1;
    for (std::size_t i = 0; i < container.size(); i += piece) s.Feed(std::string_view(container).substr(i, piece));
    s.Finish();
    o.stats = s.Stats();
    // Nothing is lost: the skipped prefix and the messages are the container.
    std::string joined = container.substr(0, o.stats.bytesSkipped);
    for (const auto& m : o.messages) {
        EXPECT_EQ(m.offset, joined.size());
        joined += m.text;
    }
    EXPECT_EQ(joined, container);
    return o;
}

std::string Msg(const std::string& headers, std::size_t bodyBytes, char fill = 'b') {
    std::string body;
    while (body.size() < bodyBytes) body += std::string(70, fill) + "\r\n";
    return headers + "\r\n" + body;
}

TEST(Splitter, ThreeLongMessagesComeOutWhole) {
    std::string a = Msg("Delivered-To: a@x\r\nSubject: one\r\n", 1500, 'a');
    std::string b = Msg("Delivered-To: b@x\r\nSubject: two\r\n", 2500, 'b');
    std::string c = Msg("Delivered-To: c@x\r\nSubject: three\r\n", 1100, 'c');
    for (std::size_t piece : {0, 1, 7, 1024}) {
        auto o = Split(a + b + c, "delivered-to:", false, piece);
        ASSERT_EQ(o.messages.size(), 3u) << piece;
        EXPECT_EQ(o.Texts(), (std::vector<std::string>{a, b, c}));
        EXPECT_EQ(o.messages[2].number, 3);
    }
}

TEST(Splitter, SecondStartInSameBlockIsRecognised) {
    std::string a = Msg("Delivered-To: a@x\r\nSubject: one\r\n", 100);
    std::string b = Msg("Delivered-To: b@x\r\nSubject: two\r\n", 100);
    std::string c = Msg("Delivered-To: c@x\r\nSubject: three\r\n", 100);
    auto o = Split(a + b + c, "delivered-to:", false, 1024);
    EXPECT_EQ(o.Texts(), (std::vector<std::string>{a, b, c}));
}

TEST(Splitter, StartStraddlingTwoBlocksIsRecognised) {
    std::string a = Msg("Delivered-To: a@x\r\n", 0);
    a += std::string(1024 - a.size() - 7, 'p') + "\r\n\r\n";  // the next marker begins at byte 1019
    std::string b = Msg("Delivered-To: b@x\r\n", 50);
    auto o = Split(a + b, "delivered-to:", false, 1024);
    EXPECT_EQ(o.Texts(), (std::vector<std::string>{a, b}));
}

TEST(Splitter, MarkerInsideALineIsNotAStart) {
    std::string a =
        Msg("Return-Path: <a@x>\r\nX-Return-Path: <y>\r\nIn-Reply-To: <m>\r\n"
            "X-Original-Delivered-To: q\r\n",
            10);
    a += "as the header return-path: says\r\n";
    for (std::string marker : {"return-path:", "reply-to:", "delivered-to:"}) {
        auto o = Split(a, marker);
        EXPECT_EQ(o.messages.size(), 1u) << marker;
    }
}

TEST(Splitter, MessageBeginsAtItsHeaderBlock) {
    // With the marker mime-version:, the lines above it are the new message's.
    std::string a = Msg("From: a@x\r\nTo: b@x\r\nSubject: one\r\nMIME-Version: 1.0\r\n", 60);
    std::string b = Msg("From: c@x\r\nTo: d@x\r\n (folded)\r\nSubject: two\r\nMIME-Version: 1.0\r\n", 60);
    auto o = Split(a + b, "mime-version:");
    EXPECT_EQ(o.Texts(), (std::vector<std::string>{a, b}));
}

TEST(Splitter, HeaderBlockStopsAtBodyText) {
    std::string a = Msg("Delivered-To: a@x\r\n", 0) + "last words\r\n";
    std::string b = "Subject: s\r\nDelivered-To: b@x\r\n\r\nbody\r\n";
    auto o = Split(a + b, "delivered-to:");
    EXPECT_EQ(o.Texts(), (std::vector<std::string>{a, b}));
}

TEST(Splitter, ReturnPathBlockStartsAMessageToo) {
    std::string a = Msg("Delivered-To: a@x\r\nSubject: one\r\n", 80);
    std::string b = Msg("Return-Path: <j@x>\r\nSubject: joined\r\n", 80);
    auto o = Split(a + b, "delivered-to:");
    EXPECT_EQ(o.Texts(), (std::vector<std::string>{a, b}));
    // Marker and Return-Path in one header block are one start.
    std::string c = Msg("Return-Path: <c@x>\r\nDelivered-To: c@x\r\n", 80);
    auto two = Split(a + c, "delivered-to:");
    EXPECT_EQ(two.Texts(), (std::vector<std::string>{a, c}));
}

TEST(Splitter, RepeatedMarkerInOneHeaderBlockIsOneMessage) {
    std::string a = Msg("Delivered-To: a@x\r\nDelivered-To: b@x\r\nSubject: one\r\n", 80);
    auto o = Split(a + a, "delivered-to:");
    EXPECT_EQ(o.Texts(), (std::vector<std::string>{a, a}));
}

TEST(Splitter, NoMarkerAndHeaderlessStartDeliversAllAsOneMessage) {
    std::string text = "garbage without any header\r\nmore\r\n";
    auto o = Split(text, "");
    ASSERT_EQ(o.messages.size(), 1u);
    EXPECT_EQ(o.stats.bytesSkipped, 0u);
}

TEST(Splitter, LeadingMessageWithoutMarkerIsKept) {
    std::string lead = Msg("From: a@x\r\nSubject: lead\r\n", 40);
    std::string b = Msg("Delivered-To: b@x\r\n", 40);
    auto o = Split(lead + b, "delivered-to:");
    EXPECT_EQ(o.Texts(), (std::vector<std::string>{lead, b}));
}

TEST(Splitter, DamagedLeadingFragmentIsSkippedAndCounted) {
    std::string fragment = "of a body that lost its head\r\n\r\n";
    std::string b = Msg("Delivered-To: b@x\r\n", 40);
    auto o = Split(fragment + b, "delivered-to:");
    EXPECT_EQ(o.Texts(), (std::vector<std::string>{b}));
    EXPECT_EQ(o.stats.bytesSkipped, fragment.size());
}

TEST(Splitter, EmptyContainerYieldsNothing) {
    auto o = Split("", "delivered-to:");
    EXPECT_TRUE(o.messages.empty());
}

TEST(Splitter, MimePartHeadersAndAttachedMessagesStayInTheirMessage) {
    std::string a =
        "MIME-Version: 1.0\r\nSubject: outer\r\nContent-Type: multipart/mixed; boundary=\"b1\"\r\n\r\n"
        "--b1\r\nMIME-Version: 1.0\r\nContent-Type: text/plain\r\n\r\nhello\r\n"
        "--b1\r\nContent-Type: message/rfc822\r\n\r\n"
        "Return-Path: <inner@x>\r\nMIME-Version: 1.0\r\nSubject: inner\r\n\r\ninner body\r\n"
        "--b1--\r\n";
    std::string b = Msg("MIME-Version: 1.0\r\nSubject: next\r\n", 20);
    auto o = Split(a + b, "mime-version:");
    EXPECT_EQ(o.Texts(), (std::vector<std::string>{a, b}));
    auto adv = Split(a + b, "", true);
    EXPECT_EQ(adv.Texts(), (std::vector<std::string>{a, b}));
}

TEST(Splitter, FoldedContentTypeOfAttachedMessageIsSeen) {
    std::string a =
        "Return-Path: <a@x>\r\nContent-Type:\r\n text/rfc822-headers\r\n\r\n"
        "Return-Path: <h@x>\r\nSubject: headers only\r\n\r\n";
    auto o = Split(a, "return-path:");
    EXPECT_EQ(o.messages.size(), 1u);
}

TEST(AdvanceMode, CutsAtEverySubjectLineStart) {
    std::string a = "Received: from x\r\nSubject: one\r\nX: y\r\n\r\nbody one\r\n";
    std::string b = "Received: from y\r\nSubject: two\r\n\r\nbody two and subject: inside\r\n";
    std::string c = "Subject: three\r\n\r\nbody three\r\n";
    for (std::size_t piece : {0, 1, 5, 1024}) {
        auto o = Split(a + b + c, "", true, piece);
        EXPECT_EQ(o.Texts(), (std::vector<std::string>{a, b, c})) << piece;
    }
}

TEST(AdvanceMode, BodyEndWithoutNamesStaysWithPreviousMessage) {
    std::string a = "Subject: one\r\n\r\nbody one\r\nstill body\r\n";
    std::string b = "Subject: two\r\n\r\nbody two\r\n";
    auto o = Split(a + b, "", true);
    EXPECT_EQ(o.Texts(), (std::vector<std::string>{a, b}));
    // Plain text directly above a Subject line, no blank line between.
    std::string c = "Subject: one\r\n\r\nbody\r\n";
    std::string d = "X-Priority: 3\r\nSubject: two\r\n\r\nbody\r\n";
    auto o2 = Split(c + "trailing text\r\n" + d, "", true);
    EXPECT_EQ(o2.Texts(), (std::vector<std::string>{c + "trailing text\r\n", d}));
}

TEST(AdvanceMode, HeadPartFromNamedHeaderAndTailToPrevious) {
    std::string a = "Subject: one\r\n\r\nbody one\r\n";
    std::string tail = "sig line\r\n";
    std::string b = "Date: today\r\nFrom: f\r\nSubject: two\r\n\r\nbody two\r\n";
    auto o = Split(a + tail + b, "", true);
    EXPECT_EQ(o.Texts(), (std::vector<std::string>{a + tail, b}));
}

TEST(AdvanceMode, SubjectTwiceInOneHeaderIsOneMessage) {
    std::string a = "From: f\r\nSubject: one\r\nSubject: again\r\n\r\nbody\r\n";
    auto o = Split(a + a, "", true);
    EXPECT_EQ(o.Texts(), (std::vector<std::string>{a, a}));
}

class ContainerFile : public ::testing::Test {
  protected:
    std::string path_;
    void SetUp() override {
        path_ = ::testing::TempDir() + "quill_container_" +
                ::testing::UnitTest::GetInstance()->current_test_info()->name() + ".imm";
        std::remove(path_.c_str());
    }
    void TearDown() override { std::remove(path_.c_str()); }
    void Write(const std::string& bytes) {
        std::ofstream f(path_, std::ios::binary);
        f << bytes;
    }
};

TEST_F(ContainerFile, ProbeChoosesByPriorityAtLineStarts) {
    Write("Return-Path: <a>\r\nReply-To: r\r\nMIME-Version: 1.0\r\n\r\n");
    EXPECT_EQ(ReadIMMFile(path_), "mime-version:");
    Write("return-path: <a>\r\nX-Original-Delivered-To: q\r\nIn-Reply-To: <m>\r\n\r\n");
    EXPECT_EQ(ReadIMMFile(path_), "return-path:");
}

TEST_F(ContainerFile, NoNameInProbeLooksOnThroughTheFirstMegabyte) {
    std::string text(600, 'x');
    text += "\r\nDelivered-To: late@x\r\n";
    Write(text);
    EXPECT_EQ(ReadIMMFile(path_), "delivered-to:");
    Write(std::string(2000, 'z'));
    EXPECT_EQ(ReadIMMFile(path_), "");
}

TEST_F(ContainerFile, SplitReadsTheWholeFile) {
    std::string a = Msg("Delivered-To: a@x\r\n", 70000, 'a');
    std::string b = Msg("Delivered-To: b@x\r\n", 300, 'b');
    Write(a + b);
    std::vector<std::string> got;
    int pumps = 0;
    auto r = SplitIMMFile(
        path_, ReadIMMFile(path_), false, [&](SplitMessage& m) { got.push_back(m.text); }, [&] { return ++pumps > 0; });
    EXPECT_TRUE(r.complete);
    EXPECT_EQ(got, (std::vector<std::string>{a, b}));
    EXPECT_GE(pumps, 2);
}

TEST_F(ContainerFile, ManyBlocksComeOutInOrderAndAStopEndsAfterAMessage) {
    // Reading, cutting and delivering overlap: the ring of blocks wraps many times, a
    // message far longer than a block crosses it, and the order stays the container's.
    std::vector<std::string> texts;
    for (const auto& m : gen::GenerateMessages(11, 0, 30)) texts.push_back(m.text);
    Write(gen::Concat(texts));
    std::vector<std::string> got;
    auto r = SplitIMMFile(path_, ReadIMMFile(path_), false, [&](SplitMessage& m) { got.push_back(std::move(m.text)); });
    EXPECT_TRUE(r.complete);
    EXPECT_FALSE(r.stopped);
    EXPECT_EQ(got, texts);
    EXPECT_EQ(r.stats.messages, texts.size());

    // The pump says stop before the fifth message: four are delivered, and counted.
    got.clear();
    int pumps = 0;
    r = SplitIMMFile(
        path_, "", false, [&](SplitMessage& m) { got.push_back(m.text); }, [&] { return got.size() < 4 || ++pumps < 0; });
    EXPECT_TRUE(r.stopped);
    EXPECT_EQ(got, std::vector<std::string>(texts.begin(), texts.begin() + 4));
    EXPECT_EQ(r.stats.messages, 4u);
}

TEST_F(ContainerFile, MissingContainerIsReportedWithItsName) {
    EXPECT_THROW(ReadIMMFile(path_), platform::FileError);
    auto r = SplitIMMFile(path_, "delivered-to:", false, [](SplitMessage&) { FAIL(); });
    EXPECT_FALSE(r.complete);
    EXPECT_NE(r.error.find(path_), std::string::npos);
}

}  // namespace
}  // namespace quill
