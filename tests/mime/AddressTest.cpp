// Address lists as mail writes them, damaged ones included.
#include "mime/Address.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

namespace quill::mime {
namespace {

TEST(AddressListTest, ListParsingSurvivesQuotesGroupsCommentsAndDamage) {
    auto list = ParseAddressList(
        "\"Doe, John\" <john@example.com>, =?UTF-8?Q?J=C3=BCrgen_M=C3=BCller?= <jm@example.de>,"
        " friends: a@x.org, \"B\" <b@x.org>;, bare@example.net (Bare Name), <@route.example:routed@example.com>,"
        " Broken Name broken@example.org, =?utf-8?Q?Roe,_Jane?= <jane@example.com>, 'Quoted' <q@example.com>,"
        " \"Unclosed <u@example.org");
    std::vector<std::pair<std::string, std::string>> want = {
        {"Doe, John", "john@example.com"},
        {"J\xC3\xBCrgen M\xC3\xBCller", "jm@example.de"},
        {"", "a@x.org"},
        {"B", "b@x.org"},
        {"Bare Name", "bare@example.net"},
        {"", "routed@example.com"},
        {"Broken Name", "broken@example.org"},
        {"Roe, Jane", "jane@example.com"},
        {"Quoted", "q@example.com"},
        {"Unclosed", "u@example.org"},
    };
    ASSERT_EQ(list.size(), want.size());
    for (std::size_t i = 0; i < want.size(); ++i) {
        EXPECT_EQ(list[i].name, want[i].first) << i;
        EXPECT_EQ(list[i].address, want[i].second) << i;
    }
}

TEST(AddressListTest, EmptyGroupsAndJunkGiveNoEntries) {
    EXPECT_TRUE(ParseAddressList("undisclosed-recipients:;").empty());
    EXPECT_TRUE(ParseAddressList(" , ;; <> ()").empty());
    auto raw = ParseAddressList("M\xFCller <m@x.de>", "iso-8859-1");
    ASSERT_EQ(raw.size(), 1u);
    EXPECT_EQ(raw[0].name, "M\xC3\xBCller");
}

}  // namespace
}  // namespace quill::mime
