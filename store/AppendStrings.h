#pragma once
// Gathers one message's text from many small pieces.
//
// The storage is kept at a visible capacity that grows in steps of
// kGrowthStep characters, the room behind the text held being blanks; the
// std::string underneath grows geometrically, so a message of m bytes costs
// a few copies of itself rather than m / kGrowthStep copies.
//
// The length held is counted as the program always counted it, two bytes per
// character in 32-bit signed arithmetic: an addition that would carry it past
// INT32_MAX fails with std::overflow_error before anything changes.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace quill {

class AppendStrings {
  public:
    static constexpr std::size_t kGrowthStep = 10000;

    void AddToString(std::string_view strAdd);
    // The text held; the room behind it is given up (capacity becomes length).
    const std::string& ReturnString();

    std::size_t Length() const noexcept { return static_cast<std::size_t>(lengthHeld_) / 2; }
    std::size_t Capacity() const noexcept { return storage_.size(); }
    const char* Data() const noexcept { return storage_.data(); }

    // Hands the first n characters over as a string and keeps the rest as
    // the new content of this accumulator. Used where a message ends inside
    // text already gathered.
    std::string TakeFront(std::size_t n);
    // Hands over all text held and leaves the accumulator empty.
    std::string TakeAll();

  private:
    std::int32_t lengthHeld_ = 0;  // bytes, two per character
    std::string storage_;
};

}  // namespace quill
