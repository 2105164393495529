#include "store/HeaderRepair.h"

#include <gtest/gtest.h>

namespace quill {
namespace {

struct Divided {
    std::string tail;
    std::string head;
};

Divided Divide(const std::string& cut) {
    std::string head = cut;
    PrevPartMsg(head);
    return {CleanPartMsg(cut), head};
}

TEST(HeaderRepair, BodyEndThenReturnPathSplitsAtTheHeader) {
    std::string cut = "end of body\r\nReturn-Path: <a@b>\r\nReceived: from x\r\n";
    auto d = Divide(cut);
    EXPECT_EQ(d.tail, "end of body\r\n");
    EXPECT_EQ(d.head, "Return-Path: <a@b>\r\nReceived: from x\r\n");
    EXPECT_EQ(d.tail + d.head, cut);
}

TEST(HeaderRepair, HeaderRunAboveSubjectStaysWhole) {
    // Once the name of highest priority decided, wherever it stood: a Delivered-To line
    // below Return-Path and Received sent those two to the previous message.
    struct Case {
        const char* cut;
        const char* tail;
    } cases[] = {
        {"Received: from x\r\nDelivered-To: me@x\r\n", ""},
        {"Return-Path: <a>\r\nReceived: from x\r\nDelivered-To: me@x\r\nFrom: f\r\n", ""},
        {"X-Account-Key: k\r\nTo: b\r\nFrom: a\r\n", ""},
        // a body that ran into the header: the run begins at its first named line
        {"body\r\nTo: b\r\nFrom: a\r\n", "body\r\n"},
        {"thanks\r\nPhone: 555\r\nReturn-Path: <a>\r\nDelivered-To: me@x\r\n", "thanks\r\nPhone: 555\r\n"},
        {"thanks\r\nPhone: 555\r\nX-Mailer: m\r\n", "thanks\r\n"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.cut);
        auto d = Divide(c.cut);
        EXPECT_EQ(d.tail, c.tail);
        EXPECT_EQ(d.tail + d.head, c.cut);
    }
}

TEST(HeaderRepair, NamesInsideALineDoNotCount) {
    // "to:" inside Reply-To, In-Reply-To or X-Original-To is not a To line.
    auto d = Divide("body\r\nX-Return-Path: q\r\nIn-Reply-To: <m>\r\n");
    EXPECT_EQ(d.head, "X-Return-Path: q\r\nIn-Reply-To: <m>\r\n");  // the header run above Subject
    EXPECT_EQ(d.tail, "body\r\n");
    auto r = Divide("body\r\nReply-To: a@b\r\n");
    EXPECT_EQ(r.head, "Reply-To: a@b\r\n");
    EXPECT_EQ(r.tail, "body\r\n");
}

TEST(HeaderRepair, NameWithoutBlankAfterColonCountsForBoth) {
    auto d = Divide("text\r\nDate:Mon, 1 Jan 2024\r\n");
    EXPECT_EQ(d.head, "Date:Mon, 1 Jan 2024\r\n");
    EXPECT_EQ(d.tail, "text\r\n");
}

TEST(HeaderRepair, NoNameLeavesOnlyTheHeaderRunAboveSubject) {
    auto plain = Divide("just the end of a body\r\n");
    EXPECT_EQ(plain.head, "");
    EXPECT_EQ(plain.tail, "just the end of a body\r\n");
    auto withRun = Divide("body text\r\nX-Mailer: m\r\n folded\r\nCc: c\r\n");
    EXPECT_EQ(withRun.head, "X-Mailer: m\r\n folded\r\nCc: c\r\n");
    EXPECT_EQ(withRun.tail, "body text\r\n");
}

TEST(HeaderRepair, LetterCaseIsIgnoredAndKept) {
    auto d = Divide("x\r\nDATE: today\r\n");
    EXPECT_EQ(d.head, "DATE: today\r\n");
}

TEST(HeaderRepair, EmptyCutTextGivesEmptyParts) {
    auto d = Divide("");
    EXPECT_EQ(d.head, "");
    EXPECT_EQ(d.tail, "");
}

}  // namespace
}  // namespace quill
