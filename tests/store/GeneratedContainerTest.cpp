// Whole-container behaviour on stores made by the generator: a container
// splits into exactly the messages it was made from, in any feeding.
#include <gtest/gtest.h>

#include <cstdio>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "store/ContainerSplitter.h"
#include "tools/StoreGenerator.h"

namespace {

struct Outcome {
    std::vector<quill::SplitMessage> messages;
    quill::SplitStats stats;
};

Outcome Split(const std::string& container, const std::string& marker, std::size_t piece, bool advance = false) {
    Outcome out;
    quill::ContainerSplitter splitter(marker, advance, [&](quill::SplitMessage& m) { out.messages.push_back(m); });
    for (std::size_t at = 0; at < container.size(); at += piece)
        splitter.Feed(std::string_view(container).substr(at, piece));
    splitter.Finish();
    out.stats = splitter.Stats();
    return out;
}

using quill::gen::Concat;

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

// How a cut compares with the messages a container was made from.
struct Figures {
    std::size_t messages = 0, exact = 0, merged = 0, split = 0, falseCuts = 0;
    std::map<std::string, int> missedKinds;  // kind of each message not cut exactly
};

Figures Compare(const Outcome& got, const std::vector<quill::gen::GenMessage>& made) {
    Figures f;
    f.messages = made.size();
    std::set<std::uint64_t> starts, cuts;
    std::vector<std::uint64_t> offsets;
    std::uint64_t at = 0;
    for (const auto& m : made) {
        starts.insert(at);
        offsets.push_back(at);
        at += m.text.size();
    }
    std::map<std::uint64_t, std::size_t> sizes;
    for (const auto& m : got.messages) {
        cuts.insert(m.offset);
        sizes[m.offset] = m.text.size();
    }
    for (std::size_t i = 0; i < made.size(); ++i) {
        const std::uint64_t begin = offsets[i], end = begin + made[i].text.size();
        const auto it = sizes.find(begin);
        const bool exact = it != sizes.end() && it->second == made[i].text.size();
        f.exact += exact;
        if (!cuts.count(begin)) ++f.merged;
        const auto inside = cuts.upper_bound(begin);
        if (inside != cuts.end() && *inside < end) ++f.split;
        if (!exact) ++f.missedKinds[made[i].kind.empty() ? "usual" : made[i].kind];
    }
    for (std::uint64_t c : cuts) f.falseCuts += !starts.count(c);
    return f;
}

std::string Describe(const Figures& f) {
    std::string s = std::to_string(f.messages) + " messages, " + std::to_string(f.exact) + " exact, " +
                    std::to_string(f.merged) + " merged, " + std::to_string(f.split) + " split, " +
                    std::to_string(f.falseCuts) + " false cuts";
    for (const auto& [kind, n] : f.missedKinds) s += "; " + kind + " " + std::to_string(n);
    return s;
}

TEST(GeneratedContainer, AdvanceModeKeepsEveryMessageOfAHealthyStore) {
    // The header run above each Subject line goes whole with its message: once the
    // priority search moved Return-Path and Received into the message before.
    for (int c = 0; c < 3; ++c) {
        const auto made = quill::gen::GenerateMessages(1, c, 40);
        const Figures f = Compare(Split(Concat(Texts(made)), "", 65536, true), made);
        EXPECT_EQ(f.exact, made.size()) << "container " << c << ": " << Describe(f);
    }
}

TEST(MixedContainer, EveryKindIsCutExactly) {
    // Messages without any marker, sent mail, inline forwards of nine styles, bounces and
    // truncated multiparts, in three containers whose first message carries Delivered-To.
    Figures all;
    for (int c = 0; c < 3; ++c) {
        const auto made = quill::gen::GenerateMixedMessages(7, c, 300);
        const std::string container = Concat(Texts(made));
        const std::string marker = "delivered-to:";
        ASSERT_EQ(container.rfind("Delivered-To:", 0), 0u);
        const Figures f = Compare(Split(container, marker, 65536), made);
        all.messages += f.messages;
        all.exact += f.exact;
        all.merged += f.merged;
        all.split += f.split;
        all.falseCuts += f.falseCuts;
        for (const auto& [k, n] : f.missedKinds) all.missedKinds[k] += n;
    }
    std::printf("mixed stores: %s\n", Describe(all).c_str());
    EXPECT_EQ(all.exact, all.messages) << Describe(all);
    EXPECT_EQ(all.falseCuts, 0u) << Describe(all);
}

TEST(MixedContainer, EveryOffsetOfABlockAndEveryPieceSizeCutTheSame) {
    const auto texts = quill::gen::AlignedMessages(3, 1030, true);
    const std::string container = quill::gen::Concat(texts);
    const Outcome whole = Split(container, "delivered-to:", container.size());
    for (std::size_t piece : {1u, 7u, 1023u, 1024u, 1025u}) {
        SCOPED_TRACE(piece);
        const Outcome pieces = Split(container, "delivered-to:", piece);
        ASSERT_EQ(pieces.messages.size(), whole.messages.size());
        for (std::size_t i = 0; i < whole.messages.size(); ++i)
            ASSERT_EQ(pieces.messages[i].offset, whole.messages[i].offset) << i;
    }
    ExpectExactly(whole, texts);
}

}  // namespace
