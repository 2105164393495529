#include "pst/disk/Header.h"

#include "pst/disk/Bytes.h"
#include "pst/disk/Crc.h"

#include <algorithm>
#include <stdexcept>

namespace quill::pst::disk {

namespace {

// dwCRCPartial covers [8, 479), dwCRCFull covers [8, 524) ([MS-PST] 2.2.2.6).
constexpr std::size_t kCrcStart = 8;
constexpr std::size_t kPartialEnd = 479;
constexpr std::size_t kFullEnd = 524;

}  // namespace

void Header::Serialize(std::span<std::uint8_t> out) const {
    if (out.size() != kSize) throw std::invalid_argument("header: buffer is not 564 bytes");
    std::fill(out.begin(), out.end(), std::uint8_t{0});
    PutU32(out, 0, 0x4E444221);  // dwMagic "!BDN"
    PutU16(out, 8, 0x4D53);      // wMagicClient "SM"
    PutU16(out, 10, kVersionUnicode);
    PutU16(out, 12, 19);  // wVerClient
    PutU8(out, 14, 1);    // bPlatformCreate
    PutU8(out, 15, 1);    // bPlatformAccess
    PutU64(out, 32, bidNextP);
    PutU32(out, 40, dwUnique);
    for (std::size_t i = 0; i < rgnid.size(); ++i) PutU32(out, 44 + 4 * i, rgnid[i]);
    PutU64(out, 184, ibFileEof);
    PutU64(out, 192, ibAMapLast);
    PutU64(out, 200, cbAMapFree);
    PutU64(out, 208, cbPMapFree);
    PutU64(out, 216, brefNBT.bid);
    PutU64(out, 224, brefNBT.ib);
    PutU64(out, 232, brefBBT.bid);
    PutU64(out, 240, brefBBT.ib);
    PutU8(out, 248, fAMapValid);
    std::fill(out.begin() + 256, out.begin() + 512, std::uint8_t{0xFF});  // rgbFM, rgbFP
    PutU8(out, 512, 0x80);                                                // bSentinel
    PutU8(out, 513, static_cast<std::uint8_t>(bCryptMethod));
    PutU64(out, 516, bidNextB);
    PutU32(out, 4, ComputeCrc(out.subspan(kCrcStart, kPartialEnd - kCrcStart)));
    PutU32(out, 524, ComputeCrc(out.subspan(kCrcStart, kFullEnd - kCrcStart)));
}

bool HeaderCrcsValid(std::span<const std::uint8_t> header) {
    if (header.size() < Header::kSize) return false;
    return GetU32(header, 4) == ComputeCrc(header.subspan(kCrcStart, kPartialEnd - kCrcStart)) &&
           GetU32(header, 524) == ComputeCrc(header.subspan(kCrcStart, kFullEnd - kCrcStart));
}

}  // namespace quill::pst::disk
