// What the file layer promises a careful caller: only regular files open, a
// FIFO never makes a read wait, a move never lands on a file that is there,
// and names compare as a person (and Windows) sees them.
#include "platform/File.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "platform/UnicodeName.h"

#ifndef _WIN32
#include <sys/stat.h>
#endif

namespace quill::platform {
namespace {

namespace fs = std::filesystem;

class FileTest : public ::testing::Test {
  protected:
    fs::path dir;
    void SetUp() override {
        dir = fs::path(::testing::TempDir()) /
              ("quill_file_" + std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()));
        fs::remove_all(dir);
        fs::create_directories(dir);
    }
    void TearDown() override { fs::remove_all(dir); }
    std::string P(const std::string& name) const { return (dir / name).string(); }
    void Write(const std::string& name, const std::string& bytes) const {
        std::ofstream(dir / name, std::ios::binary) << bytes;
    }
    std::string Read(const std::string& name) const {
        std::ifstream in(dir / name, std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), {});
    }
};

TEST_F(FileTest, OnlyRegularFilesOpenAndEachRefusalSaysWhatStandsThere) {
    Write("plain.txt", "x");
    fs::create_directory(dir / "folder.imm");
    EXPECT_NO_THROW(InputFile(P("plain.txt")));
    struct Case {
        std::string path;
        std::string says;
    } cases[] = {{P("folder.imm"), "folder"}, {P("missing.imm"), "missing.imm"}};
    for (const auto& c : cases) {
        try {
            InputFile in(c.path);
            ADD_FAILURE() << c.path << " opened";
        } catch (const FileError& e) {
            EXPECT_EQ(e.kind(), FileError::Kind::Open);
            EXPECT_NE(std::string(e.what()).find(c.says), std::string::npos) << e.what();
        }
    }
    EXPECT_EQ(KindAt(P("plain.txt")), FileKind::Regular);
    EXPECT_EQ(KindAt(P("folder.imm")), FileKind::Directory);
    EXPECT_EQ(KindAt(P("missing.imm")), FileKind::Missing);
}

#ifndef _WIN32
// A FIFO named like a container or an attachment would block a plain open for
// ever; a symbolic link is followed only where the caller allows it.
TEST_F(FileTest, FifoIsRefusedAtOnceAndLinksOnlyWhereAllowed) {
    ASSERT_EQ(::mkfifo(P("pipe.imm").c_str(), 0600), 0);
    try {
        InputFile in(P("pipe.imm"));
        ADD_FAILURE() << "a FIFO opened";
    } catch (const FileError& e) {
        EXPECT_NE(std::string(e.what()).find("FIFO"), std::string::npos) << e.what();
    }
    EXPECT_EQ(KindAt(P("pipe.imm")), FileKind::Other);

    Write("target.txt", "behind the link");
    fs::create_symlink(dir / "target.txt", dir / "link.txt");
    EXPECT_NO_THROW(InputFile(P("link.txt"), Links::Follow));
    EXPECT_THROW(InputFile(P("link.txt"), Links::Refuse), FileError);
    EXPECT_EQ(KindAt(P("link.txt")), FileKind::Link);
    const auto entries = ListDirectory(dir.string());
    for (const auto& e : entries)
        if (e.name == "link.txt") {
            EXPECT_TRUE(e.regular && e.kind == FileKind::Link);
        }
}
#endif

TEST_F(FileTest, MoveNeverLandsOnAFileThatIsThere) {
    Write("a.partial", "new");
    Write("a.pst", "the user's");
    EXPECT_FALSE(MoveWithoutReplacing(P("a.partial"), P("a.pst")));
    EXPECT_EQ(Read("a.pst"), "the user's");
    EXPECT_EQ(Read("a.partial"), "new");
    EXPECT_TRUE(MoveWithoutReplacing(P("a.partial"), P("b.pst")));
    EXPECT_EQ(Read("b.pst"), "new");
    EXPECT_EQ(KindAt(P("a.partial")), FileKind::Missing);
}

TEST(FileNameKey, SameNameToAPersonGivesTheSameKey) {
    const char* same[][2] = {
        {"R\xc3\xa9sum\xc3\xa9.pdf", "Re\xcc\x81sume\xcc\x81.pdf"},  // composed and decomposed
        {"report.PDF", "REPORT.pdf"},
        {"\xd0\xbf\xd1\x80\xd0\xb8\xd0\xb2\xd0\xb5\xd1\x82.txt",
         "\xd0\x9f\xd0\xa0\xd0\x98\xd0\x92\xd0\x95\xd0\xa2.TXT"},
        {"\xc3\xbc"
         "ber.doc",
         "\xc3\x9c"
         "BER.DOC"},
    };
    for (const auto& c : same) EXPECT_EQ(FileNameKey(c[0]), FileNameKey(c[1])) << c[0] << " / " << c[1];
    const char* different[][2] = {{"a.txt", "b.txt"}, {"resume.pdf", "r\xc3\xa9sum\xc3\xa9.pdf"}, {"a.txt", "a.txt "}};
    for (const auto& c : different) EXPECT_NE(FileNameKey(c[0]), FileNameKey(c[1])) << c[0] << " / " << c[1];
}

}  // namespace
}  // namespace quill::platform
