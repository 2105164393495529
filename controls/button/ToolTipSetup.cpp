#include "controls/button/ToolTipSetup.h"

namespace quill::button {

ToolTipSetup ToolTipSetupOf(const ButtonProperties& p, bool unicode, const ColorTranslator& colors) {
    ToolTipSetup setup;
    setup.style = kToolTipAlwaysTip | kToolTipNoPrefix | (p.toolTipType == 1 ? kToolTipBalloon : 0);
    setup.exStyle = p.tooltipRightToLeft ? kLayoutRightToLeft : 0;
    setup.wide = unicode;
    // The ANSI form of the tool is registered without the window-handle flag.
    setup.toolFlags = unicode ? kToolIdIsWindow | kToolSubclass : kToolSubclass;
    setup.text = p.toolTip;
    const bool hasTitle = unicode ? !p.tooltipTitle.empty() : !p.tooltipTitle.empty() || p.toolTipIcon != 0;
    if (hasTitle) setup.title = ToolTipTitle{p.toolTipIcon, p.tooltipTitle};
    // 0 leaves the system's colour, so black itself cannot be chosen.
    if (p.tooltipBackColor != 0) setup.backColor = colors.TranslateColor(p.tooltipBackColor);
    return setup;
}

}  // namespace quill::button
