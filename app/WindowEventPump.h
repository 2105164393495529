#pragma once
// The window's event pump: what the run and the listings call between steps.

#include "convert/RunInterfaces.h"

namespace quill {

// Lets the calling thread's pending window messages run. A WM_QUIT met on the
// way is posted again, so the main loop still ends.
class WindowEventPump final : public EventPump {
  public:
    void Pump() override;
};

}  // namespace quill
