#pragma once

#include <cstdint>
#include <functional>
#include <span>
#include <vector>

#include "pst/ltp/Heap.h"

// The BTree-on-heap of [MS-PST] 2.3.2, internal to the LTP layer.
namespace quill::pst::ltp {

constexpr std::size_t kBthHeaderSize = 8;  // [MS-PST] 2.3.2.1 BTHHEADER

// A BTH whose header and nodes are allocated when it is made and written once the records are
// known. The node count depends only on the record count, so a caller can place the tree before
// the values its records point at (a PC keeps its header at 0x20 and its leaf at 0x40).
class BthWriter {
  public:
    // Allocates the BTHHEADER, then the leaves, then each index level bottom-up. cbKey is 2, 4
    // or 8 (keys are compared as little-endian unsigned integers).
    BthWriter(HeapOnNode& heap, std::uint8_t cbKey, std::uint8_t cbEnt, std::size_t recordCount);
    // Allocates only the BTHHEADER, for a tree whose records are known last (a table's row
    // index, which grows with the rows); Build then places the nodes after everything else.
    BthWriter(HeapOnNode& heap, std::uint8_t cbKey, std::uint8_t cbEnt);

    [[nodiscard]] Hid Header() const { return header; }

    // `records` holds the recordCount records, each cbKey key bytes then cbEnt data bytes, in any
    // order; they are stored sorted by key. std::invalid_argument on a wrong size or a repeated key.
    void Fill(std::span<const std::uint8_t> records);

    // For the header-only form: `count` records, record k (in key order, keys strictly rising)
    // written by recordAt into its cbKey + cbEnt bytes. The leaves are allocated in order, then
    // each index level, then the header is rewritten. std::invalid_argument when keys do not rise.
    void Build(std::size_t count, const std::function<void(std::size_t, std::span<std::uint8_t>)>& recordAt);

    // Records per node for a record of `cbRecord` bytes.
    [[nodiscard]] static std::size_t NodeCapacity(std::size_t cbRecord) { return kMaxAllocation / cbRecord; }

  private:
    HeapOnNode& heap;
    std::uint8_t cbKey;
    std::uint8_t cbEnt;
    std::size_t recordCount;
    Hid header = 0;
    std::vector<std::vector<Hid>> levels;  // levels[0] the leaves; the last level holds the root
};

}  // namespace quill::pst::ltp
