#include "convert/ConversionRun.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "TestFiles.h"
#include "convert/EmlMessageFile.h"
#include "convert/PendingMessage.h"
#include "convert/PstTarget.h"
#include "mime/MimeMessage.h"

namespace quill {
namespace {

namespace fs = std::filesystem;

using testing::ReadAll;

std::string Message(const std::string& subject) {
    return "Delivered-To: me@example.org\r\nSubject: " + subject + "\r\n\r\nbody of " + subject + "\r\n";
}

struct FakeView : RunView {
    std::vector<std::pair<std::string, bool>> entries;
    std::string store, attachments;
    bool outlook = false;
    bool advance = false;
    std::vector<std::string> labels, logs;
    int ListCount() override { return static_cast<int>(entries.size()); }
    bool Selected(int i) override { return entries[static_cast<std::size_t>(i)].second; }
    std::string List(int i) override { return entries[static_cast<std::size_t>(i)].first; }
    std::string StorePath() override { return store; }
    std::string AttachmentPath() override { return attachments; }
    bool OptOutlook() override { return outlook; }
    bool AdvanceMode() override { return advance; }
    void SetIMMFileLabel(const std::string& t) override { labels.push_back(t); }
    void SetLog(const std::string& t) override { logs.push_back(t); }
};

struct FakeChooser : FolderChooser {
    std::string answer;
    std::string title;
    std::string BrowseForFolder(const std::string& t) override {
        title = t;
        return answer;
    }
};

struct FakeBoxes : MessageBoxes {
    std::vector<std::string> shown;
    std::vector<BoxIcon> icons;
    void Show(const std::string& text, BoxIcon icon) override {
        shown.push_back(text);
        icons.push_back(icon);
    }
};

struct FakePump : EventPump {
    std::function<void()> onPump;
    int count = 0;
    void Pump() override {
        ++count;
        if (onPump) onPump();
    }
};

struct FakeClock : Clock {
    LocalTime Now() override { return {2026, 12, 7, 14, 5, 9}; }
};

struct FakePst : OutlookTarget {
    std::string path;
    std::vector<std::string> folders;
    std::vector<std::pair<std::string, std::string>> imports;  // folder (a\\b), message text
    bool failOpen = false;
    bool failClose = false;
    int failImportNumber = 0;  // the nth import fails
    bool closed = false;
    TargetResult Open(const std::string& target, Clock& clock) override {
        if (failOpen) return TargetResult::Failed("cannot create \"" + target + "x.pst\": access denied");
        path = target + "Quillmere" + FormatRunTime(clock.Now()) + ".pst";
        std::ofstream(path) << "pst";
        return {};
    }
    TargetResult AddFolder(const FolderPath& name) override {
        folders.push_back(name.Text());
        return {};
    }
    TargetResult ImportMessage(const FolderPath& path, const mime::MimeMessage& message,
                               const ImportDetails&) override {
        const std::string folder = path.Text();
        if (static_cast<int>(imports.size()) + 1 == failImportNumber) {
            imports.emplace_back("", "");
            return TargetResult::Failed("broken item");
        }
        imports.emplace_back(folder, message.Save());
        return {};
    }
    TargetResult Close() override {
        closed = true;
        if (failClose) return TargetResult::Failed("cannot write \"" + path + "\": No space left on device");
        return {};
    }
    std::string Path() const override { return path; }
};

class RunTest : public ::testing::Test {
  protected:
    fs::path root, store, target;
    FakeView view;
    FakeChooser chooser;
    FakeBoxes boxes;
    FakePump pump;
    FakeClock clock;
    FakePst* pst = nullptr;
    bool pstMade = false;

    void SetUp() override {
        root = fs::path(::testing::TempDir()) /
               ("quill_run_" + std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()));
        fs::remove_all(root);
        store = root / "store";
        target = root / "target";
        fs::create_directories(store);
        fs::create_directories(target);
        view.store = store.string() + "/";
        chooser.answer = target.string();
    }
    void TearDown() override { fs::remove_all(root); }

    void Container(const std::string& name, const std::vector<std::string>& messages, bool selected = true) {
        std::ofstream f(store / name, std::ios::binary);
        for (const auto& m : messages) f << m;
        view.entries.emplace_back(name, selected);
    }

    // The fakes wired in; the PST target is the test's to choose.
    RunServices Services() {
        RunServices s;
        s.view = &view;
        s.chooser = &chooser;
        s.boxes = &boxes;
        s.pump = &pump;
        s.clock = &clock;
        return s;
    }

    std::unique_ptr<ConversionRun> MakeRun() {
        RunServices s = Services();
        s.makeOutlookTarget = [this]() -> std::unique_ptr<OutlookTarget> {
            pstMade = true;
            auto p = std::make_unique<FakePst>();
            pst = p.get();
            return p;
        };
        return std::make_unique<ConversionRun>(std::move(s));
    }
};

TEST_F(RunTest, CancelledChooserWritesNothingAndShowsNothing) {
    Container("Inbox.imm", {Message("a")});
    chooser.answer = "";
    view.outlook = true;
    auto outcome = MakeRun()->Convert();
    EXPECT_EQ(outcome.end, RunOutcome::End::Cancelled);
    EXPECT_EQ(chooser.title, "Choose Folder to Save Converted Messages...");
    EXPECT_FALSE(pstMade);
    EXPECT_TRUE(boxes.shown.empty());
    EXPECT_TRUE(fs::is_empty(target));
}

TEST_F(RunTest, RootLikePathGetsNoSecondSeparator) {
    chooser.answer = target.string() + "/";
    auto outcome = MakeRun()->Convert();
    EXPECT_EQ(outcome.targetFolder, target.string() + "/");
}

TEST_F(RunTest, NothingSelectedStillCompletes) {
    Container("Inbox.imm", {Message("a")}, false);
    auto outcome = MakeRun()->Convert();
    EXPECT_EQ(outcome.end, RunOutcome::End::Completed);
    ASSERT_EQ(boxes.shown.size(), 1u);
    EXPECT_EQ(boxes.shown[0], "Conversion Completed !");
    EXPECT_EQ(boxes.icons[0], BoxIcon::None);
    EXPECT_TRUE(fs::is_empty(target));
}

TEST_F(RunTest, ContainerFolderNamesLoseOneTrailingExtensionOnly) {
    EXPECT_EQ(ContainerFolderName("Inbox.imm"), "Inbox");
    EXPECT_EQ(ContainerFolderName("Sent Items.imm"), "Sent Items");
    EXPECT_EQ(ContainerFolderName("Inbox.IMM"), "Inbox");
    EXPECT_EQ(ContainerFolderName("My.immigration.imm"), "My.immigration");
    EXPECT_EQ(ContainerFolderName("a.imm.imm"), "a.imm");
    // Never a path out of the target folder.
    EXPECT_EQ(ContainerFolderName("..imm"), "_.");
    EXPECT_EQ(ContainerFolderName("../../etc.imm"), "etc");
}

TEST_F(RunTest, RunTimeFormat) {
    EXPECT_EQ(FormatRunTime({2026, 12, 7, 14, 5, 9}), "7.12.26 14.5.09");
    EXPECT_EQ(FormatRunTime({2009, 1, 1, 0, 0, 0}), "1.1.09 0.0.00");
}

TEST_F(RunTest, EmlTargetKeepsOneFolderPerContainerAndCountsPerContainer) {
    Container("Inbox.imm", {Message("a"), Message("b"), Message("c")});
    Container("Sent Items.imm", {Message("d")});
    auto outcome = MakeRun()->Convert();
    EXPECT_EQ(outcome.messagesSaved, 4u);
    EXPECT_EQ(ReadAll(target / "Inbox" / "email-1.eml"), Message("a"));
    EXPECT_EQ(ReadAll(target / "Inbox" / "email-3.eml"), Message("c"));
    EXPECT_EQ(ReadAll(target / "Sent Items" / "email-1.eml"), Message("d"));
    EXPECT_EQ(view.labels, (std::vector<std::string>{"Inbox.imm", "Sent Items.imm"}));
    EXPECT_EQ(view.logs, (std::vector<std::string>{"Saved 1 Email Messages...", "Saved 2 Email Messages...",
                                                   "Saved 3 Email Messages...", "Saved 1 Email Messages..."}));
    EXPECT_EQ(boxes.shown, (std::vector<std::string>{"Conversion Completed !"}));
}

TEST_F(RunTest, ExistingFilesAreNeverReplaced) {
    Container("Inbox.imm", {Message("a")});
    fs::create_directories(target / "Inbox");
    std::ofstream(target / "Inbox" / "email-1.eml") << "mine";
    MakeRun()->Convert();
    EXPECT_EQ(ReadAll(target / "Inbox" / "email-1.eml"), "mine");
    EXPECT_EQ(ReadAll(target / "Inbox" / "email-1 (2).eml"), Message("a"));
}

TEST_F(RunTest, OutlookTargetWithNothingSelectedStillMakesAClosedPst) {
    Container("Inbox.imm", {Message("a")}, false);
    view.outlook = true;
    bool closed = false;
    pump.onPump = [&] { closed = pst && pst->closed; };
    auto outcome = MakeRun()->Convert();
    EXPECT_TRUE(pstMade);
    EXPECT_TRUE(closed);
    EXPECT_EQ(outcome.end, RunOutcome::End::Completed);
    EXPECT_EQ(fs::path(outcome.pstPath).filename(), "Quillmere7.12.26 14.5.09.pst");
    // Only the PST is left: the working folder went with its last file.
    std::vector<std::string> names;
    for (auto& e : fs::directory_iterator(target)) names.push_back(e.path().filename().string());
    EXPECT_EQ(names, (std::vector<std::string>{"Quillmere7.12.26 14.5.09.pst"}));
}

TEST_F(RunTest, FailedImportKeepsTheFileAndIsReported) {
    Container("Inbox.imm", {Message("a"), Message("b"), Message("c")});
    view.outlook = true;
    RunServices s = Services();
    FakePst* fake = nullptr;
    std::vector<std::string> folders;
    std::vector<std::pair<std::string, std::string>> imports;
    bool closed = false;
    s.makeOutlookTarget = [&]() -> std::unique_ptr<OutlookTarget> {
        auto p = std::make_unique<FakePst>();
        p->failImportNumber = 2;
        fake = p.get();
        return p;
    };
    pump.onPump = [&] {
        if (fake) {
            folders = fake->folders;
            imports = fake->imports;
            closed = fake->closed;
        }
    };
    ConversionRun run(std::move(s));
    auto outcome = run.Convert();
    EXPECT_TRUE(closed);
    EXPECT_EQ(folders, (std::vector<std::string>{"Inbox"}));
    ASSERT_EQ(imports.size(), 3u);
    EXPECT_EQ(imports[0], (std::pair<std::string, std::string>{"Inbox", Message("a")}));
    EXPECT_EQ(imports[2], (std::pair<std::string, std::string>{"Inbox", Message("c")}));
    EXPECT_EQ(outcome.messagesSaved, 2u);
    EXPECT_EQ(outcome.messagesFailed, 1u);
    EXPECT_EQ(view.logs.back(), "Saved 2 Email Messages...");
    // The failed message's file is still there; the imported ones are gone.
    int left = 0;
    for (auto& e : fs::recursive_directory_iterator(target))
        if (e.path().extension() == ".eml") {
            ++left;
            EXPECT_EQ(ReadAll(e.path()), Message("b"));
        }
    EXPECT_EQ(left, 1);
    ASSERT_FALSE(outcome.reportPath.empty());
    std::string report = ReadAll(outcome.reportPath);
    EXPECT_NE(report.find("Inbox.imm\t2\t"), std::string::npos) << report;
    EXPECT_NE(report.find("broken item"), std::string::npos);
    ASSERT_EQ(boxes.shown.size(), 1u);
    EXPECT_EQ(boxes.shown[0].rfind("Conversion Completed !\r\n1 message could not be converted.\r\n", 0), 0u)
        << boxes.shown[0];
}

TEST_F(RunTest, PstThatCannotBeCreatedShowsTheCause) {
    Container("Inbox.imm", {Message("a")});
    view.outlook = true;
    RunServices s = Services();
    s.makeOutlookTarget = []() -> std::unique_ptr<OutlookTarget> {
        auto p = std::make_unique<FakePst>();
        p->failOpen = true;
        return p;
    };
    auto outcome = ConversionRun(std::move(s)).Convert();
    EXPECT_EQ(outcome.end, RunOutcome::End::OpenFailed);
    ASSERT_EQ(boxes.shown.size(), 1u);
    EXPECT_EQ(boxes.icons[0], BoxIcon::Information);
    // The cause and the path, and nothing about a mail program this one does not use.
    EXPECT_EQ(boxes.shown[0], std::string(kPstCreateFailedText) + "\r\ncannot create \"" + outcome.targetFolder +
                                  "x.pst\": access denied");
    EXPECT_EQ(boxes.shown[0].find("Outlook Installation"), std::string::npos);
    EXPECT_TRUE(fs::is_empty(target));
}

TEST_F(RunTest, UnreadableContainerIsSkippedAndTheRunGoesOn) {
    view.entries.emplace_back("Gone.imm", true);
    Container("Inbox.imm", {Message("a")});
    auto outcome = MakeRun()->Convert();
    EXPECT_EQ(outcome.containersFailed, 1);
    EXPECT_EQ(ReadAll(target / "Inbox" / "email-1.eml"), Message("a"));
    ASSERT_EQ(boxes.shown.size(), 1u);
    EXPECT_NE(boxes.shown[0].find("\r\n1 container could not be read.\r\n"), std::string::npos) << boxes.shown[0];
    EXPECT_TRUE(fs::exists(outcome.reportPath));
}

TEST_F(RunTest, SecondConvertDuringARunIsRefusedAndStopEndsAfterTheMessage) {
    std::vector<std::string> many;
    for (int i = 0; i < 50; ++i) many.push_back(Message(std::to_string(i) + std::string(2000, 'x')));
    Container("Inbox.imm", many);
    auto run = MakeRun();
    RunOutcome inner;
    pump.onPump = [&] {
        if (view.logs.size() == 3 && inner.end != RunOutcome::End::Refused) {
            inner = run->Convert();
            run->RequestStop();
        }
    };
    auto outcome = run->Convert();
    EXPECT_EQ(inner.end, RunOutcome::End::Refused);
    EXPECT_EQ(outcome.end, RunOutcome::End::Stopped);
    EXPECT_LT(outcome.messagesSaved, 50u);
    EXPECT_GE(outcome.messagesSaved, 3u);
    EXPECT_TRUE(boxes.shown.empty());
    EXPECT_FALSE(run->Running());
}

// A PST that cannot be completed holds nothing: its messages count as not
// saved, the report says which ones to convert again, and no box says "done".
TEST_F(RunTest, PstThatCannotBeCompletedCountsItsMessagesAsNotSaved) {
    Container("Inbox.imm", {Message("a"), Message("b"), Message("c")});
    Container("Sent.imm", {Message("d")});
    view.outlook = true;
    RunServices s = Services();
    s.makeOutlookTarget = [&]() -> std::unique_ptr<OutlookTarget> {
        auto p = std::make_unique<FakePst>();
        p->failClose = true;
        return p;
    };
    auto outcome = ConversionRun(std::move(s)).Convert();
    EXPECT_TRUE(outcome.pstFailed);
    EXPECT_EQ(outcome.messagesSaved, 0u);
    EXPECT_EQ(outcome.messagesFailed, 4u);
    const std::string report = ReadAll(outcome.reportPath);
    EXPECT_NE(report.find("PST file: not written (cannot write"), std::string::npos) << report;
    EXPECT_NE(report.find("Inbox\t-\t0\twriting the PST file\tthe PST file could not be completed, so 3 messages of "
                          "this container (1-3) are in no output file"),
              std::string::npos)
        << report;
    EXPECT_NE(report.find("1 message of this container (1)"), std::string::npos) << report;
    ASSERT_EQ(boxes.shown.size(), 1u);
    EXPECT_NE(boxes.shown[0].find("The PST file was not written (cannot write"), std::string::npos) << boxes.shown[0];
    EXPECT_NE(boxes.shown[0].find("4 messages could not be converted."), std::string::npos) << boxes.shown[0];
}

struct ThrowingFinisher : MessageFinisher {
    int calls = 0;
    FinishResult Finish(PendingMessage&, const std::string&) override {
        ++calls;
        if (calls == 2) throw std::bad_alloc();
        if (calls == 3) throw std::runtime_error("a part nested past any sense");
        return {};
    }
};

// Whatever goes wrong inside one message's work is that message's failure,
// told with its own cause; the container goes on.
TEST_F(RunTest, AFailureInsideOneMessageIsThatMessagesAlone) {
    Container("Inbox.imm", {Message("a"), Message("b"), Message("c"), Message("d")});
    ThrowingFinisher finisher;
    RunServices s = Services();
    s.finisher = &finisher;
    auto outcome = ConversionRun(std::move(s)).Convert();
    EXPECT_EQ(outcome.messagesSaved, 2u);
    EXPECT_EQ(outcome.messagesFailed, 2u);
    EXPECT_EQ(outcome.containersFailed, 0);
    EXPECT_EQ(ReadAll(target / "Inbox" / "email-4.eml"), Message("d"));
    EXPECT_FALSE(fs::exists(target / "Inbox" / "email-2.eml"));
    const std::string report = ReadAll(outcome.reportPath);
    EXPECT_NE(report.find("Inbox.imm\t2\t"), std::string::npos);
    EXPECT_NE(report.find("not enough memory for a message of"), std::string::npos) << report;
    EXPECT_NE(report.find("Inbox.imm\t3\t"), std::string::npos);
    EXPECT_NE(report.find("a part nested past any sense"), std::string::npos) << report;
    EXPECT_EQ(report.find("reading the container"), std::string::npos) << report;
}

// Until it is complete the PST is "<name>.pst.partial": a run that is killed
// leaves nothing that passes for a finished file.
TEST_F(RunTest, PstIsPartialUntilItIsComplete) {
    Container("Inbox.imm", {Message("a"), Message("b")});
    view.outlook = true;
    RunServices s = Services();
    s.makeOutlookTarget = [] { return std::make_unique<PstTarget>(); };
    std::vector<std::string> seenDuring;
    pump.onPump = [&] {
        if (!view.logs.empty() && seenDuring.empty())
            for (auto& e : fs::directory_iterator(target)) seenDuring.push_back(e.path().filename().string());
    };
    auto outcome = ConversionRun(std::move(s)).Convert();
    EXPECT_EQ(seenDuring, (std::vector<std::string>{"Quillmere7.12.26 14.5.09.pst.partial"}));
    EXPECT_EQ(fs::path(outcome.pstPath).filename(), "Quillmere7.12.26 14.5.09.pst");
    std::vector<std::string> after;
    for (auto& e : fs::directory_iterator(target)) after.push_back(e.path().filename().string());
    EXPECT_EQ(after, (std::vector<std::string>{"Quillmere7.12.26 14.5.09.pst"}));
    EXPECT_EQ(outcome.messagesSaved, 2u);
}

// Readers of a PST stop at a NUL; the PST gets U+FFFD in its place and the
// report says so, while a message file keeps the bytes as they are.
TEST_F(RunTest, NulInTextIsMendedForThePstAndNoted) {
    const std::string mail = "Delivered-To: me@example.org\r\nSubject: with a NUL\r\n\r\nbefore" +
                             std::string(1, '\0') + " after, all of it readable\r\n";
    Container("Inbox.imm", {mail});
    view.outlook = true;
    RunServices s = Services();
    s.makeOutlookTarget = [] { return std::make_unique<PstTarget>(); };
    auto outcome = ConversionRun(std::move(s)).Convert();
    EXPECT_EQ(outcome.messagesSaved, 1u);
    EXPECT_EQ(outcome.messagesMended, 1u);
    const std::string report = ReadAll(outcome.reportPath);
    EXPECT_NE(report.find("Inbox.imm\tmessage 1: 1 NUL character(s) in its text became U+FFFD"), std::string::npos)
        << report;

    view.outlook = false;
    chooser.answer = (root / "eml").string();
    (void)MakeRun()->Convert();
    EXPECT_EQ(ReadAll(root / "eml" / "Inbox" / "email-1.eml"), mail);
}

// When the report cannot be written where it belongs, its text and the reason
// still reach the user.
TEST_F(RunTest, AReportThatCannotBeWrittenStillReachesTheUser) {
    view.entries.emplace_back("Gone.imm", true);
    Container("Inbox.imm", {Message("a")});
    bool moved = false;
    pump.onPump = [&] {
        if (view.logs.size() == 1 && !moved) {
            fs::rename(target, root / "moved away");
            moved = true;
        }
    };
    auto outcome = MakeRun()->Convert();
    EXPECT_TRUE(outcome.reportPath.empty());
    EXPECT_FALSE(outcome.reportError.empty());
    EXPECT_NE(outcome.reportText.find("Gone.imm"), std::string::npos) << outcome.reportText;
    ASSERT_EQ(boxes.shown.size(), 1u);
    EXPECT_NE(boxes.shown[0].find("The report could not be written (" + outcome.reportError + ")"), std::string::npos)
        << boxes.shown[0];
}

}  // namespace
}  // namespace quill
