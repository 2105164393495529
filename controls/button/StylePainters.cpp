// The looks of the button. Each draws its background, the picture and
// caption (CapPic) once, then its borders, corner pixels and focus marks.
// Colours: B is BackColor, S(f) BackColor shifted by f, X(c, f) any colour
// shifted, T(c) a literal as drawn.
#include "controls/button/FaceContext.h"

namespace quill::button {
namespace {

constexpr Color kWhite = 0xFFFFFF;
constexpr Color kBlack = 0x000000;
constexpr int kColorAppWorkspace = 12;
constexpr int kColorFace = kColorButtonFace;
constexpr int kColorText = kColorButtonText;

Rect Inset(const Rect& r, std::int32_t n) { return {r.left + n, r.top + n, r.right - n, r.bottom - n}; }

}  // namespace

// Styles 0, 1, 11 and 12: the system's three-dimensional edges.
void PaintClassic(FaceContext& f) {
    const std::int32_t style = f.p.buttonStyle;
    const std::int32_t W = f.W, H = f.H;
    const Rect box{0, 0, W, H};
    if (f.Disabled()) {
        if (style == 0) f.Edge(box, kEdgeRaised);
        if (style == 1) f.Edge(box, kEdgeRaisedInner);
        f.CapPic();
        return;
    }
    if (f.Checked()) {
        f.Fill(f.S(0.02f));
        f.CapPic();
        if (style == 12) return;
        f.Edge(box, kEdgeSunken);
        if (style == 0 && f.p.showFocusRect && f.face.focused) {
            f.Frame(4, 4, W - 7, H - 7, f.SystemColorOf(kColorAppWorkspace));
        }
        return;
    }
    if (f.state == 0) f.Region();
    f.Fill(f.B());
    f.CapPic();
    switch (f.state) {
        case 0:
            if (style == 0) f.Edge(box, kEdgeRaised);
            if (style == 1) f.Edge(box, kEdgeRaisedInner);
            break;
        case 1:
            f.Edge(box, style == 1 || style == 12 ? kEdgeRaisedInner : kEdgeRaised);
            break;
        case 2:
            if (style == 0) {
                f.Frame(1, 1, W - 2, H - 2, f.T(0x99A8AC));
                f.Frame(0, 0, W, H, f.T(kBlack));
            } else if (style == 1 || style == 12) {
                f.Frame(0, 0, W, H, f.T(kWhite));
                f.Frame(0, 0, W + 1, H + 1, f.SystemColorOf(kColorGrayText));  // only its top and left fall inside
            } else {
                f.Edge(box, kEdgeSunken);
            }
            break;
        default:
            break;
    }
    if (f.FocusedOrDefault()) {
        if (f.face.userMode && f.p.showFocusRect && f.face.windowActive) {
            f.FocusRect(Inset(box, style == 0 || style == 11 ? 4 : 3));
        }
        if (style == 0 && f.state != 2) {
            // The default button's look.
            f.Edge({0, 0, W - 1, H - 1}, kEdgeRaised);
            f.Frame(0, 0, W - 1, H - 1, f.SystemColorOf(kColorAppWorkspace));
            f.Frame(0, 0, W, H, f.T(kBlack));
        }
    }
}

// Style 6, flat until hot; told in full, the pattern of the gradient looks.
void PaintFlatSilver(FaceContext& f) {
    const std::int32_t W = f.W, H = f.H;
    f.p.foreColor = f.state == 2 ? f.T(kWhite) : f.SystemColorOf(kColorText);
    if (f.Checked() && f.face.mouseHeld) f.state = 2;  // a set button pressed shows pressed
    if (f.Checked() && f.state != 2) {
        f.Fill(f.T(0xFEFEFE));
        f.p.foreColor = f.SystemColorOf(kColorText);
        f.CapPic();
        f.Frame(0, 0, W, H, f.T(0xAF987A));
        f.Corners(f.X(0xC1B3A0, -0.2f));
        if (f.state == 1) {
            f.Line(W - 2, 2, W - 2, H - 2, f.T(0xEDF0F2));
            f.Line(2, H - 2, W - 2, H - 2, f.T(0xD8DEE4));
            f.Line(1, H - 3, W - 1, H - 3, f.T(0xE8ECEF));
            f.Line(1, H - 4, W - 1, H - 4, f.T(0xF8F9FA));
        }
        return;
    }
    switch (f.state) {
        case 0:
            f.Region();
            f.Fill(f.B());
            f.CapPic();
            break;
        case 1:
            f.Vert(0, 0, W, f.half, f.T(0xFDFEFE), f.T(0xEEF4F4));
            f.Vert(0, f.half, W, f.half, f.T(0xEEF4F4), f.T(0xEAF1F1));
            f.CapPic();
            f.Line(W - 2, 2, W - 2, H - 2, f.T(0xE0E7EA));
            f.Line(W - 3, 2, W - 3, H - 2, f.T(0xEAF0F0));
            f.Line(0, H - 4, W, H - 4, f.T(0xE5EDEE));
            f.Line(0, H - 3, W, H - 3, f.T(0xD6E1E4));
            f.Line(0, H - 2, W, H - 2, f.T(0xC6D2D7));
            f.Frame(0, 0, W, H, f.T(0xC3CECE));
            f.Corners(f.X(0xC9D4D4, -0.05f));
            break;
        case 2:
            f.Fill(f.T(0xDDE4E5));
            f.CapPic();
            f.Line(1, 1, W - 2, 1, f.X(0xD1DADC, -0.02f));
            f.Line(1, 2, W - 2, 2, f.X(0xDAE1E3, -0.02f));
            f.Line(1, H - 3, W - 2, H - 3, f.X(0xDEE5E6, 0.02f));
            f.Line(1, H - 2, W - 2, H - 2, f.X(0xE5EAEB, 0.02f));
            f.Frame(0, 0, W, H, f.T(0x929D9D));
            f.Corners(f.X(0xABB4B5, -0.2f));
            break;
        default:
            break;
    }
}

// Style 2, and style 13 without visual styles: three colour schemes.
void PaintFramedGradient(FaceContext& f) {
    const std::int32_t W = f.W, H = f.H;
    const std::int32_t scheme = f.p.colorScheme;
    if (f.Disabled()) {
        f.Region();
        f.Fill(f.Avg(f.SystemColorOf(kColorFace), f.S(0.1f)));
        f.CapPic();
        f.Frame(0, 0, W, H, f.S(-0.1f));
        f.Corners(f.S(-0.1f));
        return;
    }
    auto softFace = [&] {
        if (scheme == 2) {
            f.Vert(0, 0, W, f.half, f.S(0.22f), f.B());
            f.Vert(0, f.half, W, f.half, f.S(-0.01f), f.S(-0.15f));
        } else {
            f.Vert(0, 0, W, H, f.S(0.07f), f.B());
            f.Vert(0, 0, W, 4, f.S(0.1f), f.S(0.08f));
        }
        f.CapPic();
    };
    // The lines of a coloured rim: top, second, sides, inner sides, inner bottom, bottom.
    auto rim = [&](Color a, Color b, Color c, Color d, Color e, Color g) {
        f.Line(1, 2, W - 2, 2, a);
        f.Line(1, 1, W - 2, 1, b);
        f.Line(1, 1, 1, H - 2, c);
        f.Line(W - 2, 2, W - 2, H - 2, c);
        f.Line(2, 2, 2, H - 3, d);
        f.Line(W - 3, 3, W - 3, H - 3, d);
        f.Line(2, H - 3, W - 2, H - 3, e);
        f.Line(2, H - 2, W - 2, H - 2, g);
    };
    switch (f.state) {
        case 0:
            f.Region();
            softFace();
            if (scheme == 2) {
                f.Line(W - 2, 2, W - 2, H - 2, f.T(kWhite));
                f.Line(1, 1, 1, H - 2, f.T(kWhite));
            } else {
                f.Line(1, H - 2, W - 2, H - 2, f.S(-0.09f));
                f.Line(1, H - 3, W - 2, H - 3, f.S(-0.05f));
                f.Line(1, H - 4, W - 2, H - 4, f.S(-0.01f));
                f.Line(W - 2, 2, W - 2, H - 2, f.S(-0.08f));
                f.Line(1, 1, 1, H - 2, f.Avg(f.T(kWhite), f.B()));
            }
            break;
        case 1:
            softFace();
            rim(f.T(0x89D8FD), f.T(0xCFF0FF), f.T(0x49BDF9), f.T(0x7AD2FC), f.T(0x30B3F8), f.T(0x0097E5));
            break;
        case 2:
            if (scheme == 2) {
                f.Vert(0, 0, W, H - 6, f.S(-0.2f), f.S(0.05f));
                f.Vert(0, H - 6, W, H - 1, f.S(0.08f), f.T(kWhite));
                f.CapPic();
                f.Frame(1, 1, W - 2, H - 2, f.T(kWhite));
            } else {
                f.Fill(f.S(-0.05f));
                f.CapPic();
                f.Line(1, 1, W - 2, 1, f.S(-0.16f));
                f.Line(1, 2, W - 2, 2, f.S(-0.1f));
                f.Line(1, H - 2, W - 2, H - 2, f.S(0.01f));
                f.Line(1, 1, 1, H - 2, f.S(-0.16f));
                f.Line(2, 2, 2, H - 2, f.S(-0.1f));
                f.Line(W - 2, 2, W - 2, H - 2, f.S(0.04f));
            }
            break;
        default:
            break;
    }
    if (f.state == 0 && f.face.windowActive && f.FocusedOrDefault()) {
        if (scheme == 1) {
            rim(f.T(0x8FD1C2), f.T(0x80CBB1), f.T(0x68C8A0), f.T(0x68C8A0), f.T(0x68C8A0), f.T(0x66A7A8));
        } else {
            rim(f.T(0xF6D4BC), f.T(0xFFE7CE), f.T(0xE6AF8E), f.T(scheme == 2 ? 0xFFFFFF : 0xF4D1B8), f.T(0xE4AD89),
                f.T(0xEE8269));
        }
    }
    if (f.face.windowActive && f.p.showFocusRect && f.FocusedOrDefault()) f.FocusRect({2, 2, W - 2, H - 2});
    const Color frame = f.T(scheme == 1 ? 0x066237 : 0x743C00);
    f.Frame(0, 0, W, H, frame);
    f.Corners(ShiftColor(frame, 0.3f));
}

// Style 3: two glassy halves.
void PaintGlass(FaceContext& f) {
    const std::int32_t W = f.W, H = f.H, half = f.half;
    if (f.Disabled()) {
        f.Region();
        f.Fill(f.S(0.03f));
        f.CapPic();
        f.Frame(0, 0, W, H, f.S(-0.25f));
        f.Frame(1, 1, W - 2, H - 2, f.S(0.25f));
        f.Corners(f.S(-0.03f));
        return;
    }
    const Color E = f.S(0.05f);
    const std::int32_t k = RoundToInt32(H / 2.0 - 2);
    const std::int32_t m = RoundToInt32(H - H / 2.0 - 1);
    switch (f.state) {
        case 0:
            f.Region();
            f.Vert(1, 1, W - 1, H, E, f.B());
            f.Vert(1, half, W - 2, H - 2, f.S(-0.02f), f.S(-0.15f));
            f.CapPic();
            f.Frame(0, 0, W, H, f.T(0x707070));
            f.Frame(1, 1, W - 2, H - 2, f.T(kWhite));
            break;
        case 1:
            f.Vert(1, 1, W - 2, half, f.T(0xFFF7E4), f.T(0xFFF3DA));
            f.Vert(1, half, W - 2, H - 2, f.T(0xFFE9C1), f.T(0xFDE1AE));
            f.Horz(1, 3, 5, k, f.T(0xFFEECD), f.T(0xFFF7E4));
            f.Horz(1, half, 5, m, f.T(0xFAD68F), f.X(0xFDE1AC, 0.01f));
            f.Horz(W - 6, 3, 5, k, f.T(0xFFF7E4), f.T(0xFFEECD));
            f.Horz(W - 6, half, 5, m, f.X(0xFDE1AC, 0.01f), f.T(0xFAD68F));
            f.CapPic();
            f.Frame(0, 0, W, H, f.T(0xA77532));
            f.Frame(1, 1, W - 2, H - 2, f.T(kWhite));
            break;
        case 2:
            f.Vert(1, 1, W - 1, H, f.T(0xF6E4C2), f.T(0xF6E4C2));
            f.Vert(1, half, W - 2, H - 2, f.T(0xF0D29A), f.T(0xF0D29A));
            f.Frame(0, 0, W, H, f.T(0x5C411D));
            f.Line(1, 1, W - 1, 1, f.T(0xB39C71));
            f.Line(1, 2, W - 1, 2, f.T(0xD6C6A9));
            f.Line(1, 3, W - 1, 3, f.T(0xECD9B9));
            f.Line(1, 1, 1, RoundToInt32(H / 2.0 - 1), f.T(0xCFB073));
            f.Line(1, half, 1, m, f.T(0xC5912B));
            f.Horz(1, 3, 5, k, f.X(0xE6C891, 0.02f), f.X(0xF6E4C2, -0.01f));
            f.Horz(1, half, 5, m, f.X(0xDCAB4E, 0.02f), f.X(0xF0D29A, -0.01f));
            f.Horz(W - 6, 3, 5, k, f.X(0xF6E4C2, -0.01f), f.X(0xE6C891, 0.02f));
            f.Horz(W - 6, half, 5, m, f.X(0xF0D29A, -0.01f), f.X(0xDCAB4E, 0.02f));
            f.CapPic();
            break;
        default:
            break;
    }
    if (f.face.windowActive) {
        if (f.state == 0 && f.FocusedOrDefault()) {
            f.Frame(0, 0, W, H, f.T(0xA77532));
            f.Frame(1, 1, W - 2, H - 2, f.T(0xFBD848));
        }
        if (f.p.showFocusRect && f.face.focused) f.FocusRect({2, 2, W - 2, H - 2});
    }
    f.Corners(f.T(0xBE965F));
}

// Style 4: flat, coloured only when hot, pressed or set.
void PaintFlatHover(FaceContext& f) {
    const std::int32_t W = f.W, H = f.H;
    Color hover = f.T(kBlack), frame = f.T(kBlack);
    switch (f.p.colorScheme) {
        case 0:
            hover = f.T(0xEED2C1);
            frame = f.T(0xC56A31);
            break;
        case 1:
            hover = f.T(0xBAD6D4);
            frame = f.T(0x70A093);
            break;
        case 2:
            hover = f.T(0xE3DFE0);
            frame = f.T(0xBFB4B2);
            break;
        case 3:
            hover = f.B();
            frame = f.S(-0.12f);
            break;
        default:
            break;
    }
    if (f.Checked()) {
        f.Fill(ShiftColor(hover, -0.05f));
        f.Frame(0, 0, W, H, frame);
        if (f.face.mouseOver) {
            f.Fill(ShiftColor(hover, -0.01f));
            f.Frame(0, 0, W, H, frame);
        }
        f.CapPic();
        return;
    }
    if (f.state == 0) f.Fill(f.B());
    if (f.state == 1) f.Fill(ShiftColor(hover, 0.03f));
    if (f.state == 2) f.Fill(ShiftColor(hover, -0.08f));
    f.CapPic();
    if (f.state != 0) f.Frame(0, 0, W, H, frame);
}

// Style 5: two halves from BackColor; warm gradients when hot, pressed or set.
void PaintWarmGradient(FaceContext& f) {
    const std::int32_t W = f.W, H = f.H;
    const Color navy = f.T(0x800000);
    if (f.Checked()) {
        if (f.face.mouseOver) {
            f.Vert(0, 0, W, H, f.T(0x4E91FE), f.T(0x8ED3FF));
        } else {
            f.Vert(0, 0, W, H, f.T(0x8CD5FF), f.T(0x55ADFF));
        }
        f.CapPic();
        f.Frame(0, 0, W, H, navy);
        return;
    }
    switch (f.state) {
        case 0:
            f.Region();
            f.Vert(0, 0, W, f.half, f.Avg(f.T(kWhite), f.S(0.08f)), f.B());
            f.Vert(0, f.half, W, RoundToInt32(H / 2.0 + 1), f.B(), f.S(-0.15f));
            break;
        case 1:
            f.Vert(0, 0, W, H, f.T(0xCCF4FF), f.T(0x91D0FF));
            break;
        case 2:
            f.Vert(0, 0, W, H, f.T(0x4E91FE), f.T(0x8ED3FF));
            break;
        default:
            break;
    }
    f.CapPic();
    if (f.state != 0) f.Frame(0, 0, W, H, navy);
}

// Style 7: flat until hot; light blue with blue and white frames.
void PaintCoolHover(FaceContext& f) {
    const std::int32_t W = f.W, H = f.H;
    if (f.Disabled()) {
        f.Fill(f.B());
        f.CapPic();
        f.Corners(f.B());
        return;
    }
    auto frames = [&] {
        f.Frame(0, 0, W, H, f.T(0xCA9E61));
        f.Frame(1, 1, W - 2, H - 2, f.T(kWhite));
        f.Corners(f.X(0xCA9E61, 0.3f));
    };
    switch (f.state) {
        case 0:
            f.Region();
            f.Fill(f.B());
            f.CapPic();
            break;
        case 1:
            f.Vert(1, 1, W - 2, H - 2, f.T(0xFDF9F1), f.T(0xF8ECD0));
            f.Vert(1, RoundToInt32(H / 1.7), W - 2, H - 2, f.T(0xF8ECD0), f.T(0xF8ECD0));
            f.CapPic();
            frames();
            break;
        case 2:
            f.Vert(1, 1, W - 2, H - 2, f.T(0xF1DEB0), f.T(0xF9F1DB));
            f.CapPic();
            frames();
            break;
        default:
            break;
    }
}

// Style 8: the face split at H / 2.7 into two gradients.
void PaintBandedGradient(FaceContext& f) {
    const std::int32_t W = f.W, H = f.H;
    const std::int32_t t = RoundToInt32(H / 2.7);
    const std::int32_t r = RoundToInt32(H - H / 2.7);
    auto bands = [&](Color u1, Color u2, Color l1, Color l2) {
        f.Vert(0, 0, W, t, u1, u2);
        f.Vert(0, t, W, r, l1, l2);
    };
    auto frame = [&] { f.Frame(0, 0, W, H, f.S(-0.34f)); };
    if (f.Checked()) {
        bands(f.T(0xA9D9FF), f.T(0x6FC0FF), f.T(0x3FABFF), f.T(0x75E1FF));
        frame();
        if (f.face.mouseOver) {
            bands(f.T(0x58C1FF), f.T(0x51AFFF), f.T(0x468FFF), f.T(0x5FD3FF));
            frame();
        }
        f.CapPic();
        return;
    }
    switch (f.state) {
        case 0:
            f.Fill(f.B());
            bands(f.Avg(f.S(0.09f), f.T(kWhite)), f.Avg(f.S(0.07f), f.B()), f.B(), f.S(0.03f));
            break;
        case 1:
            bands(f.T(0xE1FFFF), f.T(0xACEAFF), f.T(0x67D7FF), f.T(0x99E4FF));
            break;
        case 2:
            bands(f.T(0x58C1FF), f.T(0x51AFFF), f.T(0x468FFF), f.T(0x5FD3FF));
            break;
        default:
            break;
    }
    f.CapPic();
    frame();
}

// Style 9: white into BackColor, a white inner frame; hot looks as normal.
void PaintWhiteGloss(FaceContext& f) {
    const std::int32_t W = f.W, H = f.H;
    if (f.Disabled()) f.state = 0;
    if (f.state == 2) {
        f.Vert(0, 0, W, f.half, f.T(kWhite), f.S(-0.1f));
        f.Vert(0, f.half, W, H, f.S(-0.1f), f.S(-0.05f));
        f.CapPic();
        f.Frame(1, 1, W - 2, H, f.T(kWhite));
        f.Frame(0, 0, W, H, f.S(-0.23f));
        f.Line(2, H - 1, W - 2, H - 1, f.S(-0.4f));
    } else {
        if (f.state == 0) f.Region();
        f.Vert(0, 0, W, f.half, f.T(kWhite), f.B());
        f.Vert(0, f.half, W, H, f.B(), f.B());
        f.CapPic();
        f.Frame(1, 1, W - 2, H, f.T(kWhite));
        f.Frame(0, 0, W, H, f.S(-0.2f));
        f.Line(2, H - 1, W - 2, H - 1, f.S(-0.25f));
    }
    f.Corners(f.S(0.05f));
    if (f.face.windowActive && f.p.showFocusRect && f.FocusedOrDefault()) f.FocusRect({3, 3, W - 3, H - 3});
}

// Style 10: a five-pixel strip on top of a long gradient.
void PaintStripGradient(FaceContext& f) {
    const std::int32_t W = f.W, H = f.H;
    struct Shades {
        float fill, strip, top, bottom, frame, corners;  // fill 0 is BackColor itself
    };
    Shades s{};
    if (f.Disabled()) {
        s = {0, 0.05f, -0.02f, 0.08f, -0.2f, -0.23f};
    } else if (f.state == 1) {
        s = {-0.03f, 0.15f, -0.05f, 0.2f, -0.28f, -0.36f};
    } else if (f.state == 2) {
        s = {-0.03f, 0.1f, -0.08f, 0.05f, -0.36f, -0.36f};
    } else {
        s = {-0.03f, 0.1f, -0.05f, 0.1f, -0.33f, -0.36f};
        f.Region();
    }
    f.Fill(s.fill == 0 ? f.B() : f.S(s.fill));
    f.Vert(0, 0, W, 5, ShiftColor(f.Avg(f.B(), f.T(kWhite)), s.strip), f.B());
    f.Vert(0, 6, W, H - 1, f.S(s.top), f.Avg(f.T(kWhite), f.S(s.bottom)));  // the row at 5 keeps the fill
    f.CapPic();
    f.Frame(0, 0, W, H, f.S(s.frame));
    f.Corners(f.S(s.corners));
}

// Style 13 with visual styles: the system's push button.
void PaintThemed(FaceContext& f) {
    f.host.SetSurfaceBackColor(f.SystemColorOf(kColorFace));
    std::int32_t themeState = f.Disabled() ? 4 : f.state + 1;
    if (!f.Disabled() && f.state == 0 && f.FocusedOrDefault() && f.face.windowActive) themeState = 5;
    (void)f.canvas.ThemedPart("Button", 1, themeState, {0, 0, f.W, f.H});
    f.CapPic();
}

}  // namespace quill::button
