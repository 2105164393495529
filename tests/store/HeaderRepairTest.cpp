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

TEST(HeaderRepair, HigherPriorityNameWinsEvenWhenLater) {
    auto d = Divide("Received: from x\r\nDelivered-To: me@x\r\n");
    EXPECT_EQ(d.tail, "Received: from x\r\n");
    EXPECT_EQ(d.head, "Delivered-To: me@x\r\n");
}

TEST(HeaderRepair, FromAndToGoToExactlyOneMessage) {
    // Once a From line was put into both messages and a To line dropped.
    for (std::string cut : {"body\r\nFrom: a\r\nTo: b\r\n", "body\r\nTo: b\r\nFrom: a\r\n"}) {
        auto d = Divide(cut);
        EXPECT_EQ(d.tail + d.head, cut) << cut;
    }
    auto d = Divide("body\r\nTo: b\r\nFrom: a\r\n");
    EXPECT_EQ(d.head, "From: a\r\n");
    EXPECT_EQ(d.tail, "body\r\nTo: b\r\n");
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
