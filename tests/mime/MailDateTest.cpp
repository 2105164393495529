// Dates as mail writes them: the forms that are read and the ones refused.
#include "mime/MailDate.h"

#include <gtest/gtest.h>

#include <cstdint>

namespace quill::mime {
namespace {

constexpr std::int64_t kDec8At0815 = 1796717700;  // 2026-12-08 08:15:00 UTC

TEST(MailDateTest, Forms) {
    struct Case {
        const char* text;
        std::int64_t want;
    };
    const Case cases[] = {
        {"Tue, 08 Dec 2026 09:15:00 +0100", kDec8At0815},
        {"Tue, 08 Dec 2026 09:15:00 +0100 (CET)", kDec8At0815},
        {"8 Dec 2026 03:15:00 EST", kDec8At0815},
        {"Tue, 8 Dec 26 08:15 GMT", kDec8At0815},
        {"Tue, 08 Dec 126 08:15:00 -0000", kDec8At0815},
        {"Tue Dec  8 08:15:00 2026", kDec8At0815},
        {"Tuesday, December 8, 2026 8:15:00 PM +1200", kDec8At0815},
        {"Mon, 7 Dec 2026 23:45:00 -08:30", kDec8At0815},
        {"8-Dec-2026 08:15:00 Z", kDec8At0815},
        {"8 Dec 2026", kDec8At0815 - 8 * 3600 - 15 * 60},
    };
    for (const auto& c : cases) {
        auto t = ParseMailDate(c.text);
        ASSERT_TRUE(t.has_value()) << c.text;
        EXPECT_EQ(*t, c.want) << c.text;
    }
}

TEST(MailDateTest, UnreadableDatesAreAbsent) {
    for (const char* bad : {"", "yesterday", "32 Dec 2026 10:00:00", "29 Feb 2026 10:00", "8 Dec 2026 25:00:00",
                            "2026-12-08 10:00:00", "Dec 2026", "8 Dec 99999999999 10:00"})
        EXPECT_FALSE(ParseMailDate(bad).has_value()) << bad;
    EXPECT_TRUE(ParseMailDate("29 Feb 2028 10:00").has_value());
}

}  // namespace
}  // namespace quill::mime
