// The identifiers written for addresses and folders.
#include "pst/messaging/EntryIds.h"

#include <gtest/gtest.h>

#include <string>
#include <string_view>
#include <vector>

namespace quill::pst::messaging {
namespace {

std::vector<std::uint8_t> Utf16Z(std::string_view ascii) {
    std::vector<std::uint8_t> out;
    for (char c : ascii) {
        out.push_back(static_cast<std::uint8_t>(c));
        out.push_back(0);
    }
    out.push_back(0);
    out.push_back(0);
    return out;
}

TEST(EntryIdsTest, OneOffEntryIdAndSearchKeyBytes) {
    std::vector<std::uint8_t> want = {0,    0,    0,    0,    0x81, 0x2B, 0x1F, 0xA4, 0xBE, 0xA3, 0x10, 0x19,
                                      0x9D, 0x6E, 0x00, 0xDD, 0x01, 0x0F, 0x54, 0x02, 0x00, 0x00, 0x01, 0x80};
    for (auto part : {"Bob", "SMTP", "b@x.io"}) {
        auto u = Utf16Z(part);
        want.insert(want.end(), u.begin(), u.end());
    }
    EXPECT_EQ(OneOffEntryId("Bob", "b@x.io"), want);
    std::string key = std::string("SMTP:BOB.SMITH@EXAMPLE.COM") + '\0';
    EXPECT_EQ(AddressSearchKey("Bob.Smith@Example.com"), std::vector<std::uint8_t>(key.begin(), key.end()));
}

TEST(EntryIdsTest, FolderEntryIdIsFlagsRecordKeyAndNid) {
    std::array<std::uint8_t, 16> key{};
    for (std::size_t i = 0; i < key.size(); ++i) key[i] = static_cast<std::uint8_t>(0xA0 + i);
    const std::vector<std::uint8_t> id = FolderEntryId(key, 0x00208022);
    ASSERT_EQ(id.size(), 24u);
    EXPECT_EQ(std::vector<std::uint8_t>(id.begin(), id.begin() + 4), std::vector<std::uint8_t>(4, 0));
    EXPECT_TRUE(std::equal(key.begin(), key.end(), id.begin() + 4));
    EXPECT_EQ(std::vector<std::uint8_t>(id.begin() + 20, id.end()),
              (std::vector<std::uint8_t>{0x22, 0x80, 0x20, 0x00}));
}

}  // namespace
}  // namespace quill::pst::messaging
