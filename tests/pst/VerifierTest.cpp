#include "pst/PstWriter.h"
#include "pst/disk/AMap.h"
#include "pst/disk/Bytes.h"
#include "pst/disk/Crc.h"
#include "pst/disk/Header.h"
#include "pst/disk/Layout.h"
#include "pst/disk/Trailer.h"
#include "pst/verify/PstReader.h"
#include "pst/verify/Verifier.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <map>
#include <random>
#include <string>
#include <vector>

namespace disk = quill::pst::disk;
namespace verify = quill::pst::verify;
using disk::PutU16;
using disk::PutU32;
using disk::PutU64;

namespace {

using Bytes = std::vector<std::uint8_t>;

// A hand-made one-region file: header, DList, AMap, PMap, a two-level NBT, a one-page BBT and
// two nodes (a PC 0x61 and a raw node 0x201). Structurally valid; only the
// mandatory messaging nodes are missing.
struct TinyPst {
    static constexpr std::uint64_t kNbtRoot = 0x4800, kNbtLeaf = 0x4A00, kBbt = 0x4C00, kFirstBlock = 0x4E00;
    static constexpr std::uint64_t kNbtRootBid = 1, kNbtLeafBid = 2, kBbtBid = 3, kNextP = 4;
    static constexpr std::uint64_t kPcBid = 4, kRawBid = 8, kNextB = 12;

    Bytes file;
    std::map<std::uint64_t, std::uint64_t> blockIb;  // bid -> ib
    std::map<std::uint64_t, std::uint16_t> blockCb;
    disk::Header header;

    explicit TinyPst(disk::CryptMethod crypt = disk::CryptMethod::None) { Build(crypt); }

    std::span<std::uint8_t> Page(std::uint64_t ib) { return std::span<std::uint8_t>(file).subspan(ib, 512); }

    void ResealPage(std::uint64_t ib, disk::PageType type, std::uint64_t bid, bool mapPage = false) {
        disk::WritePageTrailer(Page(ib), type, mapPage ? 0 : disk::ComputeSig(ib, bid), bid);
    }
    void ResealBlock(std::uint64_t bid) {
        const std::uint64_t ib = blockIb.at(bid);
        const std::uint16_t cb = blockCb.at(bid);
        disk::WriteBlockTrailer(std::span<std::uint8_t>(file).subspan(ib, disk::BlockSize(cb)), cb, ib, bid);
    }
    void ResealHeader() { header.Serialize(std::span<std::uint8_t>(file).first(disk::Header::kSize)); }
    std::span<std::uint8_t> BlockData(std::uint64_t bid) {
        return std::span<std::uint8_t>(file).subspan(blockIb.at(bid), blockCb.at(bid));
    }

    static Bytes Utf16(const char* s) {
        Bytes b;
        for (; *s; ++s) b.insert(b.end(), {static_cast<std::uint8_t>(*s), 0});
        return b;
    }

    // One heap block: HNHDR, then the allocations, then the page map.
    static Bytes HeapBlock(std::uint8_t clientSig, const std::vector<Bytes>& allocs) {
        Bytes b(12, 0);
        std::vector<std::uint16_t> offsets{12};
        for (const auto& a : allocs) {
            b.insert(b.end(), a.begin(), a.end());
            offsets.push_back(static_cast<std::uint16_t>(b.size()));
        }
        if (b.size() % 2) b.push_back(0);
        const auto ibHnpm = static_cast<std::uint16_t>(b.size());
        b.resize(b.size() + 4 + 2 * offsets.size());
        PutU16(b, ibHnpm, static_cast<std::uint16_t>(allocs.size()));
        for (std::size_t i = 0; i < offsets.size(); ++i) PutU16(b, ibHnpm + 4 + 2 * i, offsets[i]);
        PutU16(b, 0, ibHnpm);
        b[2] = 0xEC;
        b[3] = clientSig;
        PutU32(b, 4, 0x20);
        return b;  // fill levels 0: the block is nearly empty
    }

    static Bytes PcData() {
        Bytes bth{0xB5, 2, 6, 0, 0x40, 0, 0, 0};
        Bytes leaf(24);
        const auto rec = [&](std::size_t i, std::uint16_t id, std::uint16_t type, std::uint32_t v) {
            PutU16(leaf, 8 * i, id);
            PutU16(leaf, 8 * i + 2, type);
            PutU32(leaf, 8 * i + 4, v);
        };
        rec(0, 0x0001, 0x0003, 251);
        rec(1, 0x3001, 0x001F, 0x60);
        rec(2, 0x360A, 0x000B, 1);
        return HeapBlock(0xBC, {bth, leaf, Utf16("Inbox")});
    }

    void Build(disk::CryptMethod crypt) {
        file.assign(disk::kFirstRegionOffset + disk::kRegionSize, 0);
        disk::AMap amap(0);
        amap.Allocate(kNbtRoot, 512);
        amap.Allocate(kNbtLeaf, 512);
        amap.Allocate(kBbt, 512);

        struct Blk {
            std::uint64_t bid;
            Bytes data;
        };
        const std::vector<Blk> blks{{kPcBid, PcData()}, {kRawBid, {0x23, 0x22, 0, 0}}};
        Bytes bbt(512);
        std::uint64_t ib = kFirstBlock;
        for (std::size_t i = 0; i < blks.size(); ++i) {
            Bytes data = blks[i].data;
            if (crypt == disk::CryptMethod::Permute) verify::PermuteEncode(data);
            const auto cb = static_cast<std::uint16_t>(data.size());
            std::copy(data.begin(), data.end(), file.begin() + static_cast<std::ptrdiff_t>(ib));
            blockIb[blks[i].bid] = ib;
            blockCb[blks[i].bid] = cb;
            ResealBlock(blks[i].bid);
            amap.Allocate(ib, disk::BlockSize(cb));
            PutU64(bbt, 24 * i, blks[i].bid);
            PutU64(bbt, 24 * i + 8, ib);
            PutU16(bbt, 24 * i + 16, cb);
            PutU16(bbt, 24 * i + 18, 2);
            ib += disk::BlockSize(cb);
        }
        bbt[488] = 2, bbt[489] = 20, bbt[490] = 24, bbt[491] = 0;
        std::copy(bbt.begin(), bbt.end(), Page(kBbt).begin());
        ResealPage(kBbt, disk::PageType::BBT, kBbtBid);

        Bytes leaf(512);
        const std::uint32_t nids[] = {0x61, 0x201};
        const std::uint64_t bids[] = {kPcBid, kRawBid};
        for (std::size_t i = 0; i < 2; ++i) {
            PutU64(leaf, 32 * i, nids[i]);
            PutU64(leaf, 32 * i + 8, bids[i]);
        }
        leaf[488] = 2, leaf[489] = 15, leaf[490] = 32, leaf[491] = 0;
        std::copy(leaf.begin(), leaf.end(), Page(kNbtLeaf).begin());
        ResealPage(kNbtLeaf, disk::PageType::NBT, kNbtLeafBid);

        Bytes root(512);
        PutU64(root, 0, 0x61);
        PutU64(root, 8, kNbtLeafBid);
        PutU64(root, 16, kNbtLeaf);
        root[488] = 1, root[489] = 20, root[490] = 24, root[491] = 1;
        std::copy(root.begin(), root.end(), Page(kNbtRoot).begin());
        ResealPage(kNbtRoot, disk::PageType::NBT, kNbtRootBid);

        amap.WritePage(Page(disk::RegionStart(0)));
        std::fill_n(Page(disk::PMapOffset(0)).begin(), 496, std::uint8_t{0xFF});
        ResealPage(disk::PMapOffset(0), disk::PageType::PMap, disk::PMapOffset(0), true);
        ResealPage(disk::kDListOffset, disk::PageType::DList, kNextP);

        header.bidNextP = kNextP;
        header.bidNextB = kNextB;
        header.rgnid.fill(0x400);
        header.ibFileEof = file.size();
        header.ibAMapLast = disk::RegionStart(0);
        header.cbAMapFree = amap.FreeSlots() * 64;
        header.brefNBT = {kNbtRootBid, kNbtRoot};
        header.brefBBT = {kBbtBid, kBbt};
        header.bCryptMethod = crypt;
        ResealHeader();
    }
};

bool IsMissingMandatoryNode(const std::string& p) { return p.find("mandatory node missing") != std::string::npos; }

// The problems of `file` beyond the missing messaging nodes every TinyPst lacks.
std::vector<std::string> NewProblems(const Bytes& file) {
    auto all = verify::VerifyPstBytes(file);
    all.erase(std::remove_if(all.begin(), all.end(), IsMissingMandatoryNode), all.end());
    return all;
}

::testing::AssertionResult HasProblem(const std::vector<std::string>& problems, const std::string& needle) {
    for (const auto& p : problems)
        if (p.find(needle) != std::string::npos) return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << "no problem mentions \"" << needle << "\"; got:\n"
                                         << verify::JoinProblems(problems);
}

}  // namespace

TEST(VerifierPermute, DecodesTheEncodingTableOfMsPst) {
    Bytes all(256);
    for (int i = 0; i < 256; ++i) all[i] = static_cast<std::uint8_t>(i);
    Bytes enc = all;
    verify::PermuteEncode(enc);
    EXPECT_EQ(enc[0], 0x41);  // first entries of the [MS-PST] 5.1 encoding part
    EXPECT_EQ(enc[1], 0x36);
    EXPECT_EQ(enc[255], 0x3D);
    Bytes sorted = enc;
    std::sort(sorted.begin(), sorted.end());
    EXPECT_EQ(sorted, all) << "the table must be a permutation";
    verify::PermuteDecode(enc);
    EXPECT_EQ(enc, all);
}

class TinyPstCrypt : public ::testing::TestWithParam<disk::CryptMethod> {};

TEST_P(TinyPstCrypt, ReaderDecodesNodesAndProperties) {
    const TinyPst tiny(GetParam());
    const verify::PstReader r(tiny.file);
    EXPECT_EQ(r.Header().bCryptMethod, static_cast<std::uint8_t>(GetParam()));
    ASSERT_EQ(r.Nodes().size(), 2u);
    EXPECT_EQ(r.Nodes()[1].nid, 0x201u);
    ASSERT_EQ(r.Blocks().size(), 2u);
    EXPECT_EQ(r.Blocks()[1].ib, tiny.blockIb.at(TinyPst::kRawBid));
    EXPECT_EQ(r.Pages().size(), 3u);

    EXPECT_EQ(r.ReadNodeData(0x201).data, (Bytes{0x23, 0x22, 0, 0}));

    const auto pc = r.ReadPropertyContext(0x61);
    EXPECT_EQ(pc.Size(), 3u);
    EXPECT_EQ(pc.GetInt32(0x0001), 251u);
    EXPECT_EQ(pc.GetStringUtf8(0x3001), "Inbox");
    ASSERT_TRUE(pc.Find(0x360A));
    EXPECT_EQ(pc.Find(0x360A)->value, Bytes{1});

    EXPECT_THROW((void)r.ReadNodeData(0x999), verify::PstFormatError);
    EXPECT_THROW((void)r.ReadTable(0x61), verify::PstFormatError);  // a PC is no table
}

TEST_P(TinyPstCrypt, HandMadeNdbOnlyLacksTheMessagingNodes) {
    const TinyPst tiny(GetParam());
    const auto all = verify::VerifyPstBytes(tiny.file);
    EXPECT_TRUE(HasProblem(all, "NID 0x21: mandatory node missing"));
    EXPECT_TRUE(HasProblem(all, "NID 0x692: mandatory node missing"));
    EXPECT_TRUE(NewProblems(tiny.file).empty()) << verify::JoinProblems(NewProblems(tiny.file));
}

INSTANTIATE_TEST_SUITE_P(Crypt, TinyPstCrypt, ::testing::Values(disk::CryptMethod::None, disk::CryptMethod::Permute));

namespace {

// One corruption of a TinyPst and a phrase the verifier must report for it; `only` when it must
// be the sole problem (the corruption leaves everything else valid).
struct Mutation {
    const char* what;
    std::function<void(TinyPst&)> apply;
    std::string expect;
    bool only = false;
};

void ExpectReported(const std::vector<Mutation>& mutations) {
    for (const auto& m : mutations) {
        SCOPED_TRACE(m.what);
        TinyPst t;
        m.apply(t);
        const auto p = NewProblems(t.file);
        EXPECT_TRUE(HasProblem(p, m.expect));
        if (m.only) {
            EXPECT_EQ(p.size(), 1u) << verify::JoinProblems(p);
        }
    }
}

constexpr std::uint64_t kLeaf = TinyPst::kNbtLeaf, kBbt = TinyPst::kBbt, kAMap = 0x4400;

}  // namespace

TEST(VerifierHeader, ReportsEachBrokenHeaderField) {
    ExpectReported({
        {"byte in both CRC ranges", [](TinyPst& t) { t.file[300] ^= 1; }, "dwCRCPartial"},
        {"byte only in the full CRC", [](TinyPst& t) { t.file[520] ^= 1; }, "dwCRCFull", true},
        {"cbAMapFree",
         [](TinyPst& t) {
             t.header.cbAMapFree -= 64;
             t.ResealHeader();
         },
         "cbAMapFree", true},
        {"fAMapValid",
         [](TinyPst& t) {
             t.header.fAMapValid = 0;
             t.ResealHeader();
         },
         "fAMapValid 0"},
        {"bidNextB at a used BID",
         [](TinyPst& t) {
             t.header.bidNextB = TinyPst::kRawBid;
             t.ResealHeader();
         },
         "BID not below bidNextB"},
        {"bidNextP at a used BID",
         [](TinyPst& t) {
             t.header.bidNextP = TinyPst::kBbtBid;
             t.ResealHeader();
         },
         "page BID not below bidNextP"},
        {"rgnid below a NID",
         [](TinyPst& t) {
             t.header.rgnid[1] = 0xF;
             t.ResealHeader();
         },
         "NID 0x201: index 0x10 above rgnid[0x1]"},
        {"ibAMapLast",
         [](TinyPst& t) {
             t.header.ibAMapLast = 0x4600;
             t.ResealHeader();
         },
         "ibAMapLast 0x4600", true},
        {"half a region appended", [](TinyPst& t) { t.file.resize(t.file.size() + 512); },
         "whole number of 253952-byte regions"},
        {"appended bytes", [](TinyPst& t) { t.file.resize(t.file.size() + 512); }, "ibFileEof"},
    });
}

TEST(VerifierHeader, UnreadableFileIsOneProblemNotACrash) {
    EXPECT_FALSE(verify::VerifyPstBytes(Bytes(100, 0)).empty());
    TinyPst t;
    PutU64(t.file, 224, 0x7FFFFFFF);  // NBT root outside the file
    EXPECT_TRUE(HasProblem(verify::VerifyPstBytes(t.file), "cannot read the B-trees"));
    EXPECT_THROW(verify::PstReader{t.file}, verify::PstFormatError);
    EXPECT_FALSE(verify::VerifyPst("/nonexistent/file.pst").empty());
}

TEST(VerifierPages, ReportsBrokenPageTrailersAndMapPages) {
    ExpectReported({
        {"unused NBT entry space", [](TinyPst& t) { t.file[kLeaf + 480] ^= 0x10; },
         "NBT page BID 0x2 at 0x4A00: page CRC", true},
        {"BBT page typed NBT", [](TinyPst& t) { t.ResealPage(kBbt, disk::PageType::NBT, TinyPst::kBbtBid); },
         "BBT page BID 0x3 at 0x4C00: ptype/ptypeRepeat 0x81/0x81, expected 0x80"},
        {"BT page wSig",
         [](TinyPst& t) { disk::WritePageTrailer(t.Page(kBbt), disk::PageType::BBT, 0x1234, TinyPst::kBbtBid); },
         "wSig 0x1234", true},
        {"BT page trailer bid", [](TinyPst& t) { PutU64(t.file, kLeaf + 504, 7); }, "trailer bid 0x7, expected 0x2"},
        {"PMap content",
         [](TinyPst& t) {
             t.file[disk::PMapOffset(0) + 10] = 0;
             t.ResealPage(disk::PMapOffset(0), disk::PageType::PMap, disk::PMapOffset(0), true);
         },
         "PMap page at 0x4600: not all 0xFF", true},
        {"map page wSig", [](TinyPst& t) { disk::WritePageTrailer(t.Page(kAMap), disk::PageType::AMap, 0x77, kAMap); },
         "AMap page at 0x4400: wSig", true},
        {"DList ulCurrentPage",
         [](TinyPst& t) {
             t.file[disk::kDListOffset + 4] = 3;
             t.ResealPage(disk::kDListOffset, disk::PageType::DList, TinyPst::kNextP);
         },
         "ulCurrentPage 3", true},
    });
}

TEST(VerifierBTrees, ReportsOrderKeysAndCapacities) {
    const auto swapLeafEntries = [](TinyPst& t) {
        auto leaf = t.Page(kLeaf);
        std::swap_ranges(leaf.begin(), leaf.begin() + 32, leaf.begin() + 32);
        t.ResealPage(kLeaf, disk::PageType::NBT, TinyPst::kNbtLeafBid);
    };
    ExpectReported({
        {"NBT leaf entries swapped", swapLeafEntries, "not strictly sorted"},
        {"NBT leaf entries swapped: root key", swapLeafEntries, "differs from the page's first key"},
        {"BTENTRY key",
         [](TinyPst& t) {
             PutU64(t.file, TinyPst::kNbtRoot, 0x60);
             t.ResealPage(TinyPst::kNbtRoot, disk::PageType::NBT, TinyPst::kNbtRootBid);
         },
         "BTENTRY key 0x60 differs from the page's first key 0x61", true},
        {"cEntMax",
         [](TinyPst& t) {
             t.Page(kBbt)[489] = 21;
             t.ResealPage(kBbt, disk::PageType::BBT, TinyPst::kBbtBid);
         },
         "cEntMax 21, expected 20", true},
        {"cbEnt",
         [](TinyPst& t) {
             t.Page(kLeaf)[490] = 24;
             t.ResealPage(kLeaf, disk::PageType::NBT, TinyPst::kNbtLeafBid);
         },
         "cbEnt 24, expected 32"},
        {"child cLevel",
         [](TinyPst& t) {
             t.Page(kLeaf)[491] = 1;
             t.ResealPage(kLeaf, disk::PageType::NBT, TinyPst::kNbtLeafBid);
         },
         "cLevel 1, parent expects 0"},
    });
}

TEST(VerifierBlocks, ReportsBrokenBlockTrailersAndBbtEntries) {
    const auto rawTrailer = [](TinyPst& t) { return t.blockIb.at(TinyPst::kRawBid) + 48; };
    const auto setBbt = [](TinyPst& t, std::size_t at, std::uint64_t v, bool u16) {
        if (u16)
            PutU16(t.file, kBbt + at, static_cast<std::uint16_t>(v));
        else
            PutU64(t.file, kBbt + at, v);
        t.ResealPage(kBbt, disk::PageType::BBT, TinyPst::kBbtBid);
    };
    const auto setRawBidData = [](TinyPst& t, std::uint64_t bid) {
        PutU64(t.file, kLeaf + 32 + 8, bid);
        t.ResealPage(kLeaf, disk::PageType::NBT, TinyPst::kNbtLeafBid);
    };
    const TinyPst pristine;
    ExpectReported({
        {"data byte", [](TinyPst& t) { t.file[t.blockIb.at(TinyPst::kRawBid)] ^= 1; },
         "block BID 0x8 at " + verify::Hex(pristine.blockIb.at(TinyPst::kRawBid)) + ": block CRC", true},
        {"trailer cb", [&](TinyPst& t) { PutU16(t.file, rawTrailer(t), 5); }, "trailer cb 5, BBT cb 4"},
        {"trailer wSig", [&](TinyPst& t) { PutU16(t.file, rawTrailer(t) + 2, 0); }, "trailer wSig 0x0", true},
        {"trailer bid", [&](TinyPst& t) { PutU64(t.file, rawTrailer(t) + 8, 0x10); }, "trailer bid 0x10, BBT bid 0x8",
         true},
        {"cRef", [&](TinyPst& t) { setBbt(t, 24 + 18, 1, true); }, "block BID 0x8: cRef 1, expected 2", true},
        {"unreferenced block", [&](TinyPst& t) { setRawBidData(t, 0); },
         "block BID 0x8: in the BBT but referenced by nothing", true},
        {"reference to a missing block", [&](TinyPst& t) { setRawBidData(t, 0x40); },
         "NID 0x201 bidData: BID 0x40 is not in the BBT"},
        {"block on a BT page", [&](TinyPst& t) { setBbt(t, 24 + 8, kBbt, false); }, "overlaps"},
        {"block on the PMap", [&](TinyPst& t) { setBbt(t, 24 + 8, disk::PMapOffset(0), false); },
         "overlaps the special pages of region 0"},
        {"128-byte block past the region", [&](TinyPst& t) { setBbt(t, 8, disk::RegionStart(1) - 64, false); },
         "not inside the regions of the file"},
    });
    TinyPst t;  // padding is outside the CRC
    t.file[t.blockIb.at(TinyPst::kRawBid) + 10] = 0x55;
    EXPECT_TRUE(NewProblems(t.file).empty());
}

TEST(VerifierAllocation, AMapMustMatchTheAllocationsBitForBit) {
    const TinyPst pristine;
    const std::uint64_t rawIb = pristine.blockIb.at(TinyPst::kRawBid);
    ExpectReported({
        {"allocated block marked free",
         [&](TinyPst& t) {
             const std::uint64_t slot = (rawIb - kAMap) / 64;
             t.file[kAMap + slot / 8] &= static_cast<std::uint8_t>(~(0x80u >> (slot % 8)));
             t.ResealPage(kAMap, disk::PageType::AMap, kAMap, true);
         },
         "AMap at 0x4400: 1 bits differ from the allocations; first at offset " + verify::Hex(rawIb) +
             " (map says free",
         true},
        {"stray allocated slot",
         [](TinyPst& t) {
             t.file[kAMap + 495] |= 1;
             t.ResealPage(kAMap, disk::PageType::AMap, kAMap, true);
         },
         "map says allocated, it is free", true},
    });
}

TEST(VerifierHeap, ReportsFillLevelsSignatureAndBthOrder) {
    ExpectReported({
        {"fill level",
         [](TinyPst& t) {
             t.BlockData(TinyPst::kPcBid)[8] = 0x01;
             t.ResealBlock(TinyPst::kPcBid);
         },
         "NID 0x61 heap block 0: fill level 1", true},
        {"bSig",
         [](TinyPst& t) {
             t.BlockData(TinyPst::kPcBid)[2] = 0xEB;
             t.ResealBlock(TinyPst::kPcBid);
         },
         "bSig 0xEB, expected 0xEC"},
        {"BTH records out of order",
         [](TinyPst& t) {
             auto d = t.BlockData(TinyPst::kPcBid);
             std::swap_ranges(d.begin() + 20, d.begin() + 28, d.begin() + 28);
             t.ResealBlock(TinyPst::kPcBid);
         },
         "BTH keys not strictly increasing"},
    });
}

// ---------------------------------------------------------------------------------------------
// Files written by PstWriter: valid as written, and each mutation caught.

namespace {

namespace pst = quill::pst;

std::string TempPath(const std::string& name) {
    const auto p = std::filesystem::temp_directory_path() /
                   ("quill-verify-" + std::to_string(std::random_device{}()) + "-" + name + ".pst");
    std::filesystem::remove(p);
    return p.string();
}

Bytes ReadAll(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

pst::NewMessage Mail(const std::string& subject, bool read, std::size_t attachmentBytes = 0,
                     std::size_t bodyBytes = 40) {
    pst::NewMessage m;
    m.props.SetString(0x0037, "\x01\x01" + subject);
    m.props.SetString(0x0070, subject);
    m.props.SetString(0x1000, std::string(bodyBytes, 'b'));
    m.props.SetInt32(0x0E07, read ? 1u : 0u);
    pst::PropertyList to;
    to.SetInt32(0x0C15, 1);
    to.SetString(0x3001, "Ann Example");
    to.SetString(0x3003, "ann@example.org");
    to.SetString(0x39FE, "ann@example.org");
    m.recipients.push_back(to);
    if (attachmentBytes > 0) {
        pst::NewAttachment a;
        a.props.SetString(0x3707, "data.bin");
        a.data.resize(attachmentBytes);
        for (std::size_t i = 0; i < attachmentBytes; ++i) a.data[i] = static_cast<char>(i * 7 + i / 251);
        m.attachments.push_back(std::move(a));
    }
    return m;
}

// Inbox (3 messages, one unread, one with a 20 KB attachment) with a subfolder of one message,
// and an empty Archive.
struct WrittenPst {
    std::string path;
    Bytes file;
    pst::FolderId inbox = 0, sub = 0, archive = 0;

    explicit WrittenPst(const std::string& name) : path(TempPath(name)) {
        pst::PstWriter w(path, "Verifier Store");
        inbox = w.AddFolder(w.TopFolder(), "Inbox");
        sub = w.AddFolder(inbox, "Sub");
        archive = w.AddFolder(w.TopFolder(), "Archive");
        w.AddMessage(inbox, Mail("first", true));
        w.AddMessage(inbox, Mail("second", false, 20000));
        w.AddMessage(inbox, Mail("third", true, 0, 5000));  // body past one heap allocation
        w.AddMessage(sub, Mail("nested", false));
        w.Close();
        file = ReadAll(path);
    }
    ~WrittenPst() { std::filesystem::remove(path); }
};

void ResealHeader(Bytes& f) {
    PutU32(f, 4, disk::ComputeCrc(std::span<const std::uint8_t>(f).subspan(8, 471)));
    PutU32(f, 524, disk::ComputeCrc(std::span<const std::uint8_t>(f).subspan(8, 516)));
}

void ResealBtPage(Bytes& f, std::uint64_t ib, disk::PageType type) {
    const std::uint64_t bid = disk::GetU64(f, ib + 504);
    disk::WritePageTrailer(std::span<std::uint8_t>(f).subspan(ib, 512), type, disk::ComputeSig(ib, bid), bid);
}

// The NBT leaf page holding `nid` and the entry's offset in the file.
std::uint64_t NbtEntryOffset(const verify::PstReader& r, std::uint32_t nid, std::uint64_t* pageIb) {
    for (const auto& pg : r.Pages()) {
        if (!pg.nbt || pg.cLevel != 0) continue;
        for (std::size_t i = 0; i < pg.keys.size(); ++i)
            if (pg.keys[i] == nid) {
                *pageIb = pg.bref.ib;
                return pg.bref.ib + 32 * i;
            }
    }
    return 0;
}

// Rewrites the inline value of property `id` in the single-block PC of `nid`, keeping the block's
// encoding and CRC valid, so only the messaging-level checks can notice.
void PatchInlineProperty(Bytes& f, const verify::PstReader& r, std::uint32_t nid, std::uint16_t id, std::uint16_t type,
                         std::uint32_t value) {
    const verify::BbtEntry* b = r.FindBlock(r.FindNode(nid)->bidData);
    ASSERT_TRUE(b && (b->bid & 2) == 0) << "PC of " << nid << " is not one data block";
    Bytes data = r.ReadBlock(b->bid);
    const Bytes pattern{static_cast<std::uint8_t>(id), static_cast<std::uint8_t>(id >> 8),
                        static_cast<std::uint8_t>(type), static_cast<std::uint8_t>(type >> 8)};
    const auto it = std::search(data.begin(), data.end(), pattern.begin(), pattern.end());
    ASSERT_NE(it, data.end());
    PutU32(data, static_cast<std::size_t>(it - data.begin()) + 4, value);
    if (r.Header().bCryptMethod == 1) verify::PermuteEncode(data);
    std::copy(data.begin(), data.end(), f.begin() + static_cast<std::ptrdiff_t>(b->ib));
    PutU32(f, b->ib + disk::BlockSize(b->cb) - 12, disk::ComputeCrc(data));
}

// Rewrites bytes of the first data block of node `nid` (decoded), keeping encoding and CRC valid.
void PatchFirstBlock(Bytes& f, const verify::PstReader& r, std::uint32_t nid, const std::function<void(Bytes&)>& edit) {
    const verify::BbtEntry* b = r.FindBlock(r.FindNode(nid)->bidData);
    ASSERT_TRUE(b && (b->bid & 2) == 0) << "node " << nid << " is not one data block";
    Bytes data = r.ReadBlock(b->bid);
    edit(data);
    if (r.Header().bCryptMethod == 1) verify::PermuteEncode(data);
    std::copy(data.begin(), data.end(), f.begin() + static_cast<std::ptrdiff_t>(b->ib));
    PutU32(f, b->ib + disk::BlockSize(b->cb) - 12, disk::ComputeCrc(data));
}

// Takes `nid` out of its NBT leaf page (not the page's first entry, so the index above stays right).
void RemoveNbtEntry(Bytes& f, const verify::PstReader& r, std::uint32_t nid) {
    std::uint64_t page = 0;
    const std::uint64_t at = NbtEntryOffset(r, nid, &page);
    ASSERT_NE(at, 0u);
    ASSERT_NE(at, page) << "the first entry of its page";
    const std::uint8_t cEnt = f[page + 488];
    std::copy(f.begin() + static_cast<std::ptrdiff_t>(at + 32), f.begin() + static_cast<std::ptrdiff_t>(page + 32 * cEnt),
              f.begin() + static_cast<std::ptrdiff_t>(at));
    std::fill_n(f.begin() + static_cast<std::ptrdiff_t>(page + 32 * (cEnt - 1)), 32, std::uint8_t{0});
    f[page + 488] = static_cast<std::uint8_t>(cEnt - 1);
    ResealBtPage(f, page, disk::PageType::NBT);
}

}  // namespace

// What Outlook's own files never have and some readers cannot take: an HNID of 0 for a value,
// a heap laid out otherwise than Outlook lays it out, a mandatory node left out.
TEST(VerifierOnWriter, CatchesWhatOutlooksReadersRelyOn) {
    const WrittenPst w("outlook");
    const verify::PstReader r(w.file);
    {
        Bytes f = w.file;  // the root folder's (empty) display name pointed at HNID 0
        PatchInlineProperty(f, r, 0x122, 0x3001, 0x001F, 0);
        EXPECT_TRUE(HasProblem(verify::VerifyPstBytes(f), "NID 0x122: property 0x3001001F has HNID 0"));
    }
    {
        Bytes f = w.file;  // a template table whose TCINFO is not at 0x40
        PatchFirstBlock(f, r, 0x60D, [](Bytes& d) { PutU32(d, 4, 0x20); });
        EXPECT_TRUE(HasProblem(verify::VerifyPstBytes(f), "NID 0x60D: TCINFO at 0x20, Outlook's files have it at 0x40"));
    }
    {
        Bytes f = w.file;  // the message store's PC rooted past its BTHHEADER
        PatchFirstBlock(f, r, 0x21, [](Bytes& d) { PutU32(d, 4, 0x40); });
        EXPECT_TRUE(HasProblem(verify::VerifyPstBytes(f), "NID 0x21: PC hidUserRoot 0x40"));
    }
    for (std::uint32_t nid : {0x222Eu, 0x222Fu}) {
        Bytes f = w.file;
        RemoveNbtEntry(f, r, nid);
        EXPECT_TRUE(HasProblem(verify::VerifyPstBytes(f), "NID " + verify::Hex(nid) + ": mandatory node missing"));
    }
}

TEST(VerifierOnWriter, SmallStoreVerifiesCleanAndReadsBack) {
    const WrittenPst w("small");
    const auto problems = verify::VerifyPst(w.path);
    EXPECT_TRUE(problems.empty()) << verify::JoinProblems(problems);

    const verify::PstReader r(w.path);
    EXPECT_EQ(r.ReadPropertyContext(0x21).GetStringUtf8(0x3001), "Verifier Store");
    const verify::Folder top = r.FolderTree();
    std::vector<std::string> names;
    for (const auto& f : top.children) names.push_back(f.props.GetStringUtf8(0x3001));
    EXPECT_NE(std::find(names.begin(), names.end(), "Inbox"), names.end()) << ::testing::PrintToString(names);
    EXPECT_NE(std::find(names.begin(), names.end(), "Archive"), names.end());

    const auto inbox = r.MessagesOf(w.inbox);
    ASSERT_EQ(inbox.size(), 3u);
    std::size_t withAttachment = 0;
    for (std::uint32_t nid : inbox) {
        const verify::Message m = r.ReadMessage(nid);
        EXPECT_EQ(m.recipients.size(), 1u);
        EXPECT_EQ(m.props.GetStringUtf8(0x001A), "IPM.Note");
        if (m.props.GetStringUtf8(0x0070) == "third") {
            EXPECT_EQ(m.props.Find(0x1000)->value.size(), 10000u);
        }
        for (const auto& a : m.attachments) {
            ++withAttachment;
            ASSERT_EQ(a.data.size(), 20000u);
            EXPECT_EQ(a.data[9999], static_cast<std::uint8_t>(9999 * 7 + 9999 / 251));
        }
    }
    EXPECT_EQ(withAttachment, 1u);
    EXPECT_EQ(r.MessagesOf(w.sub).size(), 1u);
    EXPECT_EQ(r.ReadPropertyContext(w.inbox).GetInt32(0x3603), 1u);
}

TEST(VerifierOnWriter, LargeFolderAndAttachmentSpanningBlocksVerifyClean) {
    const std::string path = TempPath("large");
    std::uint32_t folder = 0;
    {
        pst::PstWriter w(path, "Large");
        folder = w.AddFolder(w.TopFolder(), "Many");
        for (int i = 0; i < 600; ++i) w.AddMessage(folder, Mail("m" + std::to_string(i), i % 3 == 0));  // > 447 rows
        w.AddMessage(folder, Mail("big", true, 300000));  // XBLOCK data tree
        pst::NewMessage wide = Mail("wide", true);        // a PC heap past 8 blocks: block 8 has an HNBITMAPHDR
        for (std::uint16_t i = 0; i < 40; ++i)
            wide.props.SetBinary(static_cast<std::uint16_t>(0x7F00 + i), Bytes(3000, static_cast<std::uint8_t>(i)));
        w.AddMessage(folder, wide);
        w.Close();
    }
    const auto problems = verify::VerifyPst(path);
    EXPECT_TRUE(problems.empty()) << verify::JoinProblems(problems);
    const verify::PstReader r(path);
    const auto messages = r.MessagesOf(folder);
    ASSERT_EQ(messages.size(), 602u);
    const verify::Message wide = r.ReadMessage(messages.back());
    ASSERT_TRUE(wide.props.Find(0x7F27));
    EXPECT_EQ(wide.props.Find(0x7F27)->value, Bytes(3000, 39));
    EXPECT_GT(r.ReadNodeData(messages.back()).blocks.size(), 8u);
    EXPECT_GT(r.File().size(), disk::RegionStart(1));  // more than one region: several AMaps checked
    // The checks above only mean something if the file has these structures.
    EXPECT_FALSE(r.Subnodes((folder & ~0x1Fu) | 0x0E).empty()) << "row matrix expected in a subnode";
    const bool hasXBlock = std::any_of(r.Blocks().begin(), r.Blocks().end(), [&](const verify::BbtEntry& b) {
        return (b.bid & 2) != 0 && r.ReadBlock(b.bid).at(0) == 1;
    });
    EXPECT_TRUE(hasXBlock);
    std::filesystem::remove(path);
}

TEST(VerifierOnWriter, FileReachingTheFirstFMapVerifiesClean) {
    const std::string path = TempPath("fmap");
    constexpr std::size_t kSize = 34u << 20;  // past region 128, where the first FMap lives
    {
        pst::PstWriter w(path, "FMap");
        const auto folder = w.AddFolder(w.TopFolder(), "Big");
        pst::NewMessage m = Mail("huge", true);
        pst::NewAttachment a;
        a.props.SetString(0x3707, "huge.bin");
        std::size_t left = kSize;
        a.source = [&left](std::span<std::uint8_t> buf) {
            const std::size_t n = std::min(left, buf.size());
            for (std::size_t i = 0; i < n; ++i) buf[i] = static_cast<std::uint8_t>((left - i) * 31);
            left -= n;
            return n;
        };
        m.attachments.push_back(std::move(a));
        w.AddMessage(folder, m);
        w.Close();
    }
    ASSERT_GT(std::filesystem::file_size(path), disk::FMapOffset(128) + 512);
    const auto problems = verify::VerifyPst(path);
    EXPECT_TRUE(problems.empty()) << verify::JoinProblems(problems);
    std::filesystem::remove(path);
}

TEST(VerifierOnWriter, CatchesMutationsOfAWrittenFile) {
    const WrittenPst w("mutate");
    const verify::PstReader r(w.file);
    {
        Bytes f = w.file;  // a data byte of the first block
        const auto& b = r.Blocks().front();
        f[b.ib] ^= 0x40;
        EXPECT_TRUE(HasProblem(verify::VerifyPstBytes(f),
                               "block BID " + verify::Hex(b.bid) + " at " + verify::Hex(b.ib) + ": block CRC"));
    }
    {
        Bytes f = w.file;
        PutU64(f, 200, disk::GetU64(f, 200) + 64);
        ResealHeader(f);
        const auto p = verify::VerifyPstBytes(f);
        ASSERT_EQ(p.size(), 1u) << verify::JoinProblems(p);
        EXPECT_TRUE(HasProblem(p, "cbAMapFree"));
    }
    {
        Bytes f = w.file;  // move the nested message into Inbox: both folders' tables disagree
        const std::uint32_t nested = r.MessagesOf(w.sub).at(0);
        std::uint64_t page = 0;
        const std::uint64_t at = NbtEntryOffset(r, nested, &page);
        ASSERT_NE(at, 0u);
        PutU32(f, at + 24, w.inbox);
        ResealBtPage(f, page, disk::PageType::NBT);
        const auto p = verify::VerifyPstBytes(f);
        EXPECT_TRUE(HasProblem(p, "row " + verify::Hex(nested) + " names no child object"));
        EXPECT_TRUE(HasProblem(p, "no row for child " + verify::Hex(nested)));
        EXPECT_TRUE(HasProblem(p, "PR_CONTENT_UNREAD 1, 2 messages lack MSGFLAG_READ"));
    }
    {
        Bytes f = w.file;  // a folder pointed at a parent it is not listed under
        std::uint64_t page = 0;
        const std::uint64_t at = NbtEntryOffset(r, w.archive, &page);
        ASSERT_NE(at, 0u);
        PutU32(f, at + 24, w.inbox);
        ResealBtPage(f, page, disk::PageType::NBT);
        const auto p = verify::VerifyPstBytes(f);
        EXPECT_TRUE(HasProblem(p, "no row for child " + verify::Hex(w.archive)));
    }
    {
        Bytes f = w.file;  // a read message turned unread in its PC only
        std::uint32_t first = 0;
        for (std::uint32_t nid : r.MessagesOf(w.inbox))
            if (r.ReadPropertyContext(nid).GetStringUtf8(0x0070) == "first") first = nid;
        ASSERT_NE(first, 0u);
        PatchInlineProperty(f, r, first, 0x0E07, 0x0003, 0);
        const auto p = verify::VerifyPstBytes(f);
        EXPECT_TRUE(HasProblem(p, "row " + verify::Hex(first) + " column 0xE070003"));
        EXPECT_TRUE(HasProblem(p, "PR_CONTENT_UNREAD 1, 2 messages lack MSGFLAG_READ"));
        EXPECT_FALSE(HasProblem(p, "block CRC"));
        PatchInlineProperty(f, r, first, 0x0E08, 0x0003, 1);
        EXPECT_TRUE(HasProblem(verify::VerifyPstBytes(f),
                               "NID " + verify::Hex(first) + ": PR_MESSAGE_SIZE 1, the node and its subnodes hold"));
    }
    {
        Bytes f = w.file;  // an empty folder claiming subfolders
        PatchInlineProperty(f, r, w.archive, 0x360A, 0x000B, 1);
        const auto p = verify::VerifyPstBytes(f);
        EXPECT_TRUE(
            HasProblem(p, "folder " + verify::Hex(w.archive) + ": PR_SUBFOLDERS 1 but the hierarchy table has 0 rows"));
        EXPECT_TRUE(HasProblem(p, "row " + verify::Hex(w.archive) + " column 0x360A000B"));
    }
    {
        Bytes f = w.file;  // a BBT entry's cRef
        const auto& pg = *std::find_if(r.Pages().begin(), r.Pages().end(),
                                       [](const verify::BtPage& p) { return !p.nbt && p.cLevel == 0; });
        const std::uint64_t bid = disk::GetU64(f, pg.bref.ib);
        PutU16(f, pg.bref.ib + 18, static_cast<std::uint16_t>(disk::GetU16(f, pg.bref.ib + 18) + 1));
        ResealBtPage(f, pg.bref.ib, disk::PageType::BBT);
        EXPECT_TRUE(HasProblem(verify::VerifyPstBytes(f), "block BID " + verify::Hex(bid) + ": cRef"));
    }
}

TEST(VerifierOnWriter, EveryFlippedByteOfAPageOrBlockIsReported) {
    const WrittenPst w("flip");
    const verify::PstReader r(w.file);
    std::vector<std::pair<std::uint64_t, std::uint64_t>> covered;  // [begin, end) under some CRC or check
    for (const auto& pg : r.Pages()) covered.emplace_back(pg.bref.ib, pg.bref.ib + 512);
    for (const auto& b : r.Blocks())
        if (b.cb > 0) covered.emplace_back(b.ib, b.ib + b.cb);
    std::mt19937 rng(1234);
    for (int i = 0; i < 150; ++i) {
        const auto& [begin, end] = covered[rng() % covered.size()];
        const std::uint64_t at = begin + rng() % (end - begin);
        Bytes f = w.file;
        f[at] ^= static_cast<std::uint8_t>(1u << (rng() % 8));
        EXPECT_FALSE(verify::VerifyPstBytes(f).empty()) << "flip at " << verify::Hex(at) << " went unnoticed";
    }
}

TEST(VerifierOnWriter, MalformedBlocksWithValidCrcsAreReportedWithoutCrashing) {
    // Corrupt decoded node data and reseal the block, so the parsers above the NDB see garbage.
    const WrittenPst w("garbage");
    const verify::PstReader r(w.file);
    std::mt19937 rng(99);
    std::size_t reported = 0;
    for (int i = 0; i < 150; ++i) {
        const auto& b = r.Blocks()[rng() % r.Blocks().size()];
        if (b.cb == 0) continue;
        Bytes data = r.ReadBlock(b.bid);
        for (int k = 0; k < 3; ++k) data[rng() % data.size()] = static_cast<std::uint8_t>(rng());
        if ((b.bid & 2) == 0 && r.Header().bCryptMethod == 1) verify::PermuteEncode(data);
        Bytes f = w.file;
        std::copy(data.begin(), data.end(), f.begin() + static_cast<std::ptrdiff_t>(b.ib));
        PutU32(f, b.ib + disk::BlockSize(b.cb) - 12, disk::ComputeCrc(data));
        if (!verify::VerifyPstBytes(f).empty()) ++reported;
    }
    EXPECT_GT(reported, 100u);  // most structure bytes matter; a few land in free text
}
