// Every look in every state, painted through the GDI canvas and read back:
// the frame lines, corners, the first and last rows of each band and the
// fixed strokes, each against the colour its formula gives.
#include "FacePaint.h"
#include "controls/button/ButtonInput.h"
#include "controls/button/Gradient.h"

#include <gtest/gtest.h>

#include <functional>
#include <vector>

namespace quill::button {
namespace {

using test::Sys;

constexpr std::int32_t W = 80, H = 24, kMid = 40;
constexpr Color kWhite = 0xFFFFFF, kBlack = 0x000000, kClear = 0xFFFFFF;

enum class Case { kNormal, kHot, kDown, kChecked, kDisabled, kFocused, kDefault };
constexpr Case kCases[] = {Case::kNormal,   Case::kHot,     Case::kDown,   Case::kChecked,
                           Case::kDisabled, Case::kFocused, Case::kDefault};
const char* Name(Case c) {
    static const char* names[] = {"normal", "hot", "down", "checked", "disabled", "focused", "default"};
    return names[static_cast<int>(c)];
}

// The properties and state of a case, as the control paints it.
std::pair<ButtonProperties, FaceState> CaseOf(std::int32_t style, Case c) {
    ButtonProperties p = test::NewButton(style);
    FaceState s;
    s.windowActive = true;
    s.visualStyles = test::VisualStylesOn();
    s.clearColor = kClear;
    switch (c) {
        case Case::kHot:
            s.drawState = 1;
            break;
        case Case::kDown:
            s.drawState = 2;
            break;
        case Case::kChecked:
            p.mode = kModeCheck;
            p.value = true;
            s.drawState = ForcedDrawState(0, p);
            break;
        case Case::kDisabled:
            p.enabled = false;
            break;
        case Case::kFocused:
            s.focused = true;
            break;
        case Case::kDefault:
            s.isDefault = true;
            break;
        case Case::kNormal:
            break;
    }
    return {p, s};
}

struct Probe {
    std::int32_t x, y;
    Color color;
    const char* what;
};

// The colour at row i of a vertical gradient of height h.
Color Row(Color c1, Color c2, std::int32_t h, std::int32_t i) { return GradientRamp(c1, c2, h - 1)[i]; }
Color Sh(Color c, float f) { return ShiftColor(c, f); }
Color Av(Color a, Color b) { return AverageColors(a, b); }

// The three-dimensional edges, ring 0 the outermost.
struct Edges {
    Color topLeft0, bottomRight0, topLeft1, bottomRight1;
};
const Edges kRaised{Sys(COLOR_3DLIGHT), Sys(COLOR_3DDKSHADOW), Sys(COLOR_BTNHIGHLIGHT), Sys(COLOR_BTNSHADOW)};
const Edges kSunken{Sys(COLOR_BTNSHADOW), Sys(COLOR_BTNHIGHLIGHT), Sys(COLOR_3DDKSHADOW), Sys(COLOR_3DLIGHT)};

void AddEdges(std::vector<Probe>& probes, const Edges& e, bool inner) {
    probes.push_back({kMid, 0, e.topLeft0, "top edge"});
    probes.push_back({0, 12, e.topLeft0, "left edge"});
    probes.push_back({kMid, H - 1, e.bottomRight0, "bottom edge"});
    probes.push_back({W - 1, 12, e.bottomRight0, "right edge"});
    if (inner) {
        probes.push_back({kMid, 1, e.topLeft1, "inner top edge"});
        probes.push_back({W - 2, 12, e.bottomRight1, "inner right edge"});
    }
}
void AddRing(std::vector<Probe>& probes, std::int32_t ring, Color color, const char* what) {
    probes.push_back({kMid, ring, color, what});
    probes.push_back({ring, 12, color, what});
    probes.push_back({W - 1 - ring, 12, color, what});
    probes.push_back({kMid, H - 1 - ring, color, what});
}
void AddCorners(std::vector<Probe>& probes, Color color) {
    for (auto [x, y] : {std::pair{1, 1}, {1, H - 2}, {W - 2, 1}, {W - 2, H - 2}}) {
        probes.push_back({x, y, color, "corner"});
    }
}

std::vector<Probe> Expected(std::int32_t style, Case c) {
    const auto [p, s] = CaseOf(style, c);
    const Color B = p.backColor;
    auto S = [&](float f) { return ShiftColor(B, f); };
    const bool disabled = c == Case::kDisabled, checked = c == Case::kChecked;
    const bool marked = c == Case::kFocused || c == Case::kDefault;
    const std::int32_t state = s.drawState;
    std::vector<Probe> e;
    switch (style) {
        case 0:
        case 1:
        case 11:
        case 12: {
            if (disabled) {
                if (style == 0) AddEdges(e, kRaised, true);
                if (style == 1) AddEdges(e, {kRaised.topLeft1, kRaised.bottomRight1, kClear, kClear}, true);
                if (style >= 11) AddRing(e, 0, kClear, "no edges on the cleared face");
                break;
            }
            if (checked) {
                e.push_back({kMid, 12, S(0.02f), "set face"});
                if (style == 12) {
                    AddRing(e, 0, S(0.02f), "no edges");
                } else {
                    AddEdges(e, kSunken, true);
                }
                break;
            }
            e.push_back({kMid, 12, B, "face"});
            const Edges raisedInner{kRaised.topLeft1, kRaised.bottomRight1, B, B};
            if (marked && style == 0) {
                // The default button's look over the raised edges.
                AddRing(e, 0, kBlack, "default frame");
                e.push_back({kMid, 1, Sys(COLOR_BTNHIGHLIGHT), "default edge, inner top"});
                e.push_back({W - 2, 12, Sys(COLOR_APPWORKSPACE), "inner default frame"});
                e.push_back({kMid, H - 2, Sys(COLOR_APPWORKSPACE), "inner default frame"});
                e.push_back({W - 3, 12, Sys(COLOR_BTNSHADOW), "default edge, inner right"});
            } else if (state == 2) {
                if (style == 0) {
                    AddRing(e, 0, kBlack, "black frame");
                    AddRing(e, 1, 0x99A8AC, "inner frame");
                } else if (style == 11) {
                    AddEdges(e, kSunken, true);
                } else {
                    e.push_back({kMid, 0, Sys(COLOR_GRAYTEXT), "grey top"});
                    e.push_back({0, 12, Sys(COLOR_GRAYTEXT), "grey left"});
                    e.push_back({W - 1, 12, kWhite, "white right"});
                    e.push_back({kMid, H - 1, kWhite, "white bottom"});
                }
            } else if (state == 1 || style <= 1) {
                const bool thin = style == 1 || style == 12;
                AddEdges(e, thin ? raisedInner : kRaised, true);
            } else {
                AddRing(e, 0, B, "flat");
            }
            break;
        }
        case 2: {
            const Color frame = 0x743C00;
            if (disabled) {
                e.push_back({kMid, 12, Av(Sys(COLOR_BTNFACE), S(0.1f)), "face"});
                AddRing(e, 0, S(-0.1f), "frame");
                AddCorners(e, S(-0.1f));
                break;
            }
            AddRing(e, 0, frame, "frame");
            AddCorners(e, Sh(frame, 0.3f));
            if (state == 0) {
                e.push_back({kMid, 4, Row(S(0.07f), B, H, 4), "soft face row 4"});
                e.push_back({kMid, 12, Row(S(0.07f), B, H, 12), "soft face row 12"});
                if (marked) {
                    e.push_back({kMid, 1, 0xFFE7CE, "focus line b"});
                    e.push_back({kMid, 2, 0xF6D4BC, "focus line a"});
                    e.push_back({1, 12, 0xE6AF8E, "focus side"});
                    e.push_back({2, 12, 0xF4D1B8, "focus inner side"});
                    e.push_back({kMid, H - 3, 0xE4AD89, "focus inner bottom"});
                    e.push_back({kMid, H - 2, 0xEE8269, "focus bottom"});
                } else {
                    e.push_back({kMid, 1, Row(S(0.1f), S(0.08f), 4, 1), "top band row 1"});
                    e.push_back({kMid, 3, S(0.08f), "top band last row"});
                    e.push_back({kMid, H - 2, S(-0.09f), "bottom line"});
                    e.push_back({kMid, H - 3, S(-0.05f), "second bottom line"});
                    e.push_back({kMid, H - 4, S(-0.01f), "third bottom line"});
                    e.push_back({W - 2, 12, S(-0.08f), "right line"});
                    e.push_back({1, 12, Av(kWhite, B), "left line"});
                }
            } else if (state == 1) {
                e.push_back({kMid, 12, Row(S(0.07f), B, H, 12), "soft face"});
                e.push_back({kMid, 1, 0xCFF0FF, "hover line"});
                e.push_back({kMid, 2, 0x89D8FD, "hover line"});
                e.push_back({1, 12, 0x49BDF9, "hover side"});
                e.push_back({W - 3, 12, 0x7AD2FC, "hover inner side"});
                e.push_back({kMid, H - 3, 0x30B3F8, "hover inner bottom"});
                e.push_back({kMid, H - 2, 0x0097E5, "hover bottom"});
            } else {
                e.push_back({kMid, 12, S(-0.05f), "pressed face"});
                e.push_back({kMid, 1, S(-0.16f), "pressed top"});
                e.push_back({kMid, 2, S(-0.1f), "pressed second"});
                e.push_back({kMid, H - 2, S(0.01f), "pressed bottom"});
                e.push_back({1, 12, S(-0.16f), "pressed left"});
                e.push_back({2, 12, S(-0.1f), "pressed inner left"});
                e.push_back({W - 2, 12, S(0.04f), "pressed right"});
            }
            break;
        }
        case 3: {
            if (disabled) {
                e.push_back({kMid, 12, S(0.03f), "face"});
                AddRing(e, 0, S(-0.25f), "outer frame");
                e.push_back({kMid, 1, S(0.25f), "inner frame"});
                AddCorners(e, S(-0.03f));
                break;
            }
            AddCorners(e, 0xBE965F);
            if (state == 0) {
                e.push_back({kMid, 0, marked ? 0xA77532 : 0x707070, "outer frame"});
                e.push_back({kMid, 1, marked ? 0xFBD848 : kWhite, "inner frame"});
                e.push_back({kMid, 2, Row(S(0.05f), B, H, 1), "upper half, first row"});
                e.push_back({kMid, 11, Row(S(0.05f), B, H, 10), "upper half, last row"});
                e.push_back({kMid, 12, S(-0.02f), "lower half, first row"});
                e.push_back({kMid, H - 3, Row(S(-0.02f), S(-0.15f), H - 2, 9), "lower half"});
            } else if (state == 1) {
                e.push_back({kMid, 0, 0xA77532, "outer frame"});
                e.push_back({kMid, 1, kWhite, "inner frame"});
                e.push_back({kMid, 2, Row(0xFFF7E4, 0xFFF3DA, 12, 1), "upper half"});
                e.push_back({kMid, 11, Row(0xFFF7E4, 0xFFF3DA, 12, 10), "upper half"});
                e.push_back({kMid, 12, 0xFFE9C1, "lower half, first row"});
                e.push_back({2, 5, GradientRamp(0xFFEECD, 0xFFF7E4, 4)[1], "left shading"});
                e.push_back({5, 20, GradientRamp(0xFAD68F, Sh(0xFDE1AC, 0.01f), 4)[4], "left lower shading"});
                e.push_back({W - 3, 5, GradientRamp(0xFFF7E4, 0xFFEECD, 4)[3], "right shading"});
            } else {
                e.push_back({kMid, 0, 0x5C411D, "outer frame"});
                e.push_back({kMid, 1, 0xB39C71, "first line"});
                e.push_back({kMid, 2, 0xD6C6A9, "second line"});
                e.push_back({kMid, 3, 0xECD9B9, "third line"});
                e.push_back({kMid, 8, 0xF6E4C2, "upper half"});
                e.push_back({kMid, 15, 0xF0D29A, "lower half"});
                e.push_back({1, 2, 0xCFB073, "left line"});
                e.push_back({3, 6, GradientRamp(Sh(0xE6C891, 0.02f), Sh(0xF6E4C2, -0.01f), 4)[2], "left shading"});
                e.push_back(
                    {W - 4, 15, GradientRamp(Sh(0xF0D29A, -0.01f), Sh(0xDCAB4E, 0.02f), 4)[2], "right lower shading"});
            }
            break;
        }
        case 4: {
            const Color hover = 0xEED2C1, frame = 0xC56A31;
            if (checked) {
                e.push_back({kMid, 12, Sh(hover, -0.05f), "set face"});
                AddRing(e, 0, frame, "frame");
            } else if (state == 0) {
                e.push_back({kMid, 12, B, "flat face"});
                AddRing(e, 0, B, "no frame");
            } else {
                e.push_back({kMid, 12, Sh(hover, state == 1 ? 0.03f : -0.08f), "face"});
                AddRing(e, 0, frame, "frame");
            }
            break;
        }
        case 5: {
            if (checked) {
                e.push_back({kMid, 1, Row(0x8CD5FF, 0x55ADFF, H, 1), "set face"});
                e.push_back({kMid, H - 2, Row(0x8CD5FF, 0x55ADFF, H, H - 2), "set face"});
                AddRing(e, 0, 0x800000, "frame");
            } else if (state == 0) {
                e.push_back({kMid, 0, Av(kWhite, S(0.08f)), "upper half, first row"});
                e.push_back({kMid, 11, B, "upper half, last row"});
                e.push_back({kMid, 12, B, "lower half, first row"});
                e.push_back({kMid, H - 1, Row(B, S(-0.15f), 13, 11), "lower half, last row"});
            } else {
                const Color c1 = state == 1 ? 0xCCF4FF : 0x4E91FE, c2 = state == 1 ? 0x91D0FF : 0x8ED3FF;
                e.push_back({kMid, 1, Row(c1, c2, H, 1), "face"});
                e.push_back({kMid, H - 2, Row(c1, c2, H, H - 2), "face"});
                AddRing(e, 0, 0x800000, "frame");
            }
            break;
        }
        case 6: {
            if (checked) {
                e.push_back({kMid, 12, 0xFEFEFE, "set face"});
                AddRing(e, 0, 0xAF987A, "frame");
                AddCorners(e, Sh(0xC1B3A0, -0.2f));
            } else if (state == 0) {
                e.push_back({kMid, 12, B, "flat face"});
                AddRing(e, 0, B, "no frame");
            } else if (state == 1) {
                e.push_back({kMid, 1, Row(0xFDFEFE, 0xEEF4F4, 12, 1), "upper half"});
                e.push_back({kMid, 11, 0xEEF4F4, "upper half, last row"});
                e.push_back({kMid, 19, Row(0xEEF4F4, 0xEAF1F1, 12, 7), "lower half"});
                e.push_back({kMid, H - 4, 0xE5EDEE, "line"});
                e.push_back({kMid, H - 3, 0xD6E1E4, "line"});
                e.push_back({kMid, H - 2, 0xC6D2D7, "line"});
                e.push_back({W - 2, 10, 0xE0E7EA, "right line"});
                e.push_back({W - 3, 10, 0xEAF0F0, "second right line"});
                e.push_back({0, 10, 0xC3CECE, "frame"});
                AddCorners(e, Sh(0xC9D4D4, -0.05f));
            } else {
                e.push_back({kMid, 12, 0xDDE4E5, "pressed face"});
                e.push_back({kMid, 1, Sh(0xD1DADC, -0.02f), "line"});
                e.push_back({kMid, 2, Sh(0xDAE1E3, -0.02f), "line"});
                e.push_back({kMid, H - 3, Sh(0xDEE5E6, 0.02f), "line"});
                e.push_back({kMid, H - 2, Sh(0xE5EAEB, 0.02f), "line"});
                e.push_back({0, 12, 0x929D9D, "frame"});
                AddCorners(e, Sh(0xABB4B5, -0.2f));
            }
            break;
        }
        case 7: {
            if (disabled) {
                e.push_back({kMid, 12, B, "face"});
                AddCorners(e, B);
            } else if (state == 0) {
                e.push_back({kMid, 12, B, "flat face"});
                AddRing(e, 0, B, "no frame");
            } else {
                const Color c1 = state == 1 ? 0xFDF9F1 : 0xF1DEB0, c2 = state == 1 ? 0xF8ECD0 : 0xF9F1DB;
                e.push_back({kMid, 2, Row(c1, c2, H - 2, 1), "face"});
                e.push_back({kMid, 13, Row(c1, c2, H - 2, 12), "face"});
                if (state == 1) e.push_back({kMid, 15, 0xF8ECD0, "lower part"});
                if (state == 2) e.push_back({kMid, H - 3, Row(c1, c2, H - 2, 20), "face"});
                AddRing(e, 0, 0xCA9E61, "frame");
                e.push_back({kMid, 1, kWhite, "inner frame"});
                AddCorners(e, Sh(0xCA9E61, 0.3f));
            }
            break;
        }
        case 8: {
            const std::int32_t t = 9, r = 15;  // round(H / 2.7), round(H - H / 2.7)
            Color u1, u2, l1, l2;
            if (checked) {
                u1 = 0xA9D9FF, u2 = 0x6FC0FF, l1 = 0x3FABFF, l2 = 0x75E1FF;
            } else if (state == 0) {
                u1 = Av(S(0.09f), kWhite), u2 = Av(S(0.07f), B), l1 = B, l2 = S(0.03f);
            } else if (state == 1) {
                u1 = 0xE1FFFF, u2 = 0xACEAFF, l1 = 0x67D7FF, l2 = 0x99E4FF;
            } else {
                u1 = 0x58C1FF, u2 = 0x51AFFF, l1 = 0x468FFF, l2 = 0x5FD3FF;
            }
            e.push_back({kMid, 1, Row(u1, u2, t, 1), "upper band"});
            e.push_back({kMid, t - 1, u2, "upper band, last row"});
            e.push_back({kMid, t, l1, "lower band, first row"});
            e.push_back({kMid, H - 2, Row(l1, l2, r, H - 2 - t), "lower band"});
            AddRing(e, 0, S(-0.34f), "frame");
            break;
        }
        case 9: {
            AddCorners(e, S(0.05f));
            if (state == 2) {
                e.push_back({kMid, 2, Row(kWhite, S(-0.1f), 12, 2), "upper half"});
                e.push_back({kMid, 15, Row(S(-0.1f), S(-0.05f), H, 3), "lower half"});
                e.push_back({kMid, 0, S(-0.23f), "frame"});
                e.push_back({kMid, H - 1, S(-0.4f), "bottom line"});
            } else {
                e.push_back({kMid, 2, Row(kWhite, B, 12, 2), "upper half"});
                e.push_back({kMid, 11, B, "upper half, last row"});
                e.push_back({kMid, 15, B, "lower half"});
                e.push_back({kMid, 0, S(-0.2f), "frame"});
                e.push_back({0, 10, S(-0.2f), "frame"});
                e.push_back({kMid, H - 1, S(-0.25f), "bottom line"});
                e.push_back({1, H - 1, S(-0.2f), "frame under the line's start"});
            }
            e.push_back({kMid, 1, kWhite, "inner frame"});
            e.push_back({1, 10, kWhite, "inner frame"});
            break;
        }
        case 10: {
            struct {
                Color fill;
                float p, q, s, fr, co;
            } shades;
            if (disabled) {
                shades = {B, 0.05f, -0.02f, 0.08f, -0.2f, -0.23f};
            } else if (state == 1) {
                shades = {S(-0.03f), 0.15f, -0.05f, 0.2f, -0.28f, -0.36f};
            } else if (state == 2) {
                shades = {S(-0.03f), 0.1f, -0.08f, 0.05f, -0.36f, -0.36f};
            } else {
                shades = {S(-0.03f), 0.1f, -0.05f, 0.1f, -0.33f, -0.36f};
            }
            const Color strip = Sh(Av(B, kWhite), shades.p);
            const Color low2 = Av(kWhite, S(shades.s));
            e.push_back({kMid, 1, Row(strip, B, 5, 1), "strip"});
            e.push_back({kMid, 4, B, "strip, last row"});
            e.push_back({kMid, 5, shades.fill, "the fill's row"});
            e.push_back({kMid, 6, S(shades.q), "long gradient, first row"});
            e.push_back({kMid, 20, Row(S(shades.q), low2, H - 1, 14), "long gradient"});
            AddRing(e, 0, S(shades.fr), "frame");
            AddCorners(e, S(shades.co));
            break;
        }
        default:
            break;
    }
    return e;
}

TEST(ButtonLooks, EveryDrawnLookInEveryStateHasThePixelsItsStrokesGive) {
    for (std::int32_t style = 0; style <= 12; ++style) {
        for (Case c : kCases) {
            auto [p, s] = CaseOf(style, c);
            const test::Painted painted = test::PaintFace(p, s, W, H);
            for (const Probe& probe : Expected(style, c)) {
                EXPECT_EQ(painted.At(probe.x, probe.y), probe.color)
                    << "style " << style << ", " << Name(c) << ": " << probe.what << " at " << probe.x << "," << probe.y
                    << std::hex << " got 0x" << painted.At(probe.x, probe.y) << ", expected 0x" << probe.color;
            }
        }
    }
}

// The focus rectangle inverts a dotted line: along its top edge every pixel
// is the face's or its inverse, and some are inverted.
bool FocusRectangleAt(const test::Painted& marked, const test::Painted& plain, std::int32_t left, std::int32_t top,
                      std::int32_t right) {
    int inverted = 0;
    for (std::int32_t x = left; x < right; ++x) {
        const Color a = marked.At(x, top), b = plain.At(x, top);
        if (a == (b ^ 0xFFFFFF)) {
            ++inverted;
        } else if (a != b) {
            return false;
        }
    }
    return inverted > 0;
}

TEST(ButtonLooks, FocusRectanglesWhereTheLooksDrawThem) {
    struct Row {
        std::int32_t style;
        Case c;
        std::int32_t inset;  // 0: none
        bool windowActive;
    };
    const Row rows[] = {
        {0, Case::kFocused, 4, true},  {0, Case::kDefault, 4, true}, {1, Case::kFocused, 3, true},
        {0, Case::kFocused, 0, false},  // only in an active window
        {11, Case::kFocused, 0, true},  // its scheme has no focus rectangle
        {9, Case::kFocused, 3, true},  {9, Case::kDefault, 3, true}, {2, Case::kFocused, 0, true},
    };
    for (const Row& row : rows) {
        auto [p, s] = CaseOf(row.style, row.c);
        s.windowActive = row.windowActive;
        auto [plainP, plainS] = CaseOf(row.style, Case::kNormal);
        plainS.windowActive = row.windowActive;
        const test::Painted marked = test::PaintFace(p, s, W, H);
        const test::Painted plain = test::PaintFace(plainP, plainS, W, H);
        const bool drawn =
            row.inset > 0 && FocusRectangleAt(marked, plain, row.inset + 1, row.inset, W - row.inset - 1);
        EXPECT_EQ(drawn, row.inset > 0) << "style " << row.style << " " << Name(row.c);
        if (row.inset == 0) {
            for (std::int32_t inset : {2, 3, 4}) {
                EXPECT_FALSE(FocusRectangleAt(marked, plain, inset + 1, inset, W - inset - 1))
                    << "style " << row.style << " inset " << inset;
            }
        }
    }
}

TEST(ButtonLooks, StyleSixPressedWhileSetShowsThePressedFace) {
    auto [p, s] = CaseOf(6, Case::kChecked);
    s.mouseHeld = true;
    const test::Painted painted = test::PaintFace(p, s, W, H);
    EXPECT_EQ(painted.At(kMid, 12), 0xDDE4E5);
    EXPECT_EQ(painted.after.foreColor, Sys(COLOR_BTNTEXT));  // white only when handed the pressed state
    auto [q, t] = CaseOf(6, Case::kDown);
    EXPECT_EQ(test::PaintFace(q, t, W, H).after.foreColor, kWhite);
}

TEST(ButtonLooks, StyleNineHotIsItsNormalFace) {
    auto [p, s] = CaseOf(9, Case::kNormal);
    auto [q, t] = CaseOf(9, Case::kHot);
    EXPECT_EQ(test::PaintFace(p, s, W, H).pixels.bgra, test::PaintFace(q, t, W, H).pixels.bgra);
}

TEST(ButtonLooks, StyleEightSplitsAt27AsTenAndSeventeen) {
    auto [p, s] = CaseOf(8, Case::kHot);
    const test::Painted painted = test::PaintFace(p, s, W, 27);
    EXPECT_EQ(painted.At(kMid, 9), 0xACEAFF);   // the upper band's last row
    EXPECT_EQ(painted.At(kMid, 10), 0x67D7FF);  // the lower band's first
}

TEST(ButtonLooks, LooksThatRegionTheirFaceAskInTheirNormalState) {
    const std::int32_t expectRegion[14] = {1, 1, 1, 1, 0, 1, 1, 1, 0, 1, 1, 1, 1, 0};
    for (std::int32_t style = 0; style <= 12; ++style) {
        auto [p, s] = CaseOf(style, Case::kNormal);
        EXPECT_EQ(test::PaintFace(p, s, W, H).host.regionUpdates, expectRegion[style]) << style;
        auto [q, t] = CaseOf(style, Case::kHot);
        EXPECT_EQ(test::PaintFace(q, t, W, H).host.regionUpdates, 0) << style;
    }
}

// With visual styles the themed look is the system's push button in the
// state its draw state maps to; without them it becomes style 2 for good.
TEST(ButtonLooks, TheThemedLookFollowsTheVisualStyle) {
    const std::int32_t themeState[] = {1, 2, 3, 3, 4, 5, 5};  // by case
    int i = 0;
    for (Case c : kCases) {
        auto [p, s] = CaseOf(13, c);
        const test::Painted painted = test::PaintFace(p, s, W, H);
        if (!test::VisualStylesOn()) {
            EXPECT_EQ(painted.after.buttonStyle, 2) << Name(c);
            EXPECT_EQ(painted.after.colorScheme, 0) << Name(c);
            EXPECT_EQ(painted.after.backColor, 0xE7EBEC) << Name(c);
            auto [q, t] = CaseOf(2, c);
            EXPECT_EQ(painted.pixels.bgra, test::PaintFace(q, t, W, H).pixels.bgra) << Name(c);
            ++i;
            continue;
        }
        EXPECT_EQ(painted.after.buttonStyle, 13);
        EXPECT_EQ(painted.host.surfaceBackColor, Sys(COLOR_BTNFACE));
        MemorySurface expected(W, H);
        GdiCanvas canvas(expected.Dc(), W, H);
        canvas.Fill({0, 0, W, H}, kClear);
        HTHEME theme = ::OpenThemeData(nullptr, L"Button");
        ASSERT_NE(theme, nullptr);
        RECT box{0, 0, W, H};
        ::DrawThemeBackground(theme, expected.Dc(), 1, themeState[i++], &box, &box);
        ::CloseThemeData(theme);
        EXPECT_EQ(painted.pixels.bgra, expected.Read().bgra) << Name(c);
    }
}

}  // namespace
}  // namespace quill::button
