#include "controls/button/ToolTipSpec.h"

namespace quill::button {

ToolTipSpec ToolTipSpecOf(const ButtonProperties& p, bool unicode, const ColorTranslator& colors) {
    ToolTipSpec spec;
    spec.style = kToolTipAlwaysTip | kToolTipNoPrefix | (p.toolTipType == 1 ? kToolTipBalloon : 0);
    spec.exStyle = p.tooltipRightToLeft ? kLayoutRightToLeft : 0;
    spec.wide = unicode;
    // The ANSI form of the tool is registered without the window-handle flag.
    spec.toolFlags = unicode ? kToolIdIsWindow | kToolSubclass : kToolSubclass;
    spec.text = p.toolTip;
    const bool hasTitle = unicode ? !p.tooltipTitle.empty() : !p.tooltipTitle.empty() || p.toolTipIcon != 0;
    if (hasTitle) spec.title = ToolTipTitle{p.toolTipIcon, p.tooltipTitle};
    // 0 leaves the system's colour, so black itself cannot be chosen.
    if (p.tooltipBackColor != 0) spec.backColor = colors.TranslateColor(p.tooltipBackColor);
    return spec;
}

}  // namespace quill::button
