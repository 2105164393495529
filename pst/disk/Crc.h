#pragma once

#include <cstdint>
#include <span>

namespace quill::pst::disk {

// [MS-PST] 5.3: reflected CRC-32 (polynomial 0xEDB88320), initial value 0, no final XOR.
// `seed` lets a caller continue a CRC over data that arrives in pieces.
[[nodiscard]] std::uint32_t ComputeCrc(std::span<const std::uint8_t> data, std::uint32_t seed = 0);

}  // namespace quill::pst::disk
