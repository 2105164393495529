#pragma once

#include <cstdint>

// File layout arithmetic of the NDB layer ([MS-PST] 2.2.2.7, 2.6.1), as pure functions so the
// allocator and the verifier agree on one definition of where special pages live.
namespace quill::pst::disk {

constexpr std::uint64_t kFirstRegionOffset = 0x4400;  // first AMap ([MS-PST] 2.2.2.7.2)
constexpr std::uint64_t kDListOffset = 0x4200;        // density list page ([MS-PST] 2.2.2.7.4)
constexpr std::uint64_t kPageSize = 512;
constexpr std::uint64_t kSlotSize = 64;                               // one AMap bit
constexpr std::uint64_t kPageDataSize = 496;                          // page bytes before the PAGETRAILER
constexpr std::uint64_t kRegionSize = kPageDataSize * 8 * kSlotSize;  // 253952
constexpr std::uint64_t kBlockTrailerSize = 16;                       // BLOCKTRAILER ([MS-PST] 2.2.2.8.1)
constexpr std::uint64_t kMaxBlockSize = 8192;
constexpr std::uint64_t kMaxBlockData = kMaxBlockSize - kBlockTrailerSize;  // 8176

static_assert(kRegionSize == 253952);
static_assert(kMaxBlockData == 8176);

[[nodiscard]] constexpr std::uint64_t RegionStart(std::uint64_t region) {
    return kFirstRegionOffset + region * kRegionSize;
}

// Region holding `ib`; offsets before the first region belong to none (caller checks).
[[nodiscard]] constexpr std::uint64_t RegionOf(std::uint64_t ib) { return (ib - kFirstRegionOffset) / kRegionSize; }

// One PMap per 8 AMaps ([MS-PST] 2.2.2.7.3).
[[nodiscard]] constexpr bool HasPMap(std::uint64_t region) { return region % 8 == 0; }

// One FMap per 496 AMaps, the first after the 128th ([MS-PST] 2.2.2.7.5).
[[nodiscard]] constexpr bool HasFMap(std::uint64_t region) { return region >= 128 && (region - 128) % 496 == 0; }

// One FPMap per 31744 AMaps, the first after the 8192nd ([MS-PST] 2.2.2.7.6).
[[nodiscard]] constexpr bool HasFPMap(std::uint64_t region) { return region >= 8192 && (region - 8192) % 31744 == 0; }

// The special pages are packed from the region's start in the order AMap, PMap, FMap, FPMap.
[[nodiscard]] constexpr std::uint64_t SpecialPageCount(std::uint64_t region) {
    return 1 + (HasPMap(region) ? 1 : 0) + (HasFMap(region) ? 1 : 0) + (HasFPMap(region) ? 1 : 0);
}

[[nodiscard]] constexpr std::uint64_t PMapOffset(std::uint64_t region) { return RegionStart(region) + kPageSize; }

[[nodiscard]] constexpr std::uint64_t FMapOffset(std::uint64_t region) {
    return RegionStart(region) + kPageSize * (HasPMap(region) ? 2 : 1);
}

[[nodiscard]] constexpr std::uint64_t FPMapOffset(std::uint64_t region) {
    return RegionStart(region) + kPageSize * (1 + (HasPMap(region) ? 1 : 0) + (HasFMap(region) ? 1 : 0));
}

// First offset in the region free for blocks and B-tree pages.
[[nodiscard]] constexpr std::uint64_t FirstDataOffset(std::uint64_t region) {
    return RegionStart(region) + kPageSize * SpecialPageCount(region);
}

// On-disk size of a block holding `cb` data bytes: data plus trailer, rounded up to 64.
[[nodiscard]] constexpr std::uint64_t BlockSize(std::uint64_t cb) {
    return (cb + kBlockTrailerSize + kSlotSize - 1) / kSlotSize * kSlotSize;
}

// [MS-PST] 5.5 ComputeSig.
[[nodiscard]] constexpr std::uint16_t ComputeSig(std::uint64_t ib, std::uint64_t bid) {
    const auto v = static_cast<std::uint32_t>(ib) ^ static_cast<std::uint32_t>(bid);
    return static_cast<std::uint16_t>((v >> 16) ^ (v & 0xFFFF));
}

}  // namespace quill::pst::disk
