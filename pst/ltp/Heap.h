#pragma once

#include <cstdint>
#include <span>
#include <vector>

// The heap-on-node of [MS-PST] 2.3.1, built in memory for one node and emitted as that node's data
// blocks. Property and table contexts are built on it.
namespace quill::pst::ltp {

using Hid = std::uint32_t;   // [MS-PST] 2.3.1.1: blockIndex << 16 | hidIndex << 5
using Hnid = std::uint32_t;  // an HID, or a subnode NID when the low five bits are not zero

constexpr std::size_t kMaxAllocation = 3580;  // [MS-PST] 2.3.1.1: largest single allocation
constexpr std::uint8_t kClientSigPC = 0xBC;
constexpr std::uint8_t kClientSigTC = 0x7C;
constexpr std::uint8_t kClientSigBTH = 0xB5;

// Receives values too large for the heap: the caller stores them as subnodes of the node being
// built and returns the subnode's NID (NID type 0x1F, value stream), which becomes the HNID.
class SubnodeSink {
  public:
    virtual ~SubnodeSink() = default;
    virtual std::uint32_t AddSubnode(std::span<const std::uint8_t> data) = 0;
};

class HeapOnNode {
  public:
    explicit HeapOnNode(std::uint8_t clientSig);

    // A new allocation of data.size() bytes (1..kMaxAllocation) holding data; std::length_error
    // past kMaxAllocation, past 2047 allocations in a block (a new block is started first), or past
    // 65536 blocks.
    [[nodiscard]] Hid Allocate(std::span<const std::uint8_t> data);
    // Rewrites an allocation in place; the size must be unchanged.
    void Overwrite(Hid hid, std::span<const std::uint8_t> data);
    void SetUserRoot(Hid hid);

    // The node's data blocks, unencoded, each at most 8176 bytes: HNHDR in the first, HNPAGEHDR or
    // HNBITMAPHDR (blocks 8, 136, 264, ...) in the others, each ending with its HNPAGEMAP, fill
    // levels set.
    [[nodiscard]] std::vector<std::vector<std::uint8_t>> Finish() const;

  private:
    struct Block {
        std::vector<std::uint8_t> bytes;    // the block's header space, then its allocations back to back
        std::vector<std::uint16_t> starts;  // rgibAlloc without the closing entry
    };

    std::uint8_t clientSig;
    Hid userRoot = 0;
    std::vector<Block> blocks;
};

}  // namespace quill::pst::ltp
