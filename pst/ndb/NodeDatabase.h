#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <vector>

#include "pst/disk/AMap.h"
#include "pst/disk/Header.h"
#include "pst/disk/Trailer.h"

namespace quill::platform {
class OutputFile;
}

// The node database layer ([MS-PST] 2.2): blocks and pages laid out region by region as they are
// written, and the B-trees, map pages and header that make them a file, written at Close.
namespace quill::pst::ndb {

using Bid = std::uint64_t;
using Nid = std::uint32_t;

constexpr Bid kInternalBidBit = 0x2;  // [MS-PST] 2.2.2.2: set on XBLOCK, XXBLOCK, SLBLOCK, SIBLOCK

// [MS-PST] 2.2.2.1 NID types used by the writer.
enum class NidType : std::uint8_t {
    Hid = 0x00,
    Internal = 0x01,
    NormalFolder = 0x02,
    SearchFolder = 0x03,
    NormalMessage = 0x04,
    Attachment = 0x05,
    SearchUpdateQueue = 0x06,
    SearchCriteriaObject = 0x07,
    AssocMessage = 0x08,
    HierarchyTable = 0x0D,
    ContentsTable = 0x0E,
    AssocContentsTable = 0x0F,
    SearchContentsTable = 0x10,
    AttachmentTable = 0x11,
    RecipientTable = 0x12,
    LtpValueStream = 0x1F,
};

[[nodiscard]] constexpr Nid MakeNid(NidType type, std::uint32_t index) {
    return (index << 5) | static_cast<std::uint32_t>(type);
}
[[nodiscard]] constexpr std::uint32_t NidIndex(Nid nid) { return nid >> 5; }
[[nodiscard]] constexpr NidType NidTypeOf(Nid nid) { return static_cast<NidType>(nid & 0x1F); }
constexpr std::uint32_t kMaxNidIndex = (1u << 27) - 1;

// An entry of a subnode tree ([MS-PST] 2.2.2.8.3.3.1.1 SLENTRY).
struct SubnodeEntry {
    Nid nid = 0;
    Bid bidData = 0;
    Bid bidSub = 0;
};

class NodeDatabase;

// Writes one stream of bytes as a data tree ([MS-PST] 2.2.2.8.3.2): full 8176-byte data blocks as
// the bytes arrive, then the XBLOCKs (and an XXBLOCK) above them at Finish. Memory holds one
// block and the leaf BIDs.
class DataTreeWriter {
  public:
    explicit DataTreeWriter(NodeDatabase& db);
    void Append(std::span<const std::uint8_t> bytes);
    // The root BID; a stream of no bytes is one empty data block.
    [[nodiscard]] Bid Finish();
    [[nodiscard]] std::uint64_t Size() const { return total; }

  private:
    void FlushLeaf();

    NodeDatabase& db;
    std::vector<std::uint8_t> pending;
    std::vector<Bid> leaves;
    std::uint64_t total = 0;
};

class NodeDatabase {
  public:
    // Takes a freshly created, empty file. Nothing that looks like a PST is on disk until Close.
    NodeDatabase(platform::OutputFile& file, disk::CryptMethod crypt);
    ~NodeDatabase();
    NodeDatabase(const NodeDatabase&) = delete;
    NodeDatabase& operator=(const NodeDatabase&) = delete;

    // One data block of up to 8176 bytes (encoded with the file's crypt method).
    [[nodiscard]] Bid WriteDataBlock(std::span<const std::uint8_t> data);
    // A whole stream as a data tree.
    [[nodiscard]] Bid WriteDataTree(std::span<const std::uint8_t> data);
    // Node data given as the HN's blocks: each becomes one data block, under an XBLOCK when
    // there are several. The heap's block boundaries are kept exactly.
    [[nodiscard]] Bid WriteBlockList(const std::vector<std::vector<std::uint8_t>>& blocks);
    // Data blocks already written, in their order in the node's data: the one BID, or an
    // XBLOCK (XXBLOCK) tree over them.
    [[nodiscard]] Bid XBlockTree(const std::vector<Bid>& leafBids, const std::vector<std::uint64_t>& leafSizes);
    // A subnode tree over `entries` (sorted or not; NIDs unique); 0 when there are none.
    [[nodiscard]] Bid WriteSubnodeTree(std::vector<SubnodeEntry> entries);

    // Registers a node for the NBT. NIDs must be unique.
    void AddNode(Nid nid, Bid bidData, Bid bidSub, Nid nidParent);

    // Allocates the next NID of a counted type (rgnid in the header).
    [[nodiscard]] Nid NextNid(NidType type);
    // Raises a type's counter to at least `index` (for the fixed NIDs of the mandatory nodes).
    void ReserveNid(NidType type, std::uint32_t index);

    // The NBT, BBT, map pages and DList, then the header. The file is then complete.
    void Close();

    [[nodiscard]] std::uint64_t FileOffset() const { return cursor; }
    [[nodiscard]] std::size_t BlockCount() const { return blockCount; }
    [[nodiscard]] std::size_t NodeCount() const { return nodeCount; }

  private:
    friend class DataTreeWriter;

    struct BbtEntry {
        Bid bid;
        std::uint64_t ib;
        std::uint16_t cb;
    };
    struct NbtEntry {
        Nid nid;
        Bid bidData;
        Bid bidSub;
        Nid nidParent;
    };

    [[nodiscard]] Bid WriteBlock(std::span<const std::uint8_t> data, bool internal);
    [[nodiscard]] std::uint64_t Allocate(std::uint64_t size, std::uint64_t align);
    // The bytes at [ib, ib + size) in the write buffer, zeroed; ib is at or past all earlier
    // output, and the gap before it is zero-filled. Unless `zero` is false the bytes are zero too.
    [[nodiscard]] std::span<std::uint8_t> Reserve(std::uint64_t ib, std::uint64_t size, bool zero = true);
    void PatchAt(std::uint64_t ib, std::span<const std::uint8_t> bytes);
    void FlushBuffer();
    void FinishRegion();
    void StartRegion(std::uint64_t region);
    [[nodiscard]] Bid NextBlockBid(bool internal);
    struct PageEntry;
    // A B-tree whose leaves are written as their entries arrive in key order, so that memory
    // keeps one entry per page (the BBT, and the NBT entries of messages).
    struct StreamedLeaves {
        std::vector<PageEntry> pending;  // at most one leaf's worth
        std::vector<PageEntry> pages;    // (first key, BREF) of every leaf written
    };
    void StreamEntry(StreamedLeaves& tree, const PageEntry& entry, std::size_t leafMax, std::size_t entrySize,
                     disk::PageType ptype);
    [[nodiscard]] PageEntry WritePage(std::span<const PageEntry> entries, std::size_t entrySize, std::uint8_t cLevel,
                                      disk::PageType ptype);
    [[nodiscard]] std::vector<PageEntry> WriteLeaves(const std::vector<PageEntry>& entries, std::size_t leafMax,
                                                     std::size_t entrySize, disk::PageType ptype);
    [[nodiscard]] disk::Bref WriteIndexLevels(std::vector<PageEntry> pages, disk::PageType ptype);
    void WriteMapPages();

    platform::OutputFile& file;
    disk::CryptMethod crypt;
    std::uint64_t cursor;              // next free offset
    std::uint64_t region = 0;          // region the cursor is in
    std::uint64_t bufferStart;         // file offset of buffer[0]
    std::vector<std::uint8_t> buffer;  // fixed size; the first `used` bytes are pending output
    std::size_t used = 0;
    std::unique_ptr<disk::AMap> currentAMap;   // the allocation bits of the region being filled
    std::vector<std::uint8_t> longestFreeRun;  // per finished region, for the FMaps
    std::uint64_t freeSlots = 0;               // over finished regions
    Bid nextBid = 4;
    Bid nextPageBid = 1;
    std::array<std::uint32_t, 32> rgnid{};
    std::vector<NbtEntry> nbt;  // the nodes that are not streamed (folders, tables, internal nodes)
    std::unique_ptr<StreamedLeaves> streamedBbt;
    std::unique_ptr<StreamedLeaves> streamedNbt;
    Nid lastStreamedNid = 0;
    std::size_t blockCount = 0;
    std::size_t nodeCount = 0;
    bool closed = false;
};

}  // namespace quill::pst::ndb
