#pragma once

#include <cstdint>
#include <span>

namespace quill::pst::disk {

// [MS-PST] 5.1 permutative encoding (NDB_CRYPT_PERMUTE), applied in place to the data bytes of
// external blocks: each byte is replaced through a fixed permutation.
void PermuteEncode(std::span<std::uint8_t> data);
void PermuteDecode(std::span<std::uint8_t> data);

}  // namespace quill::pst::disk
