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

Hnid CheckedNid(Hnid nid) {
    if ((nid & 0x1F) == 0) throw std::logic_error("TC: subnode sink returned an HID-typed NID");
    return nid;
}

Hnid CheckedSubnode(SubnodeSink& sink, std::span<const std::uint8_t> data) { return CheckedNid(sink.AddSubnode(data)); }

}  // namespace

TableContextBuilder::TableContextBuilder(std::vector<std::uint32_t> columnTags) {
    heap = std::make_unique<HeapOnNode>(kClientSigTC);
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

    // Outlook's order: the row index's header first (0x20), TCINFO next (0x40).
    rowIndex = std::make_unique<BthWriter>(*heap, kRowIndexKeySize, kRowIndexDataSize);
    tcinfoHid = heap->Allocate(std::vector<std::uint8_t>(kTcinfoSize + kTcoldescSize * columns.size(), 0));
    heap->SetUserRoot(tcinfoHid);
}

TableContextBuilder::TableContextBuilder(std::vector<std::uint32_t> columnTags, SubnodeSink& subnodeSink,
                                         HeapBlockSink& blocks)
    : TableContextBuilder(std::move(columnTags)) {
    subnodes = &subnodeSink;
    // The same layout on a heap that hands its finished blocks over as it grows.
    auto streamed = std::make_unique<HeapOnNode>(kClientSigTC, &blocks);
    rowIndex = std::make_unique<BthWriter>(*streamed, kRowIndexKeySize, kRowIndexDataSize);
    tcinfoHid = streamed->Allocate(std::vector<std::uint8_t>(kTcinfoSize + kTcoldescSize * columns.size(), 0));
    streamed->SetUserRoot(tcinfoHid);
    heap = std::move(streamed);
}

TableContextBuilder::~TableContextBuilder() = default;

void TableContextBuilder::CheckNewRowId(std::uint32_t rowId) {
    if (idsRising && (rowIds.empty() || rowId > rowIds.back())) return;
    if (idsRising) {
        idsRising = false;
        rowIdSet.insert(rowIds.begin(), rowIds.end());
    }
    if (!rowIdSet.insert(rowId).second)
        throw std::invalid_argument("TC: row id " + std::to_string(rowId) + " added twice");
}

void TableContextBuilder::AddRow(std::uint32_t rowId, const PropertyList& values) {
    if (finished) throw std::logic_error("TC: row added after Finish");
    // Refused before anything is placed, so a refused row leaves the table as it was.
    for (const Column& c : columns) {
        const Property* p = values.Find(TagId(c.tag));
        if (c.hnid || p == nullptr || p->tag != c.tag || c.tag == kTagLtpRowId || c.tag == kTagLtpRowVer) continue;
        if (p->value.size() != c.cb)
            throw LayerError<std::invalid_argument>(
                "TC: value of " + std::to_string(c.tag) + " does not have its type's width",
                {.expected = std::to_string(c.cb) + " bytes", .actual = std::to_string(p->value.size())});
    }
    CheckNewRowId(rowId);
    std::vector<std::uint8_t> rowBytes(rowSize, 0);
    std::span<std::uint8_t> row(rowBytes);
    const std::size_t bitmapAt = rgib[2];
    std::vector<PendingValue> large;

    for (const Column& c : columns) {
        if (c.tag == kTagLtpRowId || c.tag == kTagLtpRowVer) {
            // LtpRowVer only has to differ between rows: the row's 1-based position.
            PutU32(row, c.ib, c.tag == kTagLtpRowId ? rowId : static_cast<std::uint32_t>(rowIds.size() + 1));
            SetBit(row, bitmapAt, c.iBit);
            continue;
        }
        const Property* p = values.Find(TagId(c.tag));
        if (p == nullptr || p->tag != c.tag) continue;
        if (c.hnid) {
            if (p->value.size() <= kMaxAllocation) {
                // An empty value is a zero-length allocation: no cell holds HNID 0.
                PutU32(row, c.ib, heap->Allocate(p->value));
            } else if (subnodes != nullptr) {
                PutU32(row, c.ib, CheckedSubnode(*subnodes, p->value));
            } else {
                large.push_back(PendingValue{c.ib, arena.size(), p->value.size()});
                arena.insert(arena.end(), p->value.begin(), p->value.end());
            }
        } else {
            std::copy(p->value.begin(), p->value.end(), row.begin() + c.ib);
        }
        SetBit(row, bitmapAt, c.iBit);
    }
    for (PendingValue& v : large) v.cell += matrix.size();
    pending.insert(pending.end(), large.begin(), large.end());
    rowIds.push_back(rowId);
    AppendRow(row);
}

// Streamed, the rows stay in memory only while they fit one heap allocation; past that they go
// to the row-matrix subnode, whole rows in each 8176-byte block ([MS-PST] 2.3.4.4).
void TableContextBuilder::AppendRow(std::span<const std::uint8_t> row) {
    if (subnodes == nullptr || (!rowStream && matrix.size() + row.size() <= kMaxAllocation)) {
        matrix.insert(matrix.end(), row.begin(), row.end());
        return;
    }
    if (!rowStream) {
        rowStream = subnodes->OpenStream();
        for (std::size_t at = 0; at < matrix.size(); at += rowSize)
            StreamRow(std::span<const std::uint8_t>(matrix).subspan(at, rowSize));
        std::vector<std::uint8_t>().swap(matrix);
    }
    StreamRow(row);
}

void TableContextBuilder::StreamRow(std::span<const std::uint8_t> row) {
    const std::size_t perBlock = kRowBlock / rowSize;
    if (rowsInBlock == perBlock) {
        const std::vector<std::uint8_t> padding(kRowBlock - perBlock * rowSize, 0);
        if (!padding.empty()) rowStream->Append(padding);
        rowsInBlock = 0;
    }
    rowStream->Append(row);
    ++rowsInBlock;
}

std::size_t TableContextBuilder::RowCount() const { return rowIds.size(); }

Hnid TableContextBuilder::FinishRows(SubnodeSink* sink) {
    if (rowStream) return CheckedNid(rowStream->Finish());
    for (const PendingValue& v : pending)
        PutU32(matrix, v.cell, CheckedSubnode(*sink, std::span<const std::uint8_t>(arena.data() + v.offset, v.size)));
    if (matrix.empty()) return 0;  // no rows: hnidRows is 0 ([MS-PST] 2.3.4.1)
    if (matrix.size() <= kMaxAllocation) return heap->Allocate(matrix);
    // Rows never straddle a data block, so all blocks but the last are whole rows padded to 8176.
    const std::size_t perBlock = kRowBlock / rowSize;
    const std::size_t count = matrix.size() / rowSize;
    const std::size_t fullBlocks = (count - 1) / perBlock;
    std::vector<std::uint8_t> packed(fullBlocks * kRowBlock + (count - fullBlocks * perBlock) * rowSize, 0);
    for (std::size_t b = 0; b * perBlock < count; ++b) {
        const std::size_t n = std::min(perBlock, count - b * perBlock);
        std::copy_n(matrix.begin() + static_cast<std::ptrdiff_t>(b * perBlock * rowSize), n * rowSize,
                    packed.begin() + static_cast<std::ptrdiff_t>(b * kRowBlock));
    }
    return CheckedSubnode(*sink, packed);
}

void TableContextBuilder::FinishHeap(Hnid hnidRows) {
    finished = true;
    // The row index maps each row id to its row, sorted by id.
    if (idsRising) {
        rowIndex->Build(rowIds.size(), [&](std::size_t k, std::span<std::uint8_t> record) {
            PutU32(record, 0, rowIds[k]);
            PutU32(record, 4, static_cast<std::uint32_t>(k));
        });
    } else {
        std::vector<std::uint32_t> order(rowIds.size());
        for (std::size_t i = 0; i < order.size(); ++i) order[i] = static_cast<std::uint32_t>(i);
        std::sort(order.begin(), order.end(), [&](std::uint32_t a, std::uint32_t b) { return rowIds[a] < rowIds[b]; });
        rowIndex->Build(order.size(), [&](std::size_t k, std::span<std::uint8_t> record) {
            PutU32(record, 0, rowIds[order[k]]);
            PutU32(record, 4, order[k]);
        });
    }

    std::vector<std::uint8_t> tcinfo(kTcinfoSize + kTcoldescSize * columns.size(), 0);
    std::span<std::uint8_t> t(tcinfo);
    PutU8(t, 0, kTcType);
    PutU8(t, 1, static_cast<std::uint8_t>(columns.size()));
    for (std::size_t i = 0; i < rgib.size(); ++i) PutU16(t, 2 + 2 * i, rgib[i]);
    PutU32(t, 10, rowIndex->Header());  // hidRowIndex
    PutU32(t, 14, hnidRows);
    PutU32(t, 18, 0);  // hidIndex, deprecated
    for (std::size_t i = 0; i < columns.size(); ++i) {
        const std::size_t at = kTcinfoSize + kTcoldescSize * i;
        PutU32(t, at, columns[i].tag);
        PutU16(t, at + 4, columns[i].ib);
        PutU8(t, at + 6, columns[i].cb);
        PutU8(t, at + 7, columns[i].iBit);
    }
    heap->Overwrite(tcinfoHid, tcinfo);
}

std::vector<std::vector<std::uint8_t>> TableContextBuilder::Finish(SubnodeSink& sink) {
    if (subnodes != nullptr) throw std::logic_error("TC: a streamed table finishes without a sink");
    if (finished) throw std::logic_error("TC: finished twice");
    FinishHeap(FinishRows(&sink));
    return heap->Finish();
}

void TableContextBuilder::Finish() {
    if (subnodes == nullptr) throw std::logic_error("TC: a table in memory finishes with a sink");
    if (finished) throw std::logic_error("TC: finished twice");
    FinishHeap(FinishRows(subnodes));
    (void)heap->Finish();
}

}  // namespace quill::pst::ltp
