#include "cli/Commands.h"
#include "cli/CommandLine.h"
#include "tools/IndexedStoreGenerator.h"
#include "tools/StoreGenerator.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>

#ifndef _WIN32
#include <sys/stat.h>
#endif

namespace fs = std::filesystem;
using namespace quill::cli;

namespace {

class Scratch {
  public:
    Scratch() {
        std::random_device rd;
        root = fs::temp_directory_path() / ("quill-cli-" + std::to_string(rd()) + std::to_string(rd()));
        fs::create_directories(root);
    }
    ~Scratch() {
        std::error_code ec;
        fs::remove_all(root, ec);
    }
    std::string Path(const std::string& name) const { return (root / name).string(); }

  private:
    fs::path root;
};

std::size_t CountFiles(const std::string& dir, const std::string& ext) {
    std::size_t n = 0;
    for (const auto& e : fs::recursive_directory_iterator(dir))
        if (e.is_regular_file() && e.path().extension() == ext) ++n;
    return n;
}

ConvertHooks HooksFindingStoreAt(std::string store) {
    ConvertHooks hooks = DefaultConvertHooks();
    hooks.findStore = [store] { return store; };
    return hooks;
}

}  // namespace

// Without --store the converter asks where the store is, as the window does; when nothing is
// found it says so instead of failing on an empty path.
TEST(CommandLine, StoreIsLookedUpWhenNotNamed) {
    Scratch s;
    quill::gen::GenOptions options;
    options.messages = 3;
    options.containers = 2;
    (void)quill::gen::WriteStore(s.Path("store"), options);

    std::ostringstream out, err;
    EXPECT_EQ(ListCommand({}, out, err, HooksFindingStoreAt(s.Path("store"))), kExitOk) << err.str();
    EXPECT_NE(out.str().find(".imm"), std::string::npos) << out.str();

    std::ostringstream out2, err2;
    EXPECT_EQ(ListCommand({}, out2, err2, HooksFindingStoreAt("")), kExitFailed);
    EXPECT_NE(err2.str().find("--store"), std::string::npos) << err2.str();

    std::ostringstream out3, err3;
    EXPECT_EQ(ConvertCommand({"--out", s.Path("eml")}, out3, err3, HooksFindingStoreAt(s.Path("store"))), kExitOk)
        << err3.str();
    EXPECT_NE(err3.str().find("using the store found where IncrediMail keeps it: \"" + s.Path("store") + "\""),
              std::string::npos)
        << err3.str();
    EXPECT_EQ(CountFiles(s.Path("eml"), ".eml"), 6u);

    std::ostringstream out4, err4;
    EXPECT_EQ(ConvertCommand({"--out", s.Path("none")}, out4, err4, HooksFindingStoreAt("")), kExitFailed);
    EXPECT_FALSE(fs::exists(s.Path("none"))) << "nothing is written without a store";
}

// The PST target end to end through the command line: one file, no leftover message files, and
// a second run in the same folder never touches the first file.
TEST(CommandLine, ConvertsToPstAndNeverReusesAFile) {
    Scratch s;
    quill::gen::GenOptions options;
    options.messages = 4;
    options.containers = 2;
    (void)quill::gen::WriteStore(s.Path("store"), options);
    for (int run = 1; run <= 2; ++run) {
        std::ostringstream out, err;
        const int status = ConvertCommand({"--store", s.Path("store"), "--out", s.Path("pst"), "--target", "pst"}, out,
                                          err, DefaultConvertHooks());
        // The generated store leaves some attachment files out on purpose: those are reported.
        EXPECT_NE(status, kExitUsage) << err.str();
        EXPECT_NE(out.str().find("messages saved 8"), std::string::npos) << out.str() << err.str();
        EXPECT_EQ(CountFiles(s.Path("pst"), ".pst"), static_cast<std::size_t>(run));
        EXPECT_EQ(CountFiles(s.Path("pst"), ".eml"), 0u) << "imported message files are removed";
    }
}

// A 2.5 store lists the containers its database names, also one without a file; the summary
// tells how the store was read, and deleted messages can be left out.
TEST(CommandLine, IndexedStoreIsListedFromItsDatabaseAndDeletedOnesCanBeLeftOut) {
    Scratch s;
    (void)quill::gen::WriteIndexedStore(s.Path("store"), {2, quill::gen::Generation::Im25, 8});
    ASSERT_FALSE(fs::exists(s.Path("store/Sent Items.imm")));
    std::ostringstream out, err;
    EXPECT_EQ(ListCommand({"--store", s.Path("store")}, out, err, DefaultConvertHooks()), kExitOk) << err.str();
    EXPECT_EQ(out.str(), "Inbox.imm\nFolder3.imm\nFolder4.imm\nSent Items.imm\nFolder6.imm\n");

    std::ostringstream out2, err2;
    // The one msg.iml the generator leaves out is a failure: exit 1.
    EXPECT_EQ(ConvertCommand({"--store", s.Path("store"), "--out", s.Path("out"), "--skip-deleted"}, out2, err2,
                             DefaultConvertHooks()),
              kExitFailed);
    EXPECT_NE(out2.str().find("index MessageStore.db: messages exact "), std::string::npos) << out2.str();
    EXPECT_NE(out2.str().find(", deleted 0 ("), std::string::npos) << out2.str();
    EXPECT_NE(out2.str().find("containers fallen back 0"), std::string::npos) << out2.str();
    for (const auto& e : fs::recursive_directory_iterator(s.Path("out")))
        EXPECT_NE(e.path().filename(), "Deleted messages");
}

TEST(CommandLine, UsageErrorsExitWithTwo) {
    std::ostringstream out, err;
    EXPECT_EQ(ConvertCommand({"--store", "x"}, out, err, DefaultConvertHooks()), kExitUsage);
    EXPECT_EQ(ConvertCommand({"--out", "x", "--target", "mbox"}, out, err, DefaultConvertHooks()), kExitUsage);
    EXPECT_EQ(ListCommand({"--store"}, out, err, DefaultConvertHooks()), kExitUsage);
    EXPECT_EQ(RunCommandLine({"frobnicate"}, out, err), kExitUsage);
}

namespace {

struct Ran {
    int status;
    std::string out, err;
};

Ran Convert(const std::vector<std::string>& args) {
    std::ostringstream out, err;
    int status = ConvertCommand(args, out, err, DefaultConvertHooks());
    return {status, out.str(), err.str()};
}

void Write(const std::string& path, const std::string& bytes) {
    fs::create_directories(fs::path(path).parent_path());
    std::ofstream(path, std::ios::binary) << bytes;
}

const char* const kMail = "Delivered-To: me@example.org\r\nSubject: one\r\n\r\nbody\r\n";

}  // namespace

// Nothing to convert is no success: an empty or mistyped store, or a named
// container that is not there, ends with the folder named, exit 1 and no PST.
TEST(CommandLine, NothingToConvertIsAnError) {
    Scratch s;
    fs::create_directories(s.Path("empty"));
    Write(s.Path("store/Inbox.imm"), kMail);
    struct Case {
        std::vector<std::string> args;
        std::string says;
    } cases[] = {
        {{"--store", s.Path("empty"), "--out", s.Path("out1"), "--target", "pst"}, "holds no containers"},
        {{"--store", s.Path("typo"), "--out", s.Path("out2"), "--target", "pst"}, "typo"},
        {{"--store", s.Path("store"), "--out", s.Path("out3"), "--target", "pst", "Outbox"}, "no container \"Outbox\""},
    };
    for (const auto& c : cases) {
        Ran r = Convert(c.args);
        EXPECT_EQ(r.status, kExitFailed) << c.says;
        EXPECT_NE(r.err.find(c.says), std::string::npos) << r.err;
        EXPECT_FALSE(fs::exists(c.args[3])) << "nothing is made: " << c.args[3];
    }
}

// Containers are named as a person names them; each is converted once.
TEST(CommandLine, ContainersAreFoundByNameWithoutExtensionInAnyCaseOrByPath) {
    Scratch s;
    Write(s.Path("store/Inbox.imm"), kMail);
    Write(s.Path("store/Sent Items.imm"), kMail);
    Ran r = Convert({"--store", s.Path("store"), "--out", s.Path("out"), "inbox", "INBOX.IMM", "Sent Items"});
    EXPECT_EQ(r.status, kExitOk) << r.err;
    EXPECT_NE(r.out.find("messages saved 2 from 2 containers"), std::string::npos) << r.out;
    EXPECT_EQ(CountFiles(s.Path("out"), ".eml"), 2u);

    Ran byPath = Convert({"--out", s.Path("out2"), s.Path("store/Inbox.imm")});
    EXPECT_EQ(byPath.status, kExitOk) << byPath.err;
    EXPECT_TRUE(fs::exists(s.Path("out2/Inbox/email-1.eml")));
}

// Converting twice into one folder replaces nothing, and says so.
TEST(CommandLine, ARunIntoAFolderThatHoldsAConversionSaysSo) {
    Scratch s;
    Write(s.Path("store/Inbox.imm"), kMail);
    ASSERT_EQ(Convert({"--store", s.Path("store"), "--out", s.Path("out")}).status, kExitOk);
    Ran again = Convert({"--store", s.Path("store"), "--out", s.Path("out")});
    EXPECT_EQ(again.status, kExitOk) << again.err;
    EXPECT_NE(again.err.find("already holds a conversion"), std::string::npos) << again.err;
    EXPECT_NE(again.out.find("messages written under a numbered name: 1"), std::string::npos) << again.out;
    EXPECT_NE(again.out.find("written under a numbered name (\"email-N (2).eml\")"), std::string::npos) << again.out;
    EXPECT_TRUE(fs::exists(s.Path("out/Inbox/email-1 (2).eml")));
}

// An attachment whose file is missing is something left out: it is counted in
// its own words and the exit status says so.
TEST(CommandLine, MissingAttachmentsAreCountedInTheirOwnWords) {
    Scratch s;
    Write(s.Path("store/Inbox.imm"),
          "Delivered-To: me@example.org\r\nSubject: one\r\nMIME-Version: 1.0\r\n"
          "Content-Type: multipart/mixed; boundary=\"b\"\r\n\r\n--b\r\n\r\nbody\r\n--b\r\n"
          "Content-Type: application/pdf; "
          "name=\"gone.pdf\"\r\n\r\n----------[%ImFilePath%]----------gone.pdf\r\n--b--\r\n");
    fs::create_directories(s.Path("store/Attachments"));
    Ran r = Convert({"--store", s.Path("store"), "--out", s.Path("out")});
    EXPECT_EQ(r.status, kExitFailed);
    EXPECT_NE(r.out.find("messages not converted: 0"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("attachments: 0 restored, 0 kept as carried, 1 missing, 0 refused"), std::string::npos)
        << r.out;
    EXPECT_NE(r.out.find("1 attachment was not found in the attachments folder"), std::string::npos) << r.out;
    EXPECT_EQ(r.out.find("could not be converted"), std::string::npos) << r.out;
}

#ifndef _WIN32
// A FIFO named like a container never makes the run wait; it is named in the
// report as what it is, and the listing says what it skipped.
TEST(CommandLine, ASpecialFileNamedLikeAContainerIsReportedNotOpened) {
    Scratch s;
    Write(s.Path("store/Inbox.imm"), kMail);
    ASSERT_EQ(::mkfifo(s.Path("store/Pipe.imm").c_str(), 0600), 0);
    std::ostringstream out, err;
    EXPECT_EQ(ListCommand({"--store", s.Path("store")}, out, err, DefaultConvertHooks()), kExitFailed);
    EXPECT_EQ(out.str(), "Inbox.imm\n");
    EXPECT_NE(err.str().find("skipped \"Pipe.imm\": it is a special file (FIFO"), std::string::npos) << err.str();
    Ran r = Convert({"--store", s.Path("store"), "--out", s.Path("out")});
    EXPECT_EQ(r.status, kExitFailed);
    EXPECT_NE(r.out.find("containers not read: 1"), std::string::npos) << r.out;
    EXPECT_TRUE(fs::exists(s.Path("out/Inbox/email-1.eml")));
}
#endif

TEST(CommandLine, EveryVerbExplainsItselfAndTheExitStatus) {
    for (std::vector<std::string> args : std::vector<std::vector<std::string>>{
             {"convert", "--help"}, {"convert", "-h"}, {"split", "--help"}, {"list", "-h"}, {"convert", "/?"}}) {
        std::ostringstream out, err;
        EXPECT_EQ(RunCommandLine(args, out, err), kExitOk) << args[0] << " " << args[1] << err.str();
        EXPECT_NE(out.str().find("Exit status: 0"), std::string::npos) << out.str();
        EXPECT_NE(out.str().find(std::string("Usage: ") + kProgramName + " " + args[0]), std::string::npos)
            << out.str();
    }
}

// One order on every system: the name order Windows lists a folder in (letter
// case aside), whatever order the file system keeps its entries in.
TEST(CommandLine, ContainersAreListedInNameOrderEverywhere) {
    Scratch s;
    for (const char* name : {"sent.imm", "Zeta.imm", "archive.imm", "Inbox.imm", "drafts.IMM"})
        Write(s.Path(std::string("store/") + name), kMail);
    std::ostringstream out, err;
    EXPECT_EQ(ListCommand({"--store", s.Path("store")}, out, err, DefaultConvertHooks()), kExitOk) << err.str();
    EXPECT_EQ(out.str(), "archive.imm\ndrafts.IMM\nInbox.imm\nsent.imm\nZeta.imm\n");
}
