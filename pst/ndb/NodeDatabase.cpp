#include "pst/ndb/NodeDatabase.h"

#include "pst/PstError.h"

#include "pst/disk/Bytes.h"
#include "pst/disk/Layout.h"
#include "pst/disk/Permute.h"
#include "platform/File.h"

#include <algorithm>
#include <chrono>
#include <cstring>
#include <stdexcept>
#include <string>

namespace quill::pst::ndb {

using namespace disk;

namespace {

constexpr std::size_t kFlushThreshold = 1 << 20;
constexpr std::size_t kXBlockMaxEntries = (kMaxBlockData - 8) / 8;    // 1021 ([MS-PST] 2.2.2.8.3.2.1)
constexpr std::size_t kSlBlockMaxEntries = (kMaxBlockData - 8) / 24;  // 340 ([MS-PST] 2.2.2.8.3.3.1)
constexpr std::size_t kSiBlockMaxEntries = (kMaxBlockData - 8) / 16;  // 510 ([MS-PST] 2.2.2.8.3.3.2)
static_assert(kXBlockMaxEntries == 1021 && kSlBlockMaxEntries == 340 && kSiBlockMaxEntries == 510);

// [MS-PST] 2.2.2.7.7.1 BTPAGE: entries in the first 488 bytes, then cEnt, cEntMax, cbEnt, cLevel.
constexpr std::size_t kBtEntryArea = 488;
constexpr std::size_t kBtEntrySize = 24;   // BTENTRY and BBTENTRY ([MS-PST] 2.2.2.7.7.2, 2.2.2.7.7.3)
constexpr std::size_t kNbtEntrySize = 32;  // NBTENTRY ([MS-PST] 2.2.2.7.7.4)
constexpr std::size_t kNbtLeafMax = 15;
constexpr std::size_t kBbtLeafMax = 20;
constexpr std::size_t kBtIndexMax = 20;
constexpr std::uint32_t kFirstStreamedIndex = 0x10000;  // where message NIDs begin
static_assert(kNbtLeafMax * kNbtEntrySize <= kBtEntryArea && kBbtLeafMax * kBtEntrySize <= kBtEntryArea);

constexpr std::uint64_t RoundUp(std::uint64_t v, std::uint64_t to) { return (v + to - 1) / to * to; }

}  // namespace

struct NodeDatabase::PageEntry {
    std::uint64_t key;
    std::array<std::uint8_t, kNbtEntrySize> bytes;  // the entry as it goes on the page
};

// ---------------------------------------------------------------------------------------------
// DataTreeWriter

DataTreeWriter::DataTreeWriter(NodeDatabase& db) : db(db) { pending.reserve(kMaxBlockData); }

void DataTreeWriter::Append(std::span<const std::uint8_t> bytes) {
    total += bytes.size();
    while (!bytes.empty()) {
        // Whole blocks go out straight from the caller's bytes.
        if (pending.empty() && bytes.size() >= kMaxBlockData) {
            leaves.push_back(db.WriteDataBlock(bytes.first(kMaxBlockData)));
            bytes = bytes.subspan(kMaxBlockData);
            continue;
        }
        const std::size_t take = std::min<std::size_t>(bytes.size(), kMaxBlockData - pending.size());
        pending.insert(pending.end(), bytes.begin(), bytes.begin() + static_cast<std::ptrdiff_t>(take));
        bytes = bytes.subspan(take);
        if (pending.size() == kMaxBlockData) FlushLeaf();
    }
}

void DataTreeWriter::FlushLeaf() {
    leaves.push_back(db.WriteDataBlock(pending));
    pending.clear();
}

Bid DataTreeWriter::Finish() {
    if (!pending.empty() || leaves.empty()) FlushLeaf();
    std::vector<std::uint64_t> sizes(leaves.size(), kMaxBlockData);
    sizes.back() = total - (leaves.size() - 1) * kMaxBlockData;
    return db.XBlockTree(leaves, sizes);
}

// ---------------------------------------------------------------------------------------------
// NodeDatabase

NodeDatabase::NodeDatabase(platform::OutputFile& file, CryptMethod crypt)
    : file(file),
      crypt(crypt),
      cursor(0),
      bufferStart(0),
      streamedBbt(std::make_unique<StreamedLeaves>()),
      streamedNbt(std::make_unique<StreamedLeaves>()) {
    buffer.resize(kFlushThreshold + 4 * kMaxBlockSize);
    // Header, DList and the first region's map pages stay zero until Close writes them.
    StartRegion(0);
}

NodeDatabase::~NodeDatabase() = default;

void NodeDatabase::StartRegion(std::uint64_t r) {
    region = r;
    currentAMap = std::make_unique<AMap>(r);
    auto special = Reserve(RegionStart(r), SpecialPageCount(r) * kPageSize);
    // PMap and FPMap are all ones and final now ([MS-PST] 2.2.2.7.3, 2.2.2.7.6: deprecated,
    // every page marked allocated); AMap and FMap are filled in when their counts are known.
    if (HasPMap(r)) {
        auto page = special.subspan(PMapOffset(r) - RegionStart(r), kPageSize);
        std::fill(page.begin(), page.begin() + kPageDataSize, std::uint8_t{0xFF});
        WritePageTrailer(page, PageType::PMap, 0, PMapOffset(r));
    }
    if (HasFPMap(r)) {
        auto page = special.subspan(FPMapOffset(r) - RegionStart(r), kPageSize);
        std::fill(page.begin(), page.begin() + kPageDataSize, std::uint8_t{0xFF});
        WritePageTrailer(page, PageType::FPMap, 0, FPMapOffset(r));
    }
    cursor = FirstDataOffset(r);
}

void NodeDatabase::FinishRegion() {
    std::array<std::uint8_t, kPageSize> page{};
    currentAMap->WritePage(page);
    PatchAt(RegionStart(region), page);
    freeSlots += currentAMap->FreeSlots();
    longestFreeRun.push_back(currentAMap->LongestFreeRun());
}

std::span<std::uint8_t> NodeDatabase::Reserve(std::uint64_t ib, std::uint64_t size, bool zero) {
    if (ib < bufferStart + used)
        throw LayerError<std::logic_error>(
            "PST layout: output at offset " + std::to_string(ib) + " goes backwards",
            {.offset = ib, .expected = "at or past " + std::to_string(bufferStart + used)});
    if (used >= kFlushThreshold) FlushBuffer();
    // A gap longer than the buffer (the free end of the last region) goes out in pieces.
    while (ib + size - bufferStart > buffer.size()) {
        const std::uint64_t gapEnd = std::min<std::uint64_t>(ib, bufferStart + buffer.size());
        std::fill(buffer.begin() + static_cast<std::ptrdiff_t>(used),
                  buffer.begin() + static_cast<std::ptrdiff_t>(gapEnd - bufferStart), std::uint8_t{0});
        used = static_cast<std::size_t>(gapEnd - bufferStart);
        FlushBuffer();
    }
    const std::size_t at = static_cast<std::size_t>(ib - bufferStart);
    std::fill(buffer.begin() + static_cast<std::ptrdiff_t>(used), buffer.begin() + static_cast<std::ptrdiff_t>(at),
              std::uint8_t{0});
    used = at + static_cast<std::size_t>(size);
    std::span<std::uint8_t> out(buffer.data() + at, static_cast<std::size_t>(size));
    if (zero) std::fill(out.begin(), out.end(), std::uint8_t{0});
    return out;
}

void NodeDatabase::PatchAt(std::uint64_t ib, std::span<const std::uint8_t> bytes) {
    if (ib >= bufferStart && ib + bytes.size() <= bufferStart + used) {
        std::memcpy(buffer.data() + (ib - bufferStart), bytes.data(), bytes.size());
        return;
    }
    if (ib + bytes.size() <= bufferStart) {
        file.WriteAt(ib, reinterpret_cast<const char*>(bytes.data()), bytes.size());
        return;
    }
    throw LayerError<std::logic_error>(
        "PST layout: patch at offset " + std::to_string(ib) + " straddles the write buffer", {.offset = ib});
}

void NodeDatabase::FlushBuffer() {
    if (used == 0) return;
    file.Write(reinterpret_cast<const char*>(buffer.data()), used);
    bufferStart += used;
    used = 0;
}

std::uint64_t NodeDatabase::Allocate(std::uint64_t size, std::uint64_t align) {
    std::uint64_t at = RoundUp(cursor, align);
    if (at + size > RegionStart(region + 1)) {
        FinishRegion();
        StartRegion(region + 1);
        at = RoundUp(cursor, align);
    }
    currentAMap->Allocate(at, size);
    cursor = at + size;
    return at;
}

Bid NodeDatabase::NextBlockBid(bool internal) {
    const Bid bid = nextBid | (internal ? kInternalBidBit : 0);
    nextBid += 4;
    return bid;
}

Bid NodeDatabase::WriteBlock(std::span<const std::uint8_t> data, bool internal) {
    if (data.size() > kMaxBlockData)
        throw LayerError<std::length_error>("PST block of " + std::to_string(data.size()) + " bytes",
                                            {.offset = cursor,
                                             .expected = "at most " + std::to_string(kMaxBlockData) + " bytes",
                                             .actual = std::to_string(data.size())});
    const auto cb = static_cast<std::uint16_t>(data.size());
    const std::uint64_t size = BlockSize(cb);
    const std::uint64_t ib = Allocate(size, kSlotSize);
    const Bid bid = NextBlockBid(internal);
    auto block = Reserve(ib, size, false);
    if (!data.empty()) std::memcpy(block.data(), data.data(), data.size());
    // Only external blocks are encoded ([MS-PST] 2.2.2.8.1: the CRC covers the bytes on disk).
    if (!internal && crypt == CryptMethod::Permute) PermuteEncode(block.first(cb));
    WriteBlockTrailer(block, cb, ib, bid);
    // Block BIDs only rise, so the BBT's leaves go out as they fill.
    PageEntry e{bid, {}};
    PutU64(e.bytes, 0, bid);
    PutU64(e.bytes, 8, ib);
    PutU16(e.bytes, 16, cb);
    PutU16(e.bytes, 18, 2);  // the BBT's reference and the one that uses the block
    ++blockCount;
    StreamEntry(*streamedBbt, e, kBbtLeafMax, kBtEntrySize, PageType::BBT);
    return bid;
}

Bid NodeDatabase::WriteDataBlock(std::span<const std::uint8_t> data) { return WriteBlock(data, false); }

Bid NodeDatabase::WriteDataTree(std::span<const std::uint8_t> data) {
    DataTreeWriter tree(*this);
    tree.Append(data);
    return tree.Finish();
}

Bid NodeDatabase::WriteBlockList(const std::vector<std::vector<std::uint8_t>>& blocks) {
    if (blocks.empty()) return WriteDataBlock({});
    std::vector<Bid> bids;
    std::vector<std::uint64_t> sizes;
    for (const auto& b : blocks) {
        bids.push_back(WriteDataBlock(b));
        sizes.push_back(b.size());
    }
    return XBlockTree(bids, sizes);
}

// [MS-PST] 2.2.2.8.3.2.1 XBLOCK and 2.2.2.8.3.2.2 XXBLOCK: btype 1, cLevel, cEnt, lcbTotal, rgbid.
Bid NodeDatabase::XBlockTree(const std::vector<Bid>& leafBids, const std::vector<std::uint64_t>& leafSizes) {
    if (leafBids.size() == 1) return leafBids[0];
    auto writeX = [this](std::uint8_t level, std::span<const Bid> bids, std::uint64_t total) {
        if (total > 0xFFFFFFFFu)
            throw std::length_error("PST value of " + std::to_string(total) + " bytes is too large");
        std::vector<std::uint8_t> x(8 + 8 * bids.size());
        PutU8(x, 0, 0x01);
        PutU8(x, 1, level);
        PutU16(x, 2, static_cast<std::uint16_t>(bids.size()));
        PutU32(x, 4, static_cast<std::uint32_t>(total));
        for (std::size_t i = 0; i < bids.size(); ++i) PutU64(x, 8 + 8 * i, bids[i]);
        return WriteBlock(x, true);
    };
    std::uint64_t total = 0;
    for (auto s : leafSizes) total += s;
    if (leafBids.size() <= kXBlockMaxEntries) return writeX(1, leafBids, total);
    std::vector<Bid> xbids;
    for (std::size_t i = 0; i < leafBids.size(); i += kXBlockMaxEntries) {
        const std::size_t n = std::min(kXBlockMaxEntries, leafBids.size() - i);
        std::uint64_t part = 0;
        for (std::size_t k = i; k < i + n; ++k) part += leafSizes[k];
        xbids.push_back(writeX(1, std::span<const Bid>(leafBids).subspan(i, n), part));
    }
    if (xbids.size() > kXBlockMaxEntries)
        throw std::length_error("PST value of " + std::to_string(total) + " bytes is too large");
    return writeX(2, xbids, total);
}

// [MS-PST] 2.2.2.8.3.3.1 SLBLOCK and 2.2.2.8.3.3.2 SIBLOCK: btype 2, cLevel, cEnt, dwPadding.
Bid NodeDatabase::WriteSubnodeTree(std::vector<SubnodeEntry> entries) {
    if (entries.empty()) return 0;
    std::sort(entries.begin(), entries.end(),
              [](const SubnodeEntry& a, const SubnodeEntry& b) { return a.nid < b.nid; });
    for (std::size_t i = 1; i < entries.size(); ++i)
        if (entries[i].nid == entries[i - 1].nid)
            throw LayerError<std::logic_error>("PST subnode " + std::to_string(entries[i].nid) + " appears twice",
                                               {.nodeId = entries[i].nid, .expected = "each subnode once"});
    auto writeLeaf = [this](std::span<const SubnodeEntry> part) {
        std::vector<std::uint8_t> b(8 + 24 * part.size());
        PutU8(b, 0, 0x02);
        PutU8(b, 1, 0);
        PutU16(b, 2, static_cast<std::uint16_t>(part.size()));
        for (std::size_t i = 0; i < part.size(); ++i) {
            PutU64(b, 8 + 24 * i, part[i].nid);
            PutU64(b, 16 + 24 * i, part[i].bidData);
            PutU64(b, 24 + 24 * i, part[i].bidSub);
        }
        return WriteBlock(b, true);
    };
    if (entries.size() <= kSlBlockMaxEntries) return writeLeaf(entries);
    if (entries.size() > kSlBlockMaxEntries * kSiBlockMaxEntries)
        throw LayerError<std::length_error>(
            "PST node with " + std::to_string(entries.size()) + " subnodes",
            {.expected = "at most " + std::to_string(kSlBlockMaxEntries * kSiBlockMaxEntries) + " subnodes",
             .actual = std::to_string(entries.size())});
    std::vector<std::uint8_t> si(8);
    std::size_t count = 0;
    for (std::size_t i = 0; i < entries.size(); i += kSlBlockMaxEntries, ++count) {
        const std::size_t n = std::min(kSlBlockMaxEntries, entries.size() - i);
        const Bid leaf = writeLeaf(std::span<const SubnodeEntry>(entries).subspan(i, n));
        si.resize(8 + 16 * (count + 1));
        PutU64(si, 8 + 16 * count, entries[i].nid);
        PutU64(si, 16 + 16 * count, leaf);
    }
    PutU8(si, 0, 0x02);
    PutU8(si, 1, 1);
    PutU16(si, 2, static_cast<std::uint16_t>(count));
    return WriteBlock(si, true);
}

void NodeDatabase::AddNode(Nid nid, Bid bidData, Bid bidSub, Nid nidParent) {
    if (closed) throw std::logic_error("PST node added after Close");
    ++nodeCount;
    // Messages arrive with rising NIDs and sort after every other node (their indexes start at
    // 0x10000, folder indexes stay below it): their NBT leaves go out as they fill.
    if (NidTypeOf(nid) == NidType::NormalMessage && NidIndex(nid) >= kFirstStreamedIndex && nid > lastStreamedNid) {
        lastStreamedNid = nid;
        PageEntry e{nid, {}};
        PutU64(e.bytes, 0, nid);
        PutU64(e.bytes, 8, bidData);
        PutU64(e.bytes, 16, bidSub);
        PutU32(e.bytes, 24, nidParent);
        StreamEntry(*streamedNbt, e, kNbtLeafMax, kNbtEntrySize, PageType::NBT);
        return;
    }
    nbt.push_back({nid, bidData, bidSub, nidParent});
}

Nid NodeDatabase::NextNid(NidType type) {
    auto& counter = rgnid[static_cast<std::size_t>(type)];
    if (counter >= kMaxNidIndex)
        throw std::length_error("PST: no node ids of type " + std::to_string(static_cast<int>(type)) + " are left");
    return MakeNid(type, ++counter);
}

void NodeDatabase::ReserveNid(NidType type, std::uint32_t index) {
    auto& counter = rgnid[static_cast<std::size_t>(type)];
    counter = std::max(counter, index);
}

void NodeDatabase::StreamEntry(StreamedLeaves& tree, const PageEntry& entry, std::size_t leafMax,
                               std::size_t entrySize, PageType ptype) {
    tree.pending.push_back(entry);
    if (tree.pending.size() < leafMax) return;
    const PageEntry page = WritePage(tree.pending, entrySize, 0, ptype);
    tree.pending.clear();
    tree.pages.push_back(page);
}

// One BTPAGE ([MS-PST] 2.2.2.7.7.1) holding `entries`; its (first key, BREF) for the level above.
NodeDatabase::PageEntry NodeDatabase::WritePage(std::span<const PageEntry> entries, std::size_t entrySize,
                                                std::uint8_t cLevel, PageType ptype) {
    const std::uint64_t ib = Allocate(kPageSize, kPageSize);
    const Bid bid = nextPageBid++;
    auto page = Reserve(ib, kPageSize);
    for (std::size_t i = 0; i < entries.size(); ++i)
        std::memcpy(page.data() + i * entrySize, entries[i].bytes.data(), entrySize);
    PutU8(page, 488, static_cast<std::uint8_t>(entries.size()));
    PutU8(page, 489, static_cast<std::uint8_t>(kBtEntryArea / entrySize));
    PutU8(page, 490, static_cast<std::uint8_t>(entrySize));
    PutU8(page, 491, cLevel);
    WritePageTrailer(page, ptype, ComputeSig(ib, bid), bid);
    PageEntry e{entries.empty() ? 0 : entries.front().key, {}};
    PutU64(e.bytes, 0, e.key);
    PutU64(e.bytes, 8, bid);
    PutU64(e.bytes, 16, ib);
    return e;
}

// Leaves over sorted entries, spread evenly so that no page ends up nearly empty.
std::vector<NodeDatabase::PageEntry> NodeDatabase::WriteLeaves(const std::vector<PageEntry>& entries,
                                                               std::size_t leafMax, std::size_t entrySize,
                                                               PageType ptype) {
    std::vector<PageEntry> pages;
    const std::size_t count = (entries.size() + leafMax - 1) / leafMax;
    for (std::size_t p = 0; p < count; ++p) {
        const std::size_t from = entries.size() * p / count;
        const std::size_t to = entries.size() * (p + 1) / count;
        pages.push_back(WritePage(std::span<const PageEntry>(entries).subspan(from, to - from), entrySize, 0, ptype));
    }
    return pages;
}

// Index levels of (first key, BREF) above the leaves until one page remains; an empty tree is
// one empty leaf.
Bref NodeDatabase::WriteIndexLevels(std::vector<PageEntry> level, PageType ptype) {
    if (level.empty()) level.push_back(WritePage({}, ptype == PageType::NBT ? kNbtEntrySize : kBtEntrySize, 0, ptype));
    std::uint8_t cLevel = 0;
    while (level.size() > 1) {
        ++cLevel;
        std::vector<PageEntry> parents;
        const std::size_t count = (level.size() + kBtIndexMax - 1) / kBtIndexMax;
        for (std::size_t p = 0; p < count; ++p) {
            const std::size_t from = level.size() * p / count;
            const std::size_t to = level.size() * (p + 1) / count;
            parents.push_back(
                WritePage(std::span<const PageEntry>(level).subspan(from, to - from), kBtEntrySize, cLevel, ptype));
        }
        level = std::move(parents);
    }
    return Bref{GetU64(level[0].bytes, 8), GetU64(level[0].bytes, 16)};
}

void NodeDatabase::Close() {
    if (closed) throw std::logic_error("PST node database closed twice");
    closed = true;

    std::sort(nbt.begin(), nbt.end(), [](const NbtEntry& a, const NbtEntry& b) { return a.nid < b.nid; });
    std::vector<PageEntry> nodes;
    nodes.reserve(nbt.size());
    for (std::size_t i = 0; i < nbt.size(); ++i) {
        if (i > 0 && nbt[i].nid == nbt[i - 1].nid)
            throw LayerError<std::logic_error>("PST node " + std::to_string(nbt[i].nid) + " written twice",
                                               {.nodeId = nbt[i].nid, .expected = "each node once"});
        PageEntry e{nbt[i].nid, {}};
        PutU64(e.bytes, 0, nbt[i].nid);
        PutU64(e.bytes, 8, nbt[i].bidData);
        PutU64(e.bytes, 16, nbt[i].bidSub);
        PutU32(e.bytes, 24, nbt[i].nidParent);
        nodes.push_back(e);
    }
    std::vector<NbtEntry>().swap(nbt);
    const Nid firstStreamed = !streamedNbt->pages.empty()     ? static_cast<Nid>(streamedNbt->pages.front().key)
                              : !streamedNbt->pending.empty() ? static_cast<Nid>(streamedNbt->pending.front().key)
                                                              : 0;
    if (firstStreamed != 0 && !nodes.empty() && nodes.back().key >= firstStreamed)
        throw LayerError<std::logic_error>("PST node " + std::to_string(nodes.back().key) +
                                               " sorts among the messages",
                                           {.nodeId = static_cast<std::uint32_t>(nodes.back().key),
                                            .expected = "below " + std::to_string(firstStreamed)});

    // The NBT: the nodes kept in memory, then the messages' leaves already written.
    std::vector<PageEntry> nbtPages = WriteLeaves(nodes, kNbtLeafMax, kNbtEntrySize, PageType::NBT);
    if (!streamedNbt->pending.empty())
        streamedNbt->pages.push_back(WritePage(streamedNbt->pending, kNbtEntrySize, 0, PageType::NBT));
    nbtPages.insert(nbtPages.end(), streamedNbt->pages.begin(), streamedNbt->pages.end());
    const Bref nbtRoot = WriteIndexLevels(std::move(nbtPages), PageType::NBT);

    // The BBT: every block was streamed; pages are no blocks, so writing them adds none.
    if (!streamedBbt->pending.empty())
        streamedBbt->pages.push_back(WritePage(streamedBbt->pending, kBtEntrySize, 0, PageType::BBT));
    const Bref bbtRoot = WriteIndexLevels(std::move(streamedBbt->pages), PageType::BBT);

    // The file ends at a region boundary ([MS-PST] 2.6.1.1).
    const std::uint64_t eof = RegionStart(region + 1);
    (void)Reserve(eof, 0);
    FinishRegion();
    WriteMapPages();

    Header h;
    h.bidNextP = nextPageBid;
    h.bidNextB = nextBid;
    h.dwUnique = static_cast<std::uint32_t>(std::chrono::steady_clock::now().time_since_epoch().count());
    h.rgnid = rgnid;
    h.ibFileEof = eof;
    h.ibAMapLast = RegionStart(region);
    h.cbAMapFree = freeSlots * kSlotSize;
    h.brefNBT = nbtRoot;
    h.brefBBT = bbtRoot;
    h.bCryptMethod = crypt;
    FlushBuffer();
    // Everything the header describes is on the disk before the header is written, and the
    // header after it: a power loss never leaves a header pointing at data that is not there.
    file.Sync();
    std::array<std::uint8_t, Header::kSize> bytes{};
    h.Serialize(bytes);
    // Last of all: until the header is on disk the file does not read as a PST.
    file.WriteAt(0, reinterpret_cast<const char*>(bytes.data()), bytes.size());
    file.Sync();
}

void NodeDatabase::WriteMapPages() {
    const std::uint64_t regions = region + 1;
    for (std::uint64_t r = 0; r < regions; ++r) {
        if (!HasFMap(r)) continue;
        // [MS-PST] 2.2.2.7.5: one byte per AMap from this region on, the longest free run.
        std::array<std::uint8_t, kPageSize> page{};
        for (std::uint64_t k = 0; k < kPageDataSize && r + k < regions; ++k) page[k] = longestFreeRun[r + k];
        WritePageTrailer(page, PageType::FMap, 0, FMapOffset(r));
        PatchAt(FMapOffset(r), page);
    }
    // [MS-PST] 2.2.2.7.4 DLISTPAGE: no entries; ulCurrentPage names the last AMap.
    std::array<std::uint8_t, kPageSize> dlist{};
    PutU32(dlist, 4, static_cast<std::uint32_t>(region));
    WritePageTrailer(dlist, PageType::DList, ComputeSig(kDListOffset, nextPageBid), nextPageBid);
    PatchAt(kDListOffset, dlist);
}

}  // namespace quill::pst::ndb
