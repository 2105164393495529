// The number rules, the colour helpers and the colour schemes.
#include "ButtonFakes.h"
#include "controls/button/ColorHelpers.h"
#include "controls/button/ColorSchemes.h"
#include "controls/button/NumberRules.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <stdexcept>

namespace quill::button {
namespace {

TEST(NumberRules, HalvesRoundToTheEvenNeighbour) {
    struct Case {
        double in;
        std::int32_t out;
    };
    for (Case c : {Case{12.5, 12},
                   {13.5, 14},
                   {-12.5, -12},
                   {-13.5, -14},
                   {0.5, 0},
                   {1.5, 2},
                   {2.4999999, 2},
                   {2.5000001, 3},
                   {-2.5000001, -3},
                   {7.0, 7}}) {
        EXPECT_EQ(RoundToInt32(c.in), c.out) << c.in;
    }
}

TEST(NumberRules, IntegerDivisionTruncatesTowardZero) {
    struct Case {
        std::int32_t a, b, quotient;
    };
    for (Case c : {Case{7, 2, 3}, {-7, 2, -3}, {7, -2, -3}, {-7, -2, 3}, {-1, 256, 0}, {-257, 256, -1}}) {
        EXPECT_EQ(DivTruncate(c.a, c.b), c.quotient) << c.a << " / " << c.b;
    }
}

TEST(NumberRules, ResultsOutsideThe32BitRangeRaiseOverflow) {
    EXPECT_EQ(RoundToInt32(2147483647.4), 2147483647);
    EXPECT_EQ(RoundToInt32(-2147483648.5), std::numeric_limits<std::int32_t>::min());  // ties to even stays in
    EXPECT_THROW((void)RoundToInt32(2147483647.5), std::overflow_error);
    EXPECT_THROW((void)RoundToInt32(std::nan("")), std::overflow_error);
    EXPECT_THROW((void)DivTruncate(std::numeric_limits<std::int32_t>::min(), -1), std::overflow_error);
    EXPECT_THROW((void)DivTruncate(1, 0), std::domain_error);
}

// Each fraction the painters use adds one fixed amount to every channel,
// because it is a single-precision number multiplied in double precision.
TEST(ShiftColor, EachFractionAddsItsFixedAmount) {
    struct Case {
        float fraction;
        std::int32_t added;
    };
    const Case cases[] = {{0.01f, 3},  {0.02f, 5},  {0.03f, 8},  {0.04f, 10}, {0.05f, 13}, {0.06f, 15},
                          {0.07f, 18}, {0.08f, 20}, {0.09f, 23}, {0.1f, 26},  {0.12f, 31}, {0.14f, 36},
                          {0.15f, 38}, {0.16f, 41}, {0.2f, 51},  {0.22f, 56}, {0.23f, 59}, {0.25f, 64},
                          {0.28f, 71}, {0.3f, 77},  {0.33f, 84}, {0.34f, 87}, {0.36f, 92}, {0.4f, 102}};
    for (const Case& c : cases) {
        for (std::int32_t channel : {103, 128, 150}) {
            const Color grey = channel * 0x010101;
            EXPECT_EQ(ShiftColor(grey, c.fraction), (channel + c.added) * 0x010101) << c.fraction << " on " << channel;
            EXPECT_EQ(ShiftColor(grey, -c.fraction), (channel - c.added) * 0x010101)
                << -c.fraction << " on " << channel;
        }
    }
}

TEST(ShiftColor, ChannelsStopAtTheEndsOfTheScale) {
    EXPECT_EQ(ShiftColor(0xFFFFFF, 0.1f), 0xFFFFFF);
    EXPECT_EQ(ShiftColor(0x000000, -0.1f), 0x000000);
    EXPECT_EQ(ShiftColor(0x808080, 0), 0x808080);
    EXPECT_EQ(ShiftColor(0x102030, -0.1f), 0x000616);  // red 22, green 6, blue held at 0
    EXPECT_EQ(ShiftColor(0xF0F0F0, 0.1f), 0xFFFFFF);
}

TEST(AverageColors, HalfChannelsRoundToEven) {
    EXPECT_EQ(AverageColors(0x030201, 0x040402), 0x040302);  // 1.5 -> 2, 3, 3.5 -> 4
    EXPECT_EQ(AverageColors(0x000000, 0xFFFFFF), 0x808080);  // 127.5 -> 128
    EXPECT_EQ(AverageColors(0x0A0A0A, 0x0B0B0B), 0x0A0A0A);  // 10.5 -> 10
}

TEST(TranslateColor, FollowsTheOleRulesWithoutPalette) {
    test::FakeSystemColors system;
    struct Case {
        std::uint32_t in;
        Color out;
    };
    const Case cases[] = {
        {0x00E1D6D5, 0xE1D6D5},
        {0x8000000F, test::FakeSystemColors::kFace},
        {0x80000012, test::FakeSystemColors::kText},
        {0x80000000, 0},
        {0x8000001E, 30 * 0x010101},
        {0x8000001F, kTranslateFailed},  // no such system colour
        {0x8000010F, kTranslateFailed},  // not of the form 0x800000nn
        {0x02123456, 0x02123456},        // palette-relative stays
        {0x01000005, 0x01000005},        // palette index stays
        {0x01FF0005, kTranslateFailed},
        {0x40000000, kTranslateFailed},
        {0xFFFFFFFF, kTranslateFailed},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(TranslateColor(static_cast<Color>(c.in), system), c.out) << std::hex << c.in;
    }
}

TEST(ChannelTables, BrightenAndDarkenEntries) {
    ChannelTable brighten = BrightenTable(), darken = DarkenTable();
    EXPECT_EQ(brighten[255], 255);
    EXPECT_EQ(brighten[200], 229);
    EXPECT_EQ(brighten[222], 255);  // 255.1 held at the top
    EXPECT_EQ(darken[255], 217);
    EXPECT_EQ(darken[1], 0);
}

TEST(ColorSchemes, EachStyleStartsWithItsScheme) {
    const std::int32_t kept = 1;  // the scheme before; styles without a default keep it
    const std::int32_t expected[14] = {0, 0, 0, 2, 0, kept, 0, 0, 0, 2, 0, kept, kept, kept};
    for (std::int32_t style = 0; style < 14; ++style) {
        EXPECT_EQ(DefaultColorScheme(style, kept), expected[style]) << "style " << style;
    }
}

TEST(ColorSchemes, EveryStyleAndSchemeGetsItsBackColor) {
    test::FakeSystemColors system;
    PortableColorTranslator colors(system);
    constexpr Color kStays = -2;  // BackColor is left as it was
    constexpr Color kFace = test::FakeSystemColors::kFace;
    struct Row {
        std::int32_t style;
        Color schemes[4];  // ColorScheme 0, 1, 2, 3
    };
    const Row rows[] = {
        {0, {kFace, kFace, kFace, kFace}},
        {1, {kFace, kFace, kFace, kFace}},
        {2, {0xE7EBEC, 0xDBEEF3, 0xFCF1F0, kStays}},
        {3, {0xFDECE0, 0xDEEDE8, 0xE3E3E3, kStays}},  // 0xD4D4D4 lightened by 0.06
        {4, {kFace, kFace, kFace, kFace}},
        {5, {0xFCE1CA, 0xBAD6D4, 0xE0C4C6, kStays}},  // 0xBA9EA0 lightened by 0.15
        {6, {kFace, kFace, kFace, kFace}},
        {7, {kFace, kFace, kFace, kFace}},
        {8, {0xFFD1AD, 0xBAD6D4, 0xE3DFE0, kStays}},
        {9, {0xFFD1AD, 0xBAD6D4, 0xE1D6D5, kStays}},
        {10, {0xFFD1AD, 0xBAD6D4, 0xE3DFE0, kStays}},
        {11, {kFace, kFace, kFace, kFace}},
        {12, {kFace, kFace, kFace, kFace}},
        {13, {kStays, kStays, kStays, kStays}},
    };
    for (const Row& row : rows) {
        for (std::int32_t scheme = 0; scheme < 4; ++scheme) {
            SchemeColors got = ColorSchemeOf(row.style, scheme, colors);
            EXPECT_EQ(got.backColor.value_or(kStays), row.schemes[scheme]) << row.style << "/" << scheme;
            EXPECT_EQ(got.foreColor, test::FakeSystemColors::kText);
            EXPECT_EQ(got.showFocusRect, row.style == 0 || row.style == 1 || row.style == 9) << row.style;
            EXPECT_EQ(got.turnOnPicturePushOnHover, row.style == 4) << row.style;
        }
    }
}

}  // namespace
}  // namespace quill::button
