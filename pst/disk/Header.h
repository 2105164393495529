#pragma once

#include <array>
#include <cstdint>
#include <span>

namespace quill::pst::disk {

// [MS-PST] 2.2.2.4 BREF: a block or page reference.
struct Bref {
    std::uint64_t bid = 0;
    std::uint64_t ib = 0;
};

enum class CryptMethod : std::uint8_t { None = 0, Permute = 1, Cyclic = 2 };

// [MS-PST] 2.2.2.6 HEADER (Unicode, wVer 23) with its ROOT ([MS-PST] 2.2.2.5). Only the fields a
// writer chooses are members; magics, versions and reserved bytes are fixed by Serialize.
struct Header {
    static constexpr std::size_t kSize = 564;
    static constexpr std::uint16_t kVersionUnicode = 23;

    std::uint64_t bidNextP = 0;
    std::uint32_t dwUnique = 0;
    std::array<std::uint32_t, 32> rgnid{};
    // ROOT
    std::uint64_t ibFileEof = 0;
    std::uint64_t ibAMapLast = 0;
    std::uint64_t cbAMapFree = 0;
    std::uint64_t cbPMapFree = 0;
    Bref brefNBT;
    Bref brefBBT;
    std::uint8_t fAMapValid = 2;  // VALID_AMAP2
    CryptMethod bCryptMethod = CryptMethod::Permute;
    std::uint64_t bidNextB = 0;

    // Writes all 564 bytes with dwCRCPartial and dwCRCFull filled in.
    void Serialize(std::span<std::uint8_t> out) const;
};

// The CRCs a header carries, read back from serialized bytes (for verification).
[[nodiscard]] bool HeaderCrcsValid(std::span<const std::uint8_t> header);

}  // namespace quill::pst::disk
