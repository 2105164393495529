// "name (N).ext" and the search for a free name: the first free name is
// taken, the limit ends the search, a real failure is not mistaken for a
// name in use, and a new file never replaces one.
#include "platform/NumberedName.h"

#include "platform/File.h"
#include "platform/Path.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <set>
#include <sstream>
#include <stdexcept>

namespace quill::platform {
namespace {

TEST(NumberedNameTest, PlainNameFirstThenNumbersFromTwo) {
    EXPECT_EQ(NumberedName("email-7", ".eml", 1), "email-7.eml");
    EXPECT_EQ(NumberedName("email-7", ".eml", 2), "email-7 (2).eml");
    EXPECT_EQ(NumberedName("Quillmere report 1.2.26 3.4.05", ".txt", 12), "Quillmere report 1.2.26 3.4.05 (12).txt");
    EXPECT_EQ(NumberedName("dir/a", "", 3), "dir/a (3)");
}

TEST(NumberedNameTest, SearchTakesTheFirstFreeNameAndEndsAtTheLimit) {
    const std::set<std::string> taken = {"a.pst", "a (2).pst", "a (4).pst"};
    int offered = 0;
    auto take = [&](const std::string& name) {
        ++offered;
        return taken.count(name) == 0;
    };
    EXPECT_EQ(CreateUnderFreeName("a", ".pst", take), "a (3).pst");
    EXPECT_EQ(offered, 3);

    offered = 0;
    EXPECT_EQ(CreateUnderFreeName("a", ".pst", [&](const std::string&) { return ++offered, false; }), std::nullopt);
    EXPECT_EQ(offered, kMaxNameNumber);

    offered = 0;
    auto failing = [&](const std::string&) -> bool {
        ++offered;
        throw std::runtime_error("disk full");
    };
    EXPECT_THROW((void)CreateUnderFreeName("a", ".pst", failing), std::runtime_error);
    EXPECT_EQ(offered, 1) << "a failure is not a name in use";
}

TEST(NumberedNameTest, NewFileNeverReplacesOne) {
    namespace fs = std::filesystem;
    const fs::path dir = fs::temp_directory_path() /
                         ("quill-numbered-" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()));
    fs::remove_all(dir);
    fs::create_directories(dir);
    const std::string path = JoinPath(dir.string(), "a.eml");

    EXPECT_TRUE(WriteNewFile(path, "first"));
    EXPECT_FALSE(WriteNewFile(path, "second"));
    {
        std::ifstream in(path, std::ios::binary);
        std::stringstream content;
        content << in.rdbuf();
        EXPECT_EQ(content.str(), "first");
    }  // closed before the folder goes: Windows keeps an open file
    EXPECT_THROW((void)WriteNewFile(JoinPath(dir.string(), "missing/a.eml"), "x"), FileError);
    fs::remove_all(dir);
}

}  // namespace
}  // namespace quill::platform
