#pragma once
// The converter's progress on stderr. On a terminal: a bar per container,
// redrawn at most ten times a second, with its messages so far, the bytes
// read of the container's size, the rate and the time left, each redraw
// covering all of the one before; when the container is done the bar is
// cleared and one closing line stays. Elsewhere (a pipe, a log file): only
// the closing line per container.

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
    void Update(const std::string& container, std::uint64_t messages, std::uint64_t bytes, std::uint64_t total);
    // The closing line of the current container, if one was started and not yet closed.
    void End();

    // The bar as drawn for these figures (total 0: size unknown, no bar or estimate).
    static std::string Bar(const std::string& container, std::uint64_t messages, std::uint64_t bytes,
                           std::uint64_t total, double seconds);
    // The closing line.
    static std::string Closing(const std::string& container, std::uint64_t messages, std::uint64_t bytes,
                               double seconds);

  private:
    using Clock = std::chrono::steady_clock;
    void Clear();

    std::ostream& err_;
    bool terminal_;
    std::string current_;
    std::uint64_t messages_ = 0, bytes_ = 0;
    std::size_t drawnWidth_ = 0;
    Clock::time_point started_{}, lastDraw_{};
};

}  // namespace quill::cli
