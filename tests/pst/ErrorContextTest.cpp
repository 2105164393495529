// Failures say where they happened: the file, the node being written, the offset, and what was
// expected against what was met, through the writer's one error boundary.
#include "pst/PstError.h"
#include "pst/PstWriter.h"
#include "pst/messaging/PropertyTags.h"
#include "pst/ndb/NodeDatabase.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <functional>
#include <random>
#include <stdexcept>
#include <string>

namespace quill::pst {
namespace {

namespace fs = std::filesystem;

std::string TempPst(const std::string& name) {
    std::random_device rd;
    const fs::path dir = fs::temp_directory_path() / ("quill-pst-errors-" + std::to_string(rd()));
    fs::create_directories(dir);
    return (dir / name).string();
}

NewMessage Message(const std::string& subject) {
    NewMessage m;
    m.props.SetString(kPidTagSubject, "\x01\x01" + subject);
    return m;
}

bool Contains(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }

TEST(ErrorContextTest, RefusalsNameTheFileTheNodeAndWhatWasExpected) {
    const std::string path = TempPst("refusals.pst");
    PstWriter w(path, "Refusals");
    struct Case {
        const char* what;
        std::function<void()> call;
        std::optional<std::uint32_t> nodeId;
        const char* expected;
        const char* actual;
    };
    const Case cases[] = {
        {"over-long folder name", [&] { (void)w.AddFolder(w.TopFolder(), std::string(256, 'x')); }, std::nullopt,
         "at most 255 UTF-16 units", "256"},
        {"unknown parent", [&] { (void)w.AddFolder(0x12345, "Orphan"); }, 0x12345,
         "a folder of this file that takes subfolders", ""},
        {"unknown folder for a message", [&] { w.AddMessage(0x4242, Message("lost")); }, 0x4242,
         "a folder of this file that takes messages", ""},
    };
    for (const auto& c : cases) {
        try {
            c.call();
            ADD_FAILURE() << c.what << " was accepted";
        } catch (const PstError& e) {
            EXPECT_TRUE(Contains(e.what(), path)) << c.what << ": " << e.what();
            EXPECT_EQ(e.Context().nodeId, c.nodeId) << c.what;
            EXPECT_EQ(e.Context().expected, c.expected) << c.what;
            EXPECT_EQ(e.Context().actual, c.actual) << c.what;
            EXPECT_TRUE(Contains(e.what(), "expected " + std::string(c.expected))) << "what() shows the context";
        }
    }
    // A refusal changes nothing: the file still takes messages and closes.
    EXPECT_NO_THROW(w.AddMessage(w.TopFolder(), Message("still fine")));
    EXPECT_NO_THROW(w.Close());
    fs::remove_all(fs::path(path).parent_path());
}

TEST(ErrorContextTest, FailureInsideAMessageNamesItsNodeAndWhereTheFileStood) {
    const std::string path = TempPst("failing.pst");
    {
        PstWriter w(path, "Failing");
        w.AddMessage(w.TopFolder(), Message("first"));
        const std::uint64_t before = w.BytesWritten();
        NewMessage m = Message("second");
        NewAttachment a;
        a.source = [](std::span<std::uint8_t>) -> std::size_t { throw std::runtime_error("the source broke"); };
        m.attachments.push_back(std::move(a));
        try {
            w.AddMessage(w.TopFolder(), m);
            ADD_FAILURE() << "the failing source went unnoticed";
        } catch (const PstError& e) {
            ASSERT_TRUE(e.Context().nodeId.has_value()) << e.what();
            EXPECT_EQ(ndb::NidTypeOf(*e.Context().nodeId), ndb::NidType::NormalMessage) << e.what();
            ASSERT_TRUE(e.Context().offset.has_value()) << e.what();
            EXPECT_GE(*e.Context().offset, before);
            EXPECT_TRUE(Contains(e.what(), "the source broke")) << e.what();
            EXPECT_TRUE(Contains(e.what(), "node 0x")) << e.what();
        }
    }
    fs::remove_all(fs::path(path).parent_path());
}

TEST(ErrorContextTest, LayerContextSurvivesAndIsCompletedNotOverwritten) {
    // A layer's own context is kept; the boundary fills only what the layer did not know.
    const LayerError<std::length_error> layer("heap: too big", {.expected = "at most 3580 bytes", .actual = "4000"});
    PstErrorContext context = ContextOf(layer);
    context.Complete({.nodeId = 0x200024, .offset = 8192, .expected = "something else"});
    EXPECT_EQ(context.expected, "at most 3580 bytes");
    EXPECT_EQ(context.Describe(), "node 0x200024, offset 8192: expected at most 3580 bytes, actual 4000");
    EXPECT_TRUE(ContextOf(std::runtime_error("plain")).Empty());
    const PstError bare("no context");
    EXPECT_STREQ(bare.what(), "no context");
    const PstError placed("no room", {.blockId = 0x48});
    EXPECT_STREQ(placed.what(), "no room (block 0x48)");
}

}  // namespace
}  // namespace quill::pst
