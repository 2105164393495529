#include "cli/ProgressLine.h"

#include <iomanip>
#include <sstream>

namespace quill::cli {

void ProgressLine::Start(const std::string& container) {
    End();
    current_ = container;
    started_ = Clock::now();
}

void ProgressLine::Update(const std::string& container, std::uint64_t messages, std::uint64_t bytes) {
    messages_ = messages;
    bytes_ = bytes;
    if (!terminal_) return;
    auto now = Clock::now();
    if (now - lastDraw_ < std::chrono::milliseconds(100)) return;
    lastDraw_ = now;
    double secs = std::chrono::duration<double>(now - started_).count();
    double mb = static_cast<double>(bytes) / 1e6;
    std::ostringstream line;
    line << "\r" << container << ": " << messages << " messages, " << std::fixed << std::setprecision(1) << mb
         << " MB, " << (secs > 0 ? mb / secs : 0.0) << " MB/s   ";
    err_ << line.str() << std::flush;
    drawn_ = true;
}

void ProgressLine::End() {
    if (current_.empty()) return;
    if (terminal_ && drawn_) err_ << "\r";
    err_ << current_ << ": " << messages_ << " messages, " << bytes_ << " bytes\n";
    current_.clear();
    messages_ = bytes_ = 0;
    drawn_ = false;
}

}  // namespace quill::cli
