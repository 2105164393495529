// Whole-container behaviour on stores made by the generator: a container
// splits into exactly the messages it was made from, in any feeding.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "store/ContainerSplitter.h"
#include "tools/StoreGenerator.h"

namespace {

struct Outcome {
    std::vector<quill::SplitMessage> messages;
    quill::SplitStats stats;
};

Outcome Split(const std::string& container, const std::string& marker, std::size_t piece) {
    Outcome out;
    quill::ContainerSplitter splitter(marker, false, [&](quill::SplitMessage& m) { out.messages.push_back(m); });
    for (std::size_t at = 0; at < container.size(); at += piece)
        splitter.Feed(std::string_view(container).substr(at, piece));
    splitter.Finish();
    out.stats = splitter.Stats();
    return out;
}

std::vector<std::string> Texts(const std::vector<quill::gen::GenMessage>& messages) {
    std::vector<std::string> texts;
    for (const auto& m : messages) texts.push_back(m.text);
    return texts;
}

void ExpectExactly(const Outcome& got, const std::vector<std::string>& expected) {
    ASSERT_EQ(got.messages.size(), expected.size());
    std::uint64_t offset = 0;
    for (std::size_t i = 0; i < expected.size(); ++i) {
        EXPECT_EQ(got.messages[i].number, static_cast<int>(i + 1));
        EXPECT_EQ(got.messages[i].offset, offset);
        EXPECT_EQ(got.messages[i].text, expected[i]) << "message " << i + 1;
        offset += expected[i].size();
    }
    EXPECT_EQ(got.stats.bytesSkipped, 0u);
}

TEST(GeneratedContainer, SplitsIntoExactlyItsMessagesWithEachMarker) {
    const auto expected = Texts(quill::gen::GenerateMessages(11, 0, 30));
    const std::string container = quill::gen::Concat(expected);
    for (const char* marker : {"mime-version:", "return-path:"}) {
        SCOPED_TRACE(marker);
        ExpectExactly(Split(container, marker, 65536), expected);
    }
}

TEST(GeneratedContainer, MessagesAtEveryOffsetOfABlockSplitTheSame) {
    const auto expected = quill::gen::AlignedMessages(5, 1030);
    const std::string container = quill::gen::Concat(expected);
    std::vector<bool> seen(1024, false);
    std::size_t at = 0;
    for (const auto& t : expected) {
        seen[at % 1024] = true;
        at += t.size();
    }
    for (std::size_t i = 0; i < seen.size(); ++i) ASSERT_TRUE(seen[i]) << "no message starts at " << i;
    ExpectExactly(Split(container, "mime-version:", 1024), expected);
}

TEST(GeneratedContainer, TinyPiecesGiveTheSameResultAsWhole) {
    const auto expected = Texts(quill::gen::GenerateMessages(3, 1, 12));
    const std::string container = quill::gen::Concat(expected);
    const Outcome whole = Split(container, "mime-version:", container.size());
    ExpectExactly(whole, expected);
    for (std::size_t piece : {1u, 7u, 1023u, 1024u, 1025u}) {
        SCOPED_TRACE(piece);
        ExpectExactly(Split(container, "mime-version:", piece), expected);
    }
}

TEST(GeneratedContainer, SkippedPrefixAndMessagesRebuildTheContainer) {
    const auto messages = Texts(quill::gen::GenerateMessages(9, 2, 10));
    const std::string container = "\r\ndamaged tail of a lost message\r\n\r\n" + quill::gen::Concat(messages);
    const Outcome got = Split(container, "mime-version:", 1025);
    std::string rebuilt = container.substr(0, got.stats.bytesSkipped);
    for (const auto& m : got.messages) rebuilt += m.text;
    EXPECT_EQ(rebuilt, container);
    EXPECT_EQ(got.messages.size(), messages.size());
}

TEST(GeneratedContainer, SameSeedGivesSameBytes) {
    EXPECT_EQ(Texts(quill::gen::GenerateMessages(4, 0, 8)), Texts(quill::gen::GenerateMessages(4, 0, 8)));
    EXPECT_NE(Texts(quill::gen::GenerateMessages(4, 0, 8)), Texts(quill::gen::GenerateMessages(5, 0, 8)));
}

}  // namespace
