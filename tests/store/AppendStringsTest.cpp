#include "store/AppendStrings.h"

#include <gtest/gtest.h>

#include <stdexcept>

namespace quill {
namespace {

TEST(AppendStrings, FreshAndEmptyAdditionsHoldNothing) {
    AppendStrings acc;
    EXPECT_EQ(acc.ReturnString(), "");
    acc.AddToString("");
    EXPECT_EQ(acc.Capacity(), 0u);
    EXPECT_EQ(acc.ReturnString(), "");
}

TEST(AppendStrings, PiecesJoinInOrderAndGrowByOneStep) {
    AppendStrings acc;
    acc.AddToString("abc");
    EXPECT_EQ(acc.Capacity(), 10000u);
    acc.AddToString("de");
    EXPECT_EQ(acc.ReturnString(), "abcde");
}

TEST(AppendStrings, ExactFitDoesNotGrowOneMoreDoes) {
    AppendStrings acc;
    acc.AddToString("x");
    acc.AddToString(std::string(9999, 'y'));
    EXPECT_EQ(acc.Capacity(), 10000u);
    acc.AddToString("z");
    EXPECT_EQ(acc.Capacity(), 20000u);
    EXPECT_EQ(acc.Length(), 10001u);
}

TEST(AppendStrings, ReadingGivesUpTheRoomAndKeepsTheText) {
    AppendStrings acc;
    acc.AddToString("hello");
    EXPECT_EQ(acc.ReturnString(), "hello");
    EXPECT_EQ(acc.ReturnString(), "hello");
    EXPECT_EQ(acc.Capacity(), 5u);
    acc.AddToString("!");
    EXPECT_EQ(acc.Capacity(), 10005u);
    EXPECT_EQ(acc.ReturnString(), "hello!");
}

TEST(AppendStrings, PieceLongerThanOneStepTakesSeveralSteps) {
    AppendStrings acc;
    std::string big(25001, 'q');
    acc.AddToString(big);
    EXPECT_EQ(acc.Capacity(), 30000u);
    EXPECT_EQ(acc.ReturnString(), big);
}

TEST(AppendStrings, LengthPastThirtyTwoBitsIsAnErrorAndChangesNothing) {
    // Two bytes per character: 2^30 characters would reach 2^31.
    AppendStrings acc;
    std::string chunk(1 << 28, 'a');
    for (int i = 0; i < 3; ++i) acc.AddToString(chunk);
    std::string rest((1 << 28) - 1, 'b');
    acc.AddToString(rest);  // 2^30 - 1 characters: 2^31 - 2 bytes still fits
    EXPECT_THROW(acc.AddToString("cc"), std::overflow_error);
    EXPECT_EQ(acc.Length(), (std::size_t{1} << 30) - 1);
}

TEST(AppendStrings, TakeFrontKeepsTheRestAsNewContent) {
    AppendStrings acc;
    acc.AddToString("first|second");
    EXPECT_EQ(acc.TakeFront(6), "first|");
    EXPECT_EQ(acc.ReturnString(), "second");
    EXPECT_EQ(acc.TakeAll(), "second");
    EXPECT_EQ(acc.ReturnString(), "");
}

}  // namespace
}  // namespace quill
