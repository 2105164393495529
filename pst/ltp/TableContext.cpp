#include "pst/ltp/TableContext.h"

#include "pst/PstError.h"

#include "pst/disk/Bytes.h"
#include "pst/disk/Layout.h"
#include "pst/ltp/Bth.h"

#include <algorithm>
#include <stdexcept>
#include <string>

namespace quill::pst::ltp {

namespace {

using disk::PutU16;
using disk::PutU32;
using disk::PutU8;

constexpr std::uint8_t kTcType = 0x7C;
constexpr std::size_t kTcinfoSize = 22;   // [MS-PST] 2.3.4.1 TCINFO before rgTCOLDESC
constexpr std::size_t kTcoldescSize = 8;  // [MS-PST] 2.3.4.2 TCOLDESC
static_assert(kTcinfoSize == 1 + 1 + 4 * 2 + 4 + 4 + 4);
static_assert(kTcoldescSize == 4 + 2 + 1 + 1);

// [MS-PST] 2.3.4.3 row index BTH: dwRowID -> dwRowIndex.
constexpr std::uint8_t kRowIndexKeySize = 4;
constexpr std::uint8_t kRowIndexDataSize = 4;

constexpr std::size_t kRowBlock = disk::kMaxBlockData;

struct CellShape {
    std::uint8_t cb;
    bool hnid;
};

// [MS-PST] 2.3.4.4.1: fixed values of at most 8 bytes sit in the row, everything else is an HNID.
CellShape ShapeOf(std::uint32_t tag) {
    switch (tag & 0xFFFF) {
        case 0x000B:
            return {1, false};  // PtypBoolean
        case 0x0002:
            return {2, false};  // PtypInteger16
        case 0x0003:            // PtypInteger32
        case 0x0004:            // PtypFloating32
        case 0x000A:
            return {4, false};  // PtypErrorCode
        case 0x0005:            // PtypFloating64
        case 0x0006:            // PtypCurrency
        case 0x0007:            // PtypFloatingTime
        case 0x0014:            // PtypInteger64
        case 0x0040:
            return {8, false};  // PtypTime
        default:
            return {4, true};
    }
}

void SetBit(std::span<std::uint8_t> row, std::size_t bitmapAt, std::uint8_t iBit) {
    row[bitmapAt + iBit / 8] |= static_cast<std::uint8_t>(0x80u >> (iBit % 8));
}

Hnid CheckedSubnode(SubnodeSink& sink, std::span<const std::uint8_t> data) {
    const Hnid nid = sink.AddSubnode(data);
    if ((nid & 0x1F) == 0) throw std::logic_error("TC: subnode sink returned an HID-typed NID");
    return nid;
}

}  // namespace

TableContextBuilder::TableContextBuilder(std::vector<std::uint32_t> columnTags) {
    for (std::uint32_t fixed : {kTagLtpRowId, kTagLtpRowVer})
        if (std::find(columnTags.begin(), columnTags.end(), fixed) == columnTags.end()) columnTags.push_back(fixed);
    std::sort(columnTags.begin(), columnTags.end());
    if (std::adjacent_find(columnTags.begin(), columnTags.end()) != columnTags.end())
        throw std::invalid_argument("TC: a column is listed twice");
    if (columnTags.size() > 255) throw std::length_error("TC: more than 255 columns");

    // iBit: LtpRowId 0, LtpRowVer 1, then the other columns in tag order.
    std::uint8_t nextBit = 2;
    for (std::uint32_t tag : columnTags) {
        const CellShape shape = ShapeOf(tag);
        std::uint8_t iBit = tag == kTagLtpRowId ? 0 : tag == kTagLtpRowVer ? 1 : nextBit++;
        columns.push_back(Column{tag, 0, shape.cb, iBit, shape.hnid});
    }

    // [MS-PST] 2.3.4.4.1 row layout: LtpRowId, LtpRowVer, the 8- then 4-byte cells (8-byte cells
    // stay 8-aligned), 2-byte, 1-byte cells, then the cell existence bitmap.
    std::size_t ib = 8;
    for (Column& c : columns) {
        if (c.tag == kTagLtpRowId) c.ib = 0;
        if (c.tag == kTagLtpRowVer) c.ib = 4;
    }
    const auto place = [&](std::uint8_t cb) {
        for (Column& c : columns) {
            if (c.cb != cb || c.tag == kTagLtpRowId || c.tag == kTagLtpRowVer) continue;
            c.ib = static_cast<std::uint16_t>(ib);
            ib += cb;
        }
    };
    place(8);
    place(4);
    rgib[0] = static_cast<std::uint16_t>(ib);  // TCI_4b
    place(2);
    rgib[1] = static_cast<std::uint16_t>(ib);  // TCI_2b
    place(1);
    rgib[2] = static_cast<std::uint16_t>(ib);  // TCI_1b
    ib += (columns.size() + 7) / 8;
    rgib[3] = static_cast<std::uint16_t>(ib);  // TCI_bm
    rowSize = ib;
    if (rowSize > kRowBlock)
        throw LayerError<std::length_error>(
            "TC: a row is larger than a block",
            {.expected = "at most " + std::to_string(kRowBlock) + " bytes", .actual = std::to_string(rowSize)});
}

void TableContextBuilder::AddRow(std::uint32_t rowId, const PropertyList& values) {
    if (!rowIdSet.insert(rowId).second)
        throw std::invalid_argument("TC: row id " + std::to_string(rowId) + " added twice");
    const std::size_t rowAt = matrix.size();
    matrix.resize(rowAt + rowSize, 0);
    std::span<std::uint8_t> row(matrix.data() + rowAt, rowSize);
    const std::size_t bitmapAt = rgib[2];

    for (const Column& c : columns) {
        if (c.tag == kTagLtpRowId || c.tag == kTagLtpRowVer) {
            // LtpRowVer only has to differ between rows: the row's 1-based position.
            PutU32(row, c.ib, c.tag == kTagLtpRowId ? rowId : static_cast<std::uint32_t>(rowIds.size() + 1));
            SetBit(row, bitmapAt, c.iBit);
            continue;
        }
        const Property* p = values.Find(TagId(c.tag));
        if (p == nullptr || p->tag != c.tag) continue;
        SetBit(row, bitmapAt, c.iBit);
        if (c.hnid) {
            if (!p->value.empty()) {
                pending.push_back(PendingValue{rowAt + c.ib, arena.size(), p->value.size()});
                arena.insert(arena.end(), p->value.begin(), p->value.end());
            }
        } else {
            if (p->value.size() != c.cb)
                throw LayerError<std::invalid_argument>(
                    "TC: value of " + std::to_string(c.tag) + " does not have its type's width",
                    {.expected = std::to_string(c.cb) + " bytes", .actual = std::to_string(p->value.size())});
            std::copy(p->value.begin(), p->value.end(), row.begin() + c.ib);
        }
    }
    rowIds.push_back(rowId);
}

std::size_t TableContextBuilder::RowCount() const { return rowIds.size(); }

std::vector<std::vector<std::uint8_t>> TableContextBuilder::Finish(SubnodeSink& sink) const {
    HeapOnNode heap(kClientSigTC);
    std::vector<std::uint8_t> tcinfo(kTcinfoSize + kTcoldescSize * columns.size(), 0);
    const Hid tcinfoHid = heap.Allocate(tcinfo);
    heap.SetUserRoot(tcinfoHid);
    BthWriter rowIndex(heap, kRowIndexKeySize, kRowIndexDataSize, rowIds.size());

    std::vector<std::uint8_t> rows = matrix;
    for (const PendingValue& v : pending) {
        const std::span<const std::uint8_t> bytes(arena.data() + v.offset, v.size);
        const Hnid hnid = bytes.size() > kMaxAllocation ? CheckedSubnode(sink, bytes) : heap.Allocate(bytes);
        PutU32(rows, v.cell, hnid);
    }

    std::vector<std::uint8_t> records(rowIds.size() * (kRowIndexKeySize + kRowIndexDataSize));
    for (std::size_t r = 0; r < rowIds.size(); ++r) {
        PutU32(records, r * 8, rowIds[r]);
        PutU32(records, r * 8 + 4, static_cast<std::uint32_t>(r));
    }
    rowIndex.Fill(records);

    Hnid hnidRows = 0;
    if (rows.size() > kMaxAllocation) {
        // [MS-PST] 2.3.4.4: rows never straddle a data block, so all blocks but the last are
        // whole rows padded to 8176 bytes.
        const std::size_t perBlock = kRowBlock / rowSize;
        const std::size_t count = rowIds.size();
        const std::size_t fullBlocks = (count - 1) / perBlock;
        std::vector<std::uint8_t> packed(fullBlocks * kRowBlock + (count - fullBlocks * perBlock) * rowSize, 0);
        for (std::size_t b = 0; b * perBlock < count; ++b) {
            const std::size_t n = std::min(perBlock, count - b * perBlock);
            std::copy_n(rows.begin() + static_cast<std::ptrdiff_t>(b * perBlock * rowSize), n * rowSize,
                        packed.begin() + static_cast<std::ptrdiff_t>(b * kRowBlock));
        }
        hnidRows = CheckedSubnode(sink, packed);
    } else if (!rows.empty()) {
        hnidRows = heap.Allocate(rows);
    }

    std::span<std::uint8_t> t(tcinfo);
    PutU8(t, 0, kTcType);
    PutU8(t, 1, static_cast<std::uint8_t>(columns.size()));
    for (std::size_t i = 0; i < rgib.size(); ++i) PutU16(t, 2 + 2 * i, rgib[i]);
    PutU32(t, 10, rowIndex.Header());  // hidRowIndex
    PutU32(t, 14, hnidRows);
    PutU32(t, 18, 0);  // hidIndex, deprecated
    for (std::size_t i = 0; i < columns.size(); ++i) {
        const std::size_t at = kTcinfoSize + kTcoldescSize * i;
        PutU32(t, at, columns[i].tag);
        PutU16(t, at + 4, columns[i].ib);
        PutU8(t, at + 6, columns[i].cb);
        PutU8(t, at + 7, columns[i].iBit);
    }
    heap.Overwrite(tcinfoHid, tcinfo);
    return heap.Finish();
}

}  // namespace quill::pst::ltp
