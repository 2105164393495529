#include "cli/Commands.h"
#include "tools/IndexedStoreGenerator.h"
#include "tools/StoreGenerator.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <random>
#include <sstream>

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
