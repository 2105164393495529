#include "pst/verify/PstReader.h"

#include "pst/disk/Bytes.h"
#include "pst/disk/Layout.h"

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <iterator>

namespace quill::pst::verify {

using disk::GetU16;
using disk::GetU32;
using disk::GetU64;

namespace {

// [MS-PST] 5.1 mpbbCrypt, bytes 512..767: on-disk byte -> plain byte.
constexpr std::uint8_t kDecode[256] = {
    0x47, 0xf1, 0xb4, 0xe6, 0x0b, 0x6a, 0x72, 0x48, 0x85, 0x4e, 0x9e, 0xeb, 0xe2, 0xf8, 0x94, 0x53, 0xe0, 0xbb, 0xa0,
    0x02, 0xe8, 0x5a, 0x09, 0xab, 0xdb, 0xe3, 0xba, 0xc6, 0x7c, 0xc3, 0x10, 0xdd, 0x39, 0x05, 0x96, 0x30, 0xf5, 0x37,
    0x60, 0x82, 0x8c, 0xc9, 0x13, 0x4a, 0x6b, 0x1d, 0xf3, 0xfb, 0x8f, 0x26, 0x97, 0xca, 0x91, 0x17, 0x01, 0xc4, 0x32,
    0x2d, 0x6e, 0x31, 0x95, 0xff, 0xd9, 0x23, 0xd1, 0x00, 0x5e, 0x79, 0xdc, 0x44, 0x3b, 0x1a, 0x28, 0xc5, 0x61, 0x57,
    0x20, 0x90, 0x3d, 0x83, 0xb9, 0x43, 0xbe, 0x67, 0xd2, 0x46, 0x42, 0x76, 0xc0, 0x6d, 0x5b, 0x7e, 0xb2, 0x0f, 0x16,
    0x29, 0x3c, 0xa9, 0x03, 0x54, 0x0d, 0xda, 0x5d, 0xdf, 0xf6, 0xb7, 0xc7, 0x62, 0xcd, 0x8d, 0x06, 0xd3, 0x69, 0x5c,
    0x86, 0xd6, 0x14, 0xf7, 0xa5, 0x66, 0x75, 0xac, 0xb1, 0xe9, 0x45, 0x21, 0x70, 0x0c, 0x87, 0x9f, 0x74, 0xa4, 0x22,
    0x4c, 0x6f, 0xbf, 0x1f, 0x56, 0xaa, 0x2e, 0xb3, 0x78, 0x33, 0x50, 0xb0, 0xa3, 0x92, 0xbc, 0xcf, 0x19, 0x1c, 0xa7,
    0x63, 0xcb, 0x1e, 0x4d, 0x3e, 0x4b, 0x1b, 0x9b, 0x4f, 0xe7, 0xf0, 0xee, 0xad, 0x3a, 0xb5, 0x59, 0x04, 0xea, 0x40,
    0x55, 0x25, 0x51, 0xe5, 0x7a, 0x89, 0x38, 0x68, 0x52, 0x7b, 0xfc, 0x27, 0xae, 0xd7, 0xbd, 0xfa, 0x07, 0xf4, 0xcc,
    0x8e, 0x5f, 0xef, 0x35, 0x9c, 0x84, 0x2b, 0x15, 0xd5, 0x77, 0x34, 0x49, 0xb6, 0x12, 0x0a, 0x7f, 0x71, 0x88, 0xfd,
    0x9d, 0x18, 0x41, 0x7d, 0x93, 0xd8, 0x58, 0x2c, 0xce, 0xfe, 0x24, 0xaf, 0xde, 0xb8, 0x36, 0xc8, 0xa1, 0x80, 0xa6,
    0x99, 0x98, 0xa8, 0x2f, 0x0e, 0x81, 0x65, 0x73, 0xe4, 0xc2, 0xa2, 0x8a, 0xd4, 0xe1, 0x11, 0xd0, 0x08, 0x8b, 0x2a,
    0xf2, 0xed, 0x9a, 0x64, 0x3f, 0xc1, 0x6c, 0xf9, 0xec,
};

constexpr int kMaxDepth = 8;  // deeper than any B-tree or data tree a PST can hold: a cycle

[[noreturn]] void Fail(const std::string& what) { throw PstFormatError(what); }

constexpr bool IsInternalBid(std::uint64_t bid) { return (bid & 2) != 0; }

}  // namespace

std::string Hex(std::uint64_t v) {
    char buf[24];
    std::snprintf(buf, sizeof buf, "0x%llX", static_cast<unsigned long long>(v));
    return buf;
}

void PermuteDecode(std::span<std::uint8_t> data) {
    for (auto& b : data) b = kDecode[b];
}

void PermuteEncode(std::span<std::uint8_t> data) {
    static const auto encode = [] {
        std::array<std::uint8_t, 256> e{};
        for (int i = 0; i < 256; ++i) e[kDecode[i]] = static_cast<std::uint8_t>(i);
        return e;
    }();
    for (auto& b : data) b = encode[b];
}

std::size_t OnDiskWidth(std::uint16_t type) {
    switch (type) {
        case 0x0002:
            return 2;  // PtypInteger16
        case 0x0003:
        case 0x0004:
        case 0x000A:
            return 4;  // Integer32, Floating32, ErrorCode
        case 0x000B:
            return 1;  // Boolean
        case 0x0005:
        case 0x0006:
        case 0x0007:
        case 0x0014:
        case 0x0040:
            return 8;
        case 0x0048:
            return 16;  // GUID
        default:
            return 0;
    }
}

// ---------------------------------------------------------------------------------------------
// Heap-on-node

Heap::Heap(const NodeData& node, const std::string& name) : node(&node), name(name) {
    if (node.blocks.empty()) Fail(name + ": heap has no data blocks");
    for (std::size_t i = 0; i < node.blocks.size(); ++i) {
        const auto& b = node.blocks[i];
        const std::string where = name + " heap block " + std::to_string(i);
        if (b.size() < 2) Fail(where + ": " + std::to_string(b.size()) + " bytes, too short for a page header");
        Block blk;
        blk.ibHnpm = GetU16(b, 0);
        if (i == 0) {
            if (b.size() < 12) Fail(where + ": shorter than HNHDR (12 bytes)");
            if (b[2] != 0xEC) Fail(where + ": HNHDR bSig " + Hex(b[2]) + ", expected 0xEC");
            clientSig = b[3];
            hidUserRoot = GetU32(b, 4);
        }
        const std::size_t hdr = i == 0 ? 12 : (i >= 8 && (i - 8) % 128 == 0) ? 66 : 2;  // HNHDR, HNBITMAPHDR, HNPAGEHDR
        if (blk.ibHnpm < hdr || blk.ibHnpm + 4u > b.size())
            Fail(where + ": ibHnpm " + std::to_string(blk.ibHnpm) + " outside [" + std::to_string(hdr) + ", " +
                 std::to_string(b.size()) + ")");
        const std::uint16_t cAlloc = GetU16(b, blk.ibHnpm);
        blk.cFree = GetU16(b, blk.ibHnpm + 2u);
        const std::size_t mapEnd = blk.ibHnpm + 4u + 2u * (cAlloc + 1u);
        if (mapEnd > b.size())
            Fail(where + ": HNPAGEMAP of " + std::to_string(cAlloc) + " allocations runs past cb " +
                 std::to_string(b.size()));
        for (std::size_t k = 0; k <= cAlloc; ++k) blk.rgibAlloc.push_back(GetU16(b, blk.ibHnpm + 4u + 2u * k));
        if (blk.rgibAlloc.front() != hdr)
            Fail(where + ": first allocation at " + std::to_string(blk.rgibAlloc.front()) + ", expected " +
                 std::to_string(hdr));
        for (std::size_t k = 1; k <= cAlloc; ++k)
            if (blk.rgibAlloc[k] < blk.rgibAlloc[k - 1])
                Fail(where + ": rgibAlloc[" + std::to_string(k) + "] = " + std::to_string(blk.rgibAlloc[k]) +
                     " below the previous offset");
        if (blk.rgibAlloc.back() > blk.ibHnpm)
            Fail(where + ": allocations end at " + std::to_string(blk.rgibAlloc.back()) + ", past the page map at " +
                 std::to_string(blk.ibHnpm));
        blocks.push_back(std::move(blk));
    }
}

int Heap::RecordedFillLevel(std::size_t i) const {
    std::size_t byteOffset = 0;
    std::size_t nibble = 0;
    const std::vector<std::uint8_t>* b = nullptr;
    if (i < 8) {
        b = &node->blocks[0];
        byteOffset = 8;
        nibble = i;
    } else {
        const std::size_t owner = 8 + (i - 8) / 128 * 128;
        if (owner >= node->blocks.size()) return -1;
        b = &node->blocks[owner];
        byteOffset = 2;
        nibble = i - owner;
    }
    const std::size_t at = byteOffset + nibble / 2;
    if (at >= b->size()) return -1;
    const std::uint8_t v = (*b)[at];
    return nibble % 2 == 0 ? (v & 0x0F) : (v >> 4);
}

std::span<const std::uint8_t> Heap::Get(std::uint32_t hid) const {
    if ((hid & 0x1F) != 0) Fail(name + ": HID " + Hex(hid) + " has NID-type bits set");
    const std::size_t blockIndex = hid >> 16;
    const std::size_t index = (hid >> 5) & 0x7FF;
    if (blockIndex >= blocks.size())
        Fail(name + ": HID " + Hex(hid) + " names block " + std::to_string(blockIndex) + " of " +
             std::to_string(blocks.size()));
    const auto& blk = blocks[blockIndex];
    if (index == 0 || index >= blk.rgibAlloc.size())
        Fail(name + ": HID " + Hex(hid) + " names allocation " + std::to_string(index) + ", block has " +
             std::to_string(blk.rgibAlloc.size() - 1));
    const auto& data = node->blocks[blockIndex];
    return std::span<const std::uint8_t>(data).subspan(blk.rgibAlloc[index - 1],
                                                       blk.rgibAlloc[index] - blk.rgibAlloc[index - 1]);
}

namespace {

void CollectBth(const Heap& heap, std::uint32_t hid, int level, Bth& out, const std::string& name, int depth) {
    if (depth > kMaxDepth) Fail(name + ": BTH deeper than " + std::to_string(kMaxDepth) + " levels");
    const auto node = heap.Get(hid);
    const std::size_t rec = out.cbKey + (level > 0 ? 4u : out.cbEnt);
    if (node.size() % rec != 0)
        Fail(name + ": BTH node " + Hex(hid) + " of " + std::to_string(node.size()) +
             " bytes is not a multiple of the " + std::to_string(rec) + "-byte record");
    for (std::size_t at = 0; at < node.size(); at += rec) {
        if (level > 0) {
            CollectBth(heap, GetU32(node, at + out.cbKey), level - 1, out, name, depth + 1);
        } else {
            BthRecord r;
            r.key.assign(node.begin() + static_cast<std::ptrdiff_t>(at),
                         node.begin() + static_cast<std::ptrdiff_t>(at + out.cbKey));
            r.data.assign(node.begin() + static_cast<std::ptrdiff_t>(at + out.cbKey),
                          node.begin() + static_cast<std::ptrdiff_t>(at + rec));
            out.records.push_back(std::move(r));
        }
    }
}

std::uint64_t KeyValue(const std::vector<std::uint8_t>& key) {
    std::uint64_t v = 0;
    for (std::size_t i = key.size(); i-- > 0;) v = (v << 8) | key[i];
    return v;
}

}  // namespace

Bth ReadBth(const Heap& heap, std::uint32_t hid, const std::string& name) {
    const auto h = heap.Get(hid);
    if (h.size() != 8 || h[0] != 0xB5) Fail(name + ": BTHHEADER at " + Hex(hid) + " is not 8 bytes with bType 0xB5");
    Bth bth;
    bth.cbKey = h[1];
    bth.cbEnt = h[2];
    bth.bIdxLevels = h[3];
    if (bth.cbKey != 2 && bth.cbKey != 4 && bth.cbKey != 8 && bth.cbKey != 16)
        Fail(name + ": BTH cbKey " + std::to_string(bth.cbKey) + ", expected 2, 4, 8 or 16");
    const std::uint32_t root = GetU32(h, 4);
    if (root != 0) CollectBth(heap, root, bth.bIdxLevels, bth, name, 0);
    for (std::size_t i = 1; i < bth.records.size(); ++i)
        if (KeyValue(bth.records[i].key) <= KeyValue(bth.records[i - 1].key))
            Fail(name + ": BTH keys not strictly increasing at record " + std::to_string(i) + " (key " +
                 Hex(KeyValue(bth.records[i].key)) + " after " + Hex(KeyValue(bth.records[i - 1].key)) + ")");
    return bth;
}

// ---------------------------------------------------------------------------------------------
// NDB

PstReader::PstReader(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) Fail("cannot open " + path);
    file.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    Load();
}

PstReader::PstReader(std::vector<std::uint8_t> bytes) : file(std::move(bytes)) { Load(); }

void PstReader::Load() {
    if (file.size() < disk::Header::kSize)
        Fail("file of " + std::to_string(file.size()) + " bytes is shorter than the header");
    const std::span<const std::uint8_t> f(file);
    header.dwMagic = GetU32(f, 0);
    header.dwCRCPartial = GetU32(f, 4);
    header.wMagicClient = GetU16(f, 8);
    header.wVer = GetU16(f, 10);
    header.wVerClient = GetU16(f, 12);
    header.bidNextP = GetU64(f, 32);
    header.dwUnique = GetU32(f, 40);
    for (std::size_t i = 0; i < 32; ++i) header.rgnid[i] = GetU32(f, 44 + 4 * i);
    header.ibFileEof = GetU64(f, 184);
    header.ibAMapLast = GetU64(f, 192);
    header.cbAMapFree = GetU64(f, 200);
    header.cbPMapFree = GetU64(f, 208);
    header.brefNBT = {GetU64(f, 216), GetU64(f, 224)};
    header.brefBBT = {GetU64(f, 232), GetU64(f, 240)};
    header.fAMapValid = f[248];
    header.bSentinel = f[512];
    header.bCryptMethod = f[513];
    header.bidNextB = GetU64(f, 516);
    header.dwCRCFull = GetU32(f, 524);
    if (header.dwMagic != 0x4E444221)
        Fail("offset 0: dwMagic " + Hex(header.dwMagic) + ", expected 0x4E444221 (\"!BDN\")");
    if (header.wVer != 23) Fail("offset 10: wVer " + std::to_string(header.wVer) + ", expected 23 (Unicode)");
    if (header.bCryptMethod > 1)
        Fail("offset 513: bCryptMethod " + std::to_string(header.bCryptMethod) + ", expected 0 or 1");

    ReadBtPage(true, header.brefNBT, -1, false, 0, 0);
    ReadBtPage(false, header.brefBBT, -1, false, 0, 0);
    for (std::size_t i = 0; i < nodes.size(); ++i) nodeIndex.emplace(nodes[i].nid, i);
    for (std::size_t i = 0; i < blocks.size(); ++i) blockIndex.emplace(blocks[i].bid & ~1ull, i);
}

void PstReader::ReadBtPage(bool nbt, disk::Bref bref, int expectedLevel, bool hasKey, std::uint64_t key, int depth) {
    const std::string what = std::string(nbt ? "NBT" : "BBT") + " page BID " + Hex(bref.bid) + " at " + Hex(bref.ib);
    if (depth > kMaxDepth) Fail(what + ": B-tree deeper than " + std::to_string(kMaxDepth) + " levels");
    if (bref.ib % disk::kPageSize != 0 || bref.ib < disk::kFirstRegionOffset || bref.ib + disk::kPageSize > file.size())
        Fail(what + ": not a 512-aligned page inside the file (size " + Hex(file.size()) + ")");
    const std::span<const std::uint8_t> p = std::span<const std::uint8_t>(file).subspan(bref.ib, disk::kPageSize);
    BtPage page;
    page.nbt = nbt;
    page.bref = bref;
    page.expectedLevel = expectedLevel;
    page.hasParentKey = hasKey;
    page.parentKey = key;
    page.cEnt = p[488];
    page.cEntMax = p[489];
    page.cbEnt = p[490];
    page.cLevel = p[491];
    const std::size_t entSize = page.cLevel > 0 ? 24 : nbt ? 32 : 24;
    if (page.cEnt * entSize > 488)
        Fail(what + ": cEnt " + std::to_string(page.cEnt) + " entries of " + std::to_string(entSize) +
             " bytes exceed 488");
    if (expectedLevel >= 0 && page.cLevel != expectedLevel)
        Fail(what + ": cLevel " + std::to_string(page.cLevel) + ", parent expects " + std::to_string(expectedLevel));
    std::vector<disk::Bref> children;
    for (std::size_t i = 0; i < page.cEnt; ++i) {
        const std::size_t at = i * entSize;
        page.keys.push_back(GetU64(p, at));
        if (page.cLevel > 0) {
            children.push_back({GetU64(p, at + 8), GetU64(p, at + 16)});
        } else if (nbt) {
            nodes.push_back(
                {static_cast<std::uint32_t>(GetU64(p, at)), GetU64(p, at + 8), GetU64(p, at + 16), GetU32(p, at + 24)});
        } else {
            blocks.push_back({GetU64(p, at), GetU64(p, at + 8), GetU16(p, at + 16), GetU16(p, at + 18)});
        }
    }
    const std::vector<std::uint64_t> keys = page.keys;
    const int level = page.cLevel;
    pages.push_back(std::move(page));
    for (std::size_t i = 0; i < children.size(); ++i) ReadBtPage(nbt, children[i], level - 1, true, keys[i], depth + 1);
}

const NbtEntry* PstReader::FindNode(std::uint32_t nid) const {
    const auto it = nodeIndex.find(nid);
    return it == nodeIndex.end() ? nullptr : &nodes[it->second];
}

const BbtEntry* PstReader::FindBlock(std::uint64_t bid) const {
    const auto it = blockIndex.find(bid & ~1ull);
    return it == blockIndex.end() ? nullptr : &blocks[it->second];
}

std::vector<std::uint8_t> PstReader::ReadBlock(std::uint64_t bid) const {
    const BbtEntry* e = FindBlock(bid);
    if (!e) Fail("BID " + Hex(bid) + ": not in the BBT");
    if (e->ib + e->cb > file.size() || e->ib + e->cb < e->ib)
        Fail("BID " + Hex(bid) + ": block at " + Hex(e->ib) + " of cb " + std::to_string(e->cb) +
             " runs past the end of the file");
    std::vector<std::uint8_t> out(file.begin() + static_cast<std::ptrdiff_t>(e->ib),
                                  file.begin() + static_cast<std::ptrdiff_t>(e->ib + e->cb));
    if (!IsInternalBid(bid) && header.bCryptMethod == 1) PermuteDecode(out);
    return out;
}

void PstReader::CollectDataTree(std::uint64_t bid, const std::string& name, NodeData& out, int depth) const {
    if (depth > 2) Fail(name + ": data tree BID " + Hex(bid) + " nested deeper than an XXBLOCK");
    std::vector<std::uint8_t> b = ReadBlock(bid);
    if (!IsInternalBid(bid)) {
        out.data.insert(out.data.end(), b.begin(), b.end());
        out.blocks.push_back(std::move(b));
        return;
    }
    const std::string where = name + ": XBLOCK BID " + Hex(bid);
    if (b.size() < 8 || b[0] != 1 || (b[1] != 1 && b[1] != 2)) Fail(where + ": expected btype 1 and cLevel 1 or 2");
    const int cLevel = b[1];
    if (depth == 1 && cLevel != 1)
        Fail(where + ": an XXBLOCK entry must be an XBLOCK (cLevel 1), found cLevel " + std::to_string(cLevel));
    const std::uint16_t cEnt = GetU16(b, 2);
    const std::uint32_t lcbTotal = GetU32(b, 4);
    if (cEnt == 0 || 8u + 8u * cEnt > b.size())
        Fail(where + ": cEnt " + std::to_string(cEnt) + " does not fit cb " + std::to_string(b.size()));
    const std::size_t before = out.data.size();
    for (std::size_t i = 0; i < cEnt; ++i) {
        const std::uint64_t child = GetU64(b, 8 + 8 * i);
        if (cLevel == 1 && IsInternalBid(child))
            Fail(where + ": entry " + std::to_string(i) + " BID " + Hex(child) + " is internal, expected a data block");
        if (cLevel == 2 && !IsInternalBid(child))
            Fail(where + ": entry " + std::to_string(i) + " BID " + Hex(child) +
                 " is a data block, expected an XBLOCK");
        CollectDataTree(child, name, out, depth + 1);
    }
    if (out.data.size() - before != lcbTotal)
        Fail(where + ": lcbTotal " + std::to_string(lcbTotal) + ", the leaves hold " +
             std::to_string(out.data.size() - before));
}

NodeData PstReader::ReadDataTree(std::uint64_t bid, const std::string& name) const {
    NodeData out;
    if (bid != 0) CollectDataTree(bid, name, out, 0);
    return out;
}

void PstReader::CollectSubnodes(std::uint64_t bid, const std::string& name, std::vector<SubnodeEntry>& out,
                                int depth) const {
    if (depth > 1) Fail(name + ": subnode tree BID " + Hex(bid) + " nested deeper than an SIBLOCK");
    const std::string where = name + ": subnode block BID " + Hex(bid);
    if (!IsInternalBid(bid)) Fail(where + ": not an internal BID");
    const std::vector<std::uint8_t> b = ReadBlock(bid);
    if (b.size() < 8 || b[0] != 2 || b[1] > 1) Fail(where + ": expected btype 2 and cLevel 0 or 1");
    const int cLevel = b[1];
    if (depth == 1 && cLevel != 0) Fail(where + ": an SIBLOCK entry must be an SLBLOCK");
    const std::uint16_t cEnt = GetU16(b, 2);
    const std::size_t entSize = cLevel == 0 ? 24 : 16;
    if (cEnt == 0 || 8u + entSize * cEnt > b.size())
        Fail(where + ": cEnt " + std::to_string(cEnt) + " does not fit cb " + std::to_string(b.size()));
    for (std::size_t i = 0; i < cEnt; ++i) {
        const std::size_t at = 8 + entSize * i;
        const auto nid = static_cast<std::uint32_t>(GetU64(b, at));
        if (cLevel == 0) {
            out.push_back({nid, GetU64(b, at + 8), GetU64(b, at + 16)});
        } else {
            const std::size_t first = out.size();
            CollectSubnodes(GetU64(b, at + 8), name, out, depth + 1);
            if (out[first].nid != nid)
                Fail(where + ": SIENTRY " + std::to_string(i) + " key " + Hex(nid) + ", its SLBLOCK starts at " +
                     Hex(out[first].nid));
        }
    }
}

std::vector<SubnodeEntry> PstReader::ReadSubnodeTree(std::uint64_t bidSub, const std::string& name) const {
    std::vector<SubnodeEntry> out;
    if (bidSub != 0) CollectSubnodes(bidSub, name, out, 0);
    for (std::size_t i = 1; i < out.size(); ++i)
        if (out[i].nid <= out[i - 1].nid)
            Fail(name + ": subnode NIDs not strictly increasing (" + Hex(out[i].nid) + " after " + Hex(out[i - 1].nid) +
                 ")");
    return out;
}

NodeRef PstReader::Node(std::uint32_t nid) const {
    const NbtEntry* e = FindNode(nid);
    if (!e) Fail("NID " + Hex(nid) + ": not in the NBT");
    return {e->bidData, e->bidSub, "NID " + Hex(nid)};
}

NodeRef PstReader::Subnode(const NodeRef& parent, std::uint32_t subnid) const {
    for (const auto& s : Subnodes(parent))
        if (s.nid == subnid) return {s.bidData, s.bidSub, parent.name + " / subnode " + Hex(subnid)};
    Fail(parent.name + ": no subnode " + Hex(subnid));
}

// ---------------------------------------------------------------------------------------------
// LTP

std::vector<std::uint8_t> PstReader::ResolveHnid(const Heap& heap, const NodeRef& ref, std::uint32_t hnid) const {
    if (hnid == 0) return {};
    if ((hnid & 0x1F) == 0) {
        const auto v = heap.Get(hnid);
        return {v.begin(), v.end()};
    }
    return ReadNodeData(Subnode(ref, hnid)).data;
}

PropertyList PstReader::ReadPropertyContext(const NodeRef& ref) const {
    const NodeData node = ReadNodeData(ref);
    const Heap heap(node, ref.name);
    if (heap.ClientSig() != 0xBC)
        Fail(ref.name + ": bClientSig " + Hex(heap.ClientSig()) + ", expected 0xBC (property context)");
    const Bth bth = ReadBth(heap, heap.UserRoot(), ref.name);
    if (bth.cbKey != 2 || bth.cbEnt != 6)
        Fail(ref.name + ": PC BTH cbKey/cbEnt " + std::to_string(bth.cbKey) + "/" + std::to_string(bth.cbEnt) +
             ", expected 2/6");
    PropertyList props;
    for (const auto& r : bth.records) {
        const std::uint16_t id = GetU16(r.key, 0);
        const std::uint16_t type = GetU16(r.data, 0);
        const std::uint32_t hnid = GetU32(r.data, 2);
        const std::size_t width = OnDiskWidth(type);
        std::vector<std::uint8_t> value;
        if (width != 0 && width <= 4) {
            value.assign(r.data.begin() + 2, r.data.begin() + 2 + static_cast<std::ptrdiff_t>(width));
        } else {
            // [MS-PST] 2.3.1.1: an HID is never 0; an empty value is a zero-length allocation.
            if (hnid == 0)
                zeroHnids.push_back(ref.name + ": property " + Hex((static_cast<std::uint32_t>(id) << 16) | type) +
                                    " has HNID 0");
            value = ResolveHnid(heap, ref, hnid);
            if (width != 0 && value.size() != width)
                Fail(ref.name + ": property " + Hex(id) + " type " + Hex(type) + " holds " +
                     std::to_string(value.size()) + " bytes, expected " + std::to_string(width));
        }
        props.SetRaw((static_cast<std::uint32_t>(id) << 16) | type, std::move(value));
    }
    return props;
}

Table PstReader::ReadTable(const NodeRef& ref) const {
    const NodeData node = ReadNodeData(ref);
    const Heap heap(node, ref.name);
    if (heap.ClientSig() != 0x7C)
        Fail(ref.name + ": bClientSig " + Hex(heap.ClientSig()) + ", expected 0x7C (table context)");
    const auto info = heap.Get(heap.UserRoot());
    if (info.size() < 22 || info[0] != 0x7C) Fail(ref.name + ": TCINFO is not at least 22 bytes with bType 0x7C");
    const std::size_t cCols = info[1];
    if (info.size() != 22 + 8 * cCols)
        Fail(ref.name + ": TCINFO of " + std::to_string(info.size()) + " bytes, expected " +
             std::to_string(22 + 8 * cCols) + " for " + std::to_string(cCols) + " columns");
    Table t;
    for (std::size_t i = 0; i < 4; ++i) t.rgib[i] = GetU16(info, 2 + 2 * i);
    const std::uint32_t hidRowIndex = GetU32(info, 10);
    const std::uint32_t hnidRows = GetU32(info, 14);
    const std::size_t rowSize = t.rgib[3];
    const std::size_t cebSize = (cCols + 7) / 8;
    if (t.rgib[0] > t.rgib[1] || t.rgib[1] > t.rgib[2] || t.rgib[2] + cebSize != rowSize)
        Fail(ref.name + ": TCINFO rgib {" + std::to_string(t.rgib[0]) + ", " + std::to_string(t.rgib[1]) + ", " +
             std::to_string(t.rgib[2]) + ", " + std::to_string(t.rgib[3]) + "} inconsistent with " +
             std::to_string(cCols) + " columns");
    for (std::size_t i = 0; i < cCols; ++i) {
        const std::size_t at = 22 + 8 * i;
        TableColumn c{GetU32(info, at), GetU16(info, at + 4), info[at + 6], info[at + 7]};
        if (c.ibData + c.cbData > t.rgib[2] || c.iBit >= cCols)
            Fail(ref.name + ": column " + Hex(c.tag) + " at ib " + std::to_string(c.ibData) + " cb " +
                 std::to_string(c.cbData) + " iBit " + std::to_string(c.iBit) + " lies outside the row");
        if (!t.columns.empty() && c.tag <= t.columns.back().tag)
            Fail(ref.name + ": column tags not sorted (" + Hex(c.tag) + " after " + Hex(t.columns.back().tag) + ")");
        t.columns.push_back(c);
    }

    const Bth index = ReadBth(heap, hidRowIndex, ref.name + " row index");
    if (!index.records.empty() && (index.cbKey != 4 || index.cbEnt != 4))
        Fail(ref.name + ": row index cbKey/cbEnt " + std::to_string(index.cbKey) + "/" + std::to_string(index.cbEnt) +
             ", expected 4/4");
    const std::size_t rowCount = index.records.size();

    // The row matrix: one heap allocation, or a subnode whose blocks hold whole rows.
    std::vector<std::vector<std::uint8_t>> matrixBlocks;
    std::size_t rowsPerBlock = 0;
    if (hnidRows == 0) {
        if (rowCount != 0) Fail(ref.name + ": " + std::to_string(rowCount) + " rows indexed, hnidRows is 0");
    } else if ((hnidRows & 0x1F) == 0) {
        const auto m = heap.Get(hnidRows);
        matrixBlocks.emplace_back(m.begin(), m.end());
        rowsPerBlock = rowCount;
        if (m.size() != rowCount * rowSize)
            Fail(ref.name + ": row matrix of " + std::to_string(m.size()) + " bytes, expected " +
                 std::to_string(rowCount) + " rows of " + std::to_string(rowSize));
    } else {
        matrixBlocks = ReadNodeData(Subnode(ref, hnidRows)).blocks;
        rowsPerBlock = rowSize == 0 ? 0 : disk::kMaxBlockData / rowSize;
        const std::size_t needBlocks = rowsPerBlock == 0 ? 0 : (rowCount + rowsPerBlock - 1) / rowsPerBlock;
        if (rowsPerBlock == 0 || matrixBlocks.size() != needBlocks)
            Fail(ref.name + ": row matrix subnode " + Hex(hnidRows) + " has " + std::to_string(matrixBlocks.size()) +
                 " blocks, " + std::to_string(rowCount) + " rows of " + std::to_string(rowSize) + " bytes need " +
                 std::to_string(needBlocks));
        for (std::size_t i = 0; i < matrixBlocks.size(); ++i) {
            const std::size_t rowsHere = std::min(rowsPerBlock, rowCount - i * rowsPerBlock);
            if (matrixBlocks[i].size() < rowsHere * rowSize)
                Fail(ref.name + ": row matrix block " + std::to_string(i) + " of " +
                     std::to_string(matrixBlocks[i].size()) + " bytes is short of " + std::to_string(rowsHere) +
                     " rows");
        }
    }

    // Row index maps dwRowID to its row number; rows come back in matrix order.
    std::vector<std::uint32_t> idOfRow(rowCount, 0);
    std::vector<bool> seen(rowCount, false);
    for (const auto& r : index.records) {
        const std::uint32_t id = GetU32(r.key, 0);
        const std::uint32_t row = GetU32(r.data, 0);
        if (row >= rowCount || seen[row])
            Fail(ref.name + ": row index maps " + Hex(id) + " to row " + std::to_string(row) +
                 ", out of range or used twice");
        seen[row] = true;
        idOfRow[row] = id;
    }
    for (std::size_t i = 0; i < rowCount; ++i) {
        const auto& blk = matrixBlocks[i / rowsPerBlock];
        const std::span<const std::uint8_t> row =
            std::span<const std::uint8_t>(blk).subspan((i % rowsPerBlock) * rowSize, rowSize);
        TableRow out;
        out.rowId = idOfRow[i];
        const std::string rowName = ref.name + " row " + std::to_string(i) + " (" + Hex(out.rowId) + ")";
        for (const auto& c : t.columns) {
            if ((row[t.rgib[2] + c.iBit / 8] & (0x80u >> (c.iBit % 8))) == 0) continue;
            const auto type = static_cast<std::uint16_t>(c.tag & 0xFFFF);
            const std::size_t width = OnDiskWidth(type);
            std::vector<std::uint8_t> value;
            if (width != 0 && width <= 8) {
                if (c.cbData != width && !(type == 0x000B && c.cbData == 1))
                    Fail(rowName + ": column " + Hex(c.tag) + " cbData " + std::to_string(c.cbData) + ", expected " +
                         std::to_string(width));
                value.assign(row.begin() + c.ibData, row.begin() + c.ibData + static_cast<std::ptrdiff_t>(width));
            } else {
                if (c.cbData != 4)
                    Fail(rowName + ": column " + Hex(c.tag) + " cbData " + std::to_string(c.cbData) +
                         ", expected a 4-byte HNID");
                if (GetU32(row, c.ibData) == 0)
                    zeroHnids.push_back(rowName + ": cell " + Hex(c.tag) + " has HNID 0");
                value = ResolveHnid(heap, ref, GetU32(row, c.ibData));
            }
            out.cells.SetRaw(c.tag, std::move(value));
        }
        const Property* rid = out.cells.Find(0x67F2);
        if (!rid || rid->value.size() != 4 || GetU32(rid->value, 0) != out.rowId)
            Fail(rowName + ": LtpRowId cell does not equal the row index key " + Hex(out.rowId));
        t.rows.push_back(std::move(out));
    }
    return t;
}

// ---------------------------------------------------------------------------------------------
// Messaging

namespace {

Folder WalkFolders(const PstReader& r, std::uint32_t nid, std::vector<std::uint32_t>& path) {
    if (std::find(path.begin(), path.end(), nid) != path.end())
        Fail("NID " + Hex(nid) + ": hierarchy tables form a cycle through this folder");
    Folder f;
    f.nid = nid;
    f.props = r.ReadPropertyContext(nid);
    if ((nid & 0x1F) != 0x02) return f;  // search folders have no hierarchy table
    path.push_back(nid);
    for (const auto& row : r.ReadTable((nid & ~0x1Fu) | 0x0D).rows)
        f.children.push_back(WalkFolders(r, row.rowId, path));
    path.pop_back();
    return f;
}

}  // namespace

Folder PstReader::FolderTree(std::uint32_t top) const {
    std::vector<std::uint32_t> path;
    return WalkFolders(*this, top, path);
}

std::vector<std::uint32_t> PstReader::MessagesOf(std::uint32_t folderNid) const {
    std::vector<std::uint32_t> out;
    for (const auto& row : ReadTable((folderNid & ~0x1Fu) | 0x0E).rows) out.push_back(row.rowId);
    return out;
}

Message PstReader::ReadMessage(std::uint32_t nid) const {
    Message m = ReadMessage(Node(nid), 0);
    m.nid = nid;
    return m;
}

std::optional<std::uint32_t> EmbeddedMessageNid(const PropertyList& attachment) {
    const Property* object = attachment.Find(0x3701);
    if (attachment.GetInt32(0x3705) != 5 || !object || object->tag != 0x3701000D || object->value.size() != 8)
        return std::nullopt;
    return GetU32(object->value, 0);
}

Message PstReader::ReadMessage(const NodeRef& ref, int depth) const {
    if (depth > 64) Fail(ref.name + ": embedded messages nested deeper than 64");
    Message m;
    m.props = ReadPropertyContext(ref);
    const auto subs = Subnodes(ref);
    const auto has = [&](std::uint32_t s) {
        return std::any_of(subs.begin(), subs.end(), [&](const SubnodeEntry& e) { return e.nid == s; });
    };
    if (has(0x692)) m.recipients = ReadTable(Subnode(ref, 0x692)).rows;
    if (has(0x671)) {
        for (const auto& row : ReadTable(Subnode(ref, 0x671)).rows) {
            Attachment a;
            a.subnid = row.rowId;
            const NodeRef attachmentRef = Subnode(ref, row.rowId);
            a.props = ReadPropertyContext(attachmentRef);
            if (const auto inner = EmbeddedMessageNid(a.props)) {
                a.embedded.push_back(ReadMessage(Subnode(attachmentRef, *inner), depth + 1));
            } else if (const Property* d = a.props.Find(0x3701)) {
                a.data = d->value;
            }
            m.attachments.push_back(std::move(a));
        }
    }
    return m;
}

}  // namespace quill::pst::verify
