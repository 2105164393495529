#include "pst/disk/Trailer.h"

#include "pst/disk/Bytes.h"
#include "pst/disk/Crc.h"
#include "pst/disk/Layout.h"

#include <algorithm>
#include <stdexcept>

namespace quill::pst::disk {

void WritePageTrailer(std::span<std::uint8_t> page, PageType ptype, std::uint16_t wSig, std::uint64_t bid) {
    if (page.size() != kPageSize) throw std::invalid_argument("page trailer: page is not 512 bytes");
    PutU8(page, 496, static_cast<std::uint8_t>(ptype));
    PutU8(page, 497, static_cast<std::uint8_t>(ptype));  // ptypeRepeat
    PutU16(page, 498, wSig);
    PutU32(page, 500, ComputeCrc(page.first(kPageTrailerOffset)));
    PutU64(page, 504, bid);
}

void WriteBlockTrailer(std::span<std::uint8_t> block, std::uint16_t cb, std::uint64_t ib, std::uint64_t bid) {
    if (cb > kMaxBlockData || block.size() != BlockSize(cb))
        throw std::invalid_argument("block trailer: block size does not match cb");
    const std::size_t at = block.size() - kBlockTrailerSize;
    std::fill(block.begin() + cb, block.begin() + static_cast<std::ptrdiff_t>(at), std::uint8_t{0});
    PutU16(block, at, cb);
    PutU16(block, at + 2, ComputeSig(ib, bid));
    PutU32(block, at + 4, ComputeCrc(block.first(cb)));
    PutU64(block, at + 8, bid);
}

}  // namespace quill::pst::disk
