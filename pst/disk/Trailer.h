#pragma once

#include <cstdint>
#include <span>

namespace quill::pst::disk {

// PAGETRAILER ptype values ([MS-PST] 2.2.2.7.1).
enum class PageType : std::uint8_t {
    BBT = 0x80,
    NBT = 0x81,
    FMap = 0x82,
    PMap = 0x83,
    AMap = 0x84,
    FPMap = 0x85,
    DList = 0x86,
};

// [MS-PST] 2.2.2.7.1 PAGETRAILER, the last 16 bytes of a 512-byte page:
// ptype (1), ptypeRepeat (1), wSig (2), dwCRC (4) over bytes 0..495, bid (8).
constexpr std::size_t kPageTrailerOffset = 496;
constexpr std::size_t kPageTrailerSize = 16;
static_assert(kPageTrailerOffset + kPageTrailerSize == 512);

// Fills the trailer of `page` (512 bytes) after its data has been written. Map pages pass
// wSig 0 and bid = ib, as [MS-PST] asks of them.
void WritePageTrailer(std::span<std::uint8_t> page, PageType ptype, std::uint16_t wSig, std::uint64_t bid);

// [MS-PST] 2.2.2.8.1 BLOCKTRAILER, the last 16 bytes of the block's 64-rounded size:
// cb (2), wSig (2), dwCRC (4) over the cb data bytes (as on disk), bid (8).
// `block` spans the whole on-disk block, `cb` its data length; the padding is zeroed.
void WriteBlockTrailer(std::span<std::uint8_t> block, std::uint16_t cb, std::uint64_t ib, std::uint64_t bid);

}  // namespace quill::pst::disk
