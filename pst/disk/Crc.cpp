#include "pst/disk/Crc.h"

#include <array>

namespace quill::pst::disk {

namespace {

// Eight tables so the loop consumes 8 bytes per step: the CRC runs over every block written,
// and a byte-at-a-time loop alone costs more than the disk write.
constexpr std::array<std::array<std::uint32_t, 256>, 8> MakeTables()
{
    std::array<std::array<std::uint32_t, 256>, 8> t{};
    for (std::uint32_t i = 0; i < 256; ++i) {
        std::uint32_t c = i;
        for (int k = 0; k < 8; ++k) c = (c & 1) ? (0xEDB88320u ^ (c >> 1)) : (c >> 1);
        t[0][i] = c;
    }
    for (std::size_t n = 1; n < 8; ++n)
        for (std::size_t i = 0; i < 256; ++i) t[n][i] = (t[n - 1][i] >> 8) ^ t[0][t[n - 1][i] & 0xFF];
    return t;
}

constexpr auto kTables = MakeTables();

} // namespace

std::uint32_t ComputeCrc(std::span<const std::uint8_t> data, std::uint32_t seed)
{
    std::uint32_t crc = seed;
    const std::uint8_t* p = data.data();
    std::size_t n = data.size();
    while (n >= 8) {
        const std::uint32_t lo = crc ^ (std::uint32_t{p[0]} | std::uint32_t{p[1]} << 8 | std::uint32_t{p[2]} << 16 |
                                        std::uint32_t{p[3]} << 24);
        crc = kTables[7][lo & 0xFF] ^ kTables[6][(lo >> 8) & 0xFF] ^ kTables[5][(lo >> 16) & 0xFF] ^
              kTables[4][lo >> 24] ^ kTables[3][p[4]] ^ kTables[2][p[5]] ^ kTables[1][p[6]] ^ kTables[0][p[7]];
        p += 8;
        n -= 8;
    }
    while (n-- > 0) crc = kTables[0][(crc ^ *p++) & 0xFF] ^ (crc >> 8);
    return crc;
}

} // namespace quill::pst::disk
