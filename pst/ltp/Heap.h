#pragma once

#include <cstdint>
#include <memory>
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
    // A value written piece by piece, for data that should not wait in memory.
    class Stream {
      public:
        virtual ~Stream() = default;
        virtual void Append(std::span<const std::uint8_t> bytes) = 0;
        // The subnode's NID; the stream takes no more bytes.
        [[nodiscard]] virtual std::uint32_t Finish() = 0;
    };

    virtual ~SubnodeSink() = default;
    virtual std::uint32_t AddSubnode(std::span<const std::uint8_t> data) = 0;
    // By default the pieces are gathered and handed to AddSubnode at Finish.
    [[nodiscard]] virtual std::unique_ptr<Stream> OpenStream();
};

// Takes the finished blocks of a heap too large to hold in memory (a big folder's contents
// table), each as soon as nothing in it can change any more; `index` is the block's place in the
// node's data, and blocks may come in any order (the first one comes last, as it holds the header).
class HeapBlockSink {
  public:
    virtual ~HeapBlockSink() = default;
    virtual void WriteHeapBlock(std::size_t index, std::span<const std::uint8_t> block) = 0;
};

class HeapOnNode {
  public:
    // With a sink, blocks leave memory as they fill: only the first block, the bitmap block whose
    // group is still filling and the block being filled are kept.
    explicit HeapOnNode(std::uint8_t clientSig, HeapBlockSink* sink = nullptr);

    // A new allocation of data.size() bytes (0..kMaxAllocation) holding data; an empty value is a
    // zero-length allocation, so it too has a real HID ([MS-PST] 2.3.1.1: an HID is never 0).
    // std::length_error past kMaxAllocation, past 2047 allocations in a block (a new block is
    // started first), or past 65536 blocks.
    [[nodiscard]] Hid Allocate(std::span<const std::uint8_t> data);
    // Rewrites an allocation in place; the size must be unchanged and the block still in memory.
    void Overwrite(Hid hid, std::span<const std::uint8_t> data);
    void SetUserRoot(Hid hid);

    // The node's data blocks, unencoded, each at most 8176 bytes: HNHDR in the first, HNPAGEHDR or
    // HNBITMAPHDR (blocks 8, 136, 264, ...) in the others, each ending with its HNPAGEMAP, fill
    // levels set. With a sink, the blocks still held go to it and the result is empty.
    [[nodiscard]] std::vector<std::vector<std::uint8_t>> Finish();
    [[nodiscard]] std::size_t BlockCount() const { return blocks.size(); }

  private:
    struct Block {
        std::vector<std::uint8_t> bytes;    // the block's header space, then its allocations back to back
        std::vector<std::uint16_t> starts;  // rgibAlloc without the closing entry
        bool written = false;               // handed to the sink; bytes and starts are released
    };

    void Close(std::size_t index);
    [[nodiscard]] std::vector<std::uint8_t> Bytes(std::size_t index) const;
    void Emit(std::size_t index);

    std::uint8_t clientSig;
    HeapBlockSink* sink;
    Hid userRoot = 0;
    std::vector<Block> blocks;
    std::vector<std::uint8_t> levels;  // fill level of every closed block
};

}  // namespace quill::pst::ltp
