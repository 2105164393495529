#pragma once
// The window's event pump: what the run and the listings call between steps.

#include "convert/RunInterfaces.h"

#include <windows.h>

#include <functional>

namespace quill {

// Lets the calling thread's pending window messages run. A WM_QUIT met on the
// way is posted again, so the main loop still ends. The filter sees each
// message first, as the main loop's does (access keys, Tab between
// controls), and answers true for a message it has handled.
class WindowEventPump final : public EventPump {
  public:
    using Filter = std::function<bool(MSG&)>;
    WindowEventPump() = default;
    explicit WindowEventPump(Filter filter) : filter_(std::move(filter)) {}
    void Pump() override;

  private:
    Filter filter_;
};

}  // namespace quill
