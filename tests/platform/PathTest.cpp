// File-name rules: the last component, the extension and the container rule.
#include "platform/Path.h"

#include <gtest/gtest.h>

#include <string>

namespace quill::platform {
namespace {

TEST(PathTest, LastComponentFollowsEitherSeparator) {
    const char* cases[][2] = {
        {"C:\\Mail\\Inbox.imm", "Inbox.imm"},
        {"/home/u/Inbox.imm", "Inbox.imm"},
        {"a/b\\c", "c"},
        {"..\\..\\etc", "etc"},
        {"name", "name"},
        {"folder/", ""},
        {"", ""},
    };
    for (const auto& c : cases) EXPECT_EQ(LastPathComponent(c[0]), c[1]) << c[0];
}

TEST(PathTest, ExtensionNeedsAStemAndSomethingAfterTheDot) {
    const char* cases[][2] = {
        {"report.pdf", ".pdf"}, {"a.tar.gz", ".gz"}, {".htaccess", ""}, {"name.", ""}, {"README", ""}, {"..", ""},
    };
    for (const auto& c : cases) EXPECT_EQ(PathExtension(c[0]), c[1]) << c[0];
}

TEST(PathTest, ContainerRuleIsOneTrailingImmInAnyCase) {
    struct Case {
        const char* name;
        bool container;
        const char* stem;
    };
    const Case cases[] = {
        {"Inbox.imm", true, "Inbox"},
        {"Sent.IMM", true, "Sent"},
        {"a.imm.imm", true, "a.imm"},
        {"My.immigration.imm", true, "My.immigration"},
        {"Inbox.iml", false, "Inbox.iml"},
        {"Inbox.imm.bak", false, "Inbox.imm.bak"},
        {".imm", false, ""},  // no name before the extension: not listed, but still cut
        {"imm", false, "imm"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(IsContainerName(c.name), c.container) << c.name;
        EXPECT_EQ(WithoutContainerExtension(c.name), c.stem) << c.name;
    }
}

TEST(PathTest, JoinAddsOneSeparatorOnlyWhereNeeded) {
    const std::string sep(1, kPathSeparator);
    EXPECT_EQ(JoinPath("out", "a.eml"), "out" + sep + "a.eml");
    EXPECT_EQ(JoinPath("out/", "a.eml"), "out/a.eml");
    EXPECT_EQ(JoinPath("out\\", "a.eml"), "out\\a.eml");
    EXPECT_EQ(JoinPath("", "a.eml"), "a.eml");
    EXPECT_EQ(JoinPath("out", ""), "out" + sep);
}

}  // namespace
}  // namespace quill::platform
