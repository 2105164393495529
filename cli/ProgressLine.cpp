#include "cli/ProgressLine.h"

#include <algorithm>
#include <cstdio>

namespace quill::cli {
namespace {

constexpr int kBarCells = 20;

std::string Megabytes(std::uint64_t bytes) {
    char text[32];
    std::snprintf(text, sizeof text, "%.1f MB", static_cast<double>(bytes) / 1e6);
    return text;
}

std::string Duration(double seconds) {
    const auto s = static_cast<long long>(seconds + 0.5);
    char text[32];
    if (s >= 3600)
        std::snprintf(text, sizeof text, "%lld:%02lld:%02lld", s / 3600, s / 60 % 60, s % 60);
    else
        std::snprintf(text, sizeof text, "%lld:%02lld", s / 60, s % 60);
    return text;
}

std::string Messages(std::uint64_t n) { return std::to_string(n) + (n == 1 ? " message" : " messages"); }

}  // namespace

std::string ProgressLine::Bar(const std::string& container, std::uint64_t messages, std::uint64_t bytes,
                              std::uint64_t total, double seconds) {
    std::string line = container + " ";
    if (total > 0) {
        const double done = bytes >= total ? 1.0 : static_cast<double>(bytes) / static_cast<double>(total);
        const int filled = static_cast<int>(done * kBarCells);
        line += "[" + std::string(static_cast<std::size_t>(filled), '#') +
                std::string(static_cast<std::size_t>(kBarCells - filled), '-') + "] ";
        char percent[8];
        std::snprintf(percent, sizeof percent, "%3d%%", static_cast<int>(done * 100));
        line += percent;
        line += "  " + Messages(messages) + "  " + Megabytes(bytes) + " of " + Megabytes(total);
    } else {
        line += " " + Messages(messages) + "  " + Megabytes(bytes);
    }
    if (seconds > 0.5) {
        const double rate = static_cast<double>(bytes) / seconds;
        char text[32];
        std::snprintf(text, sizeof text, "  %.1f MB/s", rate / 1e6);
        line += text;
        if (total > bytes && rate > 0) line += "  " + Duration(static_cast<double>(total - bytes) / rate) + " left";
    }
    return line;
}

std::string ProgressLine::Closing(const std::string& container, std::uint64_t messages, std::uint64_t bytes,
                                  double seconds) {
    return container + ": " + Messages(messages) + ", " + std::to_string(bytes) + " bytes, " + Duration(seconds);
}

void ProgressLine::Start(const std::string& container) {
    End();
    current_ = container;
    started_ = Clock::now();
    lastDraw_ = {};
}

void ProgressLine::Clear() {
    if (drawnWidth_ == 0) return;
    err_ << "\r" << std::string(drawnWidth_, ' ') << "\r";
    drawnWidth_ = 0;
}

void ProgressLine::Update(const std::string& container, std::uint64_t messages, std::uint64_t bytes,
                          std::uint64_t total) {
    messages_ = messages;
    bytes_ = bytes;
    if (!terminal_) return;
    auto now = Clock::now();
    if (now - lastDraw_ < std::chrono::milliseconds(100)) return;
    lastDraw_ = now;
    std::string line = Bar(container, messages, bytes, total, std::chrono::duration<double>(now - started_).count());
    // Each redraw covers every character of the one before it.
    const std::size_t width = line.size();
    if (width < drawnWidth_) line += std::string(drawnWidth_ - width, ' ');
    err_ << "\r" << line << std::flush;
    drawnWidth_ = std::max(width, drawnWidth_);
}

void ProgressLine::End() {
    if (current_.empty()) return;
    Clear();
    const double seconds = std::chrono::duration<double>(Clock::now() - started_).count();
    err_ << Closing(current_, messages_, bytes_, seconds) << "\n" << std::flush;
    current_.clear();
    messages_ = bytes_ = 0;
}

}  // namespace quill::cli
