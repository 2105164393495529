#include "pst/disk/Bytes.h"
#include "pst/ltp/Bth.h"
#include "pst/ltp/Heap.h"
#include "pst/ltp/PropertyContext.h"
#include "pst/ltp/TableContext.h"

#include <gtest/gtest.h>

#include <array>
#include <chrono>
#include <map>
#include <string>
#include <utility>
#include <vector>

namespace ltp = quill::pst::ltp;
using quill::pst::MakeTag;
using quill::pst::PropertyList;
using quill::pst::PropType;
using quill::pst::disk::GetU16;
using quill::pst::disk::GetU32;
using Bytes = std::vector<std::uint8_t>;

namespace {

int ExpectedFillLevel(std::size_t freeBytes) {
    const std::size_t atLeast[] = {3584, 2560, 2048, 1792, 1536, 1280, 1024, 768, 512, 256, 128, 64, 32, 16, 8};
    int level = 0;
    while (level < 15 && freeBytes < atLeast[level]) ++level;
    return level;
}

// Reads a heap back, checking every block's header kind, HNPAGEMAP placement and fill nibble.
struct HeapReader {
    std::vector<Bytes> blocks;

    explicit HeapReader(std::vector<Bytes> b) : blocks(std::move(b)) {
        EXPECT_EQ(blocks[0][2], 0xEC);
        for (std::size_t i = 0; i < blocks.size(); ++i) {
            const Bytes& blk = blocks[i];
            const std::size_t ibHnpm = GetU16(blk, 0), cAlloc = GetU16(blk, ibHnpm);
            const std::size_t end = GetU16(blk, ibHnpm + 4 + 2 * cAlloc), owner = i < 8 ? 0 : (i - 8) / 128 * 128 + 8;
            EXPECT_LE(blk.size(), 8176u) << i;
            EXPECT_EQ(ibHnpm + 4 + 2 * (cAlloc + 1), blk.size()) << "block " << i << " ends with its map";
            EXPECT_EQ((end + 1) / 2 * 2, ibHnpm) << "block " << i << ": map at the next even offset";
            EXPECT_EQ(GetU16(blk, ibHnpm + 4), i == 0 ? 12u : i == owner ? 66u : 2u) << i;
            const std::uint8_t byte = blocks[owner][(i < 8 ? 8 : 2) + (i - owner) / 2];
            EXPECT_EQ(i % 2 == 0 ? byte & 0xF : byte >> 4, ExpectedFillLevel(8176 - blk.size())) << "block " << i;
        }
    }
    ltp::Hid UserRoot() const { return GetU32(blocks[0], 4); }
    std::span<const std::uint8_t> Get(ltp::Hid hid) const {
        const Bytes& blk = blocks.at(hid >> 16);
        const std::size_t ibHnpm = GetU16(blk, 0), index = (hid >> 5) & 0x7FF;
        EXPECT_TRUE((hid & 0x1F) == 0 && index >= 1 && index <= GetU16(blk, ibHnpm)) << "HID " << hid;
        const std::size_t begin = GetU16(blk, ibHnpm + 2 + 2 * index), end = GetU16(blk, ibHnpm + 4 + 2 * index);
        return std::span(blk).subspan(begin, end - begin);
    }
};

std::uint64_t Key(std::span<const std::uint8_t> in, std::size_t cb) {
    std::uint64_t v = 0;
    while (cb-- > 0) v = v << 8 | in[cb];
    return v;
}

// A BTH read back: leaf records in order, checked ascending, index keys checked against children.
struct Bth {
    std::size_t cbKey = 0, cbEnt = 0, levels = 0;
    std::vector<Bytes> records;
    std::vector<std::size_t> leafSizes;

    Bth(const HeapReader& h, ltp::Hid header) {
        const auto hdr = h.Get(header);
        EXPECT_TRUE(hdr.size() == 8 && hdr[0] == 0xB5);
        cbKey = hdr[1], cbEnt = hdr[2], levels = hdr[3];
        if (GetU32(hdr, 4) != 0) Walk(h, GetU32(hdr, 4), levels, Key(h.Get(GetU32(hdr, 4)), cbKey));
    }
    void Walk(const HeapReader& h, ltp::Hid hid, std::size_t level, std::uint64_t expectedFirst) {
        const auto node = h.Get(hid);
        const std::size_t cb = cbKey + (level == 0 ? cbEnt : 4);
        ASSERT_TRUE(!node.empty() && node.size() % cb == 0);
        EXPECT_EQ(Key(node, cbKey), expectedFirst) << "index key is the child's first key";
        for (std::size_t at = 0; at < node.size(); at += cb) {
            const auto rec = node.subspan(at, cb);
            if (level > 0) {
                Walk(h, GetU32(rec, cbKey), level - 1, Key(rec, cbKey));
                continue;
            }
            EXPECT_TRUE(records.empty() || Key(records.back(), cbKey) < Key(rec, cbKey));
            records.emplace_back(rec.begin(), rec.end());
        }
        if (level == 0) leafSizes.push_back(node.size() / cb);
    }
};

struct FakeSink : ltp::SubnodeSink {
    std::map<std::uint32_t, Bytes> nodes;
    std::uint32_t AddSubnode(std::span<const std::uint8_t> data) override {
        const std::uint32_t nid = static_cast<std::uint32_t>(nodes.size() + 1) << 5 | 0x1F;
        nodes[nid].assign(data.begin(), data.end());
        return nid;
    }
};

struct Tc {
    HeapReader heap;
    std::array<std::uint16_t, 4> rgib{};
    ltp::Hid hidRowIndex = 0;
    ltp::Hnid hnidRows = 0;
    std::map<std::uint32_t, std::array<std::size_t, 3>> cols;  // tag -> ibData, cbData, iBit
    Bytes rows;                                                // the row matrix when in the heap

    explicit Tc(std::vector<Bytes> blocks) : heap(std::move(blocks)) {
        EXPECT_EQ(heap.blocks[0][3], 0x7C);
        const auto info = heap.Get(heap.UserRoot());
        EXPECT_EQ(info[0], 0x7C);
        EXPECT_EQ(info.size(), 22u + 8 * info[1]);
        for (std::size_t i = 0; i < 4; ++i) rgib[i] = GetU16(info, 2 + 2 * i);
        hidRowIndex = GetU32(info, 10), hnidRows = GetU32(info, 14);
        for (std::size_t at = 22; at < info.size(); at += 8) {
            EXPECT_TRUE(cols.empty() || cols.rbegin()->first < GetU32(info, at)) << "TCOLDESCs sorted by tag";
            cols[GetU32(info, at)] = {GetU16(info, at + 4), info[at + 6], info[at + 7]};
        }
        if (hnidRows != 0 && (hnidRows & 0x1F) == 0) rows.assign(heap.Get(hnidRows).begin(), heap.Get(hnidRows).end());
    }
    std::size_t RowSize() const { return rgib[3]; }
    bool Exists(std::span<const std::uint8_t> row, std::uint32_t tag) const {
        const std::size_t iBit = cols.at(tag)[2];
        return (row[rgib[2] + iBit / 8] & (0x80 >> (iBit % 8))) != 0;
    }
};

Bytes Filled(std::size_t n, std::uint8_t v = 0xAB) { return Bytes(n, v); }

constexpr std::uint32_t kSubject = MakeTag(0x0037, PropType::String);
constexpr std::uint32_t kSize = MakeTag(0x0E08, PropType::Int32);

// Rows of 13 bytes: LtpRowId, LtpRowVer, PR_MESSAGE_SIZE, a 1-byte cell existence bitmap.
Tc SizeTable(std::uint32_t rows, FakeSink& sink) {
    ltp::TableContextBuilder b({kSize});
    for (std::uint32_t r = 0; r < rows; ++r) {
        PropertyList v;
        v.SetInt32(0x0E08, r);
        b.AddRow((rows - r) * 32 + 4, v);  // descending ids: the row index must sort them
    }
    Tc tc(b.Finish(sink));
    EXPECT_EQ(tc.RowSize(), 13u);
    return tc;
}

}  // namespace

TEST(Heap, MapAtNextEvenOffsetAndAllocationLimits) {
    ltp::HeapOnNode heap(ltp::kClientSigBTH);
    EXPECT_EQ(heap.Allocate(Filled(3)), 0x20u);
    EXPECT_EQ(heap.Allocate(Filled(3580)), 0x40u);
    EXPECT_THROW((void)heap.Allocate(Filled(3581)), std::length_error);
    // An empty value is a zero-length allocation with a HID of its own, never HID 0.
    EXPECT_EQ(heap.Allocate(Bytes{}), 0x60u);
    heap.Overwrite(0x40, Filled(3580, 7));
    EXPECT_THROW(heap.Overwrite(0x40, Filled(3579)), std::invalid_argument);
    EXPECT_THROW(heap.Overwrite(0x80, Filled(1)), std::out_of_range);
    heap.SetUserRoot(0x40);
    HeapReader h(heap.Finish());
    ASSERT_EQ(h.blocks.size(), 1u);
    EXPECT_EQ(GetU16(h.blocks[0], 0), 3596u);  // 12 + 3 + 3580 = 3595, rounded up
    EXPECT_TRUE(h.Get(0x60).empty());
    EXPECT_EQ(h.blocks[0][3], 0xB5);
    EXPECT_EQ(h.UserRoot(), 0x40u);
    EXPECT_EQ(h.Get(0x40)[3579], 7);
    EXPECT_EQ(HeapReader(ltp::HeapOnNode(ltp::kClientSigPC).Finish()).blocks[0].size(), 12u + 4 + 2);
}

TEST(Heap, The2048thAllocationGoesToBlock1) {
    ltp::HeapOnNode heap(ltp::kClientSigPC);
    for (ltp::Hid i = 1; i <= 2047; ++i) ASSERT_EQ(heap.Allocate(Filled(1)), i << 5);
    EXPECT_EQ(heap.Allocate(Filled(1)), 0x10020u);
    HeapReader h(heap.Finish());
    EXPECT_EQ(h.blocks[0].size(), 6160u);  // room left, but hidIndex is used up
}

TEST(Heap, AllocationPushingTheMapPast8176OpensABlock) {
    for (std::size_t third : {992u, 993u}) {  // 12 + 2 * 3580 + 992, then a 12-byte map: 8176
        ltp::HeapOnNode heap(ltp::kClientSigPC);
        (void)heap.Allocate(Filled(3580));
        (void)heap.Allocate(Filled(3580));
        EXPECT_EQ(heap.Allocate(Filled(third)), third == 992 ? 0x60u : 0x10020u);
        HeapReader h(heap.Finish());
        EXPECT_EQ(h.blocks[0].size(), third == 992 ? 8176u : 7182u);
    }
}

TEST(Heap, FillLevelThresholds) {
    // {free bytes in block 0, level} at thresholds and just below (cb is always even).
    const std::pair<std::size_t, int> cases[] = {{3584, 0}, {3582, 1}, {2560, 1}, {2558, 2}, {768, 7}, {766, 8},
                                                 {64, 11},  {62, 12},  {8, 14},   {6, 15},   {0, 15}};
    for (auto [free, level] : cases) {
        const std::size_t total = 8176 - free - 12 - 4 - 2 * 4;  // three allocations
        ltp::HeapOnNode heap(ltp::kClientSigPC);
        for (std::size_t n : {total / 3, total / 3, total - 2 * (total / 3)}) (void)heap.Allocate(Filled(n));
        HeapReader h(heap.Finish());
        ASSERT_EQ(h.blocks.size(), 1u);
        ASSERT_EQ(h.blocks[0].size(), 8176 - free);
        EXPECT_EQ(h.blocks[0][8] & 0xF, level) << free;
    }
}

TEST(Heap, BitmapHeadersAtBlocks8And136CoverThemselvesAndThe127Next) {
    ltp::HeapOnNode heap(ltp::kClientSigTC);
    std::vector<std::pair<ltp::Hid, std::size_t>> allocs;
    for (std::size_t i = 0; allocs.empty() || (allocs.back().first >> 16) < 140; ++i) {
        const std::size_t n = 1 + (i * 2654435761u) % 3580;  // a different fill level per block
        allocs.emplace_back(heap.Allocate(Filled(n, static_cast<std::uint8_t>(i))), n);
    }
    HeapReader h(heap.Finish());
    ASSERT_EQ(h.blocks.size(), 141u);
    for (std::size_t i = 0; i < allocs.size(); ++i) {
        ASSERT_EQ(h.Get(allocs[i].first).size(), allocs[i].second);
        EXPECT_EQ(h.Get(allocs[i].first)[0], static_cast<std::uint8_t>(i));
    }
    for (std::size_t k = 141 - 136; k < 128; ++k)  // blocks 141..263 don't exist: level 0
        EXPECT_EQ((h.blocks[136][2 + k / 2] >> (k % 2 * 4)) & 0xF, 0) << k;
}

TEST(Bth, KeysSortAsLittleEndianUnsignedAndMustBeUnique) {
    ltp::HeapOnNode heap(ltp::kClientSigBTH);
    ltp::BthWriter bth(heap, 2, 2, 4), empty(heap, 4, 4, 0), dup(heap, 2, 2, 2);
    bth.Fill(Bytes{0x00, 0x01, 1, 0, 0xFF, 0x00, 2, 0, 0x00, 0x80, 3, 0, 0x02, 0x00, 4, 0});
    empty.Fill({});
    EXPECT_THROW(dup.Fill(Bytes{5, 0, 1, 1, 5, 0, 2, 2}), std::invalid_argument);
    HeapReader h(heap.Finish());
    const Bth t(h, bth.Header());
    ASSERT_EQ(t.records.size(), 4u);
    EXPECT_EQ(t.records[0][2], 4);  // 0x0002 < 0x00FF < 0x0100 < 0x8000
    EXPECT_EQ(t.records[3][2], 3);
    EXPECT_EQ(GetU32(h.Get(empty.Header()), 4), 0u);
}

TEST(Bth, SecondIndexLevelPast447Leaves) {
    const std::size_t count = 447 * 447 + 1;
    ltp::HeapOnNode heap(ltp::kClientSigBTH);
    ltp::BthWriter bth(heap, 4, 4, count);
    Bytes records(count * 8);
    for (std::size_t r = 0; r < count; ++r)
        quill::pst::disk::PutU32(records, r * 8, static_cast<std::uint32_t>(count - r));
    bth.Fill(records);
    const Bth t(HeapReader(heap.Finish()), bth.Header());
    EXPECT_EQ(t.levels, 2u);
    EXPECT_EQ(t.records.size(), count);
}

TEST(PropertyContext, SortedRecordsWithValuesInlineInHeapOrSubnode) {
    PropertyList props;
    props.SetInt16(0x0001, 0xBEEF);
    props.SetBool(0x0002, true);
    props.SetRaw(MakeTag(0x0003, static_cast<PropType>(0x000A)), {0x0E, 0x00, 0x07, 0x80});
    props.SetInt64(0x0004, 0x1122334455667788);
    props.SetBinary(0x0005, Filled(3580));
    props.SetBinary(0x0006, Filled(3581));
    props.SetString(0x0007, "");
    props.SetRaw(MakeTag(0x0008, PropType::MultiInt32), {1, 0, 0, 0, 9, 0, 0, 0});
    props.SetInt32(0x3FF1, 1);
    FakeSink sink;
    HeapReader h(ltp::BuildPropertyContext(props, sink));
    EXPECT_EQ(h.blocks[0][3], 0xBC);
    EXPECT_EQ(h.UserRoot(), 0x20u);
    EXPECT_EQ(GetU32(h.Get(0x20), 4), 0x40u);  // leaf right after the header
    const Bth t(h, 0x20);
    EXPECT_EQ(t.cbKey, 2u);
    EXPECT_EQ(t.cbEnt, 6u);
    std::map<std::uint16_t, std::uint32_t> v;
    for (const Bytes& r : t.records) v[GetU16(r, 0)] = GetU32(r, 4);
    ASSERT_EQ(v.size(), 9u);
    EXPECT_EQ(v[1], 0xBEEFu);
    EXPECT_EQ(v[2], 1u);
    EXPECT_EQ(v[3], 0x8007000Eu);
    EXPECT_EQ(GetU32(h.Get(v[4]), 4), 0x11223344u);
    EXPECT_EQ(h.Get(v[5]).size(), 3580u);
    EXPECT_EQ(sink.nodes.at(v[6]).size(), 3581u);
    EXPECT_NE(v[7], 0u);  // the empty string: a zero-length allocation
    EXPECT_TRUE(h.Get(v[7]).empty());
    EXPECT_EQ(h.Get(v[8]).size(), 8u);

    PropertyList bad;
    bad.SetRaw(MakeTag(0x0001, static_cast<PropType>(0x000A)), Filled(8));
    EXPECT_THROW((void)ltp::BuildPropertyContext(bad, sink), std::invalid_argument);
}

TEST(TableContext, EmptyTableHasRowIdColumnsNoRowsAndAnEmptyRowIndex) {
    FakeSink sink;
    ltp::TableContextBuilder empty({kSubject});
    const Tc tc(empty.Finish(sink));
    EXPECT_EQ(tc.cols.size(), 3u);
    EXPECT_EQ(tc.hnidRows, 0u);
    EXPECT_EQ(GetU32(tc.heap.Get(tc.hidRowIndex), 4), 0u);
}

TEST(TableContext, CellsGroupedBySizeAndExistenceBitsMsbFirst) {
    const std::uint32_t i16 = MakeTag(0x0001, PropType::Int16), flag = MakeTag(0x0002, PropType::Boolean),
                        time = MakeTag(0x0E06, PropType::Time);
    ltp::TableContextBuilder b({flag, kSubject, kSize, i16, time, ltp::kTagLtpRowVer});
    PropertyList full, sparse;
    full.SetInt16(0x0001, 0x1234);
    full.SetBool(0x0002, true);
    full.SetString(0x0037, "");
    full.SetInt32(0x0E08, 77);
    full.SetTime(0x0E06, 0x01D0000000000001);
    sparse.SetBinary(0x0037, Filled(4));  // same id, other type: not this column
    b.AddRow(0x8024, full);
    b.AddRow(0x8044, sparse);
    EXPECT_THROW(b.AddRow(0x8044, sparse), std::invalid_argument);
    FakeSink sink;
    const Tc tc(b.Finish(sink));

    using Col = std::array<std::size_t, 3>;
    EXPECT_EQ(tc.cols.at(ltp::kTagLtpRowId), (Col{0, 4, 0}));
    EXPECT_EQ(tc.cols.at(ltp::kTagLtpRowVer), (Col{4, 4, 1}));
    EXPECT_EQ(tc.cols.at(time), (Col{8, 8, 5}));
    EXPECT_EQ(tc.cols.at(kSubject), (Col{16, 4, 4}));  // an HNID among the 4-byte cells
    EXPECT_EQ(tc.cols.at(kSize), (Col{20, 4, 6}));
    EXPECT_EQ(tc.cols.at(i16), (Col{24, 2, 2}));
    EXPECT_EQ(tc.cols.at(flag), (Col{26, 1, 3}));
    EXPECT_EQ(tc.rgib, (std::array<std::uint16_t, 4>{24, 26, 27, 28}));

    ASSERT_EQ(tc.rows.size(), 2 * tc.RowSize());
    const auto row0 = std::span(tc.rows).first(28), row1 = std::span(tc.rows).subspan(28);
    EXPECT_EQ(row0[27], 0xFE);  // seven columns present
    EXPECT_EQ(GetU32(row0, 0), 0x8024u);
    EXPECT_NE(GetU32(row0, 16), 0u);  // empty string: present, a zero-length allocation
    EXPECT_TRUE(tc.heap.Get(GetU32(row0, 16)).empty());
    EXPECT_EQ(GetU16(row0, 24), 0x1234u);
    EXPECT_EQ(row1[27], 0xC0);
    EXPECT_FALSE(tc.Exists(row1, kSubject));
    EXPECT_NE(GetU32(row0, 4), GetU32(row1, 4));  // LtpRowVer
    for (std::size_t at = 8; at < 27; ++at) EXPECT_EQ(row1[at], 0) << "absent cell byte " << at;
}

TEST(TableContext, RowIndexGainsAnIndexLevelAt448Rows) {
    for (std::uint32_t n : {447u, 448u}) {
        FakeSink sink;
        const Tc tc = SizeTable(n, sink);
        const Bth t(tc.heap, tc.hidRowIndex);
        EXPECT_EQ(t.cbKey, 4u);
        EXPECT_EQ(t.cbEnt, 4u);
        EXPECT_EQ(t.levels, n == 448 ? 1u : 0u);
        ASSERT_EQ(t.records.size(), n);
        EXPECT_EQ(t.leafSizes.front(), 447u);
        EXPECT_EQ(GetU32(t.records[0], 0), 36u);
        EXPECT_EQ(GetU32(t.records[0], 4), n - 1);  // lowest id, added last
    }
}

TEST(TableContext, RowMatrixInHeapThenSubnodeOfWholeRowsPaddedTo8176) {
    // 3580 / 13 = 275 rows fit one allocation; 8176 / 13 = 628 rows fill a block, 12 bytes left.
    for (std::uint32_t n : {275u, 276u, 628u, 629u}) {
        FakeSink sink;
        const Tc tc = SizeTable(n, sink);
        if (n == 275) {
            EXPECT_EQ(tc.rows.size(), 275u * 13);
            continue;
        }
        const Bytes& data = sink.nodes.at(tc.hnidRows);
        ASSERT_EQ(data.size(), n == 629 ? 8176u + 13 : n * 13u) << n;
        if (n == 629) {
            for (std::size_t at = 628 * 13; at < 8176; ++at) ASSERT_EQ(data[at], 0) << at;
            EXPECT_EQ(GetU32(data, 8176), 36u);
            EXPECT_EQ(GetU32(data, 8176 + tc.cols.at(kSize)[0]), 628u);
        }
    }
}

// Readers written against Outlook's files find the row index's BTHHEADER at 0x20 and TCINFO at
// 0x40, whatever the table holds.
TEST(TableContext, RowIndexHeaderAt0x20AndTcinfoAt0x40) {
    for (std::uint32_t n : {0u, 1u, 700u}) {
        FakeSink sink;
        const Tc tc = SizeTable(n, sink);
        EXPECT_EQ(tc.hidRowIndex, 0x20u) << n;
        EXPECT_EQ(tc.heap.UserRoot(), 0x40u) << n;
        EXPECT_EQ(Bth(tc.heap, 0x20).records.size(), n);
    }
}

// Blocks handed to a HeapBlockSink, put back in their places.
struct BlockCollector : ltp::HeapBlockSink {
    std::map<std::size_t, Bytes> blocks;
    std::size_t firstBlockAt = 0, calls = 0;
    void WriteHeapBlock(std::size_t index, std::span<const std::uint8_t> block) override {
        EXPECT_FALSE(blocks.count(index)) << "block " << index << " written twice";
        blocks[index].assign(block.begin(), block.end());
        if (index == 0) firstBlockAt = calls;
        ++calls;
    }
    std::vector<Bytes> InOrder() const {
        std::vector<Bytes> out;
        for (const auto& [i, b] : blocks) {
            EXPECT_EQ(i, out.size()) << "a block is missing";
            out.push_back(b);
        }
        return out;
    }
};

// Sinks that count what is in memory: a streamed table must give the node a table gathered in
// memory gives, with the row matrix and the values written out as they come.
struct StreamSink : FakeSink {
    struct S : Stream {
        StreamSink& owner;
        Bytes data;
        explicit S(StreamSink& o) : owner(o) {}
        void Append(std::span<const std::uint8_t> b) override {
            data.insert(data.end(), b.begin(), b.end());
            owner.appended += b.size();
        }
        std::uint32_t Finish() override { return owner.AddSubnode(data); }
    };
    std::size_t appended = 0;
    std::unique_ptr<Stream> OpenStream() override { return std::make_unique<S>(*this); }
};

TEST(TableContext, StreamedTableEqualsTheOneBuiltInMemory) {
    const std::uint32_t bin = MakeTag(0x0FFF, PropType::Binary);
    for (std::uint32_t n : {0u, 3u, 40u, 5000u}) {
        ltp::TableContextBuilder memory({kSubject, kSize, bin});
        StreamSink streamSink;
        BlockCollector blocks;
        ltp::TableContextBuilder streamed({kSubject, kSize, bin}, streamSink, blocks);
        std::size_t matrixStreamedAt400 = 0;
        for (std::uint32_t r = 0; r < n; ++r) {
            PropertyList v;
            v.SetString(0x0037, r % 7 == 0 ? "" : "subject number " + std::to_string(r));
            v.SetInt32(0x0E08, r);
            if (r == 2) v.SetBinary(0x0FFF, Filled(5000));
            memory.AddRow(0x200024 + 32 * r, v);
            streamed.AddRow(0x200024 + 32 * r, v);
            if (r == 400) matrixStreamedAt400 = streamSink.appended;
        }
        FakeSink memorySink;
        const Tc a(memory.Finish(memorySink));
        streamed.Finish();
        if (n == 5000) {
            EXPECT_GT(matrixStreamedAt400, 0u) << "rows wait in memory";
            EXPECT_GT(blocks.blocks.size(), 8u);
            EXPECT_EQ(blocks.firstBlockAt, blocks.calls - 1) << "the first block goes last";
        }
        const Tc b(blocks.InOrder());
        EXPECT_EQ(a.heap.blocks, b.heap.blocks) << n;
        EXPECT_EQ(a.hnidRows == 0, b.hnidRows == 0);
        if ((a.hnidRows & 0x1F) != 0) {
            EXPECT_EQ(memorySink.nodes.at(a.hnidRows), streamSink.nodes.at(b.hnidRows));
        }
    }
}

TEST(TableContext, VariableCellsInHeapUpTo3580ThenSubnode) {
    const std::uint32_t bin = MakeTag(0x0FFF, PropType::Binary);
    ltp::TableContextBuilder b({bin});
    for (std::size_t size : {3580u, 3581u}) {
        PropertyList v;
        v.SetBinary(0x0FFF, Filled(size));
        b.AddRow(static_cast<std::uint32_t>(size), v);
    }
    FakeSink sink;
    const Tc tc(b.Finish(sink));
    const std::size_t ib = tc.cols.at(bin)[0];
    EXPECT_EQ(tc.heap.Get(GetU32(tc.rows, ib)).size(), 3580u);
    EXPECT_EQ(sink.nodes.at(GetU32(tc.rows, tc.RowSize() + ib)).size(), 3581u);
}

TEST(TableContext, TwentyFiveThousandRowsFinishQuickly) {
    const auto start = std::chrono::steady_clock::now();
    ltp::TableContextBuilder b({kSubject, kSize, MakeTag(0x0E06, PropType::Time)});
    for (std::uint32_t r = 0; r < 25000; ++r) {
        PropertyList v;
        v.SetString(0x0037, "message subject " + std::to_string(r));
        v.SetInt32(0x0E08, r);
        b.AddRow(0x200004 + (r * 7919 % 25000) * 32, v);  // ids out of order
    }
    FakeSink sink;
    const Tc tc(b.Finish(sink));
    const Bth t(tc.heap, tc.hidRowIndex);
    EXPECT_EQ(t.records.size(), 25000u);
    EXPECT_EQ(t.levels, 1u);
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(10));
}
