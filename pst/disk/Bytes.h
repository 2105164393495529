#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

// Little-endian field access. Every on-disk structure is written field by field through these,
// so the layout never depends on the host's struct packing or byte order.
namespace quill::pst::disk {

inline void PutU8(std::span<std::uint8_t> out, std::size_t at, std::uint8_t v) { out[at] = v; }

inline void PutU16(std::span<std::uint8_t> out, std::size_t at, std::uint16_t v) {
    out[at] = static_cast<std::uint8_t>(v);
    out[at + 1] = static_cast<std::uint8_t>(v >> 8);
}

inline void PutU32(std::span<std::uint8_t> out, std::size_t at, std::uint32_t v) {
    for (int i = 0; i < 4; ++i) out[at + i] = static_cast<std::uint8_t>(v >> (8 * i));
}

inline void PutU64(std::span<std::uint8_t> out, std::size_t at, std::uint64_t v) {
    for (int i = 0; i < 8; ++i) out[at + i] = static_cast<std::uint8_t>(v >> (8 * i));
}

inline std::uint16_t GetU16(std::span<const std::uint8_t> in, std::size_t at) {
    return static_cast<std::uint16_t>(in[at] | (in[at + 1] << 8));
}

inline std::uint32_t GetU32(std::span<const std::uint8_t> in, std::size_t at) {
    std::uint32_t v = 0;
    for (int i = 3; i >= 0; --i) v = (v << 8) | in[at + i];
    return v;
}

inline std::uint64_t GetU64(std::span<const std::uint8_t> in, std::size_t at) {
    std::uint64_t v = 0;
    for (int i = 7; i >= 0; --i) v = (v << 8) | in[at + i];
    return v;
}

}  // namespace quill::pst::disk
