#include "controls/button/FaceLayout.h"

#include "controls/button/NumberRules.h"

#include <algorithm>

namespace quill::button {
namespace {

constexpr std::int32_t kStyleThemed = 13;

bool IsOneOf(std::int32_t value, std::initializer_list<std::int32_t> set) {
    return std::find(set.begin(), set.end(), value) != set.end();
}

Rect PlacePicture(const LayoutInput& in, const Rect& caption, bool dropDownPart) {
    const ButtonProperties& p = in.properties;
    if (!p.pictureNormal) return {};
    const std::int32_t W = in.width, H = in.height, pw = in.pictureWidth, ph = in.pictureHeight;
    auto shift = [&](std::int32_t& left, std::int32_t n) {
        if (dropDownPart) left -= n;
    };
    std::int32_t left = 0, top = 0;
    if (HasCaption(p) && p.pictureAlign != 4) {
        switch (p.pictureAlign) {
            case 0:
                left = 3;
                top = DivTruncate(H - ph, 2);
                break;
            case 1:
                left = caption.left - pw - 4;
                top = DivTruncate(H - ph, 2);
                break;
            case 2:
                left = W - pw - 3;
                top = DivTruncate(H - ph, 2);
                shift(left, 16);
                left = std::max(left, caption.right + 2);
                break;
            case 3:
                left = caption.right + 4;
                top = DivTruncate(H - ph, 2);
                shift(left, 16);
                left = std::max(left, caption.right + 2);
                break;
            case 5:
                left = DivTruncate(W - pw, 2);
                top = 4;
                shift(left, 8);
                break;
            case 6:
                left = DivTruncate(W - pw, 2);
                top = caption.top - ph - 2;
                shift(left, 8);
                break;
            case 7:
                left = DivTruncate(W - pw, 2);
                top = H - ph - 4;
                shift(left, 8);
                break;
            case 8:
                left = DivTruncate(W - pw, 2);
                top = caption.bottom + 2;
                shift(left, 8);
                break;
            default:  // no place of its own: the top left
                break;
        }
    } else {
        left = DivTruncate(W - pw, 2);
        top = DivTruncate(H - ph, 2);
        shift(left, 8);
    }
    return {left, top, left + pw, top + ph};
}

}  // namespace

const host::Picture* CurrentPicture(const ButtonProperties& p, std::int32_t drawState) {
    const bool set = p.mode != kModePush && p.value;
    if (drawState == 2 || set) {
        if (p.pictureDown) return p.pictureDown.get();
        if (p.pictureHot) return p.pictureHot.get();
        return p.pictureNormal.get();
    }
    if (drawState == 1 && p.pictureHot) return p.pictureHot.get();
    return p.pictureNormal.get();
}

bool HasCaption(const ButtonProperties& p) { return p.caption.find_first_not_of(' ') != std::string::npos; }

std::uint32_t CaptionFormat(const ButtonProperties& p) noexcept {
    return kTextCenter | kTextWordBreak | (p.rightToLeft ? kTextRightToLeft : 0);
}

FaceLayout LayoutFace(const LayoutInput& in, const CaptionMeasure& measure) {
    const ButtonProperties& p = in.properties;
    const std::int32_t W = in.width, H = in.height, pw = in.pictureWidth, ph = in.pictureHeight;
    FaceLayout out;
    out.dropDownPart = p.dropDownSymbol != 0 || p.dropDownSeparator;
    const std::int32_t m = !out.dropDownPart ? 8 : (p.pictureAlign == 2 || p.pictureAlign == 3) ? 24 : 16;

    const Rect measured = measure(Rect{0, 0, W - m, H});
    Rect c{0, 0, measured.right - measured.left, measured.bottom - measured.top};
    switch (p.captionAlign) {
        case 0:
            c = c.Moved(2, DivTruncate(H - c.bottom, 2));
            break;
        case 1:
            c = c.Moved(DivTruncate(W - c.right + pw, 2), DivTruncate(H - c.bottom, 2));
            if (out.dropDownPart) c = c.Moved(-8, 0);
            if (p.pictureAlign >= 5 && p.pictureAlign <= 8) c = c.Moved(-DivTruncate(pw, 2), 0);
            break;
        case 2:
            c = c.Moved(W - c.right - 4, DivTruncate(H - c.bottom, 2));
            break;
        default:
            break;
    }

    if (p.pictureNormal) {
        switch (p.pictureAlign) {
            case 0:
            case 1:
                if (p.captionAlign != 1 && c.left < pw + 4) {
                    c.left = pw + 4;
                    c.right += pw + 4;
                }
                break;
            case 2:
            case 3:
                if (c.right > W - pw - 4) {
                    c.right = W - pw - 4;
                    c.left -= pw + 4;
                }
                if (p.captionAlign == 1) c = c.Moved(-12, 0);
                break;
            case 4:
                if (p.captionAlign == 1) c = c.Moved(-16, 0);
                break;
            case 5:
            case 6:
                c = c.Moved(0, DivTruncate(ph, 2));
                break;
            case 7:
            case 8:
                c = c.Moved(0, -DivTruncate(ph, 2));
                break;
            default:
                break;
        }
    }
    if (p.captionAlign == 2 && out.dropDownPart) c = c.Moved(-16, 0);
    if (p.buttonStyle == kStyleThemed) {
        c.left = std::max(c.left, 4);
        c.top = std::max(c.top, 4);
        c.right = std::min(c.right, W - 4);
        c.bottom = std::min(c.bottom, H - 4);
    }

    out.caption = c;
    out.picture = PlacePicture(in, c, out.dropDownPart);
    if (p.dropDownSymbol != 0) {
        out.dropDown = {W - 15, RoundToInt32(H / 2.0 - 7), W, RoundToInt32(H / 2.0 + 8)};
    }
    out.separator = p.dropDownSeparator && W - 8 > c.right;

    if (in.drawState == 2 && IsOneOf(p.buttonStyle, {0, 1, 5, 6, 7, 10, 11, 12})) {
        out.caption = out.caption.Moved(1, 1);
        if (p.pictureNormal) out.picture = out.picture.Moved(1, 1);
        out.dropDown = out.dropDown.Moved(1, 1);
    }
    out.dropDownSymbol = out.dropDown;
    if (in.drawState == 2 && IsOneOf(p.buttonStyle, {0, 1, 6, 7, 11, 12})) {
        out.dropDownSymbol = out.dropDownSymbol.Moved(1, 1);
    }
    return out;
}

}  // namespace quill::button
