#pragma once
// Shell helpers the window calls, and the window's event pump.

#include "convert/RunInterfaces.h"

#include <string>

namespace quill {

// Opens the address with the shell's "open" verb (the default browser for a
// web address). An empty address does nothing; shell failures are ignored.
void OpenWebPage(const std::wstring& address);

// Lets the calling thread's pending window messages run. A WM_QUIT met on the
// way is posted again, so the main loop still ends.
class WindowEventPump final : public EventPump {
  public:
    void Pump() override;
};

}  // namespace quill
