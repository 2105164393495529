#include "pst/ltp/Property.h"

#include <gtest/gtest.h>

using namespace quill::pst;

// ASCII runs, two-, three- and four-byte characters (a surrogate pair), and bytes that are not
// UTF-8, which must come out as U+FFFD and never as a broken string.
TEST(Property, StringsRoundTripThroughUtf16AndInvalidBytesBecomeReplacementCharacters) {
    PropertyList p;
    const std::string text = "Re: Grüße – 😀 done";
    p.SetString(0x0037, text);
    EXPECT_EQ(p.Find(0x0037)->value.size() % 2, 0u);
    EXPECT_EQ(p.GetStringUtf8(0x0037), text);

    const std::vector<std::uint8_t> smile = Utf16Le("\xF0\x9F\x98\x80");
    EXPECT_EQ(smile, (std::vector<std::uint8_t>{0x3D, 0xD8, 0x00, 0xDE}));

    p.SetString(0x0070, std::string("a\xC3") + "b\xE0\x80\xAF" + "c\xED\xA0\x80" + "\xFF");
    EXPECT_EQ(p.GetStringUtf8(0x0070),
              "a\xEF\xBF\xBD"
              "b\xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBD"
              "c\xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBD");
}

TEST(Property, SettingAnIdAgainReplacesItWhateverItsTypeAndWidthsAreEnforced) {
    PropertyList p;
    p.SetInt32(0x0E07, 1);
    p.SetString(0x0E07, "x");
    ASSERT_EQ(p.Size(), 1u);
    EXPECT_EQ(p.Find(0x0E07)->Type(), PropType::String);
    EXPECT_THROW(p.SetRaw(MakeTag(0x0E08, PropType::Int32), {1, 2}), std::invalid_argument);
    p.SetInt32(0x0001, 7);
    p.SetBool(0x8000, true);
    EXPECT_EQ(p.Items().front().Id(), 0x0001);
    EXPECT_EQ(p.Items().back().Id(), 0x8000);
    EXPECT_EQ(FileTimeFromUnix(0), 116444736000000000ull);
}
