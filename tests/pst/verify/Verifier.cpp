#include "pst/verify/Verifier.h"

#include "pst/disk/Bytes.h"
#include "pst/disk/Crc.h"
#include "pst/disk/Layout.h"
#include "pst/verify/PstReader.h"

#include <algorithm>
#include <bit>
#include <fstream>
#include <iterator>
#include <map>
#include <optional>
#include <set>

namespace quill::pst::verify {

using disk::GetU16;
using disk::GetU32;
using disk::GetU64;

namespace {

constexpr std::size_t kMaxProblems = 200;
constexpr int kMaxEmbedding = 64;  // attached messages inside attached messages  // past this a broken file would only repeat itself

std::string Dec(std::uint64_t v) { return std::to_string(v); }

std::string Bytes(std::span<const std::uint8_t> v) {
    static const char* digits = "0123456789ABCDEF";
    std::string s = "[" + Dec(v.size()) + "]";
    for (std::size_t i = 0; i < v.size() && i < 24; ++i) {
        s += (i == 0 ? " " : "");
        s += digits[v[i] >> 4];
        s += digits[v[i] & 15];
    }
    if (v.size() > 24) s += "...";
    return s;
}

// Fill level of a heap block from its free bytes ([MS-PST] 2.3.1.2).
int FillLevel(std::size_t cb) {
    const std::size_t free = cb >= disk::kMaxBlockData ? 0 : disk::kMaxBlockData - cb;
    static constexpr std::size_t kAtLeast[] = {3584, 2560, 2048, 1792, 1536, 1280, 1024, 768,
                                               512,  256,  128,  64,   32,   16,   8};
    for (int level = 0; level < 15; ++level)
        if (free >= kAtLeast[level]) return level;
    return 15;
}

struct NidType {
    static constexpr std::uint32_t Internal = 0x01, Folder = 0x02, SearchFolder = 0x03, Message = 0x04,
                                   Attachment = 0x05, SearchCriteria = 0x07, Fai = 0x08, HierarchyTable = 0x0D,
                                   ContentsTable = 0x0E, FaiTable = 0x0F, SearchContentsTable = 0x10,
                                   AttachmentTable = 0x11, RecipientTable = 0x12;
};

constexpr std::uint32_t TypeOf(std::uint32_t nid) { return nid & 0x1F; }
constexpr std::uint32_t Sibling(std::uint32_t nid, std::uint32_t type) { return (nid & ~0x1Fu) | type; }

// Template columns, ids only ([MS-PST] 2.4.8).
const std::map<std::uint32_t, std::vector<std::uint16_t>>& TemplateColumns() {
    static const std::map<std::uint32_t, std::vector<std::uint16_t>> t = {
        {0x60D,
         {0x0E30, 0x0E33, 0x0E34, 0x0E38, 0x3001, 0x3602, 0x3603, 0x360A, 0x3613, 0x6635, 0x6636, 0x67F2, 0x67F3}},
        {0x60E, {0x0017, 0x001A, 0x0036, 0x0037, 0x0039, 0x0042, 0x0057, 0x0058, 0x0070, 0x0071,
                 0x0E03, 0x0E04, 0x0E06, 0x0E07, 0x0E08, 0x0E17, 0x0E30, 0x0E33, 0x0E34, 0x0E38,
                 0x0E3C, 0x0E3D, 0x1097, 0x3008, 0x3013, 0x65C6, 0x67F2, 0x67F3}},
        {0x60F,
         {0x001A, 0x0E07, 0x0E17, 0x3001, 0x67F2, 0x67F3, 0x6800, 0x6803, 0x6805, 0x682F, 0x7003, 0x7004, 0x7005,
          0x7006, 0x7007}},
        {0x610,
         {0x0017, 0x001A, 0x0036, 0x0037, 0x0042, 0x0057, 0x0058, 0x0E03, 0x0E04, 0x0E05, 0x0E06, 0x0E07, 0x0E08,
          0x0E17, 0x0E2A, 0x3008, 0x67F1, 0x67F2, 0x67F3}},
        {0x692,
         {0x0C15, 0x0E0F, 0x0FF9, 0x0FFE, 0x0FFF, 0x3001, 0x3002, 0x3003, 0x300B, 0x3900, 0x39FF, 0x3A40, 0x67F2,
          0x67F3}},
        {0x671, {0x0E20, 0x3704, 0x3705, 0x370B, 0x67F2, 0x67F3}},
    };
    return t;
}

class Checker {
  public:
    explicit Checker(const std::vector<std::uint8_t>& bytes) : file(bytes) {}

    std::vector<std::string> Run() {
        CheckHeader();
        if (file.size() < disk::Header::kSize) return Done();
        try {
            reader.emplace(file);
        } catch (const std::exception& e) {
            Problem(std::string("cannot read the B-trees: ") + e.what());
            return Done();
        }
        regions =
            file.size() > disk::kFirstRegionOffset ? (file.size() - disk::kFirstRegionOffset) / disk::kRegionSize : 0;
        CheckBtPages();
        CheckMapPages();
        CheckBlocks();
        CheckReferences();
        CheckAllocation();
        CheckIds();
        ReadObjects();
        CheckMandatoryNodes();
        CheckStore();
        CheckFolders();
        CheckMessages();
        for (const std::string& zero : reader->ZeroHnids()) Problem(zero);
        return Done();
    }

  private:
    void Problem(std::string s) {
        ++problemCount;
        if (problems.size() < kMaxProblems) problems.push_back(std::move(s));
    }

    std::vector<std::string> Done() {
        if (problemCount > problems.size())
            problems.push_back("... and " + Dec(problemCount - problems.size()) + " more problems");
        return std::move(problems);
    }

    std::span<const std::uint8_t> At(std::uint64_t ib, std::size_t n) const {
        return std::span<const std::uint8_t>(file).subspan(ib, n);
    }

    // ---- header ([MS-PST] 2.2.2.6)
    void CheckHeader() {
        if (file.size() < disk::Header::kSize) {
            Problem("file of " + Dec(file.size()) + " bytes is shorter than the 564-byte header");
            return;
        }
        const auto h = At(0, disk::Header::kSize);
        if (GetU32(h, 0) != 0x4E444221)
            Problem("header offset 0: dwMagic " + Hex(GetU32(h, 0)) + ", expected 0x4E444221");
        if (GetU16(h, 8) != 0x4D53) Problem("header offset 8: wMagicClient " + Hex(GetU16(h, 8)) + ", expected 0x4D53");
        if (GetU16(h, 10) != 23) Problem("header offset 10: wVer " + Dec(GetU16(h, 10)) + ", expected 23");
        if (GetU16(h, 12) != 19) Problem("header offset 12: wVerClient " + Dec(GetU16(h, 12)) + ", expected 19");
        const std::uint32_t partial = disk::ComputeCrc(h.subspan(8, 471));
        if (GetU32(h, 4) != partial)
            Problem("header offset 4: dwCRCPartial " + Hex(GetU32(h, 4)) + ", computed " + Hex(partial));
        const std::uint32_t full = disk::ComputeCrc(h.subspan(8, 516));
        if (GetU32(h, 524) != full)
            Problem("header offset 524: dwCRCFull " + Hex(GetU32(h, 524)) + ", computed " + Hex(full));
        if (h[512] != 0x80) Problem("header offset 512: bSentinel " + Hex(h[512]) + ", expected 0x80");
        if (h[513] > 1) Problem("header offset 513: bCryptMethod " + Dec(h[513]) + ", expected 0 or 1");
        if (h[248] != 2) Problem("header offset 248: fAMapValid " + Dec(h[248]) + ", expected 2");
        const std::uint64_t eof = GetU64(h, 184);
        if (eof != file.size()) Problem("header offset 184: ibFileEof " + Hex(eof) + ", file size " + Hex(file.size()));
        if (file.size() <= disk::kFirstRegionOffset ||
            (file.size() - disk::kFirstRegionOffset) % disk::kRegionSize != 0)
            Problem("file size " + Hex(file.size()) + " is not 0x4400 + a whole number of 253952-byte regions");
        if (file.size() > disk::kFirstRegionOffset) {
            const std::uint64_t last =
                disk::RegionStart((file.size() - disk::kFirstRegionOffset - 1) / disk::kRegionSize);
            if (GetU64(h, 192) != last)
                Problem("header offset 192: ibAMapLast " + Hex(GetU64(h, 192)) + ", last AMap at " + Hex(last));
        }
    }

    // ---- B-tree pages ([MS-PST] 2.2.2.7.7)
    void CheckPageTrailer(std::uint64_t ib, std::uint8_t ptype, std::uint16_t wSig, std::uint64_t bid,
                          const std::string& what) {
        const auto p = At(ib, disk::kPageSize);
        if (p[496] != ptype || p[497] != ptype)
            Problem(what + ": ptype/ptypeRepeat " + Hex(p[496]) + "/" + Hex(p[497]) + ", expected " + Hex(ptype));
        if (GetU16(p, 498) != wSig) Problem(what + ": wSig " + Hex(GetU16(p, 498)) + ", expected " + Hex(wSig));
        const std::uint32_t crc = disk::ComputeCrc(p.first(496));
        if (GetU32(p, 500) != crc) Problem(what + ": page CRC " + Hex(GetU32(p, 500)) + ", computed " + Hex(crc));
        if (GetU64(p, 504) != bid) Problem(what + ": trailer bid " + Hex(GetU64(p, 504)) + ", expected " + Hex(bid));
    }

    void CheckBtPages() {
        std::set<std::uint64_t> pageBids;
        for (const auto& pg : reader->Pages()) {
            const std::string what =
                std::string(pg.nbt ? "NBT" : "BBT") + " page BID " + Hex(pg.bref.bid) + " at " + Hex(pg.bref.ib);
            CheckPageTrailer(pg.bref.ib, pg.nbt ? 0x81 : 0x80, disk::ComputeSig(pg.bref.ib, pg.bref.bid), pg.bref.bid,
                             what);
            const std::uint8_t cbEnt = pg.cLevel > 0 ? 24 : pg.nbt ? 32 : 24;
            if (pg.cbEnt != cbEnt) Problem(what + ": cbEnt " + Dec(pg.cbEnt) + ", expected " + Dec(cbEnt));
            if (pg.cEntMax != 488 / cbEnt)
                Problem(what + ": cEntMax " + Dec(pg.cEntMax) + ", expected " + Dec(488 / cbEnt));
            if (pg.cEnt > pg.cEntMax) Problem(what + ": cEnt " + Dec(pg.cEnt) + " above cEntMax " + Dec(pg.cEntMax));
            if (pg.cEnt == 0 && pg.expectedLevel >= 0) Problem(what + ": empty non-root page");
            if (GetU32(At(pg.bref.ib, 512), 492) != 0) Problem(what + ": dwPadding not zero");
            for (std::size_t i = 1; i < pg.keys.size(); ++i)
                if (pg.keys[i] <= pg.keys[i - 1])
                    Problem(what + ": entry " + Dec(i) + " key " + Hex(pg.keys[i]) + " not above the previous key " +
                            Hex(pg.keys[i - 1]));
            if (pg.hasParentKey && (pg.keys.empty() || pg.keys.front() != pg.parentKey))
                Problem(what + ": BTENTRY key " + Hex(pg.parentKey) + " differs from the page's first key " +
                        (pg.keys.empty() ? std::string("(none)") : Hex(pg.keys.front())));
            if (pg.bref.bid >= reader->Header().bidNextP)
                Problem(what + ": page BID not below bidNextP " + Hex(reader->Header().bidNextP));
            if (!pageBids.insert(pg.bref.bid).second) Problem(what + ": page BID used twice");
            CheckPlacement(pg.bref.ib, disk::kPageSize, what, true);
        }
        // Leaves in tree order must be strictly increasing across pages too.
        const auto& nodes = reader->Nodes();
        for (std::size_t i = 1; i < nodes.size(); ++i)
            if (nodes[i].nid <= nodes[i - 1].nid)
                Problem("NBT: NID " + Hex(nodes[i].nid) + " follows " + Hex(nodes[i - 1].nid) +
                        " (entries not strictly sorted)");
        const auto& blocks = reader->Blocks();
        for (std::size_t i = 1; i < blocks.size(); ++i)
            if (blocks[i].bid <= blocks[i - 1].bid)
                Problem("BBT: BID " + Hex(blocks[i].bid) + " follows " + Hex(blocks[i - 1].bid) +
                        " (entries not strictly sorted)");
    }

    // Pages and blocks live in a region's data area and never cross into the next region.
    void CheckPlacement(std::uint64_t ib, std::uint64_t size, const std::string& what, bool page) {
        const std::uint64_t align = page ? disk::kPageSize : disk::kSlotSize;
        if (ib % align != 0) Problem(what + ": offset not " + Dec(align) + "-aligned");
        if (ib < disk::kFirstRegionOffset || ib + size > file.size()) {
            Problem(what + ": [" + Hex(ib) + ", " + Hex(ib + size) + ") not inside the regions of the file (size " +
                    Hex(file.size()) + ")");
            return;
        }
        const std::uint64_t r = disk::RegionOf(ib);
        if (ib < disk::FirstDataOffset(r)) Problem(what + ": overlaps the special pages of region " + Dec(r));
        if (ib + size > disk::RegionStart(r + 1)) Problem(what + ": crosses from region " + Dec(r) + " into the next");
        if (ib % disk::kSlotSize == 0) extents.push_back({ib, ib + size, what});
    }

    // ---- map pages ([MS-PST] 2.2.2.7.2 - 2.2.2.7.6, 2.2.2.7.4)
    void CheckMapPages() {
        if (file.size() >= disk::kDListOffset + disk::kPageSize) {
            const auto d = At(disk::kDListOffset, disk::kPageSize);
            const std::string what = "DList page at 0x4200";
            const std::uint64_t bid = GetU64(d, 504);
            CheckPageTrailer(disk::kDListOffset, 0x86, disk::ComputeSig(disk::kDListOffset, bid), bid, what);
            if (bid > reader->Header().bidNextP)
                Problem(what + ": trailer bid " + Hex(bid) + " above bidNextP " + Hex(reader->Header().bidNextP));
            if (d[0] != 0 || d[1] != 0)
                Problem(what + ": bFlags/cEntDList " + Dec(d[0]) + "/" + Dec(d[1]) + ", expected 0/0");
            if (regions > 0 && GetU32(d, 4) != regions - 1)
                Problem(what + ": ulCurrentPage " + Dec(GetU32(d, 4)) + ", expected the last AMap's index " +
                        Dec(regions - 1));
        }
        for (std::uint64_t r = 0; r < regions; ++r) {
            const std::uint64_t ib = disk::RegionStart(r);
            CheckPageTrailer(ib, 0x84, 0, ib, "AMap page at " + Hex(ib));
            if (disk::HasPMap(r)) {
                const std::uint64_t at = disk::PMapOffset(r);
                CheckPageTrailer(at, 0x83, 0, at, "PMap page at " + Hex(at));
                CheckAllFF(at, "PMap page at " + Hex(at));
            }
            if (disk::HasFMap(r)) {
                const std::uint64_t at = disk::FMapOffset(r);
                CheckPageTrailer(at, 0x82, 0, at, "FMap page at " + Hex(at));
            }
            if (disk::HasFPMap(r)) {
                const std::uint64_t at = disk::FPMapOffset(r);
                CheckPageTrailer(at, 0x85, 0, at, "FPMap page at " + Hex(at));
                CheckAllFF(at, "FPMap page at " + Hex(at));
            }
        }
    }

    void CheckAllFF(std::uint64_t at, const std::string& what) {
        const auto p = At(at, 496);
        if (std::any_of(p.begin(), p.end(), [](std::uint8_t b) { return b != 0xFF; })) Problem(what + ": not all 0xFF");
    }

    // ---- blocks ([MS-PST] 2.2.2.8)
    void CheckBlocks() {
        const auto& h = reader->Header();
        for (const auto& b : reader->Blocks()) {
            const std::string what = "block BID " + Hex(b.bid) + " at " + Hex(b.ib);
            if (b.bid & 1) Problem(what + ": reserved BID bit 0 set");
            if (b.bid >= h.bidNextB) Problem(what + ": BID not below bidNextB " + Hex(h.bidNextB));
            if (b.cb > disk::kMaxBlockData) {
                Problem(what + ": cb " + Dec(b.cb) + " above 8176");
                continue;
            }
            const std::uint64_t size = disk::BlockSize(b.cb);
            const std::size_t before = problemCount;
            CheckPlacement(b.ib, size, what, false);
            if (problemCount != before) continue;
            const auto blk = At(b.ib, size);
            const auto t = blk.subspan(size - 16);
            if (GetU16(t, 0) != b.cb) Problem(what + ": trailer cb " + Dec(GetU16(t, 0)) + ", BBT cb " + Dec(b.cb));
            if (GetU16(t, 2) != disk::ComputeSig(b.ib, b.bid))
                Problem(what + ": trailer wSig " + Hex(GetU16(t, 2)) + ", expected " +
                        Hex(disk::ComputeSig(b.ib, b.bid)));
            const std::uint32_t crc = disk::ComputeCrc(blk.first(b.cb));
            if (GetU32(t, 4) != crc) Problem(what + ": block CRC " + Hex(GetU32(t, 4)) + ", computed " + Hex(crc));
            if (GetU64(t, 8) != b.bid) Problem(what + ": trailer bid " + Hex(GetU64(t, 8)) + ", BBT bid " + Hex(b.bid));
        }
        std::sort(extents.begin(), extents.end(), [](const Extent& a, const Extent& b) { return a.begin < b.begin; });
        for (std::size_t i = 1; i < extents.size(); ++i)
            if (extents[i].begin < extents[i - 1].end) Problem(extents[i].what + " overlaps " + extents[i - 1].what);
    }

    // The BBT must hold exactly the referenced blocks, each with cRef = 1 + its references.
    void CheckReferences() {
        for (const auto& n : reader->Nodes()) {
            const std::string name = "NID " + Hex(n.nid);
            if (n.bidData != 0) Reference(n.bidData, name + " bidData", false);
            if (n.bidSub != 0) Reference(n.bidSub, name + " bidSub", true);
        }
        for (const auto& b : reader->Blocks()) {
            const auto it = refs.find(b.bid);
            const std::uint32_t count = it == refs.end() ? 0 : it->second;
            if (count == 0)
                Problem("block BID " + Hex(b.bid) + ": in the BBT but referenced by nothing");
            else if (b.cRef != count + 1)
                Problem("block BID " + Hex(b.bid) + ": cRef " + Dec(b.cRef) + ", expected " + Dec(count + 1) +
                        " (1 + " + Dec(count) + " references)");
        }
    }

    void Reference(std::uint64_t bid, const std::string& from, bool subnodeTree) {
        ++refs[bid];
        const BbtEntry* e = reader->FindBlock(bid);
        if (!e || e->bid != bid) {
            Problem(from + ": BID " + Hex(bid) + " is not in the BBT");
            return;
        }
        if (subnodeTree && !(bid & 2))
            Problem(from + ": BID " + Hex(bid) + " of a subnode tree lacks the internal bit");
        if (!(bid & 2) || !expanded.insert(bid).second) return;
        std::vector<std::uint8_t> b;
        try {
            b = reader->ReadBlock(bid);
        } catch (const std::exception& ex) {
            Problem(from + ": " + ex.what());
            return;
        }
        const std::string what = "internal block BID " + Hex(bid);
        if (b.size() < 8) {
            Problem(what + ": cb " + Dec(b.size()) + " shorter than its 8-byte header");
            return;
        }
        const std::uint16_t cEnt = GetU16(b, 2);
        if (b[0] == 1 && !subnodeTree) {  // XBLOCK / XXBLOCK
            if (8u + 8u * cEnt != b.size())
                Problem(what + ": cb " + Dec(b.size()) + ", " + Dec(cEnt) + " entries need " + Dec(8 + 8 * cEnt));
            for (std::size_t i = 0; i < cEnt && 8 + 8 * i + 8 <= b.size(); ++i)
                Reference(GetU64(b, 8 + 8 * i), what + " entry " + Dec(i), false);
        } else if (b[0] == 2 && subnodeTree) {  // SLBLOCK / SIBLOCK
            const std::size_t ent = b[1] == 0 ? 24 : 16;
            if (8u + ent * cEnt != b.size())
                Problem(what + ": cb " + Dec(b.size()) + ", " + Dec(cEnt) + " entries need " + Dec(8 + ent * cEnt));
            if (GetU32(b, 4) != 0) Problem(what + ": dwPadding not zero");
            for (std::size_t i = 0; i < cEnt && 8 + ent * (i + 1) <= b.size(); ++i) {
                const std::size_t at = 8 + ent * i;
                const std::string entry = what + " entry " + Dec(i);
                if (b[1] == 0) {
                    if (GetU64(b, at + 8) != 0)
                        Reference(GetU64(b, at + 8), entry + " bidData", false);
                    else
                        Problem(entry + ": SLENTRY bidData is 0");
                    if (GetU64(b, at + 16) != 0) Reference(GetU64(b, at + 16), entry + " bidSub", true);
                } else {
                    Reference(GetU64(b, at + 8), entry, true);
                }
            }
        } else {
            Problem(what + " (from " + from + "): btype " + Dec(b[0]) + " cLevel " + Dec(b[1]) + ", expected " +
                    (subnodeTree ? "an SLBLOCK/SIBLOCK" : "an XBLOCK/XXBLOCK"));
        }
    }

    // ---- allocation maps: recomputed from what the B-trees reach ([MS-PST] 2.2.2.7.2)
    void CheckAllocation() {
        std::vector<std::vector<bool>> maps(regions, std::vector<bool>(disk::kPageDataSize * 8, false));
        const auto mark = [&](std::uint64_t ib, std::uint64_t size) {
            if (ib < disk::kFirstRegionOffset || ib % disk::kSlotSize != 0) return;
            const std::uint64_t r = disk::RegionOf(ib);
            if (r >= regions) return;
            const std::uint64_t first = (ib - disk::RegionStart(r)) / disk::kSlotSize;
            for (std::uint64_t s = first; s < first + size / disk::kSlotSize && s < maps[r].size(); ++s)
                maps[r][s] = true;
        };
        for (std::uint64_t r = 0; r < regions; ++r)
            mark(disk::RegionStart(r), disk::SpecialPageCount(r) * disk::kPageSize);
        for (const auto& pg : reader->Pages()) mark(pg.bref.ib, disk::kPageSize);
        for (const auto& b : reader->Blocks())
            if (b.cb <= disk::kMaxBlockData) mark(b.ib, disk::BlockSize(b.cb));

        std::uint64_t freeSlots = 0;
        for (std::uint64_t r = 0; r < regions; ++r) {
            const auto page = At(disk::RegionStart(r), disk::kPageDataSize);
            std::size_t differ = 0, first = 0;
            for (std::size_t s = 0; s < maps[r].size(); ++s) {
                const bool onDisk = (page[s / 8] & (0x80u >> (s % 8))) != 0;
                if (!maps[r][s]) ++freeSlots;
                if (onDisk != maps[r][s] && differ++ == 0) first = s;
            }
            if (differ != 0) {
                const std::uint64_t at = disk::RegionStart(r) + first * disk::kSlotSize;
                Problem("AMap at " + Hex(disk::RegionStart(r)) + ": " + Dec(differ) +
                        " bits differ from the allocations; first at offset " + Hex(at) + " (map says " +
                        (maps[r][first] ? "free" : "allocated") + ", it is " + (maps[r][first] ? "allocated" : "free") +
                        ")");
            }
        }
        const std::uint64_t cbFree = freeSlots * disk::kSlotSize;
        if (reader->Header().cbAMapFree != cbFree)
            Problem("header offset 200: cbAMapFree " + Dec(reader->Header().cbAMapFree) + ", the allocations leave " +
                    Dec(cbFree));
        for (std::uint64_t r = 0; r < regions; ++r) {
            if (!disk::HasFMap(r)) continue;
            const auto fmap = At(disk::FMapOffset(r), disk::kPageDataSize);
            for (std::uint64_t j = 0; j < disk::kPageDataSize && r + j < regions; ++j) {
                std::size_t best = 0, run = 0;
                for (bool used : maps[r + j]) {
                    run = used ? 0 : run + 1;
                    best = std::max(best, run);
                }
                const auto expect = static_cast<std::uint8_t>(std::min<std::size_t>(best, 255));
                if (fmap[j] != expect)
                    Problem("FMap at " + Hex(disk::FMapOffset(r)) + " byte " + Dec(j) + ": " + Dec(fmap[j]) +
                            ", longest free run of AMap " + Dec(r + j) + " is " + Dec(expect));
            }
        }
    }

    // ---- ID counters ([MS-PST] 2.2.2.6 rgnid)
    void CheckIds() {
        const auto& h = reader->Header();
        for (const auto& n : reader->Nodes()) {
            const std::uint32_t type = TypeOf(n.nid), index = n.nid >> 5;
            if (h.rgnid[type] < index)
                Problem("NID " + Hex(n.nid) + ": index " + Hex(index) + " above rgnid[" + Hex(type) +
                        "] = " + Hex(h.rgnid[type]));
        }
    }

    // ---- LTP objects
    void CheckHeap(const NodeData& data, const std::string& name) {
        const Heap heap(data, name);
        for (std::size_t i = 0; i < heap.Blocks().size(); ++i) {
            const auto& blk = heap.Blocks()[i];
            const std::size_t cb = data.blocks[i].size();
            const std::string where = name + " heap block " + Dec(i);
            const std::size_t mapAt = (blk.rgibAlloc.back() + 1u) & ~1u;
            if (blk.ibHnpm != mapAt)
                Problem(where + ": ibHnpm " + Dec(blk.ibHnpm) + ", expected " + Dec(mapAt) +
                        " (after the last allocation)");
            const std::size_t mapEnd = blk.ibHnpm + 4u + 2u * blk.rgibAlloc.size();
            if (cb != mapEnd) Problem(where + ": cb " + Dec(cb) + ", the page map ends at " + Dec(mapEnd));
            if (cb > disk::kMaxBlockData) Problem(where + ": cb " + Dec(cb) + " above 8176");
            const int recorded = heap.RecordedFillLevel(i);
            if (recorded != FillLevel(cb))
                Problem(where + ": fill level " + Dec(static_cast<std::uint64_t>(recorded)) + ", " +
                        Dec(disk::kMaxBlockData - std::min<std::size_t>(cb, disk::kMaxBlockData)) +
                        " bytes free give " + Dec(FillLevel(cb)));
        }
    }

    // Outlook's layout, which some readers take for granted: a PC's BTHHEADER at HID 0x20 (its
    // hidUserRoot); a TC's row index header at 0x20 and TCINFO (hidUserRoot) at 0x40.
    void CheckLayout(const NodeData& data, const std::string& name, bool table) {
        const Heap heap(data, name);
        if (!table) {
            if (heap.UserRoot() != 0x20)
                Problem(name + ": PC hidUserRoot " + Hex(heap.UserRoot()) + ", Outlook's files have 0x20");
            return;
        }
        if (heap.UserRoot() != 0x40)
            Problem(name + ": TCINFO at " + Hex(heap.UserRoot()) + ", Outlook's files have it at 0x40");
        const auto info = heap.Get(heap.UserRoot());
        if (info.size() >= 14 && GetU32(info, 10) != 0x20)
            Problem(name + ": row index BTHHEADER at " + Hex(GetU32(info, 10)) + ", Outlook's files have it at 0x20");
    }

    std::optional<PropertyList> ReadPc(const NodeRef& ref) {
        try {
            CheckHeap(reader->ReadNodeData(ref), ref.name);
            CheckLayout(reader->ReadNodeData(ref), ref.name, false);
            return reader->ReadPropertyContext(ref);
        } catch (const std::exception& e) {
            Problem(std::string("property context: ") + e.what());
            return std::nullopt;
        }
    }

    std::optional<Table> ReadTc(const NodeRef& ref) {
        try {
            CheckHeap(reader->ReadNodeData(ref), ref.name);
            CheckLayout(reader->ReadNodeData(ref), ref.name, true);
            return reader->ReadTable(ref);
        } catch (const std::exception& e) {
            Problem(std::string("table context: ") + e.what());
            return std::nullopt;
        }
    }

    void ReadObjects() {
        for (const auto& n : reader->Nodes()) {
            const std::uint32_t type = TypeOf(n.nid);
            NodeRef ref{n.bidData, n.bidSub, "NID " + Hex(n.nid)};
            const bool pc = type == NidType::Folder || type == NidType::SearchFolder || type == NidType::Message ||
                            type == NidType::SearchCriteria || type == NidType::Fai || n.nid == 0x21 || n.nid == 0x61;
            const bool tc = type >= NidType::HierarchyTable && type <= NidType::RecipientTable;
            if (pc) {
                if (auto p = ReadPc(ref)) pcs.emplace(n.nid, std::move(*p));
            } else if (tc) {
                if (auto t = ReadTc(ref)) tcs.emplace(n.nid, std::move(*t));
            }
            if (tc && n.nidParent != 0)
                Problem("NID " + Hex(n.nid) + ": table with nidParent " + Hex(n.nidParent) + ", expected 0");
        }
    }

    void CheckMandatoryNodes() {
        static constexpr std::uint32_t kRequired[] = {0x21,   0x61,   0x122,  0x12D,  0x12E,  0x12F,  0x8022, 0x802D,
                                                      0x802E, 0x802F, 0x8042, 0x804D, 0x804E, 0x804F, 0x8062, 0x806D,
                                                      0x806E, 0x806F, 0x2223, 0x2226, 0x2227, 0x2230, 0x1E1,  0x201,
                                                      0x261,  0x60D,  0x60E,  0x60F,  0x610,  0x671,  0x692,
                                                      // [MS-PST] 2.7.3.4.4: the spam search folder's tables
                                                      0x222D, 0x222E, 0x222F};
        for (std::uint32_t nid : kRequired)
            if (!reader->FindNode(nid)) Problem("NID " + Hex(nid) + ": mandatory node missing from the NBT");
        static constexpr std::pair<std::uint32_t, std::uint32_t> kParents[] = {
            {0x122, 0x122}, {0x8022, 0x122}, {0x8042, 0x122}, {0x8062, 0x8022}, {0x2223, 0x122}};
        for (const auto& [nid, parent] : kParents)
            if (const NbtEntry* e = reader->FindNode(nid); e && e->nidParent != parent)
                Problem("NID " + Hex(nid) + ": nidParent " + Hex(e->nidParent) + ", expected " + Hex(parent));
        for (const auto& [nid, ids] : TemplateColumns()) {
            const auto it = tcs.find(nid);
            if (it == tcs.end()) continue;
            if (!it->second.rows.empty())
                Problem("NID " + Hex(nid) + ": template table has " + Dec(it->second.rows.size()) +
                        " rows, expected none");
            std::vector<std::uint16_t> have;
            for (const auto& c : it->second.columns) have.push_back(static_cast<std::uint16_t>(c.tag >> 16));
            std::sort(have.begin(), have.end());
            if (have != ids)
                Problem("NID " + Hex(nid) + ": template has " + Dec(have.size()) + " columns, not the " +
                        Dec(ids.size()) + " expected");
        }
    }

    void CheckStore() {
        const auto it = pcs.find(0x21);
        if (it == pcs.end()) return;
        const PropertyList& store = it->second;
        const Property* key = store.Find(0x0FF9);
        if (!key || key->tag != 0x0FF90102 || key->value.size() != 16)
            Problem("NID 0x21: PR_RECORD_KEY 0x0FF90102 missing or not 16 bytes");
        if (!store.Has(0x3001)) Problem("NID 0x21: PR_DISPLAY_NAME 0x3001 missing");
        static constexpr std::pair<std::uint16_t, std::uint32_t> kEntryIds[] = {
            {0x35E0, 0x8022}, {0x35E3, 0x8062}, {0x35E7, 0x8042}};
        for (const auto& [id, nid] : kEntryIds) {
            const Property* p = store.Find(id);
            const std::string what = "NID 0x21: entry ID " + Hex(id);
            if (!p || p->value.size() != 24) {
                Problem(what + " missing or not 24 bytes");
                continue;
            }
            if (GetU32(p->value, 0) != 0) Problem(what + ": rgbFlags not zero");
            if (key && key->value.size() == 16 &&
                !std::equal(key->value.begin(), key->value.end(), p->value.begin() + 4))
                Problem(what + ": provider UID differs from PR_RECORD_KEY");
            if (GetU32(p->value, 20) != nid)
                Problem(what + ": names NID " + Hex(GetU32(p->value, 20)) + ", expected " + Hex(nid));
        }
    }

    // A row mirrors its object: every present cell equals the object's value, and every column
    // the object has a value for is present ([MS-PST] 2.4.4.3).
    void CompareRow(const std::string& rowName, const Table& t, const TableRow& row, const PropertyList& object) {
        for (const auto& c : t.columns) {
            const std::uint16_t id = static_cast<std::uint16_t>(c.tag >> 16);
            if (id == 0x67F2 || id == 0x67F3) continue;
            const Property* cell = row.cells.Find(id);
            const Property* prop = object.Find(id);
            const bool objectHas = prop && prop->tag == c.tag;
            if (cell && !objectHas)
                Problem(rowName + " column " + Hex(c.tag) + ": cell " + Bytes(cell->value) + ", object has " +
                        (prop ? "type " + Hex(prop->tag & 0xFFFF) : std::string("no such property")));
            else if (cell && cell->value != prop->value)
                Problem(rowName + " column " + Hex(c.tag) + ": cell " + Bytes(cell->value) + ", object " +
                        Bytes(prop->value));
            else if (!cell && objectHas)
                Problem(rowName + " column " + Hex(c.tag) + ": cell absent, object has " + Bytes(prop->value));
        }
    }

    // Rows of `t` against the objects `expected`, by row id.
    void CompareRows(const std::string& tableName, const Table& t, const std::set<std::uint32_t>& expected,
                     bool compareCells) {
        std::set<std::uint32_t> seen;
        for (const auto& row : t.rows) {
            seen.insert(row.rowId);
            if (!expected.count(row.rowId)) {
                Problem(tableName + ": row " + Hex(row.rowId) + " names no child object");
                continue;
            }
            if (!compareCells) continue;
            const auto pc = pcs.find(row.rowId);
            if (pc != pcs.end()) CompareRow(tableName + " row " + Hex(row.rowId), t, row, pc->second);
        }
        for (std::uint32_t nid : expected)
            if (!seen.count(nid)) Problem(tableName + ": no row for child " + Hex(nid));
    }

    void CheckFolders() {
        std::map<std::uint32_t, std::set<std::uint32_t>> subfolders, messages, fai;
        for (const auto& n : reader->Nodes()) {
            const std::uint32_t type = TypeOf(n.nid);
            if (type != NidType::Folder && type != NidType::SearchFolder && type != NidType::Message &&
                type != NidType::Fai)
                continue;
            const NbtEntry* parent = reader->FindNode(n.nidParent);
            if (!parent || (TypeOf(n.nidParent) != NidType::Folder && TypeOf(n.nidParent) != NidType::SearchFolder)) {
                Problem("NID " + Hex(n.nid) + ": nidParent " + Hex(n.nidParent) + " is not a folder in the NBT");
                continue;
            }
            if (n.nid == n.nidParent) continue;  // the root folder
            if (type == NidType::Message)
                messages[n.nidParent].insert(n.nid);
            else if (type == NidType::Fai)
                fai[n.nidParent].insert(n.nid);
            else
                subfolders[n.nidParent].insert(n.nid);
        }
        for (const auto& [nid, props] : pcs) {
            if (TypeOf(nid) != NidType::Folder) continue;
            const std::string name = "folder " + Hex(nid);
            const auto hier = tcs.find(Sibling(nid, NidType::HierarchyTable));
            const auto cont = tcs.find(Sibling(nid, NidType::ContentsTable));
            const auto faiT = tcs.find(Sibling(nid, NidType::FaiTable));
            if (hier == tcs.end() || cont == tcs.end() || faiT == tcs.end()) {
                Problem(name + ": hierarchy, contents or FAI table missing or unreadable");
            }
            if (hier != tcs.end()) {
                CompareRows("hierarchy table " + Hex(hier->first), hier->second, subfolders[nid], true);
                const Property* sub = props.Find(0x360A);
                if (!sub || sub->tag != 0x360A000B)
                    Problem(name + ": PR_SUBFOLDERS 0x360A000B missing");
                else if ((sub->value.at(0) != 0) != !hier->second.rows.empty())
                    Problem(name + ": PR_SUBFOLDERS " + Dec(sub->value.at(0)) + " but the hierarchy table has " +
                            Dec(hier->second.rows.size()) + " rows");
            }
            if (cont != tcs.end()) {
                CompareRows("contents table " + Hex(cont->first), cont->second, messages[nid], true);
                std::uint32_t unread = 0;
                for (std::uint32_t m : messages[nid])
                    if (const auto pc = pcs.find(m); pc != pcs.end() && (pc->second.GetInt32(0x0E07) & 1) == 0)
                        ++unread;
                const Property* count = props.Find(0x3602);
                const Property* un = props.Find(0x3603);
                if (!count || count->value.size() != 4)
                    Problem(name + ": PR_CONTENT_COUNT 0x36020003 missing");
                else if (GetU32(count->value, 0) != cont->second.rows.size())
                    Problem(name + ": PR_CONTENT_COUNT " + Dec(GetU32(count->value, 0)) + ", contents table has " +
                            Dec(cont->second.rows.size()) + " rows");
                if (!un || un->value.size() != 4)
                    Problem(name + ": PR_CONTENT_UNREAD 0x36030003 missing");
                else if (GetU32(un->value, 0) != unread)
                    Problem(name + ": PR_CONTENT_UNREAD " + Dec(GetU32(un->value, 0)) + ", " + Dec(unread) +
                            " messages lack MSGFLAG_READ");
            }
            if (faiT != tcs.end()) CompareRows("FAI table " + Hex(faiT->first), faiT->second, fai[nid], false);
        }
    }

    void CheckMessages() {
        for (const auto& n : reader->Nodes()) {
            if (TypeOf(n.nid) != NidType::Message && TypeOf(n.nid) != NidType::Fai) continue;
            const auto pc = pcs.find(n.nid);
            CheckMessage({n.bidData, n.bidSub, "NID " + Hex(n.nid)}, pc == pcs.end() ? nullptr : &pc->second, 0);
        }
    }

    // A message, top-level or embedded in an attachment: its recipient table, its size, its
    // attachment table against its attachment objects, and each embedded message the same way.
    void CheckMessage(const NodeRef& ref, const PropertyList* props, int depth) {
        if (depth > kMaxEmbedding) {
            Problem(ref.name + ": embedded messages nested deeper than " + Dec(kMaxEmbedding));
            return;
        }
        std::vector<SubnodeEntry> subs;
        try {
            subs = reader->Subnodes(ref);
        } catch (const std::exception& e) {
            Problem(std::string("subnodes: ") + e.what());
            return;
        }
        std::set<std::uint32_t> attachments;
        std::map<std::uint32_t, PropertyList> attachPcs;
        bool hasRecipients = false;
        std::optional<Table> attachTable;
        for (const auto& s : subs) {
            const NodeRef sub = reader->Subnode(ref, s.nid);
            const std::uint32_t type = TypeOf(s.nid);
            if (type == NidType::Attachment) {
                attachments.insert(s.nid);
                if (auto p = ReadPc(sub)) attachPcs[s.nid] = std::move(*p);
            } else if (s.nid == 0x692) {
                hasRecipients = true;
                (void)ReadTc(sub);
            } else if (s.nid == 0x671) {
                attachTable = ReadTc(sub);
                if (!attachTable) attachTable = Table{};
            }
        }
        if (!hasRecipients) Problem(ref.name + ": recipient table subnode 0x692 missing");
        if (props != nullptr) CheckMessageSize(*props, ref);
        if (attachTable) {
            CompareAttachmentRows(ref.name + " attachment table", *attachTable, attachments, attachPcs);
        } else if (!attachments.empty()) {
            Problem(ref.name + ": " + Dec(attachments.size()) + " attachment subnodes but no attachment table 0x671");
        }
        for (const auto& [nid, attachment] : attachPcs) {
            const auto inner = EmbeddedMessageNid(attachment);
            if (!inner) {
                if (attachment.GetInt32(0x3705) == 5)
                    Problem(ref.name + " / subnode " + Hex(nid) +
                            ": attach method 5 without an 8-byte PtypObject 0x3701000D");
                continue;
            }
            const NodeRef attachmentRef = reader->Subnode(ref, nid);
            NodeRef embedded;
            try {
                embedded = reader->Subnode(attachmentRef, *inner);
            } catch (const std::exception& e) {
                Problem(std::string("embedded message: ") + e.what());
                continue;
            }
            auto innerProps = ReadPc(embedded);
            if (innerProps && GetU32(attachment.Find(0x3701)->value, 4) !=
                                  std::min<std::uint64_t>(SafeTreeBytes(embedded), 0xFFFFFFFF))
                Problem(embedded.name + ": PtypObject ulSize " + Dec(GetU32(attachment.Find(0x3701)->value, 4)) +
                        " differs from the object's bytes");
            CheckMessage(embedded, innerProps ? &*innerProps : nullptr, depth + 1);
        }
    }

    std::uint64_t SafeTreeBytes(const NodeRef& ref) {
        try {
            return TreeBytes(ref, 0);
        } catch (const std::exception&) {
            return 0;
        }
    }

    // Data bytes of a node and, recursively, of all its subnodes.
    std::uint64_t TreeBytes(const NodeRef& ref, int depth) {
        if (depth > 4 + 2 * kMaxEmbedding) throw PstFormatError(ref.name + ": subnodes nested too deep");
        std::uint64_t total = reader->ReadNodeData(ref).data.size();
        for (const auto& s : reader->Subnodes(ref))
            total += TreeBytes({s.bidData, s.bidSub, ref.name + " / subnode " + Hex(s.nid)}, depth + 1);
        return total;
    }

    // PR_MESSAGE_SIZE counts the message's data and every subnode's data, recursively.
    void CheckMessageSize(const PropertyList& props, const NodeRef& ref) {
        const Property* size = props.Find(0x0E08);
        if (!size || size->value.size() != 4) {
            Problem(ref.name + ": PR_MESSAGE_SIZE 0x0E080003 missing");
            return;
        }
        try {
            const std::uint64_t bytes = std::min<std::uint64_t>(TreeBytes(ref, 0), 0x7FFFFFFF);
            if (GetU32(size->value, 0) != bytes)
                Problem(ref.name + ": PR_MESSAGE_SIZE " + Dec(GetU32(size->value, 0)) +
                        ", the node and its subnodes hold " + Dec(bytes) + " bytes");
        } catch (const std::exception& e) {
            Problem(std::string("message size: ") + e.what());
        }
    }

    void CompareAttachmentRows(const std::string& tableName, const Table& t, const std::set<std::uint32_t>& expected,
                               const std::map<std::uint32_t, PropertyList>& attachPcs) {
        std::set<std::uint32_t> seen;
        for (const auto& row : t.rows) {
            seen.insert(row.rowId);
            if (!expected.count(row.rowId))
                Problem(tableName + ": row " + Hex(row.rowId) + " names no attachment subnode");
            else if (const auto pc = attachPcs.find(row.rowId); pc != attachPcs.end())
                CompareRow(tableName + " row " + Hex(row.rowId), t, row, pc->second);
        }
        for (std::uint32_t nid : expected)
            if (!seen.count(nid)) Problem(tableName + ": no row for attachment subnode " + Hex(nid));
    }

    struct Extent {
        std::uint64_t begin, end;
        std::string what;
    };

    const std::vector<std::uint8_t>& file;
    std::optional<PstReader> reader;
    std::uint64_t regions = 0;
    std::vector<Extent> extents;
    std::map<std::uint64_t, std::uint32_t> refs;
    std::set<std::uint64_t> expanded;
    std::map<std::uint32_t, PropertyList> pcs;
    std::map<std::uint32_t, Table> tcs;
    std::vector<std::string> problems;
    std::size_t problemCount = 0;
};

}  // namespace

std::vector<std::string> VerifyPstBytes(const std::vector<std::uint8_t>& bytes) {
    try {
        return Checker(bytes).Run();
    } catch (const std::exception& e) {
        return {std::string("verifier stopped: ") + e.what()};
    }
}

std::vector<std::string> VerifyPst(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) return {"cannot open " + path};
    const std::vector<std::uint8_t> bytes{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    return VerifyPstBytes(bytes);
}

std::string JoinProblems(const std::vector<std::string>& problems) {
    std::string s;
    for (const auto& p : problems) s += p + "\n";
    return s;
}

}  // namespace quill::pst::verify
