#pragma once
// The tooltip window of one kestbutton, made again from a description each
// time the button turns hot. A pop-up made for a child window is owned by
// the child's top-level window, not by the child: it would outlive the
// button, so the button destroys it when it ends.

#include "controls/button/ToolTipSetup.h"

#include <windows.h>

namespace quill::button {

class ToolTipWindow {
  public:
    // Destroys the current tooltip window (if it still exists) and makes a new
    // one for owner: the tool is the owner window itself. Results of the
    // window messages are not examined: a tooltip that cannot be made leaves
    // the button without one.
    void Remake(HWND owner, const ToolTipSetup& setup);
    // The current tooltip window, or null.
    [[nodiscard]] HWND Window() const noexcept;
    void Destroy() noexcept;

  private:
    HWND window_ = nullptr;
};

}  // namespace quill::button
