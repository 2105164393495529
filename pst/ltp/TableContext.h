#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <span>
#include <unordered_set>
#include <vector>

#include "pst/ltp/Heap.h"
#include "pst/ltp/Property.h"

namespace quill::pst::ltp {

class BthWriter;

constexpr std::uint32_t kTagLtpRowId = 0x67F20003;
constexpr std::uint32_t kTagLtpRowVer = 0x67F30003;

// [MS-PST] 2.3.4: a table context built row by row. Its heap follows the layout of Outlook's own
// files, which some readers rely on: the row index's BTHHEADER at HID 0x20, TCINFO (hidUserRoot)
// at 0x40, then the values, the row index's nodes and, while it fits, the row matrix.
class TableContextBuilder {
  public:
    // Rows gathered in memory and emitted as node data by Finish(sink). The columns by full tag;
    // LtpRowId and LtpRowVer are always columns (listing them is allowed).
    explicit TableContextBuilder(std::vector<std::uint32_t> columnTags);
    // Rows written out as they come, for tables of any size: values too large for the heap and
    // the row matrix (once it outgrows one allocation) go to `subnodes`, finished heap blocks to
    // `blocks`. Memory holds the row ids (4 bytes a row), the heap's first block and the
    // row-matrix block being filled.
    TableContextBuilder(std::vector<std::uint32_t> columnTags, SubnodeSink& subnodes, HeapBlockSink& blocks);
    TableContextBuilder(const TableContextBuilder&) = delete;
    TableContextBuilder& operator=(const TableContextBuilder&) = delete;
    ~TableContextBuilder();

    // A row keyed by rowId (its dwRowID in the row index, and its LtpRowId cell). Each column takes
    // the value of `values` whose full tag equals the column's tag; other columns are absent
    // (cell-existence bit clear). Rows stay in the order added. std::invalid_argument for a
    // repeated id or a value of the wrong width.
    void AddRow(std::uint32_t rowId, const PropertyList& values);
    [[nodiscard]] std::size_t RowCount() const;

    // In memory: the node data (TCINFO at hidUserRoot, the row index BTH, the row matrix in the
    // heap while it fits in one allocation, else through `sink` as a subnode whose 8176-byte
    // blocks each hold whole rows, padded; large variable cells through `sink` too).
    [[nodiscard]] std::vector<std::vector<std::uint8_t>> Finish(SubnodeSink& sink);
    // Streamed: the last heap blocks go to the block sink.
    void Finish();

  private:
    struct Column {
        std::uint32_t tag;
        std::uint16_t ib;
        std::uint8_t cb;
        std::uint8_t iBit;
        bool hnid;  // the cell holds an HNID to the value, not the value
    };
    struct PendingValue {    // a value too large for the heap, placed through the sink by Finish
        std::size_t cell;    // offset of the cell in `matrix`
        std::size_t offset;  // its bytes in `arena`
        std::size_t size;
    };

    void CheckNewRowId(std::uint32_t rowId);
    void AppendRow(std::span<const std::uint8_t> row);
    void StreamRow(std::span<const std::uint8_t> row);
    [[nodiscard]] Hnid FinishRows(SubnodeSink* sink);
    void FinishHeap(Hnid hnidRows);

    // Sorted by tag, the TCOLDESC order. iBit: LtpRowId 0, LtpRowVer 1, the others in this order;
    // a row's LtpRowVer is its 1-based position.
    std::vector<Column> columns;
    std::array<std::uint16_t, 4> rgib{};
    std::size_t rowSize = 0;
    SubnodeSink* subnodes = nullptr;  // set when streamed
    std::unique_ptr<HeapOnNode> heap;
    std::unique_ptr<BthWriter> rowIndex;
    Hid tcinfoHid = 0;
    std::vector<std::uint8_t> matrix;  // in memory: every row; streamed: the rows not yet written
    std::unique_ptr<SubnodeSink::Stream> rowStream;
    std::size_t rowsInBlock = 0;  // rows in the row-matrix block being filled (streamed)
    std::vector<PendingValue> pending;
    std::vector<std::uint8_t> arena;
    std::vector<std::uint32_t> rowIds;
    bool idsRising = true;  // every id above the one before: no set of ids needed
    std::unordered_set<std::uint32_t> rowIdSet;
    bool finished = false;
};

}  // namespace quill::pst::ltp
