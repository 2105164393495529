// The painting core without a screen: gradient ramps and blocks, the layout
// of caption, picture and drop-down symbol, and the picture composition.
#include "ButtonFakes.h"
#include "controls/button/FaceLayout.h"
#include "controls/button/FacePainter.h"
#include "controls/button/Gradient.h"
#include "controls/button/PictureComposer.h"

#include <gtest/gtest.h>

namespace quill::button {

void PrintTo(const Rect& r, std::ostream* out) {
    *out << "(" << r.left << ", " << r.top << ", " << r.right << ", " << r.bottom << ")";
}

namespace {

TEST(Gradient, RampStepsTruncateTowardZeroPerChannel) {
    // Red rises 0 -> 10, green falls 10 -> 0, blue stays: steps of 10/3 and -10/3.
    EXPECT_EQ(GradientRamp(0x000A00, 0x00000A, 3), (std::vector<Color>{0x000A00, 0x000703, 0x000406, 0x00000A}));
    EXPECT_EQ(GradientRamp(0x102030, 0x102030, 2), (std::vector<Color>{0x102030, 0x102030, 0x102030}));
    // One entry: each channel halved before adding, so 0xFF and 0x01 give 0x7F.
    EXPECT_EQ(GradientRamp(0x0000FF, 0x000001, 0), (std::vector<Color>{0x00007F}));
    EXPECT_TRUE(GradientRamp(0, 0, -1).empty());
}

TEST(Gradient, EachDirectionReadsTheRampByItsOwnIndex) {
    const Color c1 = 0x000000, c2 = 0x0000FF;
    struct Case {
        GradientDirection direction;
        std::int32_t n;
        std::function<std::int32_t(std::int32_t, std::int32_t)> index;  // of (x, y)
    };
    const std::int32_t w = 5, h = 4;
    const Case cases[] = {
        {GradientDirection::kHorizontal, w - 1, [](std::int32_t x, std::int32_t) { return x; }},
        {GradientDirection::kVertical, h - 1, [](std::int32_t, std::int32_t y) { return y; }},
        {GradientDirection::kDiagonalDown, w + h - 2, [](std::int32_t x, std::int32_t y) { return x + y; }},
        {GradientDirection::kDiagonalUp, w + h - 2, [=](std::int32_t x, std::int32_t y) { return x + (h - 1 - y); }},
    };
    for (const Case& c : cases) {
        const std::vector<Color> ramp = GradientRamp(c1, c2, c.n);
        const Pixels block = GradientPixels(w, h, c1, c2, c.direction);
        ASSERT_EQ(block.width, w);
        ASSERT_EQ(block.height, h);
        for (std::int32_t y = 0; y < h; ++y) {
            for (std::int32_t x = 0; x < w; ++x) {
                EXPECT_EQ(ColorOfPixel(block.At(x, y)), ramp[c.index(x, y)])
                    << static_cast<int>(c.direction) << " at " << x << "," << y;
            }
        }
    }
    // One column, or one row, is the half-sum colour.
    EXPECT_EQ(ColorOfPixel(GradientPixels(1, 3, 0x0000FF, 0x000001, GradientDirection::kHorizontal).At(0, 2)),
              0x00007F);
    EXPECT_EQ(ColorOfPixel(GradientPixels(3, 1, 0x0000FF, 0x000001, GradientDirection::kVertical).At(2, 0)), 0x00007F);
    for (auto [bw, bh] : {std::pair{0, 4}, {4, 0}, {-1, 4}, {4, -3}}) {
        EXPECT_EQ(GradientPixels(bw, bh, c1, c2, GradientDirection::kVertical).bgra.size(), 0u) << bw << "x" << bh;
    }
}

// Fixed text metrics: every caption is textWidth x 13, narrowed to the box.
struct FakeMeasure {
    std::int32_t textWidth = 40;
    Rect operator()(const Rect& box) const {
        return {box.left, box.top, box.left + std::min(textWidth, box.Width()), box.top + 13};
    }
};

class SizedPicture final : public host::Picture {
  public:
    SizedPicture(std::int32_t w, std::int32_t h) : w_(w), h_(h) {}
    host::PictureType Type() const override { return host::PictureType::kIcon; }
    host::NativeHandle Handle() const override { return 0; }
    std::int32_t Width() const override { return w_; }
    std::int32_t Height() const override { return h_; }
    std::optional<host::PictureSource> Source() const override { return std::nullopt; }

  private:
    std::int32_t w_, h_;
};

TEST(FaceLayout, CaptionPictureAndDropDownBoxesAsTheRowsPlaceThem) {
    struct Row {
        const char* what;
        std::function<void(ButtonProperties&)> setup;
        std::int32_t state, w, h, picture, textWidth;
        Rect caption, pictureBox;
        bool separator;
    };
    auto align = [](std::int32_t caption, std::int32_t picture = 1) {
        return [=](ButtonProperties& p) {
            p.captionAlign = caption;
            p.pictureAlign = picture;
        };
    };
    auto with = [](std::function<void(ButtonProperties&)> first, std::function<void(ButtonProperties&)> then) {
        return [=](ButtonProperties& p) {
            first(p);
            then(p);
        };
    };
    auto style = [](std::int32_t look) { return [=](ButtonProperties& p) { p.buttonStyle = look; }; };
    auto dropDown = [](ButtonProperties& p) { p.dropDownSymbol = 6; };
    auto separator = [](ButtonProperties& p) { p.dropDownSeparator = true; };
    const Rect none{};
    const Row rows[] = {
        {"centred", align(1), 0, 100, 30, 0, 40, {30, 8, 70, 21}, none, false},
        {"left", align(0), 0, 100, 30, 0, 40, {2, 8, 42, 21}, none, false},
        {"right", align(2), 0, 100, 30, 0, 40, {56, 8, 96, 21}, none, false},
        {"centred beside a drop-down", with(align(1), dropDown), 0, 100, 30, 0, 40, {22, 8, 62, 21}, none, false},
        {"right beside a drop-down", with(align(2), dropDown), 0, 100, 30, 0, 40, {40, 8, 80, 21}, none, false},
        {"left of a left picture", align(0, 0), 0, 100, 30, 16, 40, {20, 8, 62, 21}, {3, 7, 19, 23}, false},
        {"centred, picture right", align(1, 2), 0, 100, 30, 16, 40, {26, 8, 66, 21}, {81, 7, 97, 23}, false},
        {"centred, picture after it", align(1, 3), 0, 100, 30, 16, 40, {26, 8, 66, 21}, {70, 7, 86, 23}, false},
        {"centred, picture before it", align(1, 1), 0, 100, 30, 16, 40, {38, 8, 78, 21}, {18, 7, 34, 23}, false},
        {"picture at the top, 32 x 32", align(1, 5), 0, 100, 60, 32, 40, {30, 39, 70, 52}, {34, 4, 66, 36}, false},
        {"picture above it", align(1, 6), 0, 100, 60, 16, 40, {30, 31, 70, 44}, {42, 13, 58, 29}, false},
        {"picture at the bottom", align(1, 7), 0, 100, 60, 16, 40, {30, 15, 70, 28}, {42, 40, 58, 56}, false},
        {"picture below it", align(1, 8), 0, 100, 60, 16, 40, {30, 15, 70, 28}, {42, 30, 58, 46}, false},
        {"picture in the middle", align(1, 4), 0, 100, 30, 16, 40, {22, 8, 62, 21}, {42, 7, 58, 23}, false},
        {"pressed in style 1 moves", style(1), 2, 100, 30, 0, 40, {3, 9, 43, 22}, none, false},
        {"pressed in style 8 stays", style(8), 2, 100, 30, 0, 40, {2, 8, 42, 21}, none, false},
        {"themed keeps 4 from the edges", style(13), 0, 100, 30, 0, 40, {4, 8, 42, 21}, none, false},
        {"separator with room", with(align(0), separator), 0, 100, 30, 0, 84, {2, 8, 86, 21}, none, true},
        {"separator near the edge",
         with(align(0, 1), separator),
         0,
         100,
         30,
         16,
         84,
         {20, 8, 106, 21},
         {0, 7, 16, 23},
         false},
    };
    for (const Row& row : rows) {
        ButtonProperties p;
        p.buttonStyle = 8;
        p.caption = "Convert";
        row.setup(p);
        if (row.picture > 0) p.pictureNormal = std::make_shared<SizedPicture>(row.picture, row.picture);
        const FaceLayout layout =
            LayoutFace({p, row.state, row.w, row.h, row.picture, row.picture}, FakeMeasure{row.textWidth});
        EXPECT_EQ(layout.caption, row.caption) << row.what;
        EXPECT_EQ(layout.picture, row.pictureBox) << row.what;
        EXPECT_EQ(layout.separator, row.separator) << row.what;
    }
}

TEST(FaceLayout, ACaptionOfSpacesCentresThePicture) {
    ButtonProperties p;
    p.caption = "   ";
    p.captionAlign = 1;
    p.pictureAlign = 1;
    p.pictureNormal = std::make_shared<SizedPicture>(16, 16);
    EXPECT_FALSE(HasCaption(p));
    EXPECT_EQ(LayoutFace({p, 0, 100, 30, 16, 16}, FakeMeasure{}).picture, (Rect{42, 7, 58, 23}));
}

TEST(FaceLayout, TheDropDownSymbolSitsAtTheRightAndMovesWhenPressed) {
    struct Row {
        std::int32_t style, state, height;
        Rect box, symbol;
    };
    const Row rows[] = {
        {0, 0, 30, {85, 8, 100, 23}, {85, 8, 100, 23}},
        {0, 2, 30, {86, 9, 101, 24}, {87, 10, 102, 25}},  // two pixels each way
        {5, 2, 30, {86, 9, 101, 24}, {86, 9, 101, 24}},   // one
        {8, 2, 30, {85, 8, 100, 23}, {85, 8, 100, 23}},
        {8, 0, 25, {85, 6, 100, 20}, {85, 6, 100, 20}},  // 5.5 and 20.5 to even
    };
    for (const Row& row : rows) {
        ButtonProperties p;
        p.buttonStyle = row.style;
        p.dropDownSymbol = 6;
        const FaceLayout layout = LayoutFace({p, row.state, 100, row.height, 0, 0}, FakeMeasure{});
        EXPECT_TRUE(layout.dropDownPart);
        EXPECT_EQ(layout.dropDown, row.box) << row.style << "/" << row.state;
        EXPECT_EQ(layout.dropDownSymbol, row.symbol) << row.style << "/" << row.state;
    }
}

TEST(FaceLayout, EachStateShowsItsOwnPicture) {
    ButtonProperties p;
    auto normal = std::make_shared<SizedPicture>(1, 1), hot = std::make_shared<SizedPicture>(2, 2),
         down = std::make_shared<SizedPicture>(3, 3);
    p.pictureNormal = normal;
    EXPECT_EQ(CurrentPicture(p, 1), normal.get());
    EXPECT_EQ(CurrentPicture(p, 2), normal.get());
    p.pictureHot = hot;
    EXPECT_EQ(CurrentPicture(p, 1), hot.get());
    EXPECT_EQ(CurrentPicture(p, 2), hot.get());
    p.pictureDown = down;
    EXPECT_EQ(CurrentPicture(p, 0), normal.get());
    EXPECT_EQ(CurrentPicture(p, 2), down.get());
    p.mode = kModeCheck;
    p.value = true;
    EXPECT_EQ(CurrentPicture(p, 0), down.get());  // set shows the down picture
}

TEST(PictureComposition, TheMaskedPathTakesTheHotOpacityEvenWhenDisabled) {
    ButtonProperties p;
    p.enabled = false;
    p.pictureOpacity = 200;
    p.pictureOpacityOnOver = 100;
    EXPECT_EQ(PictureLookOf(p, 1, false).opacity, 100);
    EXPECT_EQ(PictureLookOf(p, 1, true).opacity, 52);
    p.disabledPictureMode = 1;
    EXPECT_EQ(DisabledOpacity(p), 150);
    p.pictureOpacity = 255;
    EXPECT_EQ(DisabledOpacity(p), 191);  // 191.25
}

TEST(FaceRegion, RoundedLooksAndTheRest) {
    for (std::int32_t style = -1; style <= 14; ++style) {
        const RegionKind expected = (style == 2 || style == 3 || style == 7 || style == 9) ? RegionKind::kRounded3
                                    : (style == 6 || style == 10)                          ? RegionKind::kRounded4
                                                                                           : RegionKind::kRectangle;
        EXPECT_EQ(RegionKindOf(style), expected) << style;
    }
}

}  // namespace
}  // namespace quill::button
