#include "pst/disk/AMap.h"

#include "pst/PstError.h"

#include "pst/disk/Trailer.h"

#include <algorithm>
#include <bit>
#include <stdexcept>
#include <string>

namespace quill::pst::disk {

AMap::AMap(std::uint64_t region) : region(region) {
    Allocate(RegionStart(region), SpecialPageCount(region) * kPageSize);
}

void AMap::Allocate(std::uint64_t ib, std::uint64_t size) {
    const std::uint64_t start = RegionStart(region);
    if (ib % kSlotSize != 0 || size % kSlotSize != 0 || size == 0 || ib < start || ib + size > start + kRegionSize)
        throw LayerError<std::out_of_range>("AMap: range at offset " + std::to_string(ib) + " of " +
                                                std::to_string(size) + " bytes is not inside region " +
                                                std::to_string(region),
                                            {.offset = ib});
    const std::size_t first = (ib - start) / kSlotSize;
    const std::size_t count = size / kSlotSize;
    for (std::size_t s = first; s < first + count; ++s)
        if (Bit(s))
            throw LayerError<std::logic_error>(
                "AMap: offset " + std::to_string(start + s * kSlotSize) + " allocated twice",
                {.offset = start + s * kSlotSize});
    for (std::size_t s = first; s < first + count; ++s) bits[s / 8] |= static_cast<std::uint8_t>(0x80u >> (s % 8));
}

bool AMap::IsAllocated(std::uint64_t ib) const { return Bit((ib - RegionStart(region)) / kSlotSize); }

std::size_t AMap::FreeSlots() const {
    std::size_t used = 0;
    for (std::uint8_t b : bits) used += static_cast<std::size_t>(std::popcount(b));
    return kSlots - used;
}

std::uint8_t AMap::LongestFreeRun() const {
    std::size_t best = 0, run = 0;
    for (std::size_t s = 0; s < kSlots && best < 255; ++s) {
        run = Bit(s) ? 0 : run + 1;
        best = std::max(best, run);
    }
    return static_cast<std::uint8_t>(std::min<std::size_t>(best, 255));
}

void AMap::WritePage(std::span<std::uint8_t> page) const {
    if (page.size() != kPageSize) throw std::invalid_argument("AMap: page is not 512 bytes");
    std::copy(bits.begin(), bits.end(), page.begin());
    const std::uint64_t ib = RegionStart(region);
    WritePageTrailer(page, PageType::AMap, 0, ib);
}

}  // namespace quill::pst::disk
