#include "pst/disk/AMap.h"
#include "pst/disk/Bytes.h"
#include "pst/disk/Crc.h"
#include "pst/disk/Header.h"
#include "pst/disk/Layout.h"
#include "pst/disk/Permute.h"
#include "pst/disk/Trailer.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string_view>
#include <vector>

namespace disk = quill::pst::disk;

namespace {

std::span<const std::uint8_t> Bytes(std::string_view s) {
    return {reinterpret_cast<const std::uint8_t*>(s.data()), s.size()};
}

}  // namespace

TEST(Crc, MatchesPstVectorsAndContinuesAcrossPieces) {
    EXPECT_EQ(disk::ComputeCrc(Bytes("123456789")), 0x2DFD2D88u);
    std::vector<std::uint8_t> zeros(471, 0);
    EXPECT_EQ(disk::ComputeCrc(zeros), 0u);  // initial value 0 and no final XOR
    const std::uint32_t head = disk::ComputeCrc(Bytes("1234"));
    EXPECT_EQ(disk::ComputeCrc(Bytes("56789"), head), 0x2DFD2D88u);
}

TEST(Region, SpecialPagesAtRegions8_128_8192) {
    EXPECT_EQ(disk::RegionStart(0), 0x4400u);
    EXPECT_EQ(disk::FirstDataOffset(0), 0x4800u);  // AMap + PMap
    EXPECT_EQ(disk::FirstDataOffset(1), disk::RegionStart(1) + 0x200);
    EXPECT_EQ(disk::FirstDataOffset(7), disk::RegionStart(7) + 0x200);
    EXPECT_TRUE(disk::HasPMap(8));
    EXPECT_EQ(disk::FirstDataOffset(8), disk::RegionStart(8) + 0x400);

    EXPECT_FALSE(disk::HasFMap(127));
    EXPECT_TRUE(disk::HasFMap(128));
    EXPECT_EQ(disk::FMapOffset(128), 0x1F04800u);
    EXPECT_EQ(disk::FirstDataOffset(128), disk::RegionStart(128) + 0x600);
    EXPECT_TRUE(disk::HasFMap(128 + 496));
    EXPECT_FALSE(disk::HasFMap(129));

    EXPECT_FALSE(disk::HasFPMap(8191));
    EXPECT_TRUE(disk::HasFPMap(8192));
    EXPECT_FALSE(disk::HasFMap(8192));
    EXPECT_EQ(disk::FPMapOffset(8192), 0x7C004800u);
    EXPECT_TRUE(disk::HasFPMap(8192 + 31744));
}

TEST(Region, RegionOfIsInverseOfRegionStart) {
    for (std::uint64_t r : {0ull, 1ull, 8ull, 128ull, 8192ull, 40000ull}) {
        EXPECT_EQ(disk::RegionOf(disk::RegionStart(r)), r);
        EXPECT_EQ(disk::RegionOf(disk::RegionStart(r + 1) - 1), r);
    }
}

TEST(Block, SizeAtTheLargestBlockBoundary) {
    EXPECT_EQ(disk::BlockSize(0), 64u);
    EXPECT_EQ(disk::BlockSize(48), 64u);
    EXPECT_EQ(disk::BlockSize(49), 128u);
    EXPECT_EQ(disk::BlockSize(8176), 8192u);  // largest block that fits
    EXPECT_GT(disk::BlockSize(8177), disk::kMaxBlockSize);
}

TEST(Trailer, BlockTrailerCoversDataNotPadding) {
    std::vector<std::uint8_t> block(disk::BlockSize(5), 0xEE);
    for (int i = 0; i < 5; ++i) block[i] = static_cast<std::uint8_t>('a' + i);
    disk::WriteBlockTrailer(block, 5, 0x4800, 0x24);
    const std::size_t at = block.size() - 16;
    EXPECT_EQ(disk::GetU16(block, at), 5u);
    EXPECT_EQ(disk::GetU16(block, at + 2), disk::ComputeSig(0x4800, 0x24));
    EXPECT_EQ(disk::GetU32(block, at + 4), disk::ComputeCrc(Bytes("abcde")));
    EXPECT_EQ(disk::GetU64(block, at + 8), 0x24u);
    for (std::size_t i = 5; i < at; ++i) EXPECT_EQ(block[i], 0u) << "padding at " << i;

    std::vector<std::uint8_t> wrong(128);
    EXPECT_THROW(disk::WriteBlockTrailer(wrong, 5, 0, 4), std::invalid_argument);
}

TEST(Trailer, PageTrailerRepeatsTypeAndChecksData) {
    std::vector<std::uint8_t> page(512, 0);
    page[0] = 0x11;
    disk::WritePageTrailer(page, disk::PageType::NBT, 0x1234, 0x7);
    EXPECT_EQ(page[496], 0x81);
    EXPECT_EQ(page[497], 0x81);
    EXPECT_EQ(disk::GetU16(page, 498), 0x1234u);
    EXPECT_EQ(disk::GetU32(page, 500), disk::ComputeCrc(std::span(page).first(496)));
    EXPECT_EQ(disk::GetU64(page, 504), 7u);
}

TEST(Signature, FoldsLowHalvesOfOffsetAndBid) {
    EXPECT_EQ(disk::ComputeSig(0, 0), 0u);
    EXPECT_EQ(disk::ComputeSig(0x12345678, 0), 0x1234 ^ 0x5678);
    EXPECT_EQ(disk::ComputeSig(0x1'0000'0000ull, 0), 0u);  // only the low 32 bits count
}

TEST(AMap, SpecialPagesStartAllocatedAndCountTowardFreeSpace) {
    disk::AMap first(0);  // AMap + PMap
    EXPECT_EQ(first.FreeSlots(), disk::AMap::kSlots - 16);
    EXPECT_TRUE(first.IsAllocated(0x4400 + 0x3C0));
    EXPECT_FALSE(first.IsAllocated(0x4800));
    disk::AMap plain(1);  // AMap only
    EXPECT_EQ(plain.FreeSlots(), disk::AMap::kSlots - 8);
    disk::AMap withFMap(128);  // AMap + PMap + FMap
    EXPECT_EQ(withFMap.FreeSlots(), disk::AMap::kSlots - 24);
}

TEST(AMap, BitsAreMostSignificantFirstAndPageCarriesTrailer) {
    disk::AMap map(1);
    const std::uint64_t start = disk::RegionStart(1);
    map.Allocate(start + 0x200, 64);           // slot 8: first bit of byte 1
    map.Allocate(start + 0x200 + 7 * 64, 64);  // slot 15: last bit of byte 1
    std::vector<std::uint8_t> page(512);
    map.WritePage(page);
    EXPECT_EQ(page[0], 0xFF);
    EXPECT_EQ(page[1], 0x81);
    EXPECT_EQ(page[496], 0x84);
    EXPECT_EQ(disk::GetU16(page, 498), 0u);
    EXPECT_EQ(disk::GetU64(page, 504), start);
    EXPECT_EQ(disk::GetU32(page, 500), disk::ComputeCrc(std::span(page).first(496)));
}

TEST(AMap, RefusesOverlapAndRangesOutsideTheRegion) {
    disk::AMap map(1);
    const std::uint64_t start = disk::RegionStart(1);
    EXPECT_THROW(map.Allocate(start, 64), std::logic_error);                             // the AMap itself
    EXPECT_THROW(map.Allocate(start + disk::kRegionSize - 64, 128), std::out_of_range);  // crosses out
    EXPECT_THROW(map.Allocate(start + 0x210, 64), std::out_of_range);                    // misaligned
    map.Allocate(start + disk::kRegionSize - 64, 64);
    EXPECT_TRUE(map.IsAllocated(start + disk::kRegionSize - 64));
}

TEST(AMap, LongestFreeRunIsCappedForTheFMap) {
    disk::AMap map(1);
    EXPECT_EQ(map.LongestFreeRun(), 255);
    const std::uint64_t start = disk::RegionStart(1);
    // Leave free runs no longer than 100 slots anywhere.
    for (std::uint64_t s = 108; s < disk::AMap::kSlots; s += 101) map.Allocate(start + s * 64, 64);
    EXPECT_EQ(map.LongestFreeRun(), 100);
}

TEST(Crc, WideLoopAgreesWithByteAtATimeAtEveryLengthAndAlignment) {
    // Up to 300 bytes: the table loop, the folding path from 64 bytes on, and their tails.
    std::vector<std::uint8_t> data(300);
    for (std::size_t i = 0; i < data.size(); ++i) data[i] = static_cast<std::uint8_t>(i * 37 + 11);
    for (std::size_t skip = 0; skip < 8; ++skip)
        for (std::size_t len = 0; skip + len <= data.size(); ++len) {
            const auto piece = std::span<const std::uint8_t>(data).subspan(skip, len);
            std::uint32_t bytewise = 0;
            for (std::uint8_t b : piece) bytewise = disk::ComputeCrc(std::span(&b, 1), bytewise);
            EXPECT_EQ(disk::ComputeCrc(piece), bytewise) << "skip " << skip << " len " << len;
            EXPECT_EQ(disk::ComputeCrc(piece.subspan(len / 2), disk::ComputeCrc(piece.first(len / 2))), bytewise)
                << "continued, skip " << skip << " len " << len;
        }
    std::vector<std::uint8_t> block(8176, 0xA5);
    std::uint32_t bytewise = 0;
    for (std::uint8_t b : block) bytewise = disk::ComputeCrc(std::span(&b, 1), bytewise);
    EXPECT_EQ(disk::ComputeCrc(block), bytewise);
}

TEST(Header, FieldsLandAtTheirOffsetsAndBothCrcsCheck) {
    disk::Header h;
    h.bidNextP = 0x1001;
    h.rgnid[2] = 0x404;
    h.ibFileEof = disk::RegionStart(1);
    h.brefNBT = {0x100, 0x4A00};
    h.brefBBT = {0x101, 0x4C00};
    h.bidNextB = 0x2004;
    std::vector<std::uint8_t> out(disk::Header::kSize);
    h.Serialize(out);
    EXPECT_EQ(disk::GetU32(out, 0), 0x4E444221u);
    EXPECT_EQ(disk::GetU16(out, 10), 23u);
    EXPECT_EQ(disk::GetU32(out, 44 + 8), 0x404u);
    EXPECT_EQ(disk::GetU64(out, 184), disk::RegionStart(1));
    EXPECT_EQ(disk::GetU64(out, 224), 0x4A00u);
    EXPECT_EQ(disk::GetU64(out, 240), 0x4C00u);
    EXPECT_EQ(out[248], 2);
    EXPECT_EQ(out[512], 0x80);
    EXPECT_EQ(out[513], 1);  // permute by default
    EXPECT_EQ(disk::GetU64(out, 516), 0x2004u);
    EXPECT_TRUE(disk::HeaderCrcsValid(out));

    // A byte inside only the full CRC's range must break it, and one outside both must not.
    auto tampered = out;
    tampered[516] ^= 1;
    EXPECT_FALSE(disk::HeaderCrcsValid(tampered));
    tampered = out;
    tampered[540] ^= 1;
    EXPECT_TRUE(disk::HeaderCrcsValid(tampered));
}

// The decoding table printed in the format document (mpbbI) begins and ends with these bytes; a
// mistyped encoding byte breaks the inverse somewhere and shows up here or in the round trip.
TEST(Permute, DecodeTableMatchesThePublishedInverseAndRoundTripsEveryByte) {
    std::vector<std::uint8_t> all(256);
    for (int i = 0; i < 256; ++i) all[i] = static_cast<std::uint8_t>(i);
    std::vector<std::uint8_t> decoded = all;
    disk::PermuteDecode(decoded);
    const std::vector<std::uint8_t> first = {71, 241, 180, 230, 11, 106, 114, 72, 133, 78, 158, 235, 226, 248, 148, 83};
    const std::vector<std::uint8_t> last = {212, 225, 17, 208, 8, 139, 42, 242, 237, 154, 100, 63, 193, 108, 249, 236};
    EXPECT_EQ(std::vector<std::uint8_t>(decoded.begin(), decoded.begin() + 16), first);
    EXPECT_EQ(std::vector<std::uint8_t>(decoded.end() - 16, decoded.end()), last);

    std::vector<std::uint8_t> encoded = all;
    disk::PermuteEncode(encoded);
    std::vector<bool> seen(256);
    for (auto b : encoded) seen[b] = true;
    EXPECT_EQ(std::count(seen.begin(), seen.end(), true), 256) << "encoding is not a permutation";
    disk::PermuteDecode(encoded);
    EXPECT_EQ(encoded, all);
}
