// The run on stores that carry their own index: where each message lands
// (IncrediMail's folder tree, the deleted messages' folders), the attachments
// of 2.5 messages from their own folders, and what the report tells.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <map>

#include "TestFiles.h"
#include "convert/ConversionRun.h"
#include "convert/EmlFinish.h"
#include "mime/MimeMessage.h"
#include "tools/IndexedStoreGenerator.h"

namespace quill {
namespace {

namespace fs = std::filesystem;
using gen::Generation;
using testing::ReadAll;

struct Surroundings : RunView, FolderChooser, MessageBoxes, EventPump, Clock {
    std::vector<std::string> entries;
    std::string store, target;
    bool outlook = false, skipDeleted = false;
    std::vector<std::string> shown;
    int ListCount() override { return static_cast<int>(entries.size()); }
    bool Selected(int) override { return true; }
    std::string List(int i) override { return entries[static_cast<std::size_t>(i)]; }
    std::string StorePath() override { return store; }
    std::string AttachmentPath() override { return store + "Attachments"; }
    bool OptOutlook() override { return outlook; }
    bool AdvanceMode() override { return false; }
    bool SkipDeleted() override { return skipDeleted; }
    void SetIMMFileLabel(const std::string&) override {}
    void SetLog(const std::string&) override {}
    std::string BrowseForFolder(const std::string&) override { return target; }
    void Show(const std::string& text, BoxIcon) override { shown.push_back(text); }
    void Pump() override {}
    LocalTime Now() override { return {2026, 12, 7, 14, 5, 9}; }
};

// Records folders as paths and each import's folder with the message's Message-ID.
struct RecordingPst : OutlookTarget {
    std::vector<std::string>* folders;
    std::multimap<std::string, std::string>* imports;  // Message-ID -> folder
    TargetResult Open(const std::string&, Clock&) override { return {}; }
    TargetResult AddFolder(const FolderPath& f) override {
        folders->push_back(f.Text());
        return {};
    }
    TargetResult ImportMessage(const FolderPath& f, const mime::MimeMessage& message, const ImportDetails&) override {
        const std::string text = message.Save();
        const std::size_t at = text.find("Message-ID: ");
        imports->emplace(at == std::string::npos ? "" : text.substr(at + 12, text.find("\r\n", at) - at - 12),
                         f.Text());
        return {};
    }
    TargetResult Close() override { return {}; }
    std::string Path() const override { return "x.pst"; }
};

class IndexedRun : public ::testing::Test {
  protected:
    fs::path root;
    Surroundings s;
    EmlFinisher finisher;
    std::vector<std::string> folders;
    std::multimap<std::string, std::string> imports;
    gen::IndexedStore expected;

    void Make(Generation g, std::uint64_t seed = 5) {
        root = fs::path(::testing::TempDir()) /
               ("quill_indexed_run_" + std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()) +
                std::to_string(static_cast<int>(g)));
        fs::remove_all(root);
        expected = gen::WriteIndexedStore((root / "store").string(), {seed, g, 10});
        s.store = (root / "store").string() + "/";
        s.target = (root / "out").string();
        s.entries.clear();
        for (const auto& c : expected.containers) s.entries.push_back(c.entry);
        fs::create_directories(s.target);
        folders.clear();
        imports.clear();
    }

    RunOutcome Convert() {
        RunServices services;
        services.view = &s;
        services.chooser = &s;
        services.boxes = &s;
        services.pump = &s;
        services.clock = &s;
        services.finisher = &finisher;
        services.makeOutlookTarget = [this]() -> std::unique_ptr<OutlookTarget> {
            auto p = std::make_unique<RecordingPst>();
            p->folders = &folders;
            p->imports = &imports;
            return p;
        };
        return ConversionRun(std::move(services)).Convert();
    }

    // The EML folder of a container, as the run makes it.
    fs::path Folder(const gen::ExpectedContainer& c) {
        fs::path p = s.target;
        if (c.folderPath.empty()) return p / ContainerFolderName(c.entry);
        for (const auto& label : c.folderPath) p /= SafeFolderName(label);
        return p;
    }
};

const char* Name(Generation g) { return g == Generation::Xe ? "xe" : g == Generation::Im2 ? "im2" : "im25"; }

TEST_F(IndexedRun, EmlMessagesLandInTheTreeWithDeletedOnesApart) {
    for (Generation g : {Generation::Xe, Generation::Im2, Generation::Im25}) {
        SCOPED_TRACE(Name(g));
        Make(g);
        const RunOutcome outcome = Convert();
        EXPECT_EQ(outcome.storeIndex, expected.index);
        std::uint64_t live = 0, deleted = 0, missing = 0;
        for (const auto& c : expected.containers) {
            for (const auto& m : c.messages) {
                if (m.missing) {
                    ++missing;
                    continue;
                }
                (m.deleted ? deleted : live)++;
                const fs::path folder = m.deleted ? Folder(c) / kDeletedFolderName : Folder(c);
                bool found = false;
                for (const auto& f : fs::directory_iterator(folder))
                    found = found || ReadAll(f.path()).find("Message-ID: " + m.messageId) != std::string::npos;
                EXPECT_TRUE(found) << m.messageId << " not in " << folder;
            }
        }
        EXPECT_GT(deleted, 0u);
        EXPECT_EQ(outcome.messagesSaved, live + deleted);
        EXPECT_EQ(outcome.messagesDeleted, deleted);
        EXPECT_EQ(outcome.messagesFailed, missing);
        EXPECT_EQ(outcome.containersFellBack, 0);
        // Every referenced attachment was found: 2.5 messages in their own folders.
        for (const auto& f : outcome.failures) {
            EXPECT_EQ(f.what, "reading the message") << f.why;
            EXPECT_NE(f.why.find("msg.iml"), std::string::npos) << f.why;
        }
        ASSERT_FALSE(s.shown.empty());
        EXPECT_EQ(s.shown.back().rfind(kCompletedText, 0), 0u);
    }
}

TEST_F(IndexedRun, PstFoldersNestAndDeletedMessagesGetOneSubfolderPerContainer) {
    Make(Generation::Im2);
    s.outlook = true;
    const RunOutcome outcome = Convert();
    EXPECT_EQ(outcome.messagesFailed, 0u);
    for (const char* f : {"Inbox", "Inbox\\Projects", "Inbox\\Projects\\2008", "Sent Items", "Archive\\Old mail"})
        EXPECT_NE(std::find(folders.begin(), folders.end(), f), folders.end()) << f;
    for (const auto& c : expected.containers) {
        std::string path;
        for (const auto& label : c.folderPath) path += (path.empty() ? "" : "\\") + label;
        for (const auto& m : c.messages) {
            auto [first, last] = imports.equal_range(m.messageId);
            ASSERT_EQ(std::distance(first, last), 1) << m.messageId;
            EXPECT_EQ(first->second, m.deleted ? std::string(kDeletedFolderName) + "\\" + c.folderPath.back() : path);
        }
    }
}

TEST_F(IndexedRun, SkippedDeletedMessagesAreCountedNotWritten) {
    Make(Generation::Xe);
    s.skipDeleted = true;
    const RunOutcome outcome = Convert();
    std::uint64_t deleted = 0;
    for (const auto& c : expected.containers)
        for (const auto& m : c.messages) deleted += m.deleted;
    EXPECT_EQ(outcome.deletedSkipped, deleted);
    EXPECT_EQ(outcome.messagesDeleted, 0u);
    for (const auto& c : expected.containers) EXPECT_FALSE(fs::exists(Folder(c) / kDeletedFolderName));
}

TEST_F(IndexedRun, FallbackAndUncoveredBytesAreInTheReport) {
    Make(Generation::Xe);
    std::string imh = ReadAll(root / "store" / "Inbox.imh");
    testing::WriteAll(root / "store" / "Inbox.imh", imh.substr(0, imh.size() - 1));
    const RunOutcome outcome = Convert();
    EXPECT_EQ(outcome.containersFellBack, 1);
    ASSERT_FALSE(outcome.reportPath.empty());
    const std::string report = ReadAll(outcome.reportPath);
    EXPECT_NE(report.find("Inbox.imm\tits index was not used (\""), std::string::npos) << report;
    EXPECT_NE(report.find("is cut short"), std::string::npos) << report;
    // The leftover of each other container is reported with the messages the cut made of it.
    EXPECT_NE(report.find("Sent Items.imm\tbytes "), std::string::npos) << report;
    EXPECT_NE(report.find("are covered by no index record: cut into message "), std::string::npos) << report;
    EXPECT_NE(s.shown.back().find(outcome.reportPath), std::string::npos);
}

}  // namespace
}  // namespace quill
