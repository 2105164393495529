// The routing bookkeeping and what the routing in front of a window does
// with one message.
#include "controls/button/RoutingTable.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace quill::button {
namespace {

TEST(RoutingTable, FreedEntriesAreReusedFromTheLastOneDown) {
    RoutingTable table;
    EXPECT_EQ(table.Add(0x10), 0u);
    EXPECT_EQ(table.Add(0x20), 1u);
    EXPECT_EQ(table.Add(0x30), 2u);
    table.AddMessage(0x20, 675, kRouteAfter);
    table.Remove(0x10);
    table.Remove(0x20);
    EXPECT_EQ(table.Find(0x20), nullptr);
    EXPECT_EQ(table.Add(0x40), 1u);  // the last free entry, with empty lists
    EXPECT_TRUE(table.Find(0x40)->after.empty());
    EXPECT_EQ(table.Add(0x50), 0u);
    EXPECT_EQ(table.Add(0x60), 3u);
    EXPECT_EQ(table.WindowsLastFirst(), (std::vector<host::NativeHandle>{0x60, 0x30, 0x40, 0x50}));
}

TEST(RoutingTable, MessagesGoToTheListsTheirBitsName) {
    RoutingTable table;
    table.Add(0x10);
    table.AddMessage(0x10, 6, kRouteAfter);
    table.AddMessage(0x10, 21, kRouteBefore);
    table.AddMessage(0x10, 794, kRouteBefore | kRouteAfter);
    table.AddMessage(0x99, 675, kRouteAfter);  // not routed: nothing
    const RoutedWindow* entry = table.Find(0x10);
    ASSERT_NE(entry, nullptr);
    EXPECT_EQ(entry->after, (std::vector<std::uint32_t>{6, 794}));
    EXPECT_EQ(entry->before, (std::vector<std::uint32_t>{21, 794}));
    EXPECT_TRUE(Lists(entry->after, 794));
    EXPECT_FALSE(Lists(entry->after, 21));
    EXPECT_FALSE(Lists({0, 6}, 0));  // a free slot routes nothing
    EXPECT_EQ(table.Find(0x99), nullptr);
    EXPECT_EQ(table.Find(0), nullptr);
}

TEST(RouteMessage, BeforeAndAfterCallsAroundThePreviousProcedure) {
    struct Row {
        const char* what;
        bool inBefore, inAfter, handleBefore, stillThere;
        std::vector<std::string> calls;
        std::intptr_t result;
    };
    const Row rows[] = {
        {"not routed", false, false, false, true, {"previous"}, 5},
        {"after", false, true, false, true, {"previous", "after 5"}, 5},
        {"before", true, false, false, true, {"before 0", "previous"}, 5},
        {"handled before", true, true, true, true, {"before 0"}, 9},
        {"ended before the after call", true, true, false, false, {"before 0", "previous"}, 5},
    };
    for (const Row& row : rows) {
        std::vector<std::string> calls;
        RoutedHandler handler = [&](bool before, bool& handled, std::intptr_t& result) {
            calls.push_back(std::string(before ? "before " : "after ") + std::to_string(result));
            if (before && row.handleBefore) {
                handled = true;
                result = 9;
            }
        };
        PreviousProcedure previous = [&] {
            calls.push_back("previous");
            return std::intptr_t{5};
        };
        std::intptr_t result =
            RouteMessage(row.inBefore, row.inAfter, handler, previous, [&] { return row.stillThere; });
        EXPECT_EQ(calls, row.calls) << row.what;
        EXPECT_EQ(result, row.result) << row.what;
    }
}

}  // namespace
}  // namespace quill::button
