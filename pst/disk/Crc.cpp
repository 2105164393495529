#include "pst/disk/Crc.h"

#include <array>
#include <cstring>

#if defined(__x86_64__) || defined(__i386__)
#include <immintrin.h>
#define QUILL_CRC_CLMUL 1
#endif

namespace quill::pst::disk {

namespace {

// Eight tables so the loop consumes 8 bytes per step: the CRC runs over every block written,
// and a byte-at-a-time loop alone costs more than the disk write.
constexpr std::array<std::array<std::uint32_t, 256>, 8> MakeTables() {
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

std::uint32_t CrcTable(const std::uint8_t* p, std::size_t n, std::uint32_t crc) {
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

#ifdef QUILL_CRC_CLMUL
// Carry-less multiplication folding for the reflected polynomial (the method of Intel's "Fast CRC
// Computation for Generic Polynomials Using PCLMULQDQ"): four 16-byte lanes are folded forward
// 64 bytes at a time, then into one lane, then reduced to 32 bits with a Barrett step. The
// constants are x^k mod P for the fold distances, and P and floor(x^64 / P) for the reduction.
// `n` is a multiple of 16 and at least 64.
#define QUILL_CLMUL_TARGET __attribute__((target("pclmul,sse4.1")))

QUILL_CLMUL_TARGET inline __m128i Load(const std::uint8_t* at) {
    return _mm_loadu_si128(reinterpret_cast<const __m128i*>(at));
}

QUILL_CLMUL_TARGET inline __m128i Fold(__m128i x, __m128i k, __m128i next) {
    return _mm_xor_si128(_mm_xor_si128(_mm_clmulepi64_si128(x, k, 0x00), _mm_clmulepi64_si128(x, k, 0x11)), next);
}

QUILL_CLMUL_TARGET std::uint32_t CrcClmul(const std::uint8_t* p, std::size_t n, std::uint32_t crc) {
    const __m128i k1k2 = _mm_set_epi64x(0x1c6e41596, 0x154442bd4);
    const __m128i k3k4 = _mm_set_epi64x(0x0ccaa009e, 0x1751997d0);
    const __m128i k5 = _mm_set_epi64x(0, 0x163cd6124);
    const __m128i poly = _mm_set_epi64x(0x1f7011641, 0x1db710641);
    const __m128i mask32 = _mm_set_epi32(0, 0, 0, -1);

    __m128i x1 = _mm_xor_si128(Load(p), _mm_cvtsi32_si128(static_cast<int>(crc)));
    __m128i x2 = Load(p + 16);
    __m128i x3 = Load(p + 32);
    __m128i x4 = Load(p + 48);
    p += 64;
    n -= 64;
    while (n >= 64) {
        x1 = Fold(x1, k1k2, Load(p));
        x2 = Fold(x2, k1k2, Load(p + 16));
        x3 = Fold(x3, k1k2, Load(p + 32));
        x4 = Fold(x4, k1k2, Load(p + 48));
        p += 64;
        n -= 64;
    }
    x1 = Fold(x1, k3k4, x2);
    x1 = Fold(x1, k3k4, x3);
    x1 = Fold(x1, k3k4, x4);
    while (n >= 16) {
        x1 = Fold(x1, k3k4, Load(p));
        p += 16;
        n -= 16;
    }
    // 128 bits to 64, to 32, then the Barrett reduction.
    x1 = _mm_xor_si128(_mm_clmulepi64_si128(x1, k3k4, 0x10), _mm_srli_si128(x1, 8));
    x1 = _mm_xor_si128(_mm_srli_si128(x1, 4), _mm_clmulepi64_si128(_mm_and_si128(x1, mask32), k5, 0x00));
    __m128i t = _mm_clmulepi64_si128(_mm_and_si128(x1, mask32), poly, 0x10);
    t = _mm_clmulepi64_si128(_mm_and_si128(t, mask32), poly, 0x00);
    x1 = _mm_xor_si128(x1, t);
    return static_cast<std::uint32_t>(_mm_extract_epi32(x1, 1));
}

bool HaveClmul() {
    static const bool have = __builtin_cpu_supports("pclmul") && __builtin_cpu_supports("sse4.1");
    return have;
}
#endif

}  // namespace

std::uint32_t ComputeCrc(std::span<const std::uint8_t> data, std::uint32_t seed) {
    const std::uint8_t* p = data.data();
    std::size_t n = data.size();
#ifdef QUILL_CRC_CLMUL
    if (n >= 64 && HaveClmul()) {
        const std::size_t bulk = n & ~std::size_t{15};
        seed = CrcClmul(p, bulk, seed);
        p += bulk;
        n -= bulk;
    }
#endif
    return CrcTable(p, n, seed);
}

}  // namespace quill::pst::disk
