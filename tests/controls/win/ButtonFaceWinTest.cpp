// The layers inside every look, drawn through the GDI canvas and read back:
// gradients, caption colours and effects, the drop-down symbol and
// separator, and pictures in both composition paths.
#include "FacePaint.h"
#include "controls/button/FaceLayout.h"
#include "controls/button/Gradient.h"
#include "controls/button/win/PixelPicture.h"

#include <gtest/gtest.h>

#include <optional>

namespace quill::button {
namespace {

using test::Sys;

constexpr std::int32_t W = 80, H = 24;

TEST(GdiGradient, BlocksLandInEachDirectionAndAreClippedAtTheEdges) {
    for (auto direction : {GradientDirection::kHorizontal, GradientDirection::kVertical,
                           GradientDirection::kDiagonalDown, GradientDirection::kDiagonalUp}) {
        MemorySurface surface(12, 9);
        GdiCanvas canvas(surface.Dc(), 12, 9);
        const Pixels block = GradientPixels(7, 5, 0x204060, 0xF0C080, direction);
        canvas.PutPixels(2, 3, block);
        const Pixels read = surface.Read();
        for (std::int32_t y = 0; y < 5; ++y) {
            for (std::int32_t x = 0; x < 7; ++x) {
                EXPECT_EQ(read.At(x + 2, y + 3) & 0xFFFFFF, block.At(x, y)) << static_cast<int>(direction);
            }
        }
        EXPECT_EQ(read.At(1, 3), 0u);  // nothing outside the block
    }
    // A block reaching past every edge keeps the part that falls inside.
    MemorySurface surface(6, 5);
    GdiCanvas canvas(surface.Dc(), 6, 5);
    const Pixels big = GradientPixels(10, 8, 0x000000, 0x0000FF, GradientDirection::kDiagonalDown);
    canvas.PutPixels(-3, -2, big);
    const Pixels read = surface.Read();
    for (std::int32_t y = 0; y < 5; ++y) {
        for (std::int32_t x = 0; x < 6; ++x) EXPECT_EQ(read.At(x, y) & 0xFFFFFF, big.At(x + 3, y + 2));
    }
}

// A button of style 4 over a plain face, for the layers alone.
ButtonProperties Plain(Color back = 0xFFFFFF) {
    ButtonProperties p = test::NewButton(4);
    p.backColor = back;
    p.picturePushOnHover = false;
    return p;
}

FaceState StateOf(std::int32_t drawState) {
    FaceState s;
    s.drawState = drawState;
    s.clearColor = 0xFFFFFF;
    return s;
}

struct Box {
    std::int32_t left = 1 << 20, top = 1 << 20, right = -1, bottom = -1;
    int count = 0;
    bool operator==(const Box&) const = default;
};

// Where the pixels of one colour are, within [x0, x1).
Box Where(const test::Painted& painted, Color color, std::int32_t x0 = 0, std::int32_t x1 = W) {
    Box box;
    for (std::int32_t y = 0; y < painted.pixels.height; ++y) {
        for (std::int32_t x = x0; x < x1; ++x) {
            if (painted.At(x, y) != color) continue;
            box.left = std::min(box.left, x);
            box.top = std::min(box.top, y);
            box.right = std::max(box.right, x + 1);
            box.bottom = std::max(box.bottom, y + 1);
            ++box.count;
        }
    }
    return box;
}

TEST(ButtonCaption, DrawnInTheColourOfItsStateInsideItsBox) {
    struct Row {
        const char* what;
        std::int32_t state;
        bool enabled;
        Color expected;
    };
    const Color fore = 0x0000C0, hover = 0x00A000;
    for (const Row& row :
         {Row{"normal", 0, true, fore}, Row{"hot", 1, true, hover}, Row{"disabled", 0, false, Sys(COLOR_GRAYTEXT)}}) {
        ButtonProperties p = Plain();
        p.caption = "Convert";
        p.foreColor = fore;
        p.foreColorHover = hover;
        p.enabled = row.enabled;
        const test::Painted painted = test::PaintFace(p, StateOf(row.state), W, H);
        const Box text = Where(painted, row.expected);
        EXPECT_GT(text.count, 10) << row.what;
        for (Color other : {fore, hover}) {
            if (other != row.expected) {
                EXPECT_EQ(Where(painted, other).count, 0) << row.what;
            }
        }
        // Centred: about as much room on either side.
        EXPECT_LE(std::abs(text.left - (W - text.right)), 3) << row.what;
    }
}

TEST(ButtonCaption, EffectsAreCopiesBehindTheTextOffsetAsEachSays) {
    const Color back = 0x808080, fore = 0x000000;
    ButtonProperties p = Plain(back);
    p.caption = "Convert";
    p.foreColor = fore;
    p.foreColorHover = fore;
    const Box text = Where(test::PaintFace(p, StateOf(0), W, H), fore);
    struct Row {
        std::int32_t effect;
        Color color;
        std::int32_t left, top, right, bottom;  // how far the copies reach past the text
    };
    const Row rows[] = {{1, ShiftColor(back, 0.14f), -1, -1, -1, -1},
                        {2, ShiftColor(back, 0.14f), 1, 1, 1, 1},
                        {3, 0xC0C0C0, 1, 1, 1, 1},
                        {4, ShiftColor(back, 0.1f), -1, -1, 1, 1},
                        {5, ShiftColor(back, -0.1f), -1, -1, 1, 1}};
    for (const Row& row : rows) {
        p.captionEffects = row.effect;
        const test::Painted painted = test::PaintFace(p, StateOf(0), W, H);
        const Box copies = Where(painted, row.color);
        EXPECT_GT(copies.count, 0) << row.effect;
        EXPECT_EQ(copies.left, text.left + row.left) << row.effect;
        EXPECT_EQ(copies.top, text.top + row.top) << row.effect;
        EXPECT_EQ(copies.right, text.right + row.right) << row.effect;
        EXPECT_EQ(copies.bottom, text.bottom + row.bottom) << row.effect;
        EXPECT_EQ(Where(painted, fore), text) << row.effect;  // the text itself over them
    }
}

TEST(ButtonDropDown, TheSymbolIsAnArrowThatMovesWhenPressedByItsLook) {
    const Color fore = 0x0000C0;
    auto symbolAt = [&](std::int32_t style, std::int32_t state) {
        ButtonProperties p = test::NewButton(style);
        p.dropDownSymbol = 6;
        p.foreColor = fore;
        return Where(test::PaintFace(p, StateOf(state), W, H), fore, W - 20, W);
    };
    const Box normal = symbolAt(0, 0);
    ASSERT_GT(normal.count, 4);
    EXPECT_GE(normal.left, W - 15);
    // An arrow pointing down: its top row is wider than its bottom row.
    ButtonProperties p = test::NewButton(0);
    p.dropDownSymbol = 6;
    p.foreColor = fore;
    const test::Painted painted = test::PaintFace(p, StateOf(0), W, H);
    auto widthOfRow = [&](std::int32_t y) {
        int n = 0;
        for (std::int32_t x = W - 20; x < W; ++x) n += painted.At(x, y) == fore;
        return n;
    };
    EXPECT_GT(widthOfRow(normal.top), widthOfRow(normal.bottom - 1));

    const Box pressed0 = symbolAt(0, 2), pressed5 = symbolAt(5, 2), normal5 = symbolAt(5, 0);
    EXPECT_EQ(pressed0.left - normal.left, 2);
    EXPECT_EQ(pressed0.top - normal.top, 2);
    EXPECT_EQ(pressed5.left - normal5.left, 1);
    EXPECT_EQ(pressed5.top - normal5.top, 1);
}

TEST(ButtonDropDown, TheSeparatorTakesItsShadesFromThePaintedFace) {
    const Color back = 0x808080;
    ButtonProperties p = Plain(back);
    p.dropDownSeparator = true;
    const test::Painted painted = test::PaintFace(p, StateOf(0), W, H);
    EXPECT_EQ(painted.At(W - 16, 3), ShiftColor(back, -0.1f));
    EXPECT_EQ(painted.At(W - 16, H - 4), ShiftColor(back, -0.1f));
    EXPECT_EQ(painted.At(W - 15, 12), ShiftColor(back, 0.1f));
    EXPECT_EQ(painted.At(W - 16, 2), back);      // from row 3
    EXPECT_EQ(painted.At(W - 16, H - 3), back);  // to H - 3, not painted
    p.dropDownSeparator = false;
    EXPECT_EQ(test::PaintFace(p, StateOf(0), W, H).At(W - 16, 12), back);
}

// A 4 x 4 picture centred on the face: its top left at (38, 10).
constexpr std::int32_t kPx = 38, kPy = 10;

Pixels Picture4(std::uint32_t fill, std::optional<std::uint32_t> corner = std::nullopt) {
    Pixels p{4, 4, std::vector<std::uint32_t>(16, fill)};
    if (corner) p.At(0, 0) = *corner;
    return p;
}

TEST(ButtonPicture, TheAlphaPathWeighsOpacityByEachPixelsAlpha) {
    ButtonProperties p = Plain();
    // Opaque black, with a half-transparent and a transparent corner.
    Pixels pixels = Picture4(0xFF000000, 0x80000000);
    pixels.At(3, 3) = 0x00000000;
    p.pictureNormal = MakePixelPicture(pixels, PixelPictureKind::kBitmap32);
    struct Row {
        std::int32_t opacity;
        Color opaque, half;
    };
    for (Row row : {Row{255, 0x000000, 0x7E7E7E}, Row{128, 0x7E7E7E, 0xBEBEBE}}) {
        p.pictureOpacity = row.opacity;
        const test::Painted painted = test::PaintFace(p, StateOf(0), W, H);
        EXPECT_EQ(painted.At(kPx + 1, kPy + 1), row.opaque) << row.opacity;
        EXPECT_EQ(painted.At(kPx, kPy), row.half) << row.opacity;
        EXPECT_EQ(painted.At(kPx + 3, kPy + 3), 0xFFFFFF) << row.opacity;
        EXPECT_EQ(painted.At(kPx - 1, kPy), 0xFFFFFF) << row.opacity;  // nothing beside it
    }
}

TEST(ButtonPicture, TheMaskedPathSkipsTheMaskColourUnlessToldOtherwise) {
    struct Row {
        const char* what;
        PixelPictureKind kind;
        std::uint32_t keyPixel;  // the corner pixel
        bool useMask;
        Color corner;
    };
    const Row rows[] = {
        {"bitmap, mask colour", PixelPictureKind::kBitmap24, 0x00E0E0E0, true, 0xFFFFFF},
        {"bitmap, mask colour shown", PixelPictureKind::kBitmap24, 0x00E0E0E0, false, 0xE0E0E0},
        {"icon, transparent", PixelPictureKind::kIcon, 0x00000000, true, 0xFFFFFF},
        {"icon, transparent shows silver", PixelPictureKind::kIcon, 0x00000000, false, 0xC0C0C0},
    };
    for (const Row& row : rows) {
        ButtonProperties p = Plain();
        p.useMaskColor = row.useMask;
        p.pictureNormal = MakePixelPicture(Picture4(0xFF102030, row.keyPixel), row.kind);
        const test::Painted painted = test::PaintFace(p, StateOf(0), W, H);
        EXPECT_EQ(painted.At(kPx, kPy), row.corner) << row.what;
        EXPECT_EQ(painted.At(kPx + 2, kPy + 2), ColorOfPixel(0x102030)) << row.what;
    }
}

TEST(ButtonPicture, DisabledLooksAndStateEffectsInBothPaths) {
    struct Row {
        const char* what;
        std::function<void(ButtonProperties&)> setup;
        std::int32_t state;
        std::uint32_t pixel;
        Color drawn;
    };
    auto disabled = [](std::int32_t mode) {
        return [=](ButtonProperties& p) {
            p.enabled = false;
            p.disabledPictureMode = mode;
        };
    };
    const Row rows[] = {
        {"mode 0 faint", disabled(0), 0, 0xFF000000, 0xCACACA},
        {"mode 1 grey at 191", disabled(1), 0, 0xFFFF0000, 0x787878},
        {"mode 2 nothing", disabled(2), 0, 0xFF000000, 0xFFFFFF},
        {"hot brightens", [](ButtonProperties& p) { p.pictureEffectOnOver = 1; }, 1, 0xFFC8C8C8, 0xE5E5E5},
        {"pressed darkens", [](ButtonProperties& p) { p.pictureEffectOnDown = 2; }, 2, 0xFFFFFFFF, 0xD9D9D9},
    };
    for (const Row& row : rows) {
        for (auto kind : {PixelPictureKind::kBitmap24, PixelPictureKind::kBitmap32}) {
            ButtonProperties p = Plain();
            row.setup(p);
            p.pictureNormal = MakePixelPicture(Picture4(row.pixel), kind);
            const test::Painted painted = test::PaintFace(p, StateOf(row.state), W, H);
            EXPECT_EQ(painted.At(kPx + 2, kPy + 2), row.drawn)
                << row.what << (kind == PixelPictureKind::kBitmap32 ? " (alpha)" : " (masked)");
        }
    }
}

TEST(ButtonPicture, ShadowAndPushOnHoverDrawSilhouettes) {
    ButtonProperties p = Plain();
    p.pictureNormal = MakePixelPicture(Picture4(0xFF000000), PixelPictureKind::kBitmap24);
    p.pictureShadow = true;
    const Color base = AverageColors(0x808080, 0xFFFFFF);
    test::Painted painted = test::PaintFace(p, StateOf(0), W, H);
    EXPECT_EQ(painted.At(kPx + 5, kPy + 5), ShiftColor(base, 0.05f));  // the far silhouette only
    EXPECT_EQ(painted.At(kPx + 4, kPy + 4), ShiftColor(base, -0.1f));  // the near one over it
    EXPECT_EQ(painted.At(kPx + 3, kPy + 3), 0x000000);                 // the picture on top

    p.pictureShadow = false;
    p.picturePushOnHover = true;
    painted = test::PaintFace(p, StateOf(1), W, H);
    EXPECT_EQ(painted.At(kPx + 3, kPy + 3), 0xC0C0C0);  // the silhouette where the picture was
    EXPECT_EQ(painted.At(kPx - 2, kPy - 2), 0x000000);  // the picture lifted by two
    EXPECT_EQ(painted.At(kPx + 1, kPy + 1), 0x000000);
}

}  // namespace
}  // namespace quill::button
