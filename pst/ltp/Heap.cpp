#include "pst/ltp/Heap.h"

#include "pst/PstError.h"

#include "pst/disk/Bytes.h"
#include "pst/disk/Layout.h"

#include <algorithm>
#include <stdexcept>
#include <string>

namespace quill::pst::ltp {

namespace {

using disk::PutU16;
using disk::PutU32;
using disk::PutU8;

constexpr std::size_t kHnhdrSize = 12;        // [MS-PST] 2.3.1.2 HNHDR
constexpr std::size_t kHnpagehdrSize = 2;     // [MS-PST] 2.3.1.3 HNPAGEHDR
constexpr std::size_t kHnbitmaphdrSize = 66;  // [MS-PST] 2.3.1.4 HNBITMAPHDR
constexpr std::size_t kFillLevelsInHnhdr = 8;
constexpr std::size_t kFillLevelsInBitmap = 128;
constexpr std::size_t kMaxAllocsPerBlock = 2047;  // hidIndex is 11 bits, 0 unused
constexpr std::size_t kMaxBlocks = 65536;         // blockIndex is 16 bits
constexpr std::size_t kBlockData = disk::kMaxBlockData;
constexpr std::uint8_t kHnSig = 0xEC;

static_assert(kHnhdrSize == 2 + 1 + 1 + 4 + kFillLevelsInHnhdr / 2);
static_assert(kHnbitmaphdrSize == 2 + kFillLevelsInBitmap / 2);

bool IsBitmapBlock(std::size_t block) { return block >= 8 && (block - 8) % kFillLevelsInBitmap == 0; }

std::size_t HeaderSize(std::size_t block) {
    if (block == 0) return kHnhdrSize;
    return IsBitmapBlock(block) ? kHnbitmaphdrSize : kHnpagehdrSize;
}

// [MS-PST] 2.3.1.5: the HNPAGEMAP follows the last allocation at an even offset and holds
// cAlloc, cFree and cAlloc + 1 offsets; the block ends with it.
std::size_t MapOffset(std::size_t end) { return (end + 1) & ~std::size_t{1}; }
std::size_t BlockEnd(std::size_t end, std::size_t cAlloc) { return MapOffset(end) + 4 + 2 * (cAlloc + 1); }

// [MS-PST] 2.3.1.2 rgbFillLevel: how much room a block has left, from FILL_LEVEL_EMPTY (0) to
// FILL_LEVEL_FULL (15).
std::uint8_t FillLevel(std::size_t freeBytes) {
    static constexpr std::size_t kAtLeast[] = {3584, 2560, 2048, 1792, 1536, 1280, 1024, 768,
                                               512,  256,  128,  64,   32,   16,   8};
    for (std::size_t level = 0; level < std::size(kAtLeast); ++level)
        if (freeBytes >= kAtLeast[level]) return static_cast<std::uint8_t>(level);
    return 15;
}

// Nibbles for blocks first .. first + count - 1, the even block in the low nibble; blocks past
// the end of the heap are 0.
void PutFillLevels(std::span<std::uint8_t> out, std::size_t at, const std::vector<std::uint8_t>& levels,
                   std::size_t first, std::size_t count) {
    for (std::size_t k = 0; k < count; ++k) {
        const std::size_t block = first + k;
        const std::uint8_t level = block < levels.size() ? levels[block] : 0;
        out[at + k / 2] |= static_cast<std::uint8_t>(k % 2 == 0 ? level : level << 4);
    }
}

}  // namespace

namespace {

class GatheringStream : public SubnodeSink::Stream {
  public:
    explicit GatheringStream(SubnodeSink& sink) : sink(sink) {}
    void Append(std::span<const std::uint8_t> bytes) override { data.insert(data.end(), bytes.begin(), bytes.end()); }
    std::uint32_t Finish() override { return sink.AddSubnode(data); }

  private:
    SubnodeSink& sink;
    std::vector<std::uint8_t> data;
};

}  // namespace

std::unique_ptr<SubnodeSink::Stream> SubnodeSink::OpenStream() { return std::make_unique<GatheringStream>(*this); }

HeapOnNode::HeapOnNode(std::uint8_t clientSig, HeapBlockSink* sink) : clientSig(clientSig), sink(sink) {
    blocks.push_back(Block{std::vector<std::uint8_t>(kHnhdrSize, 0), {}});
}

Hid HeapOnNode::Allocate(std::span<const std::uint8_t> data) {
    if (data.size() > kMaxAllocation)
        throw LayerError<std::length_error>(
            "heap: allocation of " + std::to_string(data.size()) + " bytes exceeds 3580",
            {.expected = "at most " + std::to_string(kMaxAllocation) + " bytes",
             .actual = std::to_string(data.size())});
    Block* block = &blocks.back();
    if (block->starts.size() == kMaxAllocsPerBlock ||
        BlockEnd(block->bytes.size() + data.size(), block->starts.size() + 1) > kBlockData) {
        if (blocks.size() == kMaxBlocks) throw std::length_error("heap: more than 65536 blocks");
        Close(blocks.size() - 1);
        blocks.push_back(Block{std::vector<std::uint8_t>(HeaderSize(blocks.size()), 0), {}});
        block = &blocks.back();
    }
    block->starts.push_back(static_cast<std::uint16_t>(block->bytes.size()));
    block->bytes.insert(block->bytes.end(), data.begin(), data.end());
    const auto blockIndex = static_cast<Hid>(blocks.size() - 1);
    const auto hidIndex = static_cast<Hid>(block->starts.size());
    return blockIndex << 16 | hidIndex << 5;
}

void HeapOnNode::Overwrite(Hid hid, std::span<const std::uint8_t> data) {
    const std::size_t blockIndex = hid >> 16;
    const std::size_t hidIndex = (hid >> 5) & 0x7FF;
    if ((hid & 0x1F) != 0 || blockIndex >= blocks.size() || hidIndex == 0 ||
        hidIndex > blocks[blockIndex].starts.size())
        throw std::out_of_range("heap: no allocation with HID " + std::to_string(hid) + " in memory");
    Block& block = blocks[blockIndex];
    const std::size_t begin = block.starts[hidIndex - 1];
    const std::size_t end = hidIndex < block.starts.size() ? block.starts[hidIndex] : block.bytes.size();
    if (data.size() != end - begin) throw std::invalid_argument("heap: overwrite changes the allocation's size");
    std::copy(data.begin(), data.end(), block.bytes.begin() + static_cast<std::ptrdiff_t>(begin));
}

void HeapOnNode::SetUserRoot(Hid hid) { userRoot = hid; }

// A block is closed when the next one opens: its fill level is final, and with a sink it leaves
// memory unless a header still has to record levels of blocks after it.
void HeapOnNode::Close(std::size_t index) {
    const Block& b = blocks[index];
    if (levels.size() <= index) levels.resize(index + 1, 0);
    levels[index] = FillLevel(kBlockData - BlockEnd(b.bytes.size(), b.starts.size()));
    if (sink == nullptr) return;
    if (index != 0 && !IsBitmapBlock(index)) Emit(index);
    // A bitmap block records itself and the 127 blocks after it.
    if (index >= 8) {
        const std::size_t group = 8 + (index - 8) / kFillLevelsInBitmap * kFillLevelsInBitmap;
        if (index == group + kFillLevelsInBitmap - 1) Emit(group);
    }
}

std::vector<std::uint8_t> HeapOnNode::Bytes(std::size_t i) const {
    const Block& b = blocks[i];
    const std::size_t ibHnpm = MapOffset(b.bytes.size());
    std::vector<std::uint8_t> data(BlockEnd(b.bytes.size(), b.starts.size()), 0);
    std::copy(b.bytes.begin(), b.bytes.end(), data.begin());
    std::span<std::uint8_t> d(data);

    PutU16(d, 0, static_cast<std::uint16_t>(ibHnpm));
    if (i == 0) {
        PutU8(d, 2, kHnSig);
        PutU8(d, 3, clientSig);
        PutU32(d, 4, userRoot);
        PutFillLevels(d, 8, levels, 0, kFillLevelsInHnhdr);
    } else if (IsBitmapBlock(i)) {  // covers itself and the 127 blocks after it
        PutFillLevels(d, 2, levels, i, kFillLevelsInBitmap);
    }

    PutU16(d, ibHnpm, static_cast<std::uint16_t>(b.starts.size()));  // cAlloc
    PutU16(d, ibHnpm + 2, 0);                                        // cFree: nothing is ever freed
    std::size_t at = ibHnpm + 4;
    for (std::uint16_t start : b.starts) {
        PutU16(d, at, start);
        at += 2;
    }
    PutU16(d, at, static_cast<std::uint16_t>(b.bytes.size()));  // where the next allocation would start
    return data;
}

void HeapOnNode::Emit(std::size_t index) {
    Block& b = blocks[index];
    if (b.written) return;
    const std::vector<std::uint8_t> bytes = Bytes(index);
    sink->WriteHeapBlock(index, bytes);
    b.written = true;
    std::vector<std::uint8_t>().swap(b.bytes);
    std::vector<std::uint16_t>().swap(b.starts);
}

std::vector<std::vector<std::uint8_t>> HeapOnNode::Finish() {
    Close(blocks.size() - 1);
    std::vector<std::vector<std::uint8_t>> out;
    if (sink != nullptr) {
        // The first block last: its header is complete only now.
        for (std::size_t i = blocks.size(); i-- > 0;) Emit(i);
        return out;
    }
    out.reserve(blocks.size());
    for (std::size_t i = 0; i < blocks.size(); ++i) out.push_back(Bytes(i));
    return out;
}

}  // namespace quill::pst::ltp
