#pragma once
// The converter's progress on stderr. On a terminal, one line redrawn at most ten times a second
// with the container, its messages so far, the megabytes read and the rate; everywhere, one
// closing line per container with its messages and bytes.

#include <chrono>
#include <cstdint>
#include <ostream>
#include <string>

namespace quill::cli {

class ProgressLine {
  public:
    ProgressLine(std::ostream& err, bool terminal) : err_(err), terminal_(terminal) {}

    // Closes the previous container's line and starts timing the next.
    void Start(const std::string& container);
    void Update(const std::string& container, std::uint64_t messages, std::uint64_t bytes);
    // The closing line of the current container, if one was started and not yet closed.
    void End();

  private:
    using Clock = std::chrono::steady_clock;

    std::ostream& err_;
    bool terminal_;
    std::string current_;
    std::uint64_t messages_ = 0, bytes_ = 0;
    bool drawn_ = false;
    Clock::time_point started_{}, lastDraw_{};
};

}  // namespace quill::cli
