#pragma once

#include "pst/disk/Layout.h"

#include <array>
#include <cstdint>
#include <span>

namespace quill::pst::disk {

// [MS-PST] 2.2.2.7.2 AMAPPAGE: one bit per 64-byte slot of a region, most significant bit first,
// 1 = allocated. The region's own special pages start out allocated.
class AMap {
  public:
    static constexpr std::size_t kSlots = kPageDataSize * 8;  // 3968
    static_assert(kSlots * kSlotSize == kRegionSize);

    explicit AMap(std::uint64_t region);

    [[nodiscard]] std::uint64_t Region() const { return region; }

    // Marks [ib, ib + size) allocated. Both must be 64-aligned and inside this region;
    // a range that is already partly allocated is refused (it would mean an overlap).
    void Allocate(std::uint64_t ib, std::uint64_t size);

    [[nodiscard]] bool IsAllocated(std::uint64_t ib) const;
    [[nodiscard]] std::size_t FreeSlots() const;
    // The longest run of free slots, capped at 255: the rgbFM entry of an FMap ([MS-PST] 2.2.2.7.5).
    [[nodiscard]] std::uint8_t LongestFreeRun() const;

    // Writes the whole 512-byte page: bits, then the trailer (map pages: wSig 0, bid = ib).
    void WritePage(std::span<std::uint8_t> page) const;

  private:
    [[nodiscard]] bool Bit(std::size_t slot) const { return (bits[slot / 8] & (0x80u >> (slot % 8))) != 0; }

    std::uint64_t region;
    std::array<std::uint8_t, kPageDataSize> bits{};
};

}  // namespace quill::pst::disk
